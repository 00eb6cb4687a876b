#pragma once

class QWidget;

// The percentage dial the factory pages show (0..100 %), reached only through these functions so the
// widget behind them can be exchanged in one place. Today a plain progress bar stands in for the
// indicator dial of the widget set.
namespace PercentDial {
QWidget *create(QWidget *parent);
void setPercent(QWidget *dial, int percent);
int percent(const QWidget *dial);
} // namespace PercentDial
