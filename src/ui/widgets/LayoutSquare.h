#pragma once

#include <QLayout>
#include <QRect>

// Keeps its single item square and centred in the rectangle it is given; used as the top-level
// layout of the instruments. Offsets are taken from the origin, not the rectangle's corner.
class LayoutSquare : public QLayout
{
    Q_OBJECT
public:
    LayoutSquare(QWidget *parent, int spacing);
    explicit LayoutSquare(int spacing);
    ~LayoutSquare() override;

    void setWidget(QWidget *w);

    void addItem(QLayoutItem *item) override;
    int count() const override;
    QLayoutItem *itemAt(int index) const override;
    QLayoutItem *takeAt(int index) override;
    Qt::Orientations expandingDirections() const override;
    bool hasHeightForWidth() const override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect &rect) override;

    QRect squareGeometry() const { return squareRect; }

private:
    QLayoutItem *item = nullptr;
    QRect lastRect;
    QRect squareRect;
};
