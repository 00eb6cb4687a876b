// zorvan-cli logs list/download/erase against zorvan-sim fmu over loopback UDP and pseudo-terminals,
// with the simulator's fault knobs on the chunks (loss, duplicates, reordering, late chunks): every
// downloaded file must equal the simulated log byte for byte.
#include "support/SimProcess.h"
#include "support/TestFiles.h"
#include "support/TestPorts.h"

#include "core/mavlink/LogPattern.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>

#include <cerrno>
#include <cstring>

namespace {
using CliRun = TestFiles::ProgramRun;

QStringList linkArgs(const QString &where)
{
    if (where.startsWith("udp "))
        return {"--udp", QStringLiteral("127.0.0.1:%1").arg(TestPorts::freeUdpPort()), "--target", where.mid(4)};
    return {"--serial", where};
}

QStringList lines(const QString &text)
{
    return text.split('\n', Qt::SkipEmptyParts);
}

const QString Logs = QStringLiteral("1:100000,2:0,3:200000");
constexpr quint32 FirstTime = 1740819907; // the simulator's log times: this + 3600 * id

QString logName(quint16 id)
{
    return QStringLiteral("log/flight/%1_%2.bin")
        .arg(id)
        .arg(QDateTime::fromSecsSinceEpoch(FirstTime + 3600u * id).toString("yyyyMMdd_hhmmss"));
}
} // namespace

class TestLogs : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void downloadExact_data();
    void downloadExact();
    void listAndErase();
    void badRequests_data();
    void badRequests();
    void unwritableLogFile_data();
    void unwritableLogFile();
    void killedDownloadLeavesNoFinalFile();
};

void TestLogs::init()
{
    QFile::remove("log");
    QDir("log").removeRecursively();
}

void TestLogs::downloadExact_data()
{
    QTest::addColumn<QStringList>("endpoint");
    QTest::addColumn<QStringList>("knobs");
    const QStringList udp = {"--udp", "0"};
    const QStringList pty = {"--pty"};
    const QStringList faults = {"--drop", "5", "--dup", "5", "--reorder", "--late-ms", "300", "--seed", "11"};
    QTest::addColumn<int>("firstId");
    QTest::newRow("udp") << udp << QStringList() << 1;
    QTest::newRow("pty") << pty << QStringList() << 1;
    QTest::newRow("udp loss, dup, reorder, late") << udp << faults << 1;
    QTest::newRow("pty loss, dup, reorder, late, split") << pty << faults + QStringList{"--split"} << 1;
    // Units that number their logs from 0, with a gimbal and a camera beside the autopilot and
    // phantom LOG_DATA frames inside frames of an unknown id.
    const QStringList px4 = {"--autopilot", "px4", "--components", "2", "--tunnel"};
    QTest::newRow("udp logs from 0") << udp << QStringList() << 0;
    QTest::newRow("udp px4") << udp << px4 << 0;
    QTest::newRow("pty px4, loss") << pty << faults + px4 << 0;
    QTest::newRow("udp ardupilot, others") << udp << QStringList{"--components", "2", "--tunnel"} << 1;
}

