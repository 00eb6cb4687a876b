#include "core/flylink/FlyMessages.h"
#include "factory/link/FlyLink.h"
#include "factory/link/Q_DMMM.h"
#include "support/BusEventLog.h"
#include "support/FakeFlyUnit.h"
#include "ui/factory/G_CFG_MagCali.h"

#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

namespace {
QByteArray progress(int index, int status, int percent)
{
    QByteArray p(FlyMsg::MagCaliProgressLen, '\0');
    p[0] = char(index);
    p[1] = char(status);
    p[3] = char(percent);
    return p;
}
} // namespace

class TestMagCali : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void statusTexts_data();
    void statusTexts();
    void progressToDials_data();
    void progressToDials();
    void compassCountResets();
    void windowMadeAfterTheReports_data();
    void windowMadeAfterTheReports();
    void commandsGoToOwnUnit();
    void silenceMidCalibration();

private:
    int openLink(FakeFlyUnit &unit);
    void sendAndWait(FakeFlyUnit &unit, int linkid, quint8 id, const QByteArray &payload, int ev);

    Q_DMMM *m_bus = nullptr;
    BusEventLog *m_log = nullptr;
    int m_nextLink = 1;
};

void TestMagCali::initTestCase()
{
    m_bus = new Q_DMMM(-1);
    m_log = new BusEventLog(m_bus);
}

void TestMagCali::cleanupTestCase()
{
    m_bus->releaseLinks();
    delete m_log;
    delete m_bus;
}

int TestMagCali::openLink(FakeFlyUnit &unit)
{
    const int linkid = m_nextLink++;
    if (!unit.openOn(*m_bus, linkid))
        return -1;
    unit.keepAlive(true);
    return linkid;
}

void TestMagCali::sendAndWait(FakeFlyUnit &unit, int linkid, quint8 id, const QByteArray &payload, int ev)
{
    const int before = m_log->count(ev, linkid);
    unit.send(id, payload);
    QTRY_VERIFY_WITH_TIMEOUT(m_log->count(ev, linkid) > before, 10000);
    // The bus's event reaches the log and the page as two queued calls from the link's thread: let the
    // page's follow.
    QTest::qWait(30);
}

void TestMagCali::statusTexts_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << "NotStarted";
    QTest::newRow("1") << 1 << "Wait to start";
    QTest::newRow("2") << 2 << "calibration";
    QTest::newRow("3") << 3 << "calibration...";
    QTest::newRow("4") << 4 << "Calibration success";
    QTest::newRow("5") << 5 << "Calibration failure";
    QTest::newRow("6") << 6 << "Wrong direction";
    QTest::newRow("7") << 7 << "Radius error";
    QTest::newRow("8") << 8 << "NotStarted";
}

void TestMagCali::statusTexts()
{
    QFETCH(int, status);
    QFETCH(QString, text);
    QCOMPARE(G_CFG_MagCali::magStatusText(quint8(status)), text);
}

// Progress entries "index:status:percent" as the unit sends them; the dials and lines afterwards.
void TestMagCali::progressToDials_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QList<bool>>("shown");
    QTest::addColumn<QList<int>>("percents");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("one compass") << QStringList{"0:3:40"} << QList<bool>{true, false, false} << QList<int>{40, 0, 0}
                                 << QStringList{"Compass1:calibration...", "Compass2:NotStarted",
                                                "Compass3:NotStarted"};
    QTest::newRow("three compasses, one failing")
        << QStringList{"0:4:100", "1:5:60", "2:3:85"} << QList<bool>{true, true, true} << QList<int>{100, 60, 85}
        << QStringList{"Compass1:Calibration success", "Compass2:Calibration failure", "Compass3:calibration..."};
    QTest::newRow("wrong direction, radius error, unknown")
        << QStringList{"0:6:10", "1:7:20", "2:9:30"} << QList<bool>{true, true, true} << QList<int>{10, 20, 30}
        << QStringList{"Compass1:Wrong direction", "Compass2:Radius error", "Compass3:NotStarted"};
    QTest::newRow("second entry only: first stays zero")
        << QStringList{"1:2:5"} << QList<bool>{true, true, false} << QList<int>{0, 5, 0}
        << QStringList{"Compass1:NotStarted", "Compass2:calibration", "Compass3:NotStarted"};
}

void TestMagCali::progressToDials()
{
    QFETCH(QStringList, entries);
    QFETCH(QList<bool>, shown);
    QFETCH(QList<int>, percents);
    QFETCH(QStringList, texts);
    FakeFlyUnit unit;
    const int linkid = openLink(unit);
    QVERIFY(linkid > 0);
    G_CFG_MagCali page(linkid);
    for (int i = 0; i < 3; ++i) {
        QVERIFY(page.compassShown(i));
        QCOMPARE(page.compassStatusText(i), QStringLiteral("NotStarted"));
    }
    for (const QString &e : entries) {
        const QStringList f = e.split(':');
        sendAndWait(unit, linkid, FlyMsg::MagCaliProgress, progress(f[0].toInt(), f[1].toInt(), f[2].toInt()),
                    DMMM_GCSEvent_MagCali_progress);
    }
    for (int i = 0; i < 3; ++i) {
        QTRY_COMPARE_WITH_TIMEOUT(page.compassShown(i), shown[i], 5000);
        QTRY_COMPARE_WITH_TIMEOUT(page.dialPercent(i), percents[i], 5000);
        QTRY_COMPARE_WITH_TIMEOUT(page.compassStatusText(i), texts[i], 5000);
    }
}

