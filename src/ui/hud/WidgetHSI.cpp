#include "ui/hud/WidgetHSI.h"

#include "ui/hud/InstrumentView.h"
#include "ui/hud/qfi_HSI.h"
#include "ui/widgets/LayoutSquare.h"

WidgetHSI::WidgetHSI(QWidget *parent) : QWidget(parent)
{
    graphicsHSI = new qfi_HSI(this);
    InstrumentView::setUpForm(this, "WidgetHSI", graphicsHSI, "graphicsHSI", 60);
    setWindowTitle(tr("Form"));

    layoutSq = new LayoutSquare(this, -1);
    layoutSq->setContentsMargins(0, 0, 0, 0);
    layoutSq->setWidget(graphicsHSI);
    hsiView = graphicsHSI;
}

WidgetHSI::~WidgetHSI()
{
    delete layoutSq;
}
