#pragma once

#include <QWidget>

// Placeholder widget kept for the tools' shared definitions; it has no behaviour of its own.
class ToolsDefine : public QWidget
{
    Q_OBJECT
public:
    explicit ToolsDefine(QWidget *parent = nullptr);
};