void TestMagCali::compassCountResets()
{
    FakeFlyUnit unit;
    const int linkid = openLink(unit);
    QVERIFY(linkid > 0);
    G_CFG_MagCali page(linkid);
    sendAndWait(unit, linkid, FlyMsg::MagCaliProgress, progress(0, 3, 70), DMMM_GCSEvent_MagCali_progress);
    QCOMPARE(page.dialPercent(0), 70);
    // Two compasses appear: two dials, back at zero, "NotStarted"; the third hidden.
    QByteArray mag(FlyMsg::CompassLen, '\0');
    sendAndWait(unit, linkid, FlyMsg::Compass, mag, DMMM_GCSEvent_Compass_count);
    mag[0] = 1;
    sendAndWait(unit, linkid, FlyMsg::Compass, mag, DMMM_GCSEvent_Compass_count);
    QList<bool> shown;
    for (int i = 0; i < 3; ++i)
        shown << page.compassShown(i);
    QCOMPARE(shown, (QList<bool>{true, true, false}));
    QCOMPARE(page.dialPercent(0), 0);
    QCOMPARE(page.compassStatusText(0), QStringLiteral("Compass1:NotStarted"));
    QCOMPARE(page.compassStatusText(1), QStringLiteral("Compass2:NotStarted"));
    // Another link's events leave the page alone.
    page.handle_DMMM_event(DMMM_GCSEvent_MagCali_progress, linkid + 100);
    QCOMPARE(page.compassStatusText(0), QStringLiteral("Compass1:NotStarted"));
}

void TestMagCali::windowMadeAfterTheReports_data()
{
    QTest::addColumn<int>("compasses");
    QTest::addColumn<bool>("withProgress"); // a progress report of compass 1 came too
    QTest::newRow("one compass") << 1 << false;
    QTest::newRow("two compasses") << 2 << false;
    QTest::newRow("two compasses, calibrating") << 2 << true;
}

void TestMagCali::windowMadeAfterTheReports()
{
    // The panel makes the window on first use: the unit's compass reports came before it existed.
    QFETCH(int, compasses);
    QFETCH(bool, withProgress);
    FakeFlyUnit unit;
    const int linkid = openLink(unit);
    QVERIFY(linkid > 0);
    QByteArray mag(FlyMsg::CompassLen, '\0');
    for (int i = 0; i < compasses; ++i) {
        mag[0] = char(i);
        sendAndWait(unit, linkid, FlyMsg::Compass, mag, DMMM_GCSEvent_Compass_count);
    }
    if (withProgress) {
        for (int i = 0; i < compasses; ++i)
            sendAndWait(unit, linkid, FlyMsg::MagCaliProgress, progress(i, 3, 40 + i), DMMM_GCSEvent_MagCali_progress);
    }
    G_CFG_MagCali page(linkid);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    for (int i = 0; i < 3; ++i)
        QCOMPARE(page.compassShown(i), i < compasses);
    QCOMPARE(page.dialPercent(0), withProgress ? 40 : 0);
    QCOMPARE(page.compassStatusText(0),
             withProgress ? QStringLiteral("Compass1:calibration...") : QStringLiteral("Compass1:NotStarted"));
}

void TestMagCali::commandsGoToOwnUnit()
{
    FakeFlyUnit unit, other;
    const int linkid = openLink(unit);
    QVERIFY(linkid > 0);
    G_CFG_MagCali page(linkid);
    QVERIFY(openLink(other) > 0);     // opened later: the bus's "current" link
    page.headingBox()->setValue(360); // cannot be entered: 359 at most
    QCOMPARE(page.headingBox()->value(), 359);
    page.headingBox()->setValue(273);
    for (QPushButton *b : {page.startButton(), page.stopButton(), page.inflightStartButton(),
                           page.inflightCancelButton(), page.simpleStartButton()})
        QTest::mouseClick(b, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(unit.calibrationCommands().size(), 5, 10000);
    QCOMPARE(unit.calibrationCommands(),
             (QList<QByteArray>{FlyCmd::calibrate(FlyCmd::Mag), FlyCmd::calibrate(FlyCmd::Mag, FlyCmd::Stop),
                                FlyCmd::calibrate(FlyCmd::MagInflight),
                                FlyCmd::calibrate(FlyCmd::MagInflight, FlyCmd::Stop), FlyCmd::magSimple(273)}));
    QTest::qWait(200);
    QVERIFY(other.calibrationCommands().isEmpty());

    G_CFG_MagCali orphan(77); // no such link: the buttons do nothing
    QTest::mouseClick(orphan.startButton(), Qt::LeftButton);
    QCOMPARE(orphan.windowTitle(), QStringLiteral("MagCali"));
}

void TestMagCali::silenceMidCalibration()
{
    FakeFlyUnit unit;
    const int linkid = openLink(unit);
    QVERIFY(linkid > 0);
    G_CFG_MagCali page(linkid);
    sendAndWait(unit, linkid, FlyMsg::MagCaliProgress, progress(0, 3, 30), DMMM_GCSEvent_MagCali_progress);
    sendAndWait(unit, linkid, FlyMsg::MagCaliProgress, progress(1, 4, 100), DMMM_GCSEvent_MagCali_progress);
    unit.keepAlive(false);
    // The unit falls silent: the compass that was still calibrating says so; the finished one keeps its result.
    QTRY_COMPARE_WITH_TIMEOUT(page.compassStatusText(0), QStringLiteral("Compass1:Communication disconnected"), 10000);
    QCOMPARE(page.compassStatusText(1), QStringLiteral("Compass2:Calibration success"));
    QTest::mouseClick(page.stopButton(), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(unit.calibrationCommands().size(), 1, 10000);
}

QTEST_MAIN(TestMagCali)
#include "tst_magcali.moc"
