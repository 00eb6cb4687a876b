#include "ui/app/WindowPlacement.h"

namespace WindowPlacement {
QRect openingGeometry(const QSize &wanted, const QSize &minimum, const QRect &available, const QRect &stored, int frame)
{
    const QSize room(available.width(), available.height() - frame);
    if (stored.isValid()) {
        const QRect seen = stored.intersected(available);
        if (seen.width() >= MinVisibleWidth && seen.height() >= MinVisibleHeight)
            return QRect(stored.topLeft(), stored.size().boundedTo(room).expandedTo(minimum));
    }
    const QSize size = wanted.expandedTo(minimum).boundedTo(room).expandedTo(minimum);
    // The frame (title bar above the window) is centred with it; the position is the frame's.
    QRect placed(QPoint(0, 0), QSize(size.width(), size.height() + frame));
    placed.moveCenter(available.center());
    placed.setHeight(size.height());
    // Centred, but the top never above the available area (a window taller than the room).
    if (placed.top() < available.top())
        placed.moveTop(available.top());
    if (placed.left() < available.left())
        placed.moveLeft(available.left());
    return placed;
}
} // namespace WindowPlacement
