#include "ui/hud/qfi_HSI.h"

#include "ui/hud/InstrumentView.h"
#include "ui/hud/SvgLayer.h"

#include <QGraphicsScene>
#include <QGraphicsSvgItem>

qfi_HSI::qfi_HSI(QWidget *parent) : QGraphicsView(parent)
{
    scene = InstrumentView::setUpView(this);
    buildLayers();
}

qfi_HSI::~qfi_HSI()
{
    if (scene) {
        scene->clear();
        delete scene;
        scene = nullptr;
    }
    faceLayer = caseLayer = planeLayer = nullptr;
}

void qfi_HSI::redraw()
{
    if (planeLayer)
        planeLayer->setRotation(headingDeg);
    scene->update();
}

void qfi_HSI::rebuildLayers()
{
    scene->clear();
    buildLayers();
}

qreal qfi_HSI::planeRotation() const
{
    return planeLayer ? planeLayer->rotation() : 0;
}

void qfi_HSI::resizeEvent(QResizeEvent *event)
{
    QGraphicsView::resizeEvent(event);
    rebuildLayers();
}

void qfi_HSI::buildLayers()
{
    faceLayer = caseLayer = planeLayer = nullptr;
    headingDeg = 0;
    layerScaleX = float(rect().width()) / designWidth;
    layerScaleY = float(rect().height()) / designHeight;

    faceLayer = SvgLayer::make(QStringLiteral(":/images/hsi/hsi_face.svg"), faceZ, layerScaleX, layerScaleY, false);
    scene->addItem(faceLayer);
    caseLayer = SvgLayer::make(QStringLiteral(":/images/hsi/hsi_case.svg"), caseZ, layerScaleX, layerScaleY, false);
    scene->addItem(caseLayer);
    planeLayer = SvgLayer::make(QStringLiteral(":/images/hsi/hsi_plane.svg"), caseZ, layerScaleX, layerScaleY, true);
    planeLayer->setTransformOriginPoint(pivot);
    scene->addItem(planeLayer);

    // The scene is the view's own rectangle: turned or shifted layers must not grow it and so move the
    // picture off centre.
    scene->setSceneRect(0, 0, width(), height());
    centerOn(width() * 0.5, height() * 0.5);
    redraw();
}
