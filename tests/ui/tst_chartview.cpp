#include "ui/factory/uChartView.h"

#include <qcustomplot.h>

#include <QtTest>

class TestChartView : public QObject
{
    Q_OBJECT
private slots:
    void seriesRules();
    void followsNewestData();
    void verticalScaling_data();
    void verticalScaling();
    void trimming_data();
    void trimming();
    void memoryBoundOverLongRun();
    void wheelStopsScalingUntilIdle();
    void ctrlSwitchesRectangleZoom();
    void onlyCtrlRestartsIdleTime_data();
    void onlyCtrlRestartsIdleTime();
    void dragDirectionFollowsSelectedAxis_data();
    void dragDirectionFollowsSelectedAxis();
    void menuEntries();
    void hidingAndShowingSeries();
    void coloursRepeatFromRunToRun();
};

void TestChartView::seriesRules()
{
    uChartView v(nullptr, QString());
    QVERIFY(v.addSeries(0, QStringLiteral("IMU1"), true, false));
    QCPGraph *first = v.graph(0);
    QVERIFY(!v.addSeries(0, QStringLiteral("other"), true, true));
    QCOMPARE(v.graph(0), first);
    QCOMPARE(first->name(), QStringLiteral("IMU1"));
    QCOMPARE(v.plot()->graphCount(), 1);

    QVERIFY(v.addSeries(1, QStringLiteral("nograph"), false, false));
    QVERIFY(!v.addPoint(1, 5, 1));
    QVERIFY(!v.addPoint(7, 5, 1));
    QCOMPARE(v.lastKey(), 0.0);
    QVERIFY(v.addPoint(0, 5, 1));
    QCOMPARE(v.lastKey(), 5.0);
}

void TestChartView::followsNewestData()
{
    uChartView v(nullptr, QString());
    v.addSeries(0, QStringLiteral("a"), true, false);
    v.refresh();
    QCOMPARE(v.plot()->xAxis->range().upper, 25.0);
    QCOMPARE(v.plot()->xAxis->range().lower, 0.0);
    for (int i = 0; i <= 400; ++i)
        v.addPoint(0, i * 0.1, 1);
    v.refresh();
    QCOMPARE(v.plot()->xAxis->range().upper, 40.0);
    QCOMPARE(v.plot()->xAxis->range().size(), 25.0);
    // The top axis mirrors the bottom one.
    QCOMPARE(v.plot()->xAxis2->range().upper, 40.0);

    // A narrower window chosen by the user stays narrow while following.
    v.plot()->xAxis->setRange(35, 40);
    v.addPoint(0, 50, 1);
    v.refresh();
    QCOMPARE(v.plot()->xAxis->range().lower, 45.0);
    QCOMPARE(v.plot()->xAxis->range().upper, 50.0);
}

void TestChartView::verticalScaling_data()
{
    QTest::addColumn<QVector<double>>("values");
    QTest::addColumn<double>("lower");
    QTest::addColumn<double>("upper");
    QTest::newRow("10..20, margins limited to 0.5") << QVector<double>{10, 15, 20} << 9.5 << 20.5;
    QTest::newRow("all zero, smallest margin") << QVector<double>{0, 0} << -0.001 << 0.001;
    QTest::newRow("small values, 5 %") << QVector<double>{2, 4} << 1.9 << 4.2;
    QTest::newRow("negative values") << QVector<double>{-40, -8} << -40.5 << -7.6;
    QTest::newRow("no data") << QVector<double>{} << -0.001 << 0.001;
}

void TestChartView::verticalScaling()
{
    QFETCH(QVector<double>, values);
    QFETCH(double, lower);
    QFETCH(double, upper);
    uChartView v(nullptr, QString());
    v.addSeries(0, QStringLiteral("a"), true, false);
    v.addSeries(1, QStringLiteral("b"), true, false);
    // Spread over two series: the range is their union.
    for (int i = 0; i < values.size(); ++i)
        v.addPoint(i % 2, i, values[i]);
    v.refresh();
    QVERIFY2(qAbs(v.plot()->yAxis->range().lower - lower) < 1e-9,
             qPrintable(QString::number(v.plot()->yAxis->range().lower)));
    QVERIFY2(qAbs(v.plot()->yAxis->range().upper - upper) < 1e-9,
             qPrintable(QString::number(v.plot()->yAxis->range().upper)));
}

void TestChartView::trimming_data()
{
    QTest::addColumn<int>("points");
    QTest::addColumn<int>("expected");
    QTest::addColumn<double>("upper");
    // 10 points per x unit: trimming keeps the last 300 units, 3001 points (the first at lastKey - 300).
    // The first point is a spike; once trimmed away it no longer stretches the vertical axis.
    QTest::newRow("exactly at the bound: kept") << 50000 << 50000 << 1000.5;
    QTest::newRow("one over the bound: trimmed") << 50001 << 3001 << 6.3;
}

