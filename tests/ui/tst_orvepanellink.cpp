// The ORVE panel's link handling: a failed open and a unit that goes away, the automatic connection
// among several ports (and its give-up), and bad input from the port.
#include "core/flylink/FlyFrame.h"
#include "core/flylink/FlyMessages.h"
#include "factory/link/FlyLink.h"
#include "factory/link/Q_DMMM.h"
#include "support/OrvePanelFixture.h"
#include "support/TestPorts.h"

#include <QLabel>
#include <QRandomGenerator>
#include <QtTest>

#include <memory>

using namespace OrvePanel;

class TestOrvePanelLink : public QObject, private OrvePanelFixture
{
    Q_OBJECT
private slots:
    void init() { setUpTest(); }
    void cleanup() { tearDownTest(); }
    void openFailureAndDeviceLoss();
    void autoConnectSettlesOnUnit();
    void autoConnectGivesUp();
    void badInputLeavesPanelUsable_data();
    void badInputLeavesPanelUsable();
};

void TestOrvePanelLink::openFailureAndDeviceLoss()
{
    Panel panel;
    // A port that cannot be opened: back to the closed state, AutoCon usable.
    qputenv("ZORVAN_EXTRA_PORTS", "/dev/zorvan-missing-port=Missing USB port");
    panel.portBox->refreshPorts();
    panel.portBox->setCurrentIndex(panel.portBox->count() - 1);
    panel.openButton->click();
    QTRY_VERIFY_WITH_TIMEOUT(panel.autoConButton->isEnabled() && !panel.connected, LinkTimeoutMs);
    QCOMPARE(panel.openButton->text(), QString("Open"));
    // A failed open reports both the failure and the port's error; let both arrive.
    QTest::qWait(500);

    // The unit goes away mid-session: the device error closes the panel's link.
    auto sim = std::make_unique<SimProcess>();
    QVERIFY(startUnit(*sim, {}));
    selectPort(panel, sim->firstLine());
    QVERIFY(openAndWaitForBoard(panel));
    sim.reset();
    QTRY_VERIFY_WITH_TIMEOUT(closedState(panel), LinkTimeoutMs);
}

void TestOrvePanelLink::autoConnectSettlesOnUnit()
{
    PtyPair silent;
    QVERIFY(silent.isValid());
    SimProcess console;
    QVERIFY(console.start(simPath(), {"console"}));
    SimProcess unit;
    QVERIFY(startUnit(unit, {}));
    qputenv("ZORVAN_EXTRA_PORTS", (silent.slavePath() + "=Silent USB adapter;" + console.firstLine() +
                                   "=Console (USB);/dev/zorvan-not-tried=No keyword here;" + unit.firstLine() +
                                   "=Simulated ORVE inertial unit (USB)")
                                      .toUtf8());
    Panel panel;
    panel.autoConButton->click();
    QVERIFY(panel.autoConnecting());
    QVERIFY(!panel.autoConButton->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!panel.autoConnecting(), 20000);
    QVERIFY(panel.connected);
    QVERIFY2(panel.portBox->currentText().startsWith(unit.firstLine() + ":"), qPrintable(panel.portBox->currentText()));
    QTRY_VERIFY_WITH_TIMEOUT(panel.boardInfoReceived, LinkTimeoutMs);
    QCOMPARE(panel.openButton->text(), QString("Close"));
    QVERIFY(!panel.autoConButton->isEnabled());
    QVERIFY(Q_DMMM::instance()->linkById(1)->isConnected());
}

void TestOrvePanelLink::autoConnectGivesUp()
{
    PtyPair silent;
    QVERIFY(silent.isValid());
    qputenv("ZORVAN_EXTRA_PORTS", (silent.slavePath() + "=Silent USB adapter").toUtf8());
    Panel panel;
    // Ticks of 100 ms instead of 400 ms: the same more than 20 ticks in a quarter of the time.
    panel.setAutoConInterval(100);
    QElapsedTimer timer;
    timer.start();
    panel.autoConButton->click();
    QTRY_VERIFY_WITH_TIMEOUT(!panel.autoConnecting(), 30000);
    QVERIFY2(timer.elapsed() >= 2000, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(closedState(panel));
    // The give-up opens nothing afterwards.
    FlyLink *link = Q_DMMM::instance()->linkById(1);
    QVERIFY(link);
    QTRY_COMPARE_WITH_TIMEOUT(link->deviceState(), int(DeviceCommunication::StateClosed), LinkTimeoutMs);
    QTest::qWait(1000);
    QCOMPARE(link->deviceState(), int(DeviceCommunication::StateClosed));
    QVERIFY(!panel.connected);
}

void TestOrvePanelLink::badInputLeavesPanelUsable_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("garbage") << "garbage";
    QTest::newRow("truncated frames") << "truncated";
    QTest::newRow("frames, then silence") << "silence";
}

void TestOrvePanelLink::badInputLeavesPanelUsable()
{
    QFETCH(QString, kind);
    PtyPair unit;
    QVERIFY(unit.isValid());
    Panel panel;
    panel.show();
    selectPort(panel, unit.slavePath());
    panel.openButton->click();
    QTRY_VERIFY_WITH_TIMEOUT(panel.connected, LinkTimeoutMs);

    QByteArray nav(FlyMsg::NavStateLen, '\0');
    nav[0] = char(0x10); // roll 0.16
    const QByteArray frame = FlyFrame::build(1, 0, FlyMsg::NavState, nav);
    QElapsedTimer timer;
    timer.start();
    int ticks = 0;
    QTimer probe;
    connect(&probe, &QTimer::timeout, this, [&] { ++ticks; });
    probe.start(50);
    while (timer.elapsed() < 2000) {
        QByteArray chunk;
        if (kind == "garbage") {
            chunk.resize(512);
            for (char &c : chunk)
                c = char(QRandomGenerator::global()->bounded(256));
        } else if (kind == "truncated") {
            chunk = frame.left(1 + int(QRandomGenerator::global()->bounded(frame.size() - 1)));
        } else if (timer.elapsed() < 500) {
            chunk = frame;
        }
        if (!chunk.isEmpty())
            QVERIFY(unit.write(chunk));
        QTest::qWait(20);
    }
    // The GUI thread kept running its timers all along and the panel shows nothing it did not get.
    QVERIFY2(ticks >= 20, qPrintable(QString::number(ticks)));
    QVERIFY(!panel.boardInfoReceived);
    QCOMPARE(panel.rollValue->text(), QString());
    // The board information is still asked for once a second.
    QVERIFY(unit.read(1, 3000).size() > 0);

    panel.openButton->click();
    QVERIFY(!panel.connected);
    QTRY_COMPARE_WITH_TIMEOUT(Q_DMMM::instance()->linkById(1)->deviceState(), int(DeviceCommunication::StateClosed),
                              LinkTimeoutMs);
    QVERIFY(panel.autoConButton->isEnabled());
}

QTEST_MAIN(TestOrvePanelLink)
#include "tst_orvepanellink.moc"
