#pragma once

#include <QRect>
#include <QSize>

// Where the main window opens: its last place when that still lies on the screen, else a size that
// shows what the window asks for (within the screen's available geometry, never below the window's
// minimum), centred.
namespace WindowPlacement {
// Part of a stored window that must lie inside the available geometry for it to be used again.
constexpr int MinVisibleWidth = 200;
constexpr int MinVisibleHeight = 100;

// wanted: the size the window asks for; minimum: the least it can be; available: the screen's
// available geometry; stored: the last geometry (position of the frame, size of the window; empty
// when none); frame: the height the window's frame (title bar) adds above it.
QRect openingGeometry(const QSize &wanted, const QSize &minimum, const QRect &available, const QRect &stored,
                      int frame);
} // namespace WindowPlacement
