// Attitude and heading instruments: what they show at known roll, pitch and heading (pixels), the
// stored values and shifts, and that they stay square and centred at any size.
#include "ui/hud/WidgetADI.h"
#include "ui/hud/WidgetHSI.h"
#include "ui/hud/qfi_ADI.h"
#include "ui/hud/qfi_HSI.h"

#include <QtTest>

namespace {
bool isSky(QColor c)
{
    return c.blue() > c.red() + 60;
}
bool isGround(QColor c)
{
    return c.red() > c.blue() + 40 && c.green() < 120;
}
bool isPlane(QColor c)
{
    return c.red() > 200 && c.green() > 100 && c.green() < 180 && c.blue() < 80;
}
QString describe(QColor c)
{
    return c.name();
}
} // namespace

class TestInstruments : public QObject
{
    Q_OBJECT
private slots:
    void attitudePixels_data();
    void attitudePixels();
    void headingPixels_data();
    void headingPixels();
    void storedValuesAndShift();
    void resizeLevelsAgain();
    void squareAtOddSizes_data();
    void squareAtOddSizes();
};

void TestInstruments::attitudePixels_data()
{
    QTest::addColumn<float>("roll");
    QTest::addColumn<float>("pitch");
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<bool>("sky");
    // 240 x 240: one design unit per pixel, the face moves 1.7 px per degree of pitch.
    QTest::newRow("level: above the centre") << 0.f << 0.f << QPoint(170, 100) << true;
    QTest::newRow("level: below the centre") << 0.f << 0.f << QPoint(170, 140) << false;
    QTest::newRow("nose up 20: horizon 34 px lower") << 0.f << 20.f << QPoint(170, 140) << true;
    QTest::newRow("nose down 20: horizon 34 px higher") << 0.f << -20.f << QPoint(170, 100) << false;
    QTest::newRow("roll right 30: right side horizon rises") << 30.f << 0.f << QPoint(180, 105) << false;
    QTest::newRow("roll left 30: right side horizon sinks") << -30.f << 0.f << QPoint(180, 135) << true;
    QTest::newRow("roll 90 pitch 10: sky on the left, horizon 17 px right") << 90.f << 10.f << QPoint(130, 90) << true;
    QTest::newRow("roll 90 pitch -10: horizon 17 px left") << 90.f << -10.f << QPoint(110, 90) << false;
}

void TestInstruments::attitudePixels()
{
    QFETCH(float, roll);
    QFETCH(float, pitch);
    QFETCH(QPoint, at);
    QFETCH(bool, sky);
    WidgetADI w;
    w.resize(240, 240);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.adiView->geometry(), QRect(0, 0, 240, 240));
    w.adiView->setRollAngle(roll);
    w.adiView->setPitchAngle(pitch);
    w.adiView->applyAttitude();
    const QImage img = w.grab().toImage();
    const QColor c = img.pixelColor(at);
    QVERIFY2(sky ? isSky(c) : isGround(c), qPrintable(describe(c)));
}

void TestInstruments::headingPixels_data()
{
    QTest::addColumn<float>("heading");
    QTest::addColumn<QPoint>("nose");
    QTest::addColumn<QPoint>("notNose");
    // The nose reaches 62 units from the centre, the tail only 40: r = 50 ahead is the nose, r = 55
    // behind is the card.
    QTest::newRow("north") << 0.f << QPoint(120, 70) << QPoint(120, 175);
    QTest::newRow("east: turned clockwise") << 90.f << QPoint(170, 120) << QPoint(65, 120);
    QTest::newRow("west") << 270.f << QPoint(70, 120) << QPoint(175, 120);
    QTest::newRow("south") << 180.f << QPoint(120, 170) << QPoint(120, 65);
    QTest::newRow("450 looks like east") << 450.f << QPoint(170, 120) << QPoint(120, 65);
}

