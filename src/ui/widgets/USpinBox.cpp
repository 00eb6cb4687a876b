#include "ui/widgets/USpinBox.h"

#include "ui/widgets/Repolish.h"

USpinBox::USpinBox(QWidget *parent) : QSpinBox(parent)
{
    connect(this, QOverload<int>::of(&QSpinBox::valueChanged), this, &USpinBox::handle_index_changed);
    setChanged(true);
}

void USpinBox::setChanged(bool value)
{
    changed = value;
    repolish(this);
}

void USpinBox::handle_index_changed(int)
{
    setChanged(true);
}
