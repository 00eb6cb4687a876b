#include "Uploader.h"

Uploader::Uploader(QWidget *parent) : QWidget(parent)
{}
