// The Transport page against zorvan-sim ins over loopback UDP: KavoLink, query, set with read-back,
// simple compass calibration, the switch to MAVLink (heartbeats decoded by the MAVLink parser), the
// switch back, the unit going silent, and Disconnect.
#include "core/mavlink/MavlinkFrame.h"
#include "factory/link/FlyLink.h"
#include "factory/link/Q_DMMM.h"
#include "support/SimProcess.h"
#include "support/TransportPageView.h"
#include "ui/widgets/TimedPopup.h"

#include <QElapsedTimer>
#include <QUdpSocket>
#include <QtTest>

#include <memory>

using namespace TransportPage;

namespace {
// Waits for the unit's stream, its silence of at least 500 ms (the reboot) and the stream again.
bool waitPastReboot(FlyLink *link)
{
    QElapsedTimer clock, quiet;
    clock.start();
    quiet.start();
    quint32 last = link->rxBytes();
    bool heard = false, gap = false;
    while (clock.elapsed() < 15000) {
        QTest::qWait(20);
        const quint32 now = link->rxBytes();
        if (now != last) {
            last = now;
            if (gap)
                return true;
            heard = true;
            quiet.restart();
        } else if (heard && quiet.elapsed() >= 500) {
            gap = true;
        }
    }
    return false;
}
} // namespace

class TestTransportSession : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void bothProtocols();

private:
    std::unique_ptr<Q_DMMM> m_bus;
    QList<TimedPopup::Shown> m_popups;
};

void TestTransportSession::initTestCase()
{
    m_bus.reset(new Q_DMMM(-1));
    TimedPopup::setInterceptor([this](const TimedPopup::Shown &shown) { m_popups.append(shown); });
}

void TestTransportSession::cleanupTestCase()
{
    TimedPopup::setInterceptor({});
    m_bus.reset();
}

void TestTransportSession::bothProtocols()
{
    SimProcess sim;
    QVERIFY(sim.start(QStringLiteral(ZT_SIM_PATH), {QStringLiteral("ins"), QStringLiteral("--udp"), QStringLiteral("0"),
                                                    QStringLiteral("--seed"), QStringLiteral("7")}));
    QVERIFY(sim.firstLine().startsWith(QLatin1String("udp ")));
    const quint16 simPort = quint16(sim.firstLine().section(QLatin1Char(':'), 1).toUInt());
    PageView v;
    FlyLink *link = v.page.flyLink();
    QVERIFY(openTo(v, simPort));
    QCOMPARE(v.unitState(), QStringLiteral("Waiting for the unit"));

    // KavoLink: the unit learns where to send from the frame and streams FlyLink; the reboot that follows
    // silences it for a while. Requests are sent once it streams again.
    v.press("kavoLinkButton");
    QVERIFY(waitPastReboot(link));
    QTRY_VERIFY_WITH_TIMEOUT(link->isConnected(), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(v.unitState(), QStringLiteral("Unit answering"), 5000);

    // Query (the reboot after the switch may swallow the first request, so ask again until answered).
    v.edit("nameEdit")->setText(QStringLiteral("INS_ACCOFFS_X"));
    QVERIFY(retryUntil([&] { return !v.edit("currEdit")->text().isEmpty(); }, [&] { v.press("queryButton"); }, 10000));
    QCOMPARE(v.edit("currEdit")->text(), QStringLiteral("0.012"));
    QVERIFY(v.log().contains(QStringLiteral("[INS] rec param: INS_ACCOFFS_X, value:0.012")));

    // Set with read-back.
    v.edit("nameEdit")->setText(QStringLiteral("BRD_HEAT_TARG"));
    v.edit("valueEdit")->setText(QStringLiteral("50.5"));
    v.press("setButton");
    QVERIFY(v.log().contains(QStringLiteral("[TOOLS] set param: BRD_HEAT_TARG, value:50.5")));
    QTRY_COMPARE_WITH_TIMEOUT(v.edit("currEdit")->text(), QStringLiteral("50.5"), 5000);
    QVERIFY(v.log().contains(QStringLiteral("[INS] rec param: BRD_HEAT_TARG, value:50.5")));

    // Simple compass calibration: acknowledged, and the heading follows.
    v.edit("realMagEdit")->setText(QStringLiteral("200"));
    QElapsedTimer sinceCali;
    sinceCali.start();
    v.press("caliButton");
    QTRY_VERIFY_WITH_TIMEOUT(v.log().contains(QStringLiteral("[INS] calibrate cmd accepted")), 5000);
    // The simulated unit turns at 6 degrees a second from the true heading given.
    auto headingFollows = [&] {
        const double heading = v.edit("currentMagEdit")->text().toDouble();
        return heading >= 199 && heading <= 201 + 6 * (sinceCali.elapsed() / 1000.0);
    };
    QTRY_VERIFY2_WITH_TIMEOUT(headingFollows(), qPrintable(v.edit("currentMagEdit")->text()), 5000);

    // MAVLink: heartbeats, decoded by the MAVLink parser on a second socket the unit then answers.
    v.press("mavlinkButton");
    QTest::qWait(1500); // past the reboot that follows the switch
    QUdpSocket probe;
    QVERIFY(probe.bind(Loopback, 0));
    MavlinkParser parser;
    int heartbeats = 0;
    QElapsedTimer clock;
    clock.start();
    qint64 nextPoke = 0;
    while (heartbeats < 1 && clock.elapsed() < 15000) {
        if (clock.elapsed() >= nextPoke) {
            probe.writeDatagram(QByteArray(1, '\0'), Loopback, simPort);
            nextPoke = clock.elapsed() + 1000;
        }
        probe.waitForReadyRead(50);
        while (probe.hasPendingDatagrams()) {
            QByteArray d(int(probe.pendingDatagramSize()), '\0');
            probe.readDatagram(d.data(), d.size());
            parser.feed(d, [&](const mavlink_message_t &m) { heartbeats += m.msgid == 0 ? 1 : 0; });
        }
    }
    QCOMPARE(heartbeats, 1);

    // Back to KavoLink from the page: the unit answers the page in FlyLink again.
    v.press("kavoLinkButton");
    v.edit("nameEdit")->setText(QStringLiteral("BRD_HEAT_TARG"));
    v.edit("currEdit")->clear();
    QVERIFY(retryUntil([&] { return !v.edit("currEdit")->text().isEmpty(); }, [&] { v.press("queryButton"); }, 10000));
    QCOMPARE(v.edit("currEdit")->text(), QStringLiteral("50.5"));

    // The unit stops: the page says so; the device stays open until Disconnect.
    sim.stop();
    QTRY_COMPARE_WITH_TIMEOUT(v.unitState(), QStringLiteral("Unit not answering"), 10000);
    QVERIFY(v.log().contains(QStringLiteral("[TOOLS] The unit stopped answering")));
    QVERIFY(v.connectedLook());
    v.press("disconnectButton");
    QTRY_VERIFY_WITH_TIMEOUT(v.disconnectedLook(), 5000);
    QCOMPARE(v.unitState(), QStringLiteral("Not connected"));
    QVERIFY(m_popups.isEmpty());
}

QTEST_MAIN(TestTransportSession)
#include "tst_transportsession.moc"
