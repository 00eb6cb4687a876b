#pragma once

class QWidget;

// The percentage dial the factory pages show (0..100 %): the indicator dial ProgressBarPercent, at
// most 100 x 100, reached only through these functions.
namespace PercentDial {
QWidget *create(QWidget *parent);
void setPercent(QWidget *dial, int percent);
int percent(const QWidget *dial);
} // namespace PercentDial
