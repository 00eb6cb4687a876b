#pragma once

#include <QString>

class QWidget;

// The look every factory window shares: object name "systemWidget", not keeping the application
// running, a window of its own kept on top, the given title and the style sheet ":/common.qss".
namespace FactoryWindowLook {
void apply(QWidget *window, const QString &title);
// Only the style sheet ":/common.qss" (when the resource opens).
void applyStyleSheet(QWidget *window);
} // namespace FactoryWindowLook
