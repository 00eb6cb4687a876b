#include "ui/widgets/TCellWidget.h"

TCellWidget::TCellWidget(QWidget *parent) : QWidget(parent)
{
    layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    checkBox = new QCheckBox(this);
    layout->addStretch();
    layout->addWidget(checkBox);
    layout->addStretch();
}

void TCellWidget::setCheckState(Qt::CheckState state)
{
    checkBox->setCheckState(state);
}

bool TCellWidget::isChecked() const
{
    return checkBox->isChecked();
}
