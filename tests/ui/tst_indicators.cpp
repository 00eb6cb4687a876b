// Status lamp and round dial: presets and setter rules, and what they paint at known sizes.
#include "ui/widgets/LightButton.h"
#include "ui/widgets/ProgressBarPercent.h"

#include <QSignalSpy>
#include <QtTest>

namespace {
QImage render(QWidget &w, int width, int height)
{
    w.resize(width, height);
    return w.grab().toImage();
}

bool near(QColor a, QColor b, int tolerance = 6)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance &&
           qAbs(a.blue() - b.blue()) <= tolerance;
}
} // namespace

class TestIndicators : public QObject
{
    Q_OBJECT
private slots:
    void lampPresets_data();
    void lampPresets();
    void lampStaysRoundAtOddSizes_data();
    void lampStaysRoundAtOddSizes();
    void lampRepaintsOnlyOnChange();
    void lampOverlayAndDrag();
    void dialSetterRules();
    void dialArcDirection_data();
    void dialArcDirection();
};

void TestIndicators::lampPresets_data()
{
    QTest::addColumn<QString>("slot");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("green") << "setGreen" << QColor(15, 185, 112);
    QTest::newRow("red") << "setRed" << QColor(239, 87, 103);
    QTest::newRow("yellow") << "setYellow" << QColor(255, 230, 71);
    QTest::newRow("black") << "setBlack" << QColor(10, 10, 10);
    QTest::newRow("gray") << "setGray" << QColor(129, 129, 129);
    QTest::newRow("blue") << "setBlue" << QColor(0, 0, 166);
    QTest::newRow("light blue") << "setLightBlue" << QColor(100, 184, 255);
    QTest::newRow("light red") << "setLightRed" << QColor(255, 107, 107);
    QTest::newRow("light green") << "setLightGreen" << QColor(24, 189, 155);
}

void TestIndicators::lampPresets()
{
    QFETCH(QString, slot);
    QFETCH(QColor, colour);
    LightButton lamp;
    QVERIFY(QMetaObject::invokeMethod(&lamp, slot.toLatin1().constData()));
    QCOMPARE(lamp.getBgColor(), colour);
    // The face's middle shows the colour; the corner outside the rim stays unpainted.
    const QImage img = render(lamp, 100, 100);
    QVERIFY2(near(img.pixelColor(50, 50), colour), qPrintable(img.pixelColor(50, 50).name()));
    QVERIFY(!near(img.pixelColor(1, 1), colour) || colour == QColor(10, 10, 10));
}

void TestIndicators::lampStaysRoundAtOddSizes_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("wide 301x97") << QSize(301, 97);
    QTest::newRow("tall 53x211") << QSize(53, 211);
}

void TestIndicators::lampStaysRoundAtOddSizes()
{
    QFETCH(QSize, size);
    LightButton lamp;
    lamp.setShowOverlay(false);
    lamp.setRed();
    const QImage img = render(lamp, size.width(), size.height());
    const int side = qMin(size.width(), size.height());
    const QPoint c(size.width() / 2, size.height() / 2);
    const int face = int(side * 0.8 / 2) - 2; // face radius 80 of 100, less antialiasing
    const QColor red(239, 87, 103);
    // The face reaches as far left, right, up and down from the centre: a circle, not an ellipse.
    for (const QPoint d : {QPoint(face, 0), QPoint(-face, 0), QPoint(0, face), QPoint(0, -face)})
        QVERIFY2(near(img.pixelColor(c + d), red), qPrintable(QString("%1,%2").arg(d.x()).arg(d.y())));
    const int outside = side / 2 + 3;
    if (size.width() > size.height())
        QVERIFY(!near(img.pixelColor(c + QPoint(outside, 0)), red));
    else
        QVERIFY(!near(img.pixelColor(c + QPoint(0, outside)), red));
}

