#include "ui/hud/qfi_ADI.h"

#include "ui/hud/InstrumentView.h"
#include "ui/hud/SvgLayer.h"

#include <QGraphicsScene>
#include <QGraphicsSvgItem>
#include <QtMath>

qfi_ADI::qfi_ADI(QWidget *parent) : QGraphicsView(parent)
{
    scene = InstrumentView::setUpView(this);
    buildLayers();
}

qfi_ADI::~qfi_ADI()
{
    if (scene) {
        scene->clear();
        delete scene;
        scene = nullptr;
    }
    backLayer = faceLayer = ringLayer = caseLayer = nullptr;
}

void qfi_ADI::setRollAngle(float deg)
{
    rollDeg = qBound(-180.0f, deg, 180.0f);
}

void qfi_ADI::setPitchAngle(float deg)
{
    pitchDeg = qBound(-25.0f, deg, 25.0f);
}

void qfi_ADI::applyAttitude()
{
    redraw();
    appliedShiftX = faceShiftX;
    appliedShiftY = faceShiftY;
}

void qfi_ADI::rebuildLayers()
{
    scene->clear();
    buildLayers();
}

QPointF qfi_ADI::facePosition() const
{
    return faceLayer ? faceLayer->pos() : QPointF();
}

void qfi_ADI::resizeEvent(QResizeEvent *event)
{
    QGraphicsView::resizeEvent(event);
    rebuildLayers();
}

void qfi_ADI::updateScale()
{
    layerScaleX = float(rect().width()) / designWidth;
    layerScaleY = float(rect().height()) / designHeight;
}

void qfi_ADI::buildLayers()
{
    backLayer = faceLayer = ringLayer = caseLayer = nullptr;
    rollDeg = pitchDeg = 0;
    faceShiftX = faceShiftY = appliedShiftX = appliedShiftY = 0;
    updateScale();

    backLayer = SvgLayer::make(QStringLiteral(":/images/adi/adi_back.svg"), backZ, layerScaleX, layerScaleY, true);
    backLayer->setTransformOriginPoint(pivot);
    scene->addItem(backLayer);
    faceLayer = SvgLayer::make(QStringLiteral(":/images/adi/adi_face.svg"), faceZ, layerScaleX, layerScaleY, true);
    faceLayer->setTransformOriginPoint(pivot);
    scene->addItem(faceLayer);
    ringLayer = SvgLayer::make(QStringLiteral(":/images/adi/adi_ring.svg"), ringZ, layerScaleX, layerScaleY, true);
    ringLayer->setTransformOriginPoint(pivot);
    scene->addItem(ringLayer);
    caseLayer = SvgLayer::make(QStringLiteral(":/images/adi/adi_case.svg"), caseZ, layerScaleX, layerScaleY, false);
    scene->addItem(caseLayer);

    // The scene is the view's own rectangle: turned or shifted layers must not grow it and so move the
    // picture off centre.
    scene->setSceneRect(0, 0, width(), height());
    centerOn(width() * 0.5, height() * 0.5);
    redraw();
}

void qfi_ADI::redraw()
{
    updateScale();
    if (backLayer)
        backLayer->setRotation(-rollDeg);
    if (ringLayer)
        ringLayer->setRotation(-rollDeg);
    if (faceLayer) {
        faceLayer->setRotation(-rollDeg);
        const double r = rollDeg * 3.141592653589793 / 180.0;
        const double d = pitchUnitsPerDegree * pitchDeg;
        faceShiftX = float(layerScaleX * d * std::sin(r));
        faceShiftY = float(layerScaleY * d * std::cos(r));
        faceLayer->moveBy(faceShiftX - appliedShiftX, faceShiftY - appliedShiftY);
    }
    scene->update();
}
