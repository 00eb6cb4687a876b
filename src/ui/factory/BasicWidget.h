#pragma once

#include <QWidget>

// ORVE tab: the factory panel of the inertial unit.
class BasicWidget : public QWidget
{
    Q_OBJECT
public:
    explicit BasicWidget(int mode, QWidget *parent = nullptr);

    int mode() const { return m_mode; }

private:
    int m_mode;
};
