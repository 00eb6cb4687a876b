#pragma once

#include <QString>

class QWidget;

// The window set-up every factory page shares: object name "systemWidget", closing it does not end the
// program, a window of its own kept on top, its title, and the ":/common.qss" style sheet when the
// resource opens.
namespace FactoryPageWindow {
void setUp(QWidget *page, const QString &title);
} // namespace FactoryPageWindow
