#pragma once

#include <QWidget>

// Transport tab: the inertial unit's UDP service page.
class InsTransport : public QWidget
{
    Q_OBJECT
public:
    explicit InsTransport(QWidget *parent = nullptr);
};
