#pragma once

#include <QComboBox>

namespace ORVE {

// Port box of the factory panel: "name: description" per port, refilled before every left press
// opens the list.
class myComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit myComboBox(QWidget *parent);

    void refreshPorts();

protected:
    void mousePressEvent(QMouseEvent *e) override;
};

} // namespace ORVE
