#include "InsTransport.h"

InsTransport::InsTransport(QWidget *parent) : QWidget(parent)
{}
