#include "core/flylink/FlyMessages.h"
#include "factory/link/FlyLink.h"
#include "factory/link/Q_DMMM.h"
#include "support/BusEventLog.h"
#include "support/FakeFlyUnit.h"
#include "ui/factory/G_CFG_AccCali.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

namespace {
constexpr int PageLink = 3;
constexpr int OtherLink = 4;

QByteArray acc(FlyCmd::Action action)
{
    return FlyCmd::calibrate(FlyCmd::Acc3D, action);
}
} // namespace

class TestAccCali : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void stateTexts_data();
    void stateTexts();
    void stateSequences_data();
    void stateSequences();
    void ownLinkOnly();
    void silenceMidCalibration();
    void noLinkDoesNothing();

private:
    bool openLink(FakeFlyUnit &unit, int linkid);
    void report(FakeFlyUnit &unit, int linkid, quint8 state);

    Q_DMMM *m_bus = nullptr;
    BusEventLog *m_log = nullptr;
    FakeFlyUnit *m_unit = nullptr;
    FakeFlyUnit *m_other = nullptr;
};

void TestAccCali::initTestCase()
{
    m_bus = new Q_DMMM(-1);
    m_log = new BusEventLog(m_bus);
    m_unit = new FakeFlyUnit;
    m_other = new FakeFlyUnit;
    QVERIFY(openLink(*m_unit, PageLink));
    m_unit->keepAlive(true);
}

void TestAccCali::cleanupTestCase()
{
    m_bus->releaseLinks();
    delete m_unit;
    delete m_other;
    delete m_log;
    delete m_bus;
}

void TestAccCali::init()
{
    m_unit->clear();
}

bool TestAccCali::openLink(FakeFlyUnit &unit, int linkid)
{
    return unit.openOn(*m_bus, linkid);
}

void TestAccCali::report(FakeFlyUnit &unit, int linkid, quint8 state)
{
    const int before = m_log->count(DMMM_GCSEvent_AccCali_state, linkid);
    unit.send(FlyMsg::AccCaliState, QByteArray(1, char(state)));
    QTRY_VERIFY_WITH_TIMEOUT(m_log->count(DMMM_GCSEvent_AccCali_state, linkid) > before, 10000);
    // The bus's event reaches the log and the page as two queued calls from the link's thread: let the
    // page's follow.
    QTest::qWait(30);
}

void TestAccCali::stateTexts_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << "Wait to start";
    QTest::newRow("1") << 1 << "Horizontal placement";
    QTest::newRow("2") << 2 << "Place left side down";
    QTest::newRow("3") << 3 << "Place right side down";
    QTest::newRow("4") << 4 << "Position nose down";
    QTest::newRow("5") << 5 << "Position nose up";
    QTest::newRow("6") << 6 << "Place back side up";
    QTest::newRow("7") << 7 << "Accelerometer calibration successful";
    QTest::newRow("8") << 8 << "Accelerometer calibration failed";
    QTest::newRow("9") << 9 << "Unknown state";
    QTest::newRow("255") << 255 << "Unknown state";
}

void TestAccCali::stateTexts()
{
    QFETCH(int, state);
    QFETCH(QString, text);
    QCOMPARE(G_CFG_AccCali::caliStateText(quint8(state)), text);
}

// Steps: "sN" the unit reports state N; "start" / "stop" the operator presses the button; "press" runs
// the start button's slot directly (as a press the button let through would); "mark" puts a marker
// into the status line, to see whether the next report touches it.
void TestAccCali::stateSequences_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QList<QByteArray>>("commands");

    const QByteArray start = acc(FlyCmd::Start), next = acc(FlyCmd::NextFace), stop = acc(FlyCmd::Stop);
    QTest::newRow("normal 1..6 then 7") << QStringList{"start", "s1",    "start", "s2",    "start", "s3",    "start",
                                                       "s4",    "start", "s5",    "start", "s6",    "start", "s7"}
                                        << "Accelerometer calibration successful"
                                        << "3D Cali" << QList<QByteArray>{start, next, next, next, next, next, next};
    QTest::newRow("failure 8, next press starts again")
        << QStringList{"start", "s1", "start", "s8", "start"} << "Accelerometer calibration failed"
        << "3D Cali" << QList<QByteArray>{start, next, start};
    QTest::newRow("success 7, next press starts again")
        << QStringList{"s6", "start", "s7", "start"} << "Accelerometer calibration successful"
        << "3D Cali" << QList<QByteArray>{next, start};
    QTest::newRow("unknown value") << QStringList{"start", "s1", "s42"} << "Unknown state"
                                   << "3D Cali" << QList<QByteArray>{start};
    QTest::newRow("repeated placement leaves the page alone") << QStringList{"s2", "mark", "s2"} << "-"
                                                              << "ContinueCali" << QList<QByteArray>{};
    QTest::newRow("repeat after a press is shown again")
        << QStringList{"s2", "start", "mark", "s2", "start"} << "Place left side down"
        << "Waiting for the unit" << QList<QByteArray>{next, next};
    // After "ContinueCali" the button waits for the unit's next placement: a second press (a
    // double click, or the slot itself) neither restarts the calibration nor sends a second command.
    QTest::newRow("second continue before the next report is ignored")
        << QStringList{"s2", "start", "press", "start"} << "Place left side down"
        << "Waiting for the unit" << QList<QByteArray>{next};
    QTest::newRow("the next report ends the wait")
        << QStringList{"s2", "start", "press", "s3", "start"} << "Place right side down"
        << "Waiting for the unit" << QList<QByteArray>{next, next};
    QTest::newRow("a repeated placement ends the wait too")
        << QStringList{"s2", "start", "s2"} << "Place left side down"
        << "ContinueCali" << QList<QByteArray>{next};
    QTest::newRow("wait start state reported") << QStringList{"s2", "start", "s0", "start"} << "Wait to start"
                                               << "3D Cali" << QList<QByteArray>{next, start};
    QTest::newRow("stop while waiting") << QStringList{"s4", "start", "stop", "start"} << "Wait to start"
                                        << "3D Cali" << QList<QByteArray>{next, stop, start};
    QTest::newRow("stop right after start") << QStringList{"start", "stop"} << "WaitingForStart"
                                            << "3D Cali" << QList<QByteArray>{start, stop};
    QTest::newRow("stop during a placement") << QStringList{"s3", "stop"} << "Wait to start"
                                             << "3D Cali" << QList<QByteArray>{stop};
}