void TestLogs::downloadExact()
{
    QFETCH(QStringList, endpoint);
    QFETCH(QStringList, knobs);
    QFETCH(int, firstId);
    const quint16 ids[] = {quint16(firstId + 2), quint16(firstId + 1), quint16(firstId)};
    const QString logs = QStringLiteral("%1:100000,%2:0,%3:200000").arg(ids[2]).arg(ids[1]).arg(ids[0]);
    SimProcess sim;
    QVERIFY(sim.start(ZT_SIM_PATH, QStringList{"fmu"} + endpoint + QStringList{"--logs", logs} + knobs));
    const QStringList link = linkArgs(sim.firstLine());

    const CliRun run = TestFiles::run(ZT_CLI_PATH, QStringList{"logs"} + link +
                                                       QStringList{"download", QString::number(ids[0]),
                                                                   QString::number(ids[1]), QString::number(ids[2])});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    const QStringList paths = lines(run.out);
    QCOMPARE(paths.size(), 3);
    // In the order asked for; named by id and the log's local time.
    const quint32 sizes[] = {200000, 0, 100000};
    for (int i = 0; i < 3; ++i) {
        const QString stamp = QDateTime::fromSecsSinceEpoch(FirstTime + 3600u * ids[i]).toString("yyyyMMdd_hhmmss");
        QCOMPARE(QFileInfo(paths[i]).fileName(), QStringLiteral("%1_%2.bin").arg(ids[i]).arg(stamp));
        QCOMPARE(QFileInfo(paths[i]).absolutePath(), QDir("log/flight").absolutePath());
        const QByteArray file = TestFiles::read(paths[i]);
        QCOMPARE(file.size(), int(sizes[i]));
        QVERIFY2(file == LogPattern::bytes(ids[i], 0, sizes[i]), qPrintable(paths[i]));
    }

    // Every finished download ended with LOG_REQUEST_END (the simulator prints a line for each).
    QByteArray simOut;
    QVERIFY(QTest::qWaitFor(
        [&] {
            simOut += sim.process().readAllStandardOutput();
            return simOut.count("log request end") >= 3;
        },
        10000));

    // The same log again: a new file beside the first, nothing overwritten.
    const CliRun again =
        TestFiles::run(ZT_CLI_PATH, QStringList{"logs"} + link + QStringList{"download", QString::number(ids[2])});
    QVERIFY2(again.exitCode == 0, qPrintable(again.err));
    QCOMPARE(lines(again.out).size(), 1);
    QVERIFY(QFileInfo(lines(again.out).at(0)).fileName().startsWith(QStringLiteral("ID%1_").arg(ids[2])));
    QVERIFY(lines(again.out).at(0).endsWith("_1.bin"));
    QVERIFY(TestFiles::read(lines(again.out).at(0)) == LogPattern::bytes(ids[2], 0, 100000));
    QVERIFY(TestFiles::read(paths[2]) == LogPattern::bytes(ids[2], 0, 100000));
}

void TestLogs::listAndErase()
{
    SimProcess sim;
    QVERIFY(sim.start(ZT_SIM_PATH, {"fmu", "--udp", "0", "--logs", Logs, "--drop", "10", "--seed", "5"}));
    const QStringList link = linkArgs(sim.firstLine());
    const CliRun list = TestFiles::run(ZT_CLI_PATH, QStringList{"logs"} + link + QStringList{"list", "--timeout", "1"});
    QVERIFY2(list.exitCode == 0, qPrintable(list.err));
    QCOMPARE(lines(list.out), (QStringList{QStringLiteral("1,100000,%1").arg(FirstTime + 3600),
                                           QStringLiteral("2,0,%1").arg(FirstTime + 7200),
                                           QStringLiteral("3,200000,%1").arg(FirstTime + 10800)}));

    const CliRun erase = TestFiles::run(ZT_CLI_PATH, QStringList{"logs"} + link + QStringList{"erase"});
    QCOMPARE(erase.exitCode, 0);
    const CliRun empty =
        TestFiles::run(ZT_CLI_PATH, QStringList{"logs"} + link + QStringList{"list", "--timeout", "1"});
    QVERIFY2(empty.exitCode == 0, qPrintable(empty.err));
    QCOMPARE(empty.out, QString());
}

void TestLogs::badRequests_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("error");
    QTest::newRow("no subcommand") << QStringList() << 2 << "expected";
    QTest::newRow("unknown subcommand") << QStringList{"fetch"} << 2 << "unknown subcommand";
    QTest::newRow("download without id") << QStringList{"download"} << 2 << "one or more log ids";
    QTest::newRow("bad id") << QStringList{"download", "x"} << 2 << "not a log id";
    QTest::newRow("id past the range") << QStringList{"download", "65535"} << 2 << "not a log id";
    QTest::newRow("bad timeout") << QStringList{"list", "--timeout", "0"} << 2 << "--timeout";
    QTest::newRow("log not on the unit") << QStringList{"download", "9"} << 1 << "no log 9";
}

