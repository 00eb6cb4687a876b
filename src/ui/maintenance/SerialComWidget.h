#pragma once

#include <QWidget>

// Shell tab: the unit's text console.
class SerialComWidget : public QWidget
{
    Q_OBJECT
public:
    explicit SerialComWidget(QWidget *parent = nullptr);
};
