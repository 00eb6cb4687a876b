#pragma once

#include <QWidget>

// Uploader tab: firmware upgrade through the serial bootloader.
class Uploader : public QWidget
{
    Q_OBJECT
public:
    explicit Uploader(QWidget *parent = nullptr);
};