void TestAccCali::stateSequences()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, status);
    QFETCH(QString, button);
    QFETCH(QList<QByteArray>, commands);

    G_CFG_AccCali page(PageLink);
    QCOMPARE(page.statusText(), QStringLiteral("WaitingForStart"));
    QCOMPARE(page.startButtonText(), QStringLiteral("3D Cali"));
    for (const QString &step : steps) {
        if (step == QLatin1String("start"))
            QTest::mouseClick(page.startButton(), Qt::LeftButton);
        else if (step == QLatin1String("press"))
            page.start_or_continue_acc_cali();
        else if (step == QLatin1String("stop"))
            QTest::mouseClick(page.stopButton(), Qt::LeftButton);
        else if (step == QLatin1String("mark"))
            page.findChild<QLabel *>(QStringLiteral("widgetNameLabel"))->setText(QStringLiteral("-"));
        else
            report(*m_unit, PageLink, quint8(step.mid(1).toInt()));
    }
    QCOMPARE(page.statusText(), status);
    QCOMPARE(page.startButtonText(), button);
    QCOMPARE(page.startButton()->isEnabled(), button != QLatin1String("Waiting for the unit"));
    QTRY_COMPARE_WITH_TIMEOUT(m_unit->calibrationCommands().size(), commands.size(), 10000);
    // A command too many would arrive a moment later.
    QTest::qWait(150);
    QCOMPARE(m_unit->calibrationCommands(), commands);
}

void TestAccCali::ownLinkOnly()
{
    // The page of link 3 stays with link 3 after link 4 was opened (which becomes the "current" one).
    G_CFG_AccCali page(PageLink);
    QVERIFY(openLink(*m_other, OtherLink));
    QCOMPARE(m_bus->currentLinkId(), OtherLink);

    report(*m_other, OtherLink, 5);
    QCOMPARE(page.statusText(), QStringLiteral("WaitingForStart"));
    report(*m_unit, PageLink, 2);
    QCOMPARE(page.statusText(), QStringLiteral("Place left side down"));
    report(*m_other, OtherLink, 4);
    QCOMPARE(page.statusText(), QStringLiteral("Place left side down"));
    page.handle_DMMM_event(DMMM_GCSEvent_MagCali_progress, PageLink);
    QCOMPARE(page.statusText(), QStringLiteral("Place left side down"));

    // Every button's command goes to the page's own unit, the basic calibration included.
    m_other->clear();
    QTest::mouseClick(page.basicButton(), Qt::LeftButton);
    QTest::mouseClick(page.startButton(), Qt::LeftButton);
    QTest::mouseClick(page.stopButton(), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(m_unit->calibrationCommands().size(), 3, 10000);
    QCOMPARE(m_unit->calibrationCommands(),
             (QList<QByteArray>{FlyCmd::calibrate(FlyCmd::AccBasic), acc(FlyCmd::NextFace), acc(FlyCmd::Stop)}));
    QTest::qWait(200);
    QVERIFY(m_other->calibrationCommands().isEmpty());
}

void TestAccCali::silenceMidCalibration()
{
    G_CFG_AccCali page(PageLink);
    report(*m_unit, PageLink, 3);
    QCOMPARE(page.startButtonText(), QStringLiteral("ContinueCali"));
    m_unit->keepAlive(false);
    // The unit says nothing more: once the link is lost the operator is told and can start over.
    QTRY_VERIFY_WITH_TIMEOUT(page.statusText() == QStringLiteral("Communication disconnected"), 10000);
    QCOMPARE(page.startButtonText(), QStringLiteral("3D Cali"));
    QTest::mouseClick(page.startButton(), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(m_unit->calibrationCommands().size(), 1, 10000);
    QCOMPARE(m_unit->calibrationCommands().first(), acc(FlyCmd::Start));
}

void TestAccCali::noLinkDoesNothing()
{
    // Two units on links 3 and 4 and the page on link 9, which has none: a page that fell back to
    // another link (the current one, or the first) would reach one of the two units.
    if (!m_bus->linkById(OtherLink))
        QVERIFY(openLink(*m_other, OtherLink));
    m_unit->clear();
    m_other->clear();
    G_CFG_AccCali page(9);
    QTest::mouseClick(page.startButton(), Qt::LeftButton);
    QTest::mouseClick(page.stopButton(), Qt::LeftButton);
    QTest::mouseClick(page.basicButton(), Qt::LeftButton);
    QCOMPARE(page.statusText(), QStringLiteral("WaitingForStart"));
    QCOMPARE(page.linkId(), 9);
    QVERIFY(page.testAttribute(Qt::WA_QuitOnClose) == false);
    QVERIFY(page.windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(page.windowTitle(), QStringLiteral("AccCali"));
    QTest::qWait(100);
    QVERIFY(m_unit->calibrationCommands().isEmpty());
    QVERIFY(m_other->calibrationCommands().isEmpty());
}

QTEST_MAIN(TestAccCali)
#include "tst_acccali.moc"
