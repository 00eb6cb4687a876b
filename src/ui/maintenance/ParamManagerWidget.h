#pragma once

#include <QWidget>

// Param tab: the unit's MAVLink parameter list.
class ParamManagerWidget : public QWidget
{
    Q_OBJECT
public:
    explicit ParamManagerWidget(QWidget *parent = nullptr);
};
