#pragma once

class QGraphicsView;
class QWidget;

namespace InstrumentView {
// The form of an instrument widget: object name and starting size of the widget, and the
// view's look (disabled, transparent, no frame, no scroll bars, not interactive) and starting geometry.
void setUpForm(QWidget *form, const char *formName, QGraphicsView *view, const char *viewName, int viewX);
} // namespace InstrumentView
