#pragma once

#include <QSpinBox>

// Integer spin box that marks itself "changed" when its value changes.
class USpinBox : public QSpinBox
{
    Q_OBJECT
    Q_PROPERTY(bool changed READ isChanged WRITE setChanged)
public:
    explicit USpinBox(QWidget *parent = nullptr);

    bool isChanged() const { return changed; }
    void setChanged(bool value);

private slots:
    void handle_index_changed(int str);

private:
    bool changed = false;
};
