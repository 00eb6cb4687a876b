#include "ui/widgets/LightButton.h"

#include "ui/widgets/StoreIfChanged.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace {
// The drag state is one for all lamps of the process: only one can be dragged at a time.
bool s_pressed = false;
QPoint s_lastPoint;

} // namespace

LightButton::LightButton(QWidget *parent) : QWidget(parent)
{
    QFont f(QStringLiteral("微软雅黑"));
    f.setPixelSize(6);
    f.setItalic(true);
    f.setWeight(QFont::Normal);
    setFont(f);
    installEventFilter(this);
}

bool LightButton::eventFilter(QObject *watched, QEvent *event)
{
    if (canMove && watched == this) {
        switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto *e = static_cast<QMouseEvent *>(event);
            setCursor(Qt::OpenHandCursor);
            if (rect().contains(e->pos()) && e->button() == Qt::LeftButton) {
                s_lastPoint = e->pos();
                s_pressed = true;
            }
            break;
        }
        case QEvent::MouseMove:
            if (s_pressed) {
                auto *e = static_cast<QMouseEvent *>(event);
                move(pos() + e->pos() - s_lastPoint);
            }
            break;
        case QEvent::MouseButtonRelease:
            if (s_pressed) {
                setCursor(Qt::ArrowCursor);
                s_pressed = false;
            }
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void LightButton::paintEvent(QPaintEvent *)
{
    ++m_paintCount;
    const int side = qMin(width(), height());
    QPainter painter(this);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    painter.translate(width() / 2, height() / 2);
    painter.scale(side / 200.0, side / 200.0);
    drawBorderOut(&painter);
    drawBorderIn(&painter);
    drawBg(&painter);
    drawText(&painter);
    drawOverlay(&painter);
}

void LightButton::drawBorderOut(QPainter *painter)
{
    const int radius = 99;
    painter->save();
    painter->setPen(Qt::NoPen);
    QLinearGradient g(0, -radius, 0, radius);
    g.setColorAt(0, borderOutColorStart);
    g.setColorAt(1, borderOutColorEnd);
    painter->setBrush(g);
    painter->drawEllipse(-radius, -radius, radius * 2, radius * 2);
    painter->restore();
}

void LightButton::drawBorderIn(QPainter *painter)
{
    const int radius = 90;
    painter->save();
    painter->setPen(Qt::NoPen);
    QLinearGradient g(0, -radius, 0, radius);
    g.setColorAt(0, borderInColorStart);
    g.setColorAt(1, borderInColorEnd);
    painter->setBrush(g);
    painter->drawEllipse(-radius, -radius, radius * 2, radius * 2);
    painter->restore();
}

void LightButton::drawBg(QPainter *painter)
{
    const int radius = 80;
    painter->save();
    painter->setPen(Qt::NoPen);
    painter->setBrush(bgColor);
    painter->drawEllipse(-radius, -radius, radius * 2, radius * 2);
    painter->restore();
}

void LightButton::drawText(QPainter *painter)
{
    if (text.isEmpty())
        return;
    const int radius = 100;
    painter->save();
    QFont f(QStringLiteral("宋体"), 45);
    f.setWeight(0);
    f.setItalic(false);
    painter->setFont(f);
    painter->setPen(textColor);
    painter->drawText(QRect(-radius, -radius, radius * 2, radius * 2), Qt::AlignCenter, text);
    painter->restore();
}

void LightButton::drawOverlay(QPainter *painter)
{
    if (!showOverlay)
        return;
    const int radius = 80;
    painter->save();
    painter->setPen(Qt::NoPen);
    QPainterPath smallCircle;
    QPainterPath bigCircle;
    const int r = radius - 1;
    smallCircle.addEllipse(-r, -r, r * 2, r * 2);
    bigCircle.addEllipse(-158, -18, 316, 316);
    const QPainterPath highlight = smallCircle - bigCircle;
    QLinearGradient g(0, -r, 0, 0);
    overlayColor.setAlpha(100);
    g.setColorAt(0.0, overlayColor);
    overlayColor.setAlpha(30);
    g.setColorAt(1.0, overlayColor);
    painter->setBrush(g);
    painter->rotate(-20);
    painter->drawPath(highlight);
    painter->restore();
}

void LightButton::setText(const QString &v)
{
    if (storeIfChanged(text, v))
        update();
}
void LightButton::setTextColor(const QColor &v)
{
    if (storeIfChanged(textColor, v))
        update();
}
void LightButton::setBorderOutColorStart(const QColor &v)
{
    if (storeIfChanged(borderOutColorStart, v))
        update();
}
void LightButton::setBorderOutColorEnd(const QColor &v)
{
    if (storeIfChanged(borderOutColorEnd, v))
        update();
}
void LightButton::setBorderInColorStart(const QColor &v)
{
    if (storeIfChanged(borderInColorStart, v))
        update();
}
void LightButton::setBorderInColorEnd(const QColor &v)
{
    if (storeIfChanged(borderInColorEnd, v))
        update();
}
void LightButton::setBgColor(const QColor &v)
{
    if (storeIfChanged(bgColor, v))
        update();
}
void LightButton::setCanMove(bool v)
{
    if (storeIfChanged(canMove, v))
        update();
}
void LightButton::setShowOverlay(bool v)
{
    if (storeIfChanged(showOverlay, v))
        update();
}
void LightButton::setOverlayColor(const QColor &v)
{
    if (storeIfChanged(overlayColor, v))
        update();
}

void LightButton::setGreen()
{
    setBgColor(QColor(15, 185, 112));
}
void LightButton::setRed()
{
    setBgColor(QColor(239, 87, 103));
}
void LightButton::setYellow()
{
    setBgColor(QColor(255, 230, 71));
}
void LightButton::setBlack()
{
    setBgColor(QColor(10, 10, 10));
}
void LightButton::setGray()
{
    setBgColor(QColor(129, 129, 129));
}
void LightButton::setBlue()
{
    setBgColor(QColor(0, 0, 166));
}
void LightButton::setLightBlue()
{
    setBgColor(QColor(100, 184, 255));
}
void LightButton::setLightRed()
{
    setBgColor(QColor(255, 107, 107));
}
void LightButton::setLightGreen()
{
    setBgColor(QColor(24, 189, 155));
}
