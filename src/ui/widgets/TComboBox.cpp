#include "ui/widgets/TComboBox.h"

#include "ui/widgets/UiTheme.h"

TComboBox::TComboBox(QWidget *parent) : QComboBox(parent)
{
    setFixedHeight(40);
    if (UiTheme::style() != 0) {
        setStyleSheet(QStringLiteral("QComboBox { background: #333333; color: white; }"
                                     "QComboBox:disabled { background: #333333; color: gray; }"
                                     "QComboBox QAbstractItemView { background: #333333; color: white;"
                                     " selection-background-color: #222222; selection-color: white; }"
                                     "QComboBox QAbstractItemView::item { height: 40px; }"));
    }
}
