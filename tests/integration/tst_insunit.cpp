// The simulated inertial unit's behaviour on the wire: every command acknowledged through the CLI,
// link loss when it falls silent, accelerometer and compass sequences seen by the factory link, and
// the transport command frames.
#include "support/InsFixture.h"

#include "core/flylink/TransportCommand.h"
#include "factory/link/DeviceOpenMap.h"
#include "factory/link/FlyLink.h"
#include "factory/link/Q_DMMM.h"

#include <QtTest>

#include <QElapsedTimer>
#include <QTimer>
#include <QUdpSocket>

using namespace InsFixture;

class TestInsUnit : public QObject, public InsSimFixture
{
    Q_OBJECT
private slots:
    void init() { m_sim.stop(); }
    void commands_data();
    void commands();
    void linkLossDuringWatch();
    void calibrationSequences();
    void transportCommands();
};

void TestInsUnit::commands_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    const char *calibrations[] = {"gyro-cali", "baro-cali",     "level-cali",        "acc-basic-cali",
                                  "mag-cali",  "mag-cali-stop", "mag-inflight-cali", "mag-inflight-cancel"};
    for (const char *name : calibrations)
        QTest::newRow(name) << QStringList{"cmd", name} << 0 << "calibrate cmd accepted";
    QTest::newRow("reboot") << QStringList{"cmd", "reboot"} << 0 << "Restart cmd accepted";
    QTest::newRow("factory-reset") << QStringList{"cmd", "factory-reset"} << 0 << "factory data reset cmd accepted";
    QTest::newRow("write-factory-data") << QStringList{"cmd", "write-factory-data"} << 0
                                        << "Write factory data cmd accepted";
    QTest::newRow("mag-simple-cali 90") << QStringList{"mag-simple-cali", "90"} << 0 << "calibrate cmd accepted";
    QTest::newRow("mag-simple-cali 400 refused")
        << QStringList{"mag-simple-cali", "400"} << 1 << "calibrate cmd refused";
}

void TestInsUnit::commands()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, text);
    QVERIFY(startSim({"--drop", "5", "--seed", "3"}, true));
    const CliResult r = cli(args);
    QCOMPARE(r.code, code);
    QCOMPARE(r.lines, QStringList{text});
}

void TestInsUnit::linkLossDuringWatch()
{
    QVERIFY(startSim({"--silent-after", "1.5"}, false));
    const CliResult r = cli({"watch", "--seconds", "4"});
    QCOMPARE(r.code, 1);
    QVERIFY(r.errors.contains(QLatin1String("Communication disconnect")));
    QVERIFY(r.errors.contains(QLatin1String("link lost")));
}

void TestInsUnit::calibrationSequences()
{
    // The panel's own stack against the simulated unit: accelerometer placements on state messages
    // and compass progress up to success.
    QVERIFY(startSim({}, true));
    Q_DMMM bus(-1);
    const QHostAddress local(QHostAddress::LocalHost);
    bus.openLink(DeviceOpenMap::udp(local, 0, local, quint16(m_link.last().section(QLatin1Char(':'), 1).toUInt())), 1);
    FlyLink *link = bus.linkById(1);
    QVERIFY(link);
    QTimer wake;
    connect(&wake, &QTimer::timeout, link, [link] { link->requestBoardInfo(); });
    wake.start(300);
    QTRY_VERIFY_WITH_TIMEOUT(link->isConnected(), 10000);
    wake.stop();
    link->StartAcc3DCali();
    QTRY_COMPARE_WITH_TIMEOUT(bus.poolSnapshot(1).accCaliState(), quint8(1), 10000);
    for (int face = 2; face <= 7; ++face) {
        link->StartAcc3DCaliNextFace();
        QTRY_COMPARE_WITH_TIMEOUT(bus.poolSnapshot(1).accCaliState(), quint8(face), 10000);
    }
    link->DoMagCali();
    QTRY_VERIFY_WITH_TIMEOUT(bus.poolSnapshot(1).magProgress(0).status() == 4, 15000);
    const TelemetryRecord r = bus.poolSnapshot(1);
    QCOMPARE(r.magProgressCount(), quint8(2));
    QCOMPARE(r.magProgress(0).percent(), quint8(100));
    QCOMPARE(r.compassCount(), quint8(2));
    bus.releaseLinks();
}

void TestInsUnit::transportCommands()
{
    QVERIFY(startSim({}, true));
    QUdpSocket socket;
    QVERIFY(socket.bind(QHostAddress(QHostAddress::LocalHost), 0));
    const quint16 port = quint16(m_link.last().section(QLatin1Char(':'), 1).toUInt());
    auto command = [&](quint8 payload) {
        socket.writeDatagram(TransportCommand::build(TransportCommand::TypeControl, QByteArray(1, char(payload))),
                             QHostAddress(QHostAddress::LocalHost), port);
    };
    // What arrives within ms: counts of FlyLink frames and MAVLink 2 frames.
    auto listen = [&](int ms, int &fly, int &mav) {
        fly = mav = 0;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms) {
            socket.waitForReadyRead(50);
            while (socket.hasPendingDatagrams()) {
                QByteArray d(int(socket.pendingDatagramSize()), '\0');
                socket.readDatagram(d.data(), d.size());
                if (d.startsWith("KW"))
                    ++fly;
                else if (d.size() == 21 && quint8(d.at(0)) == 0xFD && d.at(1) == 9)
                    ++mav;
            }
        }
    };
    int fly = 0, mav = 0;
    command(TransportCommand::SwitchToFlyLink); // also tells the unit where to send
    listen(500, fly, mav);
    QVERIFY(fly > 0);
    command(TransportCommand::SwitchToMavlink);
    listen(200, fly, mav);
    listen(1500, fly, mav);
    QCOMPARE(fly, 0);
    QVERIFY(mav >= 1);
    command(TransportCommand::SwitchToFlyLink);
    listen(200, fly, mav);
    listen(500, fly, mav);
    QVERIFY(fly > 0);
    QCOMPARE(mav, 0);
    // Reboot: about a second of silence, then the stream again.
    command(TransportCommand::Reboot);
    listen(100, fly, mav);
    listen(700, fly, mav);
    QCOMPARE(fly, 0);
    listen(1000, fly, mav);
    QVERIFY(fly > 0);
}

QTEST_MAIN(TestInsUnit)
#include "tst_insunit.moc"
