#pragma once

#include "ui/widgets/TComboBox.h"

// Port picker of the Shell, Param and Log pages: "name: description" per port, refreshed on every
// left press, keeping the selection when the same entry is still there.
class TSerialCombox : public TComboBox
{
    Q_OBJECT
public:
    explicit TSerialCombox(QWidget *parent = nullptr);

    void refreshPorts();

protected:
    void mousePressEvent(QMouseEvent *e) override;
};
