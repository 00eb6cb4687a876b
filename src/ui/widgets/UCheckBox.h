#pragma once

#include <QCheckBox>

// Check box that marks itself "changed" when its state changes, until the program sets it.
class UCheckBox : public QCheckBox
{
    Q_OBJECT
    Q_PROPERTY(bool changed READ isChanged WRITE setChanged)
public:
    explicit UCheckBox(QWidget *parent = nullptr);

    bool isChanged() const { return changed; }
    void setChanged(bool value);
    // Sets the check state and clears the mark.
    void setCheckedUnchanged(bool checked);

private slots:
    void handle_changed();

private:
    bool changed = false;
};
