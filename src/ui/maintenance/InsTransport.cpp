#include "ui/maintenance/InsTransport.h"

InsTransport::InsTransport(QWidget *parent) : QWidget(parent)
{}
