#pragma once

#include <QComboBox>

// Combo box 40 pixels high, dark when the theme is on.
class TComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit TComboBox(QWidget *parent);
};
