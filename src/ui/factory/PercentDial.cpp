#include "ui/factory/PercentDial.h"

#include <QProgressBar>

QWidget *PercentDial::create(QWidget *parent)
{
    auto *bar = new QProgressBar(parent);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(true);
    return bar;
}

void PercentDial::setPercent(QWidget *dial, int percent)
{
    static_cast<QProgressBar *>(dial)->setValue(qBound(0, percent, 100));
}

int PercentDial::percent(const QWidget *dial)
{
    return static_cast<const QProgressBar *>(dial)->value();
}
