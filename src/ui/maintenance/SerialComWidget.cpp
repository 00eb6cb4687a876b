#include "SerialComWidget.h"

SerialComWidget::SerialComWidget(QWidget *parent) : QWidget(parent)
{}
