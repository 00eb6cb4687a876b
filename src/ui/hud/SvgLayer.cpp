#include "ui/hud/SvgLayer.h"

#include <QGraphicsSvgItem>

QGraphicsSvgItem *SvgLayer::make(const QString &resource, int z, float sx, float sy, bool moves)
{
    auto *item = new QGraphicsSvgItem(resource);
    if (moves) {
        // Cached in item coordinates (the 240 x 240 design size): a turn or a shift only transforms
        // the cached picture.
        item->setCacheMode(QGraphicsItem::ItemCoordinateCache);
    } else {
        item->setCacheMode(QGraphicsItem::DeviceCoordinateCache);
    }
    item->setZValue(z);
    item->setTransform(QTransform::fromScale(sx, sy), true);
    return item;
}
