#include "ui/hud/InstrumentView.h"

#include <QGraphicsView>
#include <QWidget>

void InstrumentView::setUpForm(QWidget *form, const char *formName, QGraphicsView *view, const char *viewName,
                               int viewX)
{
    form->setObjectName(QLatin1String(formName));
    form->resize(400, 300);
    view->setObjectName(QLatin1String(viewName));
    view->setEnabled(false);
    view->setGeometry(viewX, 40, 256, 192);
    view->setStyleSheet(QStringLiteral("background-color: transparent;"));
    view->setFrameShape(QFrame::NoFrame);
    view->setFrameShadow(QFrame::Plain);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setInteractive(false);
}
