#pragma once

#include <QGraphicsView>
#include <QPointF>

class QGraphicsScene;
class QGraphicsSvgItem;

// Heading indicator view: a fixed compass card and bezel and an aircraft symbol that turns clockwise
// by the heading; three SVG layers of 240 x 240 design units scaled to the view. setHeadingAngle only
// stores; redraw() turns the symbol.
class qfi_HSI : public QGraphicsView
{
    Q_OBJECT
public:
    explicit qfi_HSI(QWidget *parent = nullptr);
    ~qfi_HSI() override;

    // Degrees, not wrapped (370 turns the symbol by 370 degrees).
    void setHeadingAngle(float deg) { headingDeg = deg; }
    float headingAngle() const { return headingDeg; }

    void redraw();
    // Clears the scene and builds the layers at the view's current size (heading 0).
    void rebuildLayers();

    // The aircraft symbol's rotation in degrees (tests).
    qreal planeRotation() const;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildLayers();

    QGraphicsScene *scene = nullptr;
    QGraphicsSvgItem *faceLayer = nullptr;
    QGraphicsSvgItem *caseLayer = nullptr;
    QGraphicsSvgItem *planeLayer = nullptr;

    float headingDeg = 0;
    float layerScaleX = 1.0f;
    float layerScaleY = 1.0f;

    const int designHeight = 240;
    const int designWidth = 240;
    const QPointF pivot{120.0, 120.0};

    const int faceZ = -20;
    const int caseZ = 10;
};