void TestChartView::trimming()
{
    QFETCH(int, points);
    QFETCH(int, expected);
    QFETCH(double, upper);
    uChartView v(nullptr, QString());
    v.addSeries(0, QStringLiteral("a"), true, false);
    for (int i = 0; i < points; ++i)
        v.addPoint(0, i * 0.1, i == 0 ? 1000 : i % 7);
    QCOMPARE(v.pointCount(0), points);
    v.refresh();
    QCOMPARE(v.pointCount(0), expected);
    QCOMPARE(v.graph(0)->data()->constEnd()[-1].key, (points - 1) * 0.1);
    v.refresh();
    QVERIFY2(qAbs(v.plot()->yAxis->range().upper - upper) < 1e-9,
             qPrintable(QString::number(v.plot()->yAxis->range().upper)));
}

void TestChartView::memoryBoundOverLongRun()
{
    // Two simulated hours at 10 Hz, refreshed every ten seconds of data: never above the bound plus the
    // points of one refresh interval, however long it runs.
    uChartView v(nullptr, QString());
    v.addSeries(0, QStringLiteral("a"), true, false);
    int most = 0;
    for (int i = 0; i < 72000; ++i) {
        v.addPoint(0, i * 0.1, std::sin(i * 0.01));
        if (i % 100 == 0)
            v.refresh();
        most = qMax(most, v.pointCount(0));
    }
    QVERIFY2(most <= uChartView::MaxPoints + 100, qPrintable(QString::number(most)));
    v.refresh();
    QVERIFY(v.pointCount(0) <= uChartView::MaxPoints);
}

void TestChartView::wheelStopsScalingUntilIdle()
{
    qint64 now = 1000000;
    uChartView v(nullptr, QString());
    v.setClock([&now] { return now; });
    v.resize(600, 400);
    v.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v));
    v.addSeries(0, QStringLiteral("a"), true, false);
    v.addPoint(0, 1, 10);
    v.addPoint(0, 2, 20);
    v.refresh();
    QCOMPARE(v.plot()->yAxis->range().upper, 20.5);

    const QPoint centre = v.plot()->axisRect()->rect().center();
    QWheelEvent wheel(centre, v.plot()->mapToGlobal(centre), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(v.plot(), &wheel);
    QVERIFY(!v.autoScaleY());
    QVERIFY(!v.autoScaleAction()->isChecked());
    QVERIFY(v.followX());
    const QCPRange zoomed = v.plot()->yAxis->range();
    QVERIFY(zoomed.size() < 11.0);

    v.addPoint(0, 3, 40);
    now += uChartView::ResumeAfterMs; // not yet more than five minutes
    v.refresh();
    QCOMPARE(v.plot()->yAxis->range(), zoomed);
    now += 1;
    v.refresh();
    QVERIFY(v.autoScaleY());
    QCOMPARE(v.plot()->yAxis->range().upper, 40.5);
}

void TestChartView::ctrlSwitchesRectangleZoom()
{
    uChartView v(nullptr, QString());
    QCOMPARE(v.plot()->selectionRectMode(), QCP::srmNone);
    QTest::keyPress(&v, Qt::Key_Control);
    QCOMPARE(v.plot()->selectionRectMode(), QCP::srmZoom);
    QTest::keyRelease(&v, Qt::Key_Control);
    QCOMPARE(v.plot()->selectionRectMode(), QCP::srmNone);
}

void TestChartView::onlyCtrlRestartsIdleTime_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("resumedAfterFiveMinutes"); // counted from the menu touch
    QTest::newRow("Ctrl: an interaction") << int(Qt::Key_Control) << false;
    QTest::newRow("a letter: none") << int(Qt::Key_A) << true;
    QTest::newRow("an arrow: none") << int(Qt::Key_Left) << true;
}

void TestChartView::onlyCtrlRestartsIdleTime()
{
    QFETCH(int, key);
    QFETCH(bool, resumedAfterFiveMinutes);
    qint64 now = 1000000;
    uChartView v(nullptr, QString());
    v.setClock([&now] { return now; });
    v.addSeries(0, QStringLiteral("a"), true, false);
    v.autoScaleAction()->trigger();
    QVERIFY(!v.autoScaleY());
    const qint64 touched = now;

    now = touched + uChartView::ResumeAfterMs - 1000;
    QTest::keyPress(&v, Qt::Key(key));
    QTest::keyRelease(&v, Qt::Key(key));
    now = touched + uChartView::ResumeAfterMs + 1;
    v.refresh();
    QCOMPARE(v.autoScaleY(), resumedAfterFiveMinutes);
}

void TestChartView::dragDirectionFollowsSelectedAxis_data()
{
    QTest::addColumn<int>("selected"); // 0 none, 1 bottom axis, 2 left axis
    QTest::addColumn<int>("expected");
    QTest::newRow("nothing selected: both") << 0 << int(Qt::Horizontal | Qt::Vertical);
    QTest::newRow("bottom axis: horizontal") << 1 << int(Qt::Horizontal);
    QTest::newRow("left axis: vertical") << 2 << int(Qt::Vertical);
}

