#pragma once

#include <QComboBox>

// Port box of the upgrade window: a right press refills it with the port names (no descriptions),
// a left press opens the list as it is.
class myComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit myComboBox(QWidget *parent);

    void refreshPortNames();

protected:
    void mousePressEvent(QMouseEvent *e) override;
};
