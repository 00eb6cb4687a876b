#include "ui/widgets/UCheckBox.h"

#include "ui/widgets/Repolish.h"

UCheckBox::UCheckBox(QWidget *parent) : QCheckBox(parent)
{
    connect(this, &QCheckBox::stateChanged, this, &UCheckBox::handle_changed);
    setChanged(true);
}

void UCheckBox::setChanged(bool value)
{
    changed = value;
    repolish(this);
}

void UCheckBox::setCheckedUnchanged(bool checked)
{
    setChecked(checked);
    setChanged(false);
}

void UCheckBox::handle_changed()
{
    setChanged(true);
}
