#include "ui/widgets/ToolsDefine.h"

ToolsDefine::ToolsDefine(QWidget *parent) : QWidget(parent)
{}
