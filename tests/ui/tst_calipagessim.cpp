// The accelerometer and IMU temperature windows against the simulated unit.
#include "factory/link/Q_DMMM.h"
#include "support/SimInsLink.h"
#include "ui/factory/G_CFG_AccCali.h"
#include "ui/factory/G_CFG_IMUTemp_Cali.h"
#include "ui/factory/uChartView.h"
#include "ui/widgets/UComboBox.h"
#include "ui/widgets/UDoubleSpinBox.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

class TestCaliPagesSim : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { m_bus = new Q_DMMM(-1); }
    void cleanupTestCase()
    {
        m_bus->releaseLinks();
        delete m_bus;
    }
    void sixPlacements_data();
    void sixPlacements();
    void temperaturePage();

private:
    Q_DMMM *m_bus = nullptr;
    int m_nextLink = 1;
};

void TestCaliPagesSim::sixPlacements_data()
{
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<QString>("result");
    QTest::newRow("success") << QStringList{} << "Accelerometer calibration successful";
    QTest::newRow("failure") << QStringList{"--cali-fail", "acc"} << "Accelerometer calibration failed";
}

void TestCaliPagesSim::sixPlacements()
{
    QFETCH(QStringList, simArgs);
    QFETCH(QString, result);
    SimProcess sim;
    const int linkid = m_nextLink++;
    QVERIFY(openSimLink(sim, *m_bus, linkid, simArgs));

    G_CFG_AccCali page(linkid);
    page.show();
    QTest::mouseClick(page.startButton(), Qt::LeftButton);
    for (quint8 face = 1; face <= 6; ++face) {
        // The operator places the unit as asked, then continues.
        QTRY_COMPARE_WITH_TIMEOUT(page.statusText(), G_CFG_AccCali::caliStateText(face), 10000);
        QCOMPARE(page.startButtonText(), QStringLiteral("ContinueCali"));
        QTest::mouseClick(page.startButton(), Qt::LeftButton);
    }
    QTRY_COMPARE_WITH_TIMEOUT(page.statusText(), result, 10000);
    QCOMPARE(page.startButtonText(), QStringLiteral("3D Cali"));
    QCOMPARE(m_bus->poolSnapshot(linkid).accCaliState(), quint8(result.endsWith("successful") ? 7 : 8));
}

void TestCaliPagesSim::temperaturePage()
{
    SimProcess sim;
    const int linkid = m_nextLink++;
    QVERIFY(openSimLink(sim, *m_bus, linkid, {}));
    G_CFG_IMUTemp_Cali page(linkid);
    page.show();
    auto spin = [&](const char *name) {
        return qobject_cast<UDoubleSpinBox *>(page.control(QLatin1String(name)));
    };
    auto combo = [&](const char *name) {
        return qobject_cast<UComboBox *>(page.control(QLatin1String(name)));
    };

    // The unit's values come in after the first showing, unmarked.
    QTRY_COMPARE_WITH_TIMEOUT(spin("BRD_HEAT_TARG")->value(), 45.0, 15000);
    QTRY_COMPARE_WITH_TIMEOUT(combo("INS_TCAL3_ENABLE")->currentIndex(), 0, 15000);
    QTRY_COMPARE_WITH_TIMEOUT(spin("INS_TCAL2_TMAX")->value(), 70.0, 15000);
    QTRY_COMPARE_WITH_TIMEOUT(combo("INS_TCAL1_ENABLE")->currentIndex(), 1, 15000);
    QVERIFY(!spin("BRD_HEAT_TARG")->isChanged());

    // The three temperatures reach the labels and the chart while the window is shown.
    QTRY_VERIFY_WITH_TIMEOUT(page.chart()->pointCount(2) >= 5, 10000);
    for (int i = 0; i < 3; ++i) {
        QVERIFY(page.chart()->pointCount(i) >= 5);
        QVERIFY(page.temperatureLabel(i)->text().endsWith(QStringLiteral("℃")));
        QVERIFY(page.temperatureLabel(i)->text() != QStringLiteral("0℃"));
    }

    // One press configures the run on the unit; asking again shows what the unit now holds.
    QTest::mouseClick(page.oneTimeButton(), Qt::LeftButton);
    QTest::qWait(500);
    QTest::mouseClick(page.queryButton(), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(spin("BRD_HEAT_TARG")->value(), 70.0, 15000);
    QTRY_COMPARE_WITH_TIMEOUT(combo("INS_TCAL2_ENABLE")->currentIndex(), 2, 15000);
    QTRY_COMPARE_WITH_TIMEOUT(spin("INS_TCAL3_TMAX")->value(), 50.0, 15000);

    // An edited value is written and read back exactly.
    spin("INS_ACC2_CALTEMP")->setValue(41.25);
    QVERIFY(spin("INS_ACC2_CALTEMP")->isChanged());
    QTest::mouseClick(page.setButton(), Qt::LeftButton);
    QTest::qWait(500);
    QTest::mouseClick(page.queryButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!spin("INS_ACC2_CALTEMP")->isChanged(), 15000);
    QCOMPARE(spin("INS_ACC2_CALTEMP")->value(), 41.25);
}

QTEST_MAIN(TestCaliPagesSim)
#include "tst_calipagessim.moc"
