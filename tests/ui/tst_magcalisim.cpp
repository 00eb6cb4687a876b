// The compass window against the simulated unit.
#include "factory/link/Q_DMMM.h"
#include "support/SimInsLink.h"
#include "ui/factory/G_CFG_MagCali.h"

#include <QPushButton>
#include <QtTest>

class TestMagCaliSim : public QObject
{
    Q_OBJECT
private slots:
    void threeCompassesOneFails();
};

void TestMagCaliSim::threeCompassesOneFails()
{
    Q_DMMM bus(-1);
    SimProcess sim;
    const int linkid = 1;
    G_CFG_MagCali page(linkid);
    QVERIFY(openSimLink(sim, bus, linkid, {"--compasses", "3", "--cali-fail", "mag2"}));
    page.show();
    QTRY_VERIFY_WITH_TIMEOUT(bus.poolSnapshot(linkid).compassCount() == 3, 10000);
    QTest::mouseClick(page.startButton(), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(page.compassStatusText(1), QStringLiteral("Compass2:Calibration failure"), 15000);
    QTRY_COMPARE_WITH_TIMEOUT(page.compassStatusText(2), QStringLiteral("Compass3:Calibration success"), 15000);
    QCOMPARE(page.compassStatusText(0), QStringLiteral("Compass1:Calibration success"));
    QCOMPARE(page.dialPercent(0), 100);
    QCOMPARE(page.dialPercent(1), 60);
    QCOMPARE(page.dialPercent(2), 100);
    for (int i = 0; i < 3; ++i)
        QVERIFY(page.compassShown(i));
    bus.releaseLinks();
}

QTEST_MAIN(TestMagCaliSim)
#include "tst_magcalisim.moc"