void TestIndicators::lampRepaintsOnlyOnChange()
{
    LightButton lamp;
    lamp.resize(50, 50);
    lamp.show();
    QVERIFY(QTest::qWaitForWindowExposed(&lamp));
    QTRY_VERIFY(lamp.paintCount() > 0);
    lamp.setGreen();
    QTRY_VERIFY(lamp.paintCount() > 0);
    QCoreApplication::processEvents();
    const int after = lamp.paintCount();
    lamp.setGreen();
    lamp.setText(QString());
    QTest::qWait(50);
    QCOMPARE(lamp.paintCount(), after);
    lamp.setRed();
    QTRY_VERIFY(lamp.paintCount() > after);
}

void TestIndicators::lampOverlayAndDrag()
{
    LightButton lamp;
    lamp.setGray();
    // The highlight lightens the upper face; without it the face is one colour.
    QImage img = render(lamp, 200, 200);
    QVERIFY(!near(img.pixelColor(100, 40), QColor(129, 129, 129), 3));
    lamp.setShowOverlay(false);
    img = render(lamp, 200, 200);
    QVERIFY(near(img.pixelColor(100, 40), QColor(129, 129, 129), 3));

    QWidget parent;
    parent.resize(300, 300);
    auto *moved = new LightButton(&parent);
    moved->setGeometry(10, 10, 40, 40);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    QTest::mousePress(moved, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(moved, QPoint(25, 35));
    QTest::mouseRelease(moved, Qt::LeftButton, {}, QPoint(25, 35));
    QCOMPARE(moved->pos(), QPoint(10, 10)); // canMove false: stays
    moved->setCanMove(true);
    QTest::mousePress(moved, Qt::LeftButton, {}, QPoint(5, 5));
    QMouseEvent move(QEvent::MouseMove, QPointF(25, 35), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(moved, &move);
    QTest::mouseRelease(moved, Qt::LeftButton, {}, QPoint(25, 35));
    QCOMPARE(moved->pos(), QPoint(30, 40));
}

void TestIndicators::dialSetterRules()
{
    ProgressBarPercent dial;
    QSignalSpy spy(&dial, &ProgressBarPercent::valueChanged);
    dial.setValue(150);
    QCOMPARE(dial.getValue(), 0);
    QCOMPARE(spy.count(), 0);
    dial.setValue(50);
    QCOMPARE(dial.getValue(), 50);
    QCOMPARE(spy.count(), 1);
    dial.setValue(50);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(dial.centreText(), QString("50%"));
    dial.setShowPercent(false);
    QCOMPARE(dial.centreText(), QString("50"));

    dial.setRange(10, 10);
    QCOMPARE(dial.getMinValue(), 0);
    QCOMPARE(dial.getMaxValue(), 100);
    dial.setMinValue(100); // not below the maximum
    QCOMPARE(dial.getMinValue(), 0);
    dial.setMaxValue(0); // not above the minimum
    QCOMPARE(dial.getMaxValue(), 100);
    dial.setRange(0, 200);
    dial.setShowPercent(true);
    QCOMPARE(dial.centreText(), QString("25%"));
    QCOMPARE(ProgressBarPercent::staticMetaObject
                 .enumerator(ProgressBarPercent::staticMetaObject.indexOfEnumerator("PercentStyle"))
                 .keyToValue("PercentStyle_Wave"),
             3);
}

void TestIndicators::dialArcDirection_data()
{
    QTest::addColumn<bool>("clockWise");
    QTest::newRow("clockwise: the lower half") << true;
    QTest::newRow("anticlockwise: the upper half") << false;
}

void TestIndicators::dialArcDirection()
{
    QFETCH(bool, clockWise);
    ProgressBarPercent dial;
    dial.setPercentStyle(ProgressBarPercent::PercentStyle_Arc);
    dial.setClockWise(clockWise);
    dial.setValue(50);
    const QColor used(100, 184, 255);
    const QImage img = render(dial, 200, 200);
    // The arc of radius 94 starts at 3 o'clock and covers half the circle.
    const QColor bottom = img.pixelColor(100, 100 + 94);
    const QColor top = img.pixelColor(100, 100 - 94);
    QCOMPARE(near(bottom, used, 20), clockWise);
    QCOMPARE(near(top, used, 20), !clockWise);
}

QTEST_MAIN(TestIndicators)
#include "tst_indicators.moc"
