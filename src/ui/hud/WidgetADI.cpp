#include "ui/hud/WidgetADI.h"

#include "ui/hud/InstrumentView.h"
#include "ui/hud/qfi_ADI.h"
#include "ui/widgets/LayoutSquare.h"

WidgetADI::WidgetADI(QWidget *parent) : QWidget(parent)
{
    graphicsADI = new qfi_ADI(this);
    InstrumentView::setUpForm(this, "WidgetADI", graphicsADI, "graphicsADI", 70);
    graphicsADI->setBackgroundBrush(QBrush(Qt::NoBrush));
    setWindowTitle(tr("Form"));

    layoutSq = new LayoutSquare(this, -1);
    layoutSq->setContentsMargins(0, 0, 0, 0);
    layoutSq->setWidget(graphicsADI);
    adiView = graphicsADI;
}

WidgetADI::~WidgetADI()
{
    delete layoutSq;
}
