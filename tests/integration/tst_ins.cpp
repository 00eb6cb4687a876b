// zorvan-cli ins against zorvan-sim ins, over UDP and a pseudo-terminal, clean and with frames dropped
// and corrupted on the way: identity, parameters, serial number, logs and the live view.
#include "support/InsFixture.h"
#include "support/TestPorts.h"

#include "core/util/LogFileName.h"

#include <QtTest>

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <cerrno>
#include <cstring>

using namespace InsFixture;

class TestIns : public QObject, public InsSimFixture
{
    Q_OBJECT
private slots:
    void init();
    void session_data();
    void session();
    void noLink();
    void badArguments_data();
    void badArguments();
    void logsUnwritable_data();
    void logsUnwritable();
    void logShorterThanListed();
};

void TestIns::init()
{
    m_sim.stop();
    QDir(QStringLiteral("log")).removeRecursively();
}

void TestIns::session_data()
{
    QTest::addColumn<bool>("udp");
    QTest::addColumn<QStringList>("faults");
    QTest::newRow("udp") << true << QStringList();
    QTest::newRow("pty") << false << QStringList();
    const QStringList lossy{"--drop", "5", "--corrupt", "0.03", "--seed", "7"};
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
    QCOMPARE(r.lines, (QStringList{"HW: ORVE-Nano-202501-0001", "FW: 1.4.2.3", "PTL: 2.1.0-ORVE",
                                   "UUID: 0035002B3138510735383733", "SN: 202501-0001"}));

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
    QCOMPARE(r.lines.size(), 34); // 19 and the temperature-calibration parameters
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
                 "1[789] imu \\d+\\.\\d/\\d+\\.\\d/\\d+\\.\\d baro \\d+\\.\\d sensors 0x0020002f 0x0020002f 0x0020002[b-f]$")),
             qPrintable(r.lines[1]));

    r = cli({"logs", "erase"});
    QVERIFY2(r.code == 0, qPrintable(r.errors));
    QCOMPARE(r.lines, QStringList{"erased"});
    r = cli({"logs", "list"});
    QVERIFY2(r.code == 0, qPrintable(r.errors));
    QVERIFY(r.lines.isEmpty());
    QVERIFY(r.errors.contains(QStringLiteral("机载日志为空")));
}

void TestIns::noLink()
{
    // Nobody answers on the target port.
    m_link = QStringList{"--udp", "0", "--target", QStringLiteral("127.0.0.1:%1").arg(TestPorts::freeUdpPort())};
    const CliResult r = cli({"info"}, 1);
    QCOMPARE(r.code, 1);
    QVERIFY2(r.errors.contains(QLatin1String("no link")), qPrintable(r.errors));
}

void TestIns::badArguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("no operation") << QStringList();
    QTest::newRow("unknown command") << QStringList{"cmd", "self-destruct"};
    QTest::newRow("param set without value") << QStringList{"param", "set", "X"};
    QTest::newRow("param value not a number") << QStringList{"param", "set", "X", "abc"};
    QTest::newRow("param value not finite") << QStringList{"param", "set", "X", "nan"};
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

void TestIns::logsUnwritable_data()
{
    // Faults that root meets too (the suites run as root in CI).
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("error");
    QTest::newRow("log is a file") << "log" << ENOTDIR;
    QTest::newRow("disk full") << "full" << ENOSPC;
}

void TestIns::logsUnwritable()
{
    // Said at once with the path and the system's reason, exit 1; not a give-up seconds later, and no
    // later log of the queue tried on the same disk.
    QFETCH(QString, fault);
    QFETCH(int, error);
    const QString first = LogFileName::path(1, QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC).toSecsSinceEpoch(),
                                            [](const QString &) { return false; });
    QString path = QLatin1String(LogFileName::Dir);
    if (fault == "full") {
        path = first + ".part";
        QVERIFY(QDir().mkpath(LogFileName::Dir));
        QVERIFY(QFile::link("/dev/full", path));
    } else {
        QFile blocker(fault);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    }
    QVERIFY(startSim({}, true));
    QElapsedTimer clock;
    clock.start();
    const CliResult r = cli({"logs", "download", "1", "2"});
    QCOMPARE(r.code, 1);
    QVERIFY2(clock.elapsed() < 8000, qPrintable(QString::number(clock.elapsed())));
    const QString expected = QStringLiteral("cannot write %1: %2")
                                 .arg(QDir::current().absoluteFilePath(path), QString::fromLocal8Bit(std::strerror(error)));
    QVERIFY2(r.errors.contains(expected), qPrintable(r.errors));
    QVERIFY2(!r.errors.contains("gave up"), qPrintable(r.errors));
    QVERIFY(r.lines.isEmpty());
    QVERIFY(!QFileInfo::exists(first));
    QVERIFY(!QFileInfo(path).isSymLink());
    QFile::remove("log");
}

void TestIns::logShorterThanListed()
{
    // The list says 1500 bytes, the unit holds 1000: asked at 1000 it answers with no bytes. The
    // download gives up after a few such answers and the CLI exits 1, instead of asking without end.
    QVERIFY(startSim({"--logs", "1:1000", "--log-overstated", "500"}, true));
    QElapsedTimer clock;
    clock.start();
    const CliResult r = cli({"logs", "download", "1"});
    QCOMPARE(r.code, 1);
    QVERIFY2(clock.elapsed() < 8000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY2(r.errors.contains("log 1 gave up"), qPrintable(r.errors));
    QVERIFY(r.lines.isEmpty());
    // What arrived stays under the part name only.
    const QString final = LogFileName::path(1, QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC).toSecsSinceEpoch(),
                                            [](const QString &) { return false; });
    QVERIFY(!QFileInfo::exists(final));
    QCOMPARE(QFileInfo(final + ".part").size(), qint64(1000));
}

QTEST_MAIN(TestIns)
#include "tst_ins.moc"
