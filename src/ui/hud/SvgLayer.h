#pragma once

#include <QString>

class QGraphicsSvgItem;

namespace SvgLayer {
// One instrument layer: the SVG item of the resource, uncached, at stacking value z, scaled by
// (sx, sy) from its 240 x 240 design units to view pixels.
QGraphicsSvgItem *make(const QString &resource, int z, float sx, float sy);
} // namespace SvgLayer
