#include "ui/widgets/UDoubleSpinBox.h"

#include "ui/widgets/Repolish.h"

UDoubleSpinBox::UDoubleSpinBox(QWidget *parent) : QDoubleSpinBox(parent)
{
    connect(this, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this, &UDoubleSpinBox::handle_index_changed);
    setChanged(true);
}

void UDoubleSpinBox::setChanged(bool value)
{
    changed = value;
    repolish(this);
}

void UDoubleSpinBox::setValueUnchanged(double value)
{
    setValue(value);
    setChanged(false);
}

void UDoubleSpinBox::handle_index_changed(double)
{
    setChanged(true);
}