void TestChartView::dragDirectionFollowsSelectedAxis()
{
    QFETCH(int, selected);
    QFETCH(int, expected);
    uChartView v(nullptr, QString());
    v.resize(600, 400);
    v.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v));
    if (selected == 1)
        v.plot()->xAxis->setSelectedParts(QCPAxis::spAxis);
    if (selected == 2)
        v.plot()->yAxis->setSelectedParts(QCPAxis::spAxis);
    const QPoint centre = v.plot()->axisRect()->rect().center();
    QMouseEvent press(QEvent::MouseButtonPress, centre, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    emit v.plot()->mousePress(&press);
    QCOMPARE(int(v.plot()->axisRect()->rangeDrag()), expected);

    QWheelEvent wheel(centre, v.plot()->mapToGlobal(centre), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    emit v.plot()->mouseWheel(&wheel);
    QCOMPARE(int(v.plot()->axisRect()->rangeZoom()), expected);

    QMouseEvent right(QEvent::MouseButtonPress, centre, Qt::RightButton, Qt::RightButton, Qt::NoModifier);
    emit v.plot()->mousePress(&right);
    QTRY_VERIFY(v.contextMenu()->isVisible());
    v.contextMenu()->hide();
}

void TestChartView::menuEntries()
{
    uChartView v(nullptr, QString());
    const QList<QAction *> actions = v.contextMenu()->actions();
    QCOMPARE(actions.size(), 4);
    QCOMPARE(actions[0]->text(), QStringLiteral("恢复默认"));
    QCOMPARE(actions[1]->text(), QStringLiteral("y轴自动缩放"));
    QCOMPARE(actions[2]->text(), QStringLiteral("X轴自动平移"));
    QCOMPARE(actions[3]->text(), QStringLiteral("清除数据"));
    QVERIFY(!actions[0]->isChecked() && actions[1]->isChecked() && actions[2]->isChecked() && !actions[3]->isChecked());

    v.addSeries(0, QStringLiteral("a"), true, false);
    for (int i = 0; i < 100; ++i)
        v.addPoint(0, i, i);
    v.refresh();

    // Following off: new points no longer move the window.
    v.followAction()->trigger();
    QVERIFY(!v.followX());
    v.plot()->xAxis->setRange(10, 20);
    v.addPoint(0, 100, 1);
    v.refresh();
    QCOMPARE(v.plot()->xAxis->range(), QCPRange(10, 20));

    // Restore: the last 25 units and both automatic modes back on.
    v.autoScaleAction()->trigger();
    QVERIFY(!v.autoScaleY());
    v.restoreAction()->trigger();
    QCOMPARE(v.plot()->xAxis->range(), QCPRange(75, 100));
    QVERIFY(v.followX() && v.autoScaleY());
    QVERIFY(!v.restoreAction()->isChecked());

    // Clear: data gone, lastKey kept.
    v.clearAction()->trigger();
    QCOMPARE(v.pointCount(0), 0);
    QCOMPARE(v.lastKey(), 100.0);
    QVERIFY(!v.clearAction()->isChecked());
    v.addPoint(0, 101, 3);
    v.refresh();
    QCOMPARE(v.plot()->yAxis->range(), QCPRange(3 - 0.15, 3 + 0.15));
}

void TestChartView::hidingAndShowingSeries()
{
    uChartView v(nullptr, QString());
    v.addSeries(0, QStringLiteral("IMU1"), true, false);
    v.addSeries(1, QStringLiteral("IMU2"), true, false);
    v.addPoint(1, 1, 5);
    const QColor before = v.graph(1)->pen().color();
    v.setSeriesVisible(1, false);
    QVERIFY(!v.graph(1));
    QCOMPARE(v.plot()->graphCount(), 1);
    QVERIFY(!v.addPoint(1, 2, 5));
    QCOMPARE(v.lastKey(), 1.0);

    v.setSeriesVisible(1, true);
    QVERIFY(v.graph(1));
    QCOMPARE(v.pointCount(1), 0);
    QCOMPARE(v.graph(1)->name(), QStringLiteral("IMU2"));
    QVERIFY(v.graph(1)->pen().color() != before);
    // Showing a shown series again leaves one graph for it.
    v.setSeriesVisible(1, true);
    QCOMPARE(v.plot()->graphCount(), 2);
    v.setSeriesVisible(9, true);
    QCOMPARE(v.plot()->graphCount(), 2);
}

void TestChartView::coloursRepeatFromRunToRun()
{
    uChartView a(nullptr, QString());
    uChartView b(nullptr, QString());
    a.addSeries(0, QStringLiteral("x"), true, false);
    b.addSeries(5, QStringLiteral("y"), true, false);
    const QColor c = a.graph(0)->pen().color();
    QCOMPARE(c, b.graph(5)->pen().color());
    QVERIFY(c.red() >= 125 && c.red() < 255 && c.green() >= 60 && c.green() < 255 && c.blue() >= 125);
    QCOMPARE(a.graph(0)->pen().widthF(), 1.8);
}

QTEST_MAIN(TestChartView)
#include "tst_chartview.moc"
