#include "ui/widgets/TimedPopup.h"

#include "link/TMsgManager.h"

#include <QTimer>

namespace {
TimedPopup::Interceptor &interceptor()
{
    static TimedPopup::Interceptor hook;
    return hook;
}
} // namespace

void TimedPopup::exec(QMessageBox::Icon icon, const QString &title, const QString &text, int closeAfterMs)
{
    if (interceptor()) {
        interceptor()({icon, title, text, closeAfterMs});
        return;
    }
    QMessageBox box(icon, title, text, QMessageBox::Close, nullptr,
                    Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint);
    QTimer::singleShot(closeAfterMs, &box, &QMessageBox::accept);
    box.exec();
}

void TimedPopup::setInterceptor(Interceptor hook)
{
    interceptor() = std::move(hook);
}

void TimedPopup::installAsMessagePresenter()
{
    TMsgManager::setPopupPresenter(
        [](TMsgManager::PopupIcon icon, const QString &title, const QString &text, int closeAfterMs) {
            QMessageBox::Icon boxIcon = QMessageBox::Information;
            if (icon == TMsgManager::PopupIcon::Warning)
                boxIcon = QMessageBox::Warning;
            else if (icon == TMsgManager::PopupIcon::Critical)
                boxIcon = QMessageBox::Critical;
            exec(boxIcon, title, text, closeAfterMs);
        });
}
