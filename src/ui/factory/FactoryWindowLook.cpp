#include "ui/factory/FactoryWindowLook.h"

#include "ui/widgets/UiTheme.h"

#include <QWidget>

namespace FactoryWindowLook {
void apply(QWidget *window, const QString &title)
{
    window->setObjectName(QStringLiteral("systemWidget"));
    window->setAttribute(Qt::WA_QuitOnClose, false);
    window->setWindowFlags(window->windowFlags() | Qt::Window | Qt::WindowStaysOnTopHint);
    window->setWindowTitle(title);
    applyStyleSheet(window);
}

void applyStyleSheet(QWidget *window)
{
    const QString sheet = UiTheme::readStyleSheet(QStringLiteral(":/common.qss"));
    if (!sheet.isEmpty())
        window->setStyleSheet(sheet);
}
} // namespace FactoryWindowLook
