#include "ui/widgets/ProgressBarPercent.h"

#include "ui/widgets/StoreIfChanged.h"

#include <QPainter>
#include <QPainterPath>

ProgressBarPercent::ProgressBarPercent(QWidget *parent) : QWidget(parent)
{
    setFont(QFont(QStringLiteral("Arial"), 8));
}

QString ProgressBarPercent::centreText() const
{
    if (!showPercent)
        return QString::number(value);
    const double percent = double(value) / (maxValue - minValue) * 100;
    return QString::number(percent, 'g') + QLatin1Char('%');
}

void ProgressBarPercent::paintEvent(QPaintEvent *)
{
    const int side = qMin(width(), height());
    QPainter painter(this);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    painter.translate(width() / 2, height() / 2);
    painter.scale(side / 200.0, side / 200.0);

    int radius = 99;
    if (percentStyle == PercentStyle_Arc)
        radius -= lineWidth;
    else if (percentStyle == PercentStyle_Arc_Polo)
        radius -= 2 * lineWidth;
    drawCircle(&painter, radius);

    switch (percentStyle) {
    case PercentStyle_Arc:
        drawArc(&painter, 99 - lineWidth / 2);
        break;
    case PercentStyle_Polo:
        drawPolo(&painter, 99 - lineWidth);
        break;
    case PercentStyle_Arc_Polo:
        drawArc(&painter, 99 - lineWidth / 2);
        drawPolo(&painter, 99 - 2 * lineWidth);
        break;
    case PercentStyle_Wave:
        break;
    }
    drawValue(&painter);
}

void ProgressBarPercent::drawCircle(QPainter *painter, int radius)
{
    painter->save();
    painter->setPen(Qt::NoPen);
    painter->setBrush(circleColor);
    painter->drawEllipse(-radius, -radius, radius * 2, radius * 2);
    painter->restore();
}

void ProgressBarPercent::drawArc(QPainter *painter, int radius)
{
    painter->save();
    painter->setBrush(Qt::NoBrush);
    QPen pen = painter->pen();
    pen.setWidthF(lineWidth);
    pen.setCapStyle(Qt::RoundCap);

    double angle = 360.0 / (maxValue - minValue) * value;
    if (!clockWise)
        angle = -angle;
    const QRectF rect(-radius, -radius, radius * 2, radius * 2);
    if (showFree) {
        pen.setColor(freeColor);
        painter->setPen(pen);
        painter->drawArc(rect, int((nullPosition - angle) * 16), int(-(360 - angle) * 16));
    }
    pen.setColor(usedColor);
    painter->setPen(pen);
    painter->drawArc(rect, int(nullPosition * 16), int(-angle * 16));

    if (showSmallCircle) {
        const int g = lineWidth / 2;
        painter->rotate(-(nullPosition + 90));
        painter->rotate(angle);
        painter->drawEllipse(QRect(1 - g, radius - lineWidth + g, 2 * g - 2, 2 * g - 2));
    }
    painter->restore();
}

void ProgressBarPercent::drawPolo(QPainter *painter, int radius)
{
    const double h = double(radius) / (maxValue - minValue) * value;
    QPainterPath disc;
    disc.addEllipse(-radius, -radius, radius * 2, radius * 2);
    QPainterPath level;
    level.addRect(-radius, radius - 2 * h, radius * 2, 2 * h);
    painter->save();
    painter->setPen(usedColor);
    painter->setBrush(usedColor);
    painter->drawPath(disc.intersected(level));
    painter->restore();
}

void ProgressBarPercent::drawValue(QPainter *painter)
{
    const int radius = 100;
    painter->save();
    painter->setPen(textColor);
    QFont f(QStringLiteral("Arial"), showPercent ? 40 : 55);
    painter->setFont(f);
    painter->drawText(QRectF(-radius, -radius, radius * 2, radius * 2), Qt::AlignCenter, centreText());
    painter->restore();
}

void ProgressBarPercent::setRange(int min, int max)
{
    if (min >= max)
        return;
    minValue = min;
    maxValue = max;
    update();
}

void ProgressBarPercent::setMinValue(int v)
{
    if (v < maxValue && storeIfChanged(minValue, v))
        update();
}

void ProgressBarPercent::setMaxValue(int v)
{
    if (v > minValue && storeIfChanged(maxValue, v))
        update();
}

void ProgressBarPercent::setValue(int v)
{
    if (v < minValue || v > maxValue || v == value)
        return;
    value = v;
    update();
    emit valueChanged(v);
}

void ProgressBarPercent::setNullPosition(int v)
{
    if (storeIfChanged(nullPosition, v))
        update();
}
void ProgressBarPercent::setLineWidth(int v)
{
    if (storeIfChanged(lineWidth, v))
        update();
}
void ProgressBarPercent::setShowPercent(bool v)
{
    if (storeIfChanged(showPercent, v))
        update();
}
void ProgressBarPercent::setShowFree(bool v)
{
    if (storeIfChanged(showFree, v))
        update();
}
void ProgressBarPercent::setShowSmallCircle(bool v)
{
    if (storeIfChanged(showSmallCircle, v))
        update();
}
void ProgressBarPercent::setClockWise(bool v)
{
    if (storeIfChanged(clockWise, v))
        update();
}
void ProgressBarPercent::setUsedColor(const QColor &v)
{
    if (storeIfChanged(usedColor, v))
        update();
}
void ProgressBarPercent::setFreeColor(const QColor &v)
{
    if (storeIfChanged(freeColor, v))
        update();
}
void ProgressBarPercent::setCircleColor(const QColor &v)
{
    if (storeIfChanged(circleColor, v))
        update();
}
void ProgressBarPercent::setTextColor(const QColor &v)
{
    if (storeIfChanged(textColor, v))
        update();
}
void ProgressBarPercent::setPercentStyle(ProgressBarPercent::PercentStyle v)
{
    if (storeIfChanged(percentStyle, v))
        update();
}
