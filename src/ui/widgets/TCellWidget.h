#pragma once

#include <QCheckBox>
#include <QHBoxLayout>
#include <QWidget>

// A check box centred in a table cell.
class TCellWidget : public QWidget
{
    Q_OBJECT
public:
    explicit TCellWidget(QWidget *parent);

    void setCheckState(Qt::CheckState state);
    bool isChecked() const;
    QCheckBox *box() const { return checkBox; }

private:
    QHBoxLayout *layout;
    QCheckBox *checkBox;
};
