#include "LogManagerWidget.h"

LogManagerWidget::LogManagerWidget(QWidget *parent) : QWidget(parent)
{}
