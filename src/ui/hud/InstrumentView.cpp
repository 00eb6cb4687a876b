#include "ui/hud/InstrumentView.h"

#include "ZtResources.h"

#include <QGraphicsScene>
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

QGraphicsScene *InstrumentView::setUpView(QGraphicsView *view)
{
    ZtResources::init();
    // Smooth edges, also where a cached layer is drawn turned.
    view->setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform | QPainter::TextAntialiasing);
    // Every frame repaints the whole picture anyway: skip the dirty-region bookkeeping.
    view->setViewportUpdateMode(QGraphicsView::FullViewportUpdate);
    view->setOptimizationFlags(QGraphicsView::DontSavePainterState | QGraphicsView::DontAdjustForAntialiasing);
    // The case layer covers the whole square, so what lies behind the view need not be painted first.
    view->viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    auto *scene = new QGraphicsScene(view);
    view->setScene(scene);
    scene->clear();
    return scene;
}
