#include "ui/factory/PercentDial.h"

#include "ui/widgets/ProgressBarPercent.h"

QWidget *PercentDial::create(QWidget *parent)
{
    auto *dial = new ProgressBarPercent(parent);
    dial->setRange(0, 100);
    dial->setValue(0);
    dial->setMaximumSize(100, 100);
    dial->setMinimumSize(60, 60);
    return dial;
}

void PercentDial::setPercent(QWidget *dial, int percent)
{
    static_cast<ProgressBarPercent *>(dial)->setValue(qBound(0, percent, 100));
}

int PercentDial::percent(const QWidget *dial)
{
    return static_cast<const ProgressBarPercent *>(dial)->getValue();
}
