#include "ToolsDefine.h"

ToolsDefine::ToolsDefine(QWidget *parent) : QWidget(parent)
{}
