#include "ui/hud/SvgLayer.h"

#include <QGraphicsSvgItem>

QGraphicsSvgItem *SvgLayer::make(const QString &resource, int z, float sx, float sy)
{
    auto *item = new QGraphicsSvgItem(resource);
    item->setCacheMode(QGraphicsItem::NoCache);
    item->setZValue(z);
    item->setTransform(QTransform::fromScale(sx, sy), true);
    return item;
}
