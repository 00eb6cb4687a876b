#pragma once

#include <QGraphicsView>
#include <QPointF>

class QGraphicsScene;
class QGraphicsSvgItem;

// Attitude indicator view: four SVG layers of 240 x 240 design units in a scene, scaled to the view.
// Back (sky and ground) and ring (roll scale) turn with roll; the face (pitch scale) turns with roll
// and moves along the rolled vertical by 1.7 design units per degree of pitch; the case stays fixed.
// Setters only store; applyAttitude() moves the layers.
class qfi_ADI : public QGraphicsView
{
    Q_OBJECT
public:
    explicit qfi_ADI(QWidget *parent = nullptr);
    ~qfi_ADI() override;

    // Degrees, clamped to [-180, 180].
    void setRollAngle(float deg);
    // Degrees, clamped to [-25, 25].
    void setPitchAngle(float deg);
    float rollAngle() const { return rollDeg; }
    float pitchAngle() const { return pitchDeg; }

    // Turns and shifts the layers for the stored roll and pitch and repaints.
    void applyAttitude();
    // Clears the scene and builds the layers at the view's current size (level attitude).
    void rebuildLayers();

    // Where the face layer stands (view pixels); tests check the pitch shift through it.
    QPointF facePosition() const;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildLayers();
    void redraw();
    void updateScale();

    QGraphicsScene *scene = nullptr;
    QGraphicsSvgItem *backLayer = nullptr;
    QGraphicsSvgItem *faceLayer = nullptr;
    QGraphicsSvgItem *ringLayer = nullptr;
    QGraphicsSvgItem *caseLayer = nullptr;

    float rollDeg = 0;
    float pitchDeg = 0;
    float faceShiftX = 0;
    float faceShiftY = 0;
    float appliedShiftX = 0;
    float appliedShiftY = 0;
    float layerScaleX = 1.0f;
    float layerScaleY = 1.0f;

    const int designHeight = 240;
    const int designWidth = 240;
    const float pitchUnitsPerDegree = 1.7f;
    const QPointF pivot{120.0, 120.0};

    const int backZ = -30;
    const int faceZ = -20;
    const int ringZ = -10;
    const int caseZ = 10;
};
