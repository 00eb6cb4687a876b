#pragma once

#include <QComboBox>

// Combo box that marks itself "changed" when its text changes, until the program selects an entry.
class UComboBox : public QComboBox
{
    Q_OBJECT
    Q_PROPERTY(bool changed READ isChanged WRITE setChanged)
public:
    explicit UComboBox(QWidget *parent = nullptr);

    bool isChanged() const { return changed; }
    void setChanged(bool value);
    // Selects index and clears the mark.
    void setCurrentIndexUnchanged(int index);

private slots:
    void handle_index_changed(QString str);

private:
    bool changed = false;
};
