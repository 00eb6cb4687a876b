#include "ui/widgets/UComboBox.h"

#include "ui/widgets/Repolish.h"

UComboBox::UComboBox(QWidget *parent) : QComboBox(parent)
{
    connect(this, &QComboBox::currentTextChanged, this, &UComboBox::handle_index_changed);
    setChanged(true);
}

void UComboBox::setChanged(bool value)
{
    changed = value;
    repolish(this);
}

void UComboBox::setCurrentIndexUnchanged(int index)
{
    setCurrentIndex(index);
    setChanged(false);
}

void UComboBox::handle_index_changed(QString)
{
    setChanged(true);
}
