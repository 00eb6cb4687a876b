#include "ui/widgets/LayoutSquare.h"

#include <QWidgetItem>

#include <algorithm>

LayoutSquare::LayoutSquare(QWidget *parent, int spacing) : QLayout(parent)
{
    setSpacing(spacing);
}

LayoutSquare::LayoutSquare(int spacing)
{
    setSpacing(spacing);
}

LayoutSquare::~LayoutSquare()
{
    delete item;
}

void LayoutSquare::setWidget(QWidget *w)
{
    if (item)
        return;
    addChildWidget(w);
    item = new QWidgetItem(w);
    setGeometry(squareRect);
}

void LayoutSquare::addItem(QLayoutItem *newItem)
{
    if (item)
        return;
    item = newItem;
    setGeometry(squareRect);
}

int LayoutSquare::count() const
{
    return item ? 1 : 0;
}

QLayoutItem *LayoutSquare::itemAt(int index) const
{
    return index == 0 ? item : nullptr;
}

QLayoutItem *LayoutSquare::takeAt(int index)
{
    if (index != 0 || !item)
        return nullptr;
    QLayoutItem *taken = item;
    item = nullptr;
    return taken;
}

Qt::Orientations LayoutSquare::expandingDirections() const
{
    return Qt::Horizontal | Qt::Vertical;
}

bool LayoutSquare::hasHeightForWidth() const
{
    return false;
}

QSize LayoutSquare::sizeHint() const
{
    return item ? item->minimumSize() : QSize();
}

QSize LayoutSquare::minimumSize() const
{
    return item ? item->minimumSize() : QSize();
}

void LayoutSquare::setGeometry(const QRect &rect)
{
    if (!item || rect == lastRect)
        return;
    lastRect = rect;
    const int side = std::min(rect.width(), rect.height()) - contentsMargins().left();
    const QSize square(side, side);
    auto offset = [](int outer, int inner) {
        const int v = static_cast<int>(outer - outer * 0.5 - inner * 0.5);
        return v > 0 ? v : 0;
    };
    squareRect = QRect(QPoint(offset(rect.width(), square.width()), offset(rect.height(), square.height())), square);
    item->setGeometry(squareRect);
    QLayout::setGeometry(squareRect);
}
