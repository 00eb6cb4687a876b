#pragma once

#include <QLabel>

// Label aligned left and vertically centred that keeps its size hint.
class TLabel : public QLabel
{
    Q_OBJECT
public:
    TLabel(const QString &text, QWidget *parent);
};
