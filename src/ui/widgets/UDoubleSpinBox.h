#pragma once

#include <QDoubleSpinBox>

// Spin box that marks itself "changed" when its value changes, until the program sets it.
class UDoubleSpinBox : public QDoubleSpinBox
{
    Q_OBJECT
    Q_PROPERTY(bool changed READ isChanged WRITE setChanged)
public:
    explicit UDoubleSpinBox(QWidget *parent = nullptr);

    bool isChanged() const { return changed; }
    void setChanged(bool value);
    // Sets the value and clears the mark.
    void setValueUnchanged(double value);

private slots:
    void handle_index_changed(double str);

private:
    bool changed = false;
};
