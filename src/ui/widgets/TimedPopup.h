#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

// The program's self-closing message box: one Close button, fixed size, kept on top, run modally and
// accepted by a single-shot timer after closeAfterMs. Returns when the box has closed.
class TimedPopup
{
public:
    struct Shown
    {
        QMessageBox::Icon icon;
        QString title;
        QString text;
        int closeAfterMs;
    };
    // When set, every pop-up goes to the interceptor instead of a box (tests, headless runs).
    using Interceptor = std::function<void(const Shown &)>;

    static void exec(QMessageBox::Icon icon, const QString &title, const QString &text, int closeAfterMs);
    static void setInterceptor(Interceptor interceptor);

    // Routes the message manager's pop-ups through exec().
    static void installAsMessagePresenter();
};
