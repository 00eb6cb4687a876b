#include "ParamManagerWidget.h"

ParamManagerWidget::ParamManagerWidget(QWidget *parent) : QWidget(parent)
{}
