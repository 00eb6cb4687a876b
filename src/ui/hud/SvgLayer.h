#pragma once

#include <QString>

class QGraphicsSvgItem;

namespace SvgLayer {
// One instrument layer: the SVG item of the resource at stacking value z, scaled by (sx, sy) from its
// 240 x 240 design units to view pixels. The drawing is rendered once into a cache at the view's
// resolution (a fixed layer) or at its design size (a turning or moving one, moves), and drawn from
// the cache with its transform, so a frame costs no SVG rendering.
QGraphicsSvgItem *make(const QString &resource, int z, float sx, float sy, bool moves);
} // namespace SvgLayer
