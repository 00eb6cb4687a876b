#pragma once

#include <QWidget>

class LayoutSquare;
class qfi_HSI;

// The heading instrument as a widget: its view kept square and centred by a LayoutSquare. The owner
// drives hsiView: setHeadingAngle, redraw.
class WidgetHSI : public QWidget
{
    Q_OBJECT
public:
    explicit WidgetHSI(QWidget *parent = nullptr);
    ~WidgetHSI() override;

    qfi_HSI *hsiView = nullptr;

private:
    qfi_HSI *graphicsHSI = nullptr;
    LayoutSquare *layoutSq = nullptr;
};
