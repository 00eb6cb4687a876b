#pragma once

#include <QPushButton>

// Push button 40 pixels high and at least 120 wide, dark when the theme is on.
class TPushButton : public QPushButton
{
    Q_OBJECT
public:
    explicit TPushButton(QWidget *parent);
    TPushButton(const QString &text, QWidget *parent);
    TPushButton(const QIcon &icon, const QString &text, QWidget *parent);

private:
    void applyLook();
};
