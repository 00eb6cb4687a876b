#pragma once

#include <QColor>
#include <QWidget>

// A round dial that shows a value as an arc, as a level filling the disc from the bottom, or both,
// with the value or its percentage in the middle; painted in a 200 x 200 logical square scaled to the
// widget's smaller side.
class ProgressBarPercent : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int maxValue READ getMaxValue WRITE setMaxValue)
    Q_PROPERTY(int minValue READ getMinValue WRITE setMinValue)
    Q_PROPERTY(int value READ getValue WRITE setValue)
    Q_PROPERTY(int nullPosition READ getNullPosition WRITE setNullPosition)
    Q_PROPERTY(int lineWidth READ getLineWidth WRITE setLineWidth)
    Q_PROPERTY(bool showPercent READ getShowPercent WRITE setShowPercent)
    Q_PROPERTY(bool showFree READ getShowFree WRITE setShowFree)
    Q_PROPERTY(bool showSmallCircle READ getShowSmallCircle WRITE setShowSmallCircle)
    Q_PROPERTY(bool clockWise READ getClockWise WRITE setClockWise)
    Q_PROPERTY(QColor usedColor READ getUsedColor WRITE setUsedColor)
    Q_PROPERTY(QColor freeColor READ getFreeColor WRITE setFreeColor)
    Q_PROPERTY(QColor circleColor READ getCircleColor WRITE setCircleColor)
    Q_PROPERTY(QColor textColor READ getTextColor WRITE setTextColor)
    Q_PROPERTY(PercentStyle percentStyle READ getPercentStyle WRITE setPercentStyle)

public:
    enum PercentStyle {
        PercentStyle_Arc = 0,      // arc only
        PercentStyle_Polo = 1,     // level only
        PercentStyle_Arc_Polo = 2, // arc around a level
        PercentStyle_Wave = 3      // selectable; draws the disc and the text only
    };
    Q_ENUM(PercentStyle)

    explicit ProgressBarPercent(QWidget *parent = nullptr);

    int getMaxValue() const { return maxValue; }
    int getMinValue() const { return minValue; }
    int getValue() const { return value; }
    int getNullPosition() const { return nullPosition; }
    int getLineWidth() const { return lineWidth; }
    bool getShowPercent() const { return showPercent; }
    bool getShowFree() const { return showFree; }
    bool getShowSmallCircle() const { return showSmallCircle; }
    bool getClockWise() const { return clockWise; }
    QColor getUsedColor() const { return usedColor; }
    QColor getFreeColor() const { return freeColor; }
    QColor getCircleColor() const { return circleColor; }
    QColor getTextColor() const { return textColor; }
    PercentStyle getPercentStyle() const { return percentStyle; }

    // The text drawn in the middle for the current value.
    QString centreText() const;

    QSize sizeHint() const override { return QSize(200, 200); }
    QSize minimumSizeHint() const override { return QSize(10, 10); }

public slots:
    void setRange(int minValue, int maxValue);
    void setMinValue(int minValue);
    void setMaxValue(int maxValue);
    void setValue(int value);
    void setNullPosition(int nullPosition);
    void setLineWidth(int lineWidth);
    void setShowPercent(bool showPercent);
    void setShowFree(bool showFree);
    void setShowSmallCircle(bool showSmallCircle);
    void setClockWise(bool clockWise);
    void setUsedColor(const QColor &usedColor);
    void setFreeColor(const QColor &freeColor);
    void setCircleColor(const QColor &circleColor);
    void setTextColor(const QColor &textColor);
    void setPercentStyle(ProgressBarPercent::PercentStyle percentStyle);

signals:
    void valueChanged(int value);

protected:
    void paintEvent(QPaintEvent *) override;

private:
    void drawCircle(QPainter *painter, int radius);
    void drawArc(QPainter *painter, int radius);
    void drawPolo(QPainter *painter, int radius);
    void drawValue(QPainter *painter);

    int maxValue = 100;
    int minValue = 0;
    int value = 0;
    int nullPosition = 0;
    int lineWidth = 10;
    bool showPercent = true;
    bool showFree = false;
    bool showSmallCircle = false;
    bool clockWise = true;
    QColor usedColor{100, 184, 255};
    QColor freeColor{100, 100, 100};
    QColor circleColor{70, 70, 70};
    QColor textColor{250, 250, 250};
    PercentStyle percentStyle = PercentStyle_Arc_Polo;
};
