// zorvan-cli ins against zorvan-sim ins, over UDP and a pseudo-terminal, clean and with frames dropped
// and corrupted on the way: identity, parameters, commands, serial number, logs and the live view.
#include "SimProcess.h"
#include "TestPorts.h"

#include "flylink/TransportCommand.h"
#include "link/FlyLink.h"
#include "link/Q_DMMM.h"

#include <QtTest>

#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>
#include <QUdpSocket>

namespace {
struct CliResult
{
    int code = -1;
    QStringList lines;
    QString errors;
};

QByteArray logPattern(int id, int size)
{
    QByteArray out(size, '\0');
    for (int i = 0; i < size; ++i)
        out[i] = char((i * 7 + id * 13) & 0xFF);
    return out;
}
} // namespace

class TestIns : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void session_data();
    void session();
    void commands_data();
    void commands();
    void noLink();
    void linkLossDuringWatch();
    void calibrationSequences();
    void transportCommands();
    void badArguments_data();
    void badArguments();

private:
    bool startSim(const QStringList &extra, bool udp);
    CliResult cli(const QStringList &args, int timeoutS = 10);

    SimProcess m_sim;
    QStringList m_link;
};

void TestIns::init()
{
    m_sim.stop();
    QDir(QStringLiteral("log")).removeRecursively();
}

bool TestIns::startSim(const QStringList &extra, bool udp)
{
    QStringList args{QStringLiteral("ins")};
    args << (udp ? QStringList{QStringLiteral("--udp"), QStringLiteral("0")} : QStringList{QStringLiteral("--pty")});
    args << extra;
    if (!m_sim.start(QStringLiteral(ZT_SIM_PATH), args))
        return false;
    const QString where = m_sim.firstLine();
    if (udp) {
        if (!where.startsWith(QLatin1String("udp ")))
            return false;
        m_link = QStringList{QStringLiteral("--udp"), QStringLiteral("0"), QStringLiteral("--target"), where.mid(4)};
    } else {
        m_link = QStringList{QStringLiteral("--serial"), where};
    }
    return true;
}

CliResult TestIns::cli(const QStringList &args, int timeoutS)
{
    QProcess p;
    QStringList all{QStringLiteral("ins")};
    all << m_link << QStringLiteral("--timeout") << QString::number(timeoutS) << args;
    p.start(QStringLiteral(ZT_CLI_PATH), all);
    CliResult r;
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.lines = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    r.errors = QString::fromUtf8(p.readAllStandardError());
    return r;
}

void TestIns::session_data()
{
    QTest::addColumn<bool>("udp");
    QTest::addColumn<QStringList>("faults");
    QTest::newRow("udp") << true << QStringList();
    QTest::newRow("pty") << false << QStringList();
    const QStringList lossy{"--drop", "0.05", "--corrupt", "0.03", "--seed", "7"};
    QTest::newRow("udp, drop and corruption") << true << lossy;
    QTest::newRow("pty, drop and corruption") << false << lossy;
}

void TestIns::session()
{
    QFETCH(bool, udp);
    QFETCH(QStringList, faults);
    QVERIFY(startSim(faults, udp));

    CliResult r = cli({"info"});
    QVERIFY2(r.code == 0, qPrintable(r.errors));
    QCOMPARE(r.lines, (QStringList{"HW: ORVE-Nano-2025-0001", "FW: 1.4.2.3", "PTL: 2.1.0-ORVE",
                                   "UUID: 0035002B3138510735383733", "SN: 2025-0001"}));

    r = cli({"param", "get", "BRD_HEAT_TARG"});
    QVERIFY2(r.code == 0, qPrintable(r.errors));
    QCOMPARE(r.lines, QStringList{"BRD_HEAT_TARG,45"});
    r = cli({"param", "set", "BRD_HEAT_TARG", "50.5"});
    QVERIFY2(r.code == 0, qPrintable(r.errors));
    QCOMPARE(r.lines, QStringList{"BRD_HEAT_TARG,50.5"});
    r = cli({"param", "get", "BRD_HEAT_TARG"});
    QCOMPARE(r.lines, QStringList{"BRD_HEAT_TARG,50.5"});

    r = cli({"params"});
    QVERIFY2(r.code == 0, qPrintable(r.errors));
    QCOMPARE(r.lines.size(), 19);
    QCOMPARE(r.lines.first(), QStringLiteral("AHRS_ORIENTATION,0"));
    QVERIFY(r.lines.contains(QStringLiteral("BRD_HEAT_TARG,50.5")));
    QVERIFY(r.lines.contains(QStringLiteral("INS_ACCOFFS_Y,-0.034")));
    QCOMPARE(r.lines.last(), QStringLiteral("SYSID_THISMAV,1"));

    r = cli({"write-sn", "2603", "42"});
    QVERIFY2(r.code == 0, qPrintable(r.errors));
    QCOMPARE(r.lines, QStringList{"Write SN cmd accepted"});
    r = cli({"info"});
    QCOMPARE(r.lines.value(0), QStringLiteral("HW: ORVE-Nano-202603-0042"));
    QCOMPARE(r.lines.value(4), QStringLiteral("SN: 202603-0042"));

    r = cli({"logs", "list"});
    QVERIFY2(r.code == 0, qPrintable(r.errors));
    QCOMPARE(r.lines,
             (QStringList{"1 500 2026-01-01T00:00:00Z", "2 5000 2026-01-01T01:00:00Z", "3 1200 2026-01-01T02:00:00Z"}));
    r = cli({"logs", "download", "1", "2"});
    QVERIFY2(r.code == 0, qPrintable(r.errors));
    QCOMPARE(r.lines.size(), 2);
    const int sizes[] = {500, 5000};
    for (int i = 0; i < 2; ++i) {
        QVERIFY2(r.lines[i].startsWith(QStringLiteral("log/flight/%1_").arg(i + 1)), qPrintable(r.lines[i]));
        QFile file(r.lines[i]);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), logPattern(i + 1, sizes[i]));
    }
    r = cli({"logs", "download", "1"});
    QVERIFY2(r.code == 0, qPrintable(r.errors));
    QVERIFY2(r.lines.value(0).startsWith(QLatin1String("log/flight/ID1_")) && r.lines.value(0).endsWith("_1.bin"),
             qPrintable(r.lines.value(0)));
    r = cli({"logs", "download", "9"});
    QCOMPARE(r.code, 1);
    QVERIFY(r.errors.contains(QLatin1String("log 9 is not on the unit")));

    if (!faults.isEmpty()) {
        r = cli({"logs", "erase"});
        QVERIFY2(r.code == 0, qPrintable(r.errors));
        return;
    }
    r = cli({"watch", "--seconds", "2"});
    QVERIFY2(r.code == 0, qPrintable(r.errors));
    QCOMPARE(r.lines.size(), 2);
    QVERIFY2(r.lines[1].contains(QRegularExpression(
                 "^att -?\\d+\\.\\d -?\\d+\\.\\d \\d+\\.\\d pos 30\\.\\d{7} 120\\.\\d{7} \\d+\\.\\d fix 3D_FIX sats "
                 "1[789] imu \\d+\\.\\d/\\d+\\.\\d baro \\d+\\.\\d sensors 0x0020002f 0x0020002f 0x0020002[b-f]$")),
             qPrintable(r.lines[1]));

    r = cli({"logs", "erase"});
    QVERIFY2(r.code == 0, qPrintable(r.errors));
    QCOMPARE(r.lines, QStringList{"erased"});
    r = cli({"logs", "list"});
    QVERIFY2(r.code == 0, qPrintable(r.errors));
    QVERIFY(r.lines.isEmpty());
    QVERIFY(r.errors.contains(QStringLiteral("机载日志为空")));
}

