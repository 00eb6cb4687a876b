#include "ui/factory/FactoryPageWindow.h"

#include "ui/widgets/UiTheme.h"

#include <QWidget>

void FactoryPageWindow::setUp(QWidget *page, const QString &title)
{
    page->setObjectName(QStringLiteral("systemWidget"));
    page->setAttribute(Qt::WA_QuitOnClose, false);
    page->setWindowFlags(page->windowFlags() | Qt::Window | Qt::WindowStaysOnTopHint);
    page->setWindowTitle(title);
    const QString sheet = UiTheme::readStyleSheet(QStringLiteral(":/common.qss"));
    if (!sheet.isEmpty())
        page->setStyleSheet(sheet);
}
