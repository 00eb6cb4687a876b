#pragma once

#include <QWidget>

class LayoutSquare;
class qfi_ADI;

// The attitude instrument as a widget: its view kept square and centred by a LayoutSquare. The owner
// drives adiView: setRollAngle, setPitchAngle, applyAttitude.
class WidgetADI : public QWidget
{
    Q_OBJECT
public:
    explicit WidgetADI(QWidget *parent = nullptr);
    ~WidgetADI() override;

    qfi_ADI *adiView = nullptr;

private:
    qfi_ADI *graphicsADI = nullptr;
    LayoutSquare *layoutSq = nullptr;
};
