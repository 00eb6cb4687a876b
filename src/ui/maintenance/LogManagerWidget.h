#pragma once

#include <QWidget>

// Log tab: the unit's MAVLink log list and download.
class LogManagerWidget : public QWidget
{
    Q_OBJECT
public:
    explicit LogManagerWidget(QWidget *parent = nullptr);
};