void TestInstruments::headingPixels()
{
    QFETCH(float, heading);
    QFETCH(QPoint, nose);
    QFETCH(QPoint, notNose);
    WidgetHSI w;
    w.resize(240, 240);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.hsiView->setHeadingAngle(heading);
    w.hsiView->redraw();
    QCOMPARE(w.hsiView->planeRotation(), qreal(heading));
    const QImage img = w.grab().toImage();
    QVERIFY2(isPlane(img.pixelColor(nose)), qPrintable(describe(img.pixelColor(nose))));
    QVERIFY2(!isPlane(img.pixelColor(notNose)), qPrintable(describe(img.pixelColor(notNose))));
}

void TestInstruments::storedValuesAndShift()
{
    qfi_ADI view;
    view.resize(240, 240);
    view.rebuildLayers();
    view.setPitchAngle(40);
    QCOMPARE(view.pitchAngle(), 25.f);
    view.setPitchAngle(-90);
    QCOMPARE(view.pitchAngle(), -25.f);
    view.setRollAngle(270);
    QCOMPARE(view.rollAngle(), 180.f);

    view.setRollAngle(0);
    view.setPitchAngle(10);
    QCOMPARE(view.facePosition(), QPointF(0, 0)); // stored only
    view.applyAttitude();
    QCOMPARE(view.facePosition().y(), 17.0);
    view.applyAttitude(); // the same values again: the face stays
    QCOMPARE(view.facePosition().y(), 17.0);

    qfi_ADI wide;
    wide.resize(480, 240);
    wide.rebuildLayers();
    wide.setPitchAngle(10);
    wide.applyAttitude();
    QVERIFY(qAbs(wide.facePosition().y() - 17.0) < 1e-4);
    wide.setRollAngle(90);
    wide.applyAttitude();
    QVERIFY(qAbs(wide.facePosition().x() - 34.0) < 1e-4);
    QVERIFY(qAbs(wide.facePosition().y()) < 1e-4);

    qfi_HSI hsi;
    hsi.setHeadingAngle(370);
    QCOMPARE(hsi.headingAngle(), 370.f);
    QCOMPARE(hsi.planeRotation(), 0.0);
    hsi.redraw();
    QCOMPARE(hsi.planeRotation(), 370.0);
}

void TestInstruments::resizeLevelsAgain()
{
    WidgetADI w;
    w.resize(240, 240);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.adiView->setPitchAngle(20);
    w.adiView->applyAttitude();
    w.resize(300, 300);
    QTRY_COMPARE(w.adiView->width(), 300);
    QCOMPARE(w.adiView->pitchAngle(), 0.f);
    QCOMPARE(w.adiView->facePosition(), QPointF(0, 0));
    // Level again: just below the centre is ground.
    const QImage img = w.grab().toImage();
    QVERIFY(isGround(img.pixelColor(210, 170)));
}

void TestInstruments::squareAtOddSizes_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("301x157") << QSize(301, 157);
    QTest::newRow("157x301") << QSize(157, 301);
    QTest::newRow("233x233") << QSize(233, 233);
}

void TestInstruments::squareAtOddSizes()
{
    QFETCH(QSize, size);
    WidgetADI adi;
    WidgetHSI hsi;
    for (QWidget *w : {static_cast<QWidget *>(&adi), static_cast<QWidget *>(&hsi)}) {
        w->resize(size);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
    }
    const int side = qMin(size.width(), size.height());
    for (QGraphicsView *view : {static_cast<QGraphicsView *>(adi.adiView), static_cast<QGraphicsView *>(hsi.hsiView)}) {
        QTRY_COMPARE(view->size(), QSize(side, side));
        const QRect g = view->geometry();
        QVERIFY(qAbs(g.center().x() - size.width() / 2) <= 1);
        QVERIFY(qAbs(g.center().y() - size.height() / 2) <= 1);
    }
    // Level ADI: sky and ground an equal distance above and below the centre of the square.
    const QImage img = adi.grab().toImage();
    const QPoint c = adi.adiView->geometry().center();
    const int d = side / 5;
    QVERIFY(isSky(img.pixelColor(c + QPoint(d, -d))));
    QVERIFY(isGround(img.pixelColor(c + QPoint(d, d))));
}

QTEST_MAIN(TestInstruments)
#include "tst_instruments.moc"