void TestIns::commands_data()
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

void TestIns::commands()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, text);
    QVERIFY(startSim({"--drop", "0.05", "--seed", "3"}, true));
    const CliResult r = cli(args);
    QCOMPARE(r.code, code);
    QCOMPARE(r.lines, QStringList{text});
}

void TestIns::noLink()
{
    // Nobody answers on the target port.
    m_link = QStringList{"--udp", "0", "--target", QStringLiteral("127.0.0.1:%1").arg(TestPorts::freeUdpPort())};
    const CliResult r = cli({"info"}, 1);
    QCOMPARE(r.code, 1);
    QVERIFY2(r.errors.contains(QLatin1String("no link")), qPrintable(r.errors));
}

void TestIns::linkLossDuringWatch()
{
    QVERIFY(startSim({"--silent-after", "1.5"}, false));
    const CliResult r = cli({"watch", "--seconds", "4"});
    QCOMPARE(r.code, 1);
    QVERIFY(r.errors.contains(QLatin1String("Communication disconnect")));
    QVERIFY(r.errors.contains(QLatin1String("link lost")));
}

void TestIns::calibrationSequences()
{
    // The panel's own stack against the simulated unit: accelerometer placements on state messages
    // and compass progress up to success.
    QVERIFY(startSim({}, true));
    Q_DMMM bus(-1);
    QVariantMap map;
    map.insert(QStringLiteral("SocketUDP_IP"), QVariant::fromValue(QHostAddress(QHostAddress::LocalHost)));
    map.insert(QStringLiteral("SocketUDP_Port"), 0);
    map.insert(QStringLiteral("SocketUDP_TargetIP"), QVariant::fromValue(QHostAddress(QHostAddress::LocalHost)));
    map.insert(QStringLiteral("SocketUDP_TargetPort"), m_link.last().section(QLatin1Char(':'), 1).toInt());
    bus.openLink(map, 1);
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

void TestIns::transportCommands()
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

void TestIns::badArguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("no operation") << QStringList();
    QTest::newRow("unknown command") << QStringList{"cmd", "self-destruct"};
    QTest::newRow("param set without value") << QStringList{"param", "set", "X"};
    QTest::newRow("param value not a number") << QStringList{"param", "set", "X", "abc"};
    QTest::newRow("name too long") << QStringList{"param", "get", "ABCDEFGHIJKLMNOPQ"};
    QTest::newRow("date before 2201") << QStringList{"write-sn", "2112", "1"};
    QTest::newRow("sequence 0") << QStringList{"write-sn", "2603", "0"};
    QTest::newRow("sequence 10000") << QStringList{"write-sn", "2603", "10000"};
    QTest::newRow("log id") << QStringList{"logs", "download", "x"};
}

void TestIns::badArguments()
{
    QFETCH(QStringList, args);
    m_link.clear();
    const CliResult r = cli(args);
    QCOMPARE(r.code, 2);
}

QTEST_MAIN(TestIns)
#include "tst_ins.moc"
