#include "ui/factory/BasicWidget.h"

BasicWidget::BasicWidget(int mode, QWidget *parent) : QWidget(parent), m_mode(mode)
{}
