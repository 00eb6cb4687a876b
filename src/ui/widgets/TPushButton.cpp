#include "ui/widgets/TPushButton.h"

#include "ui/widgets/UiTheme.h"

TPushButton::TPushButton(QWidget *parent) : QPushButton(parent)
{
    applyLook();
}

TPushButton::TPushButton(const QString &text, QWidget *parent) : QPushButton(text, parent)
{
    applyLook();
}

TPushButton::TPushButton(const QIcon &icon, const QString &text, QWidget *parent) : QPushButton(icon, text, parent)
{
    applyLook();
}

void TPushButton::applyLook()
{
    setFixedHeight(40);
    setMinimumWidth(120);
    if (UiTheme::style() != 0) {
        setStyleSheet(QStringLiteral("QPushButton { background: #62627d; }"
                                     "QPushButton:disabled { background: #333333; color: gray; }"
                                     "QPushButton:hover { background: #72627d; color: white; }"));
    }
}
