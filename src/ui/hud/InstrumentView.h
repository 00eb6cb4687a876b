#pragma once

class QGraphicsScene;
class QGraphicsView;
class QWidget;

namespace InstrumentView {
// The form of an instrument widget: object name and starting size of the widget, and the
// view's look (disabled, transparent, no frame, no scroll bars, not interactive) and starting geometry.
void setUpForm(QWidget *form, const char *formName, QGraphicsView *view, const char *viewName, int viewX);
// The drawing set-up of an instrument view (smooth edges, whole-view repaints, an opaque viewport,
// the artwork registered) and its scene, created with the view as parent and set as its scene.
QGraphicsScene *setUpView(QGraphicsView *view);
} // namespace InstrumentView