void TestLogs::badRequests()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, error);
    SimProcess sim;
    QVERIFY(sim.start(ZT_SIM_PATH, {"fmu", "--udp", "0", "--logs", Logs}));
    const CliRun run = TestFiles::run(ZT_CLI_PATH, QStringList{"logs"} + linkArgs(sim.firstLine()) + args);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.contains(error), qPrintable(run.err));
    QVERIFY(!QDir("log/flight").exists() || QDir("log/flight").isEmpty());
}

void TestLogs::unwritableLogFile_data()
{
    // Faults that root meets too (the suites run as root in CI).
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("error");
    QTest::newRow("log is a file") << "log"
                                   << "log/flight" << ENOTDIR;
    QTest::newRow("disk full") << "full" << logName(3) + ".part" << ENOSPC;
}

void TestLogs::unwritableLogFile()
{
    // Said at once with the path and the system's reason, exit 1; not "no progress" 15 s later.
    QFETCH(QString, fault);
    QFETCH(QString, path);
    QFETCH(int, error);
    if (fault == "full") {
        QVERIFY(QDir().mkpath("log/flight"));
        QVERIFY(QFile::link("/dev/full", logName(3) + ".part"));
    } else {
        QFile blocker(fault);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    }
    SimProcess sim;
    QVERIFY(sim.start(ZT_SIM_PATH, {"fmu", "--udp", "0", "--logs", Logs}));
    QElapsedTimer clock;
    clock.start();
    const CliRun run = TestFiles::run(ZT_CLI_PATH, QStringList{"logs"} + linkArgs(sim.firstLine()) +
                                                       QStringList{"download", "3", "1"});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
    const QString expected =
        QStringLiteral("cannot write %1: %2")
            .arg(QDir::current().absoluteFilePath(path), QString::fromLocal8Bit(std::strerror(error)));
    QVERIFY2(run.err.contains(expected), qPrintable(run.err));
    QVERIFY2(!run.err.contains("no progress"), qPrintable(run.err));
    QCOMPARE(run.out, QString());
    QVERIFY(!QFileInfo::exists(logName(3)));
    QVERIFY(!QFileInfo::exists(logName(1)));
    QVERIFY(!QFileInfo(logName(3) + ".part").isSymLink());
}

void TestLogs::killedDownloadLeavesNoFinalFile()
{
    // A download killed halfway leaves only its ".part" file; the rerun takes the plain name. The
    // killed run meets a slow, lossy unit (it cannot finish before the kill), the rerun a clean one
    // with the same log.
    const QStringList log = {"--logs", "1:4000000"};
    SimProcess lossy;
    QVERIFY(lossy.start(ZT_SIM_PATH, QStringList{"fmu", "--udp", "0", "--drop", "20", "--seed", "3"} + log));
    QProcess cli;
    cli.start(ZT_CLI_PATH, QStringList{"logs"} + linkArgs(lossy.firstLine()) + QStringList{"download", "1"});
    QVERIFY(cli.waitForStarted());
    QVERIFY(QTest::qWaitFor([] { return QFileInfo(logName(1) + ".part").size() > 0; }, 60000));
    cli.kill();
    QVERIFY(cli.waitForFinished());
    QCOMPARE(QDir("log/flight").entryList(QDir::Files), QStringList{QFileInfo(logName(1)).fileName() + ".part"});

    SimProcess clean;
    QVERIFY(clean.start(ZT_SIM_PATH, QStringList{"fmu", "--udp", "0"} + log));
    const CliRun again =
        TestFiles::run(ZT_CLI_PATH, QStringList{"logs"} + linkArgs(clean.firstLine()) + QStringList{"download", "1"});
    QVERIFY2(again.exitCode == 0, qPrintable(again.err));
    QCOMPARE(lines(again.out), QStringList{QFileInfo(logName(1)).absoluteFilePath()});
    QCOMPARE(QDir("log/flight").entryList(QDir::Files), QStringList{QFileInfo(logName(1)).fileName()});
    QVERIFY(TestFiles::read(logName(1)) == LogPattern::bytes(1, 0, 4000000));
}

QTEST_GUILESS_MAIN(TestLogs)
#include "tst_logs.moc"
