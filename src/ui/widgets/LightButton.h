#pragma once

#include <QColor>
#include <QPoint>
#include <QWidget>

// A round status lamp: gradient outer and inner rims, a coloured face, an optional caption and a glossy
// highlight, painted in a 200 x 200 logical square scaled to the widget's smaller side. With canMove
// the lamp can be dragged with the left button.
class LightButton : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString text READ getText WRITE setText)
    Q_PROPERTY(QColor textColor READ getTextColor WRITE setTextColor)
    Q_PROPERTY(QColor borderOutColorStart READ getBorderOutColorStart WRITE setBorderOutColorStart)
    Q_PROPERTY(QColor borderOutColorEnd READ getBorderOutColorEnd WRITE setBorderOutColorEnd)
    Q_PROPERTY(QColor borderInColorStart READ getBorderInColorStart WRITE setBorderInColorStart)
    Q_PROPERTY(QColor borderInColorEnd READ getBorderInColorEnd WRITE setBorderInColorEnd)
    Q_PROPERTY(QColor bgColor READ getBgColor WRITE setBgColor)
    Q_PROPERTY(bool canMove READ getCanMove WRITE setCanMove)
    Q_PROPERTY(bool showOverlay READ getShowOverlay WRITE setShowOverlay)
    Q_PROPERTY(QColor overlayColor READ getOverlayColor WRITE setOverlayColor)

public:
    explicit LightButton(QWidget *parent = nullptr);

    QString getText() const { return text; }
    QColor getTextColor() const { return textColor; }
    QColor getBorderOutColorStart() const { return borderOutColorStart; }
    QColor getBorderOutColorEnd() const { return borderOutColorEnd; }
    QColor getBorderInColorStart() const { return borderInColorStart; }
    QColor getBorderInColorEnd() const { return borderInColorEnd; }
    QColor getBgColor() const { return bgColor; }
    bool getCanMove() const { return canMove; }
    bool getShowOverlay() const { return showOverlay; }
    QColor getOverlayColor() const { return overlayColor; }

    QSize sizeHint() const override { return QSize(100, 100); }
    QSize minimumSizeHint() const override { return QSize(10, 10); }

    // Number of paint events so far (tests check that an unchanged value does not repaint).
    int paintCount() const { return m_paintCount; }

public slots:
    void setText(const QString &text);
    void setTextColor(const QColor &textColor);
    void setBorderOutColorStart(const QColor &borderOutColorStart);
    void setBorderOutColorEnd(const QColor &borderOutColorEnd);
    void setBorderInColorStart(const QColor &borderInColorStart);
    void setBorderInColorEnd(const QColor &borderInColorEnd);
    void setBgColor(const QColor &bgColor);
    void setCanMove(bool canMove);
    void setShowOverlay(bool showOverlay);
    void setOverlayColor(const QColor &overlayColor);

    void setGreen();
    void setRed();
    void setYellow();
    void setBlack();
    void setGray();
    void setBlue();
    void setLightBlue();
    void setLightRed();
    void setLightGreen();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *) override;

private:
    void drawBorderOut(QPainter *painter);
    void drawBorderIn(QPainter *painter);
    void drawBg(QPainter *painter);
    void drawText(QPainter *painter);
    void drawOverlay(QPainter *painter);

    QString text;
    QColor textColor{255, 255, 255};
    QColor borderOutColorStart{255, 255, 255};
    QColor borderOutColorEnd{166, 166, 166};
    QColor borderInColorStart{166, 166, 166};
    QColor borderInColorEnd{255, 255, 255};
    QColor bgColor{100, 184, 255};
    bool canMove = false;
    bool showOverlay = true;
    QColor overlayColor{255, 255, 255};
    int m_paintCount = 0;
};
