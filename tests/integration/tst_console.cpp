// zorvan-cli console against zorvan-sim console, over a pseudo-terminal and over loopback UDP: what a
// factory script sees (exit code, cleaned or hex answer, error messages).
#include "support/SimProcess.h"

#include <QProcess>
#include <QtTest>

namespace {
struct CliRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

CliRun runCli(const QStringList &args)
{
    QProcess cli;
    cli.start(QStringLiteral(ZT_CLI_PATH), QStringList{"console"} + args);
    CliRun run;
    if (!cli.waitForFinished(60000)) {
        cli.kill();
        cli.waitForFinished();
        return run;
    }
    run.exitCode = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
    run.out = QString::fromUtf8(cli.readAllStandardOutput());
    run.err = QString::fromUtf8(cli.readAllStandardError());
    return run;
}
} // namespace

class TestConsole : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void overPseudoTerminal_data();
    void overPseudoTerminal();
    void overUdp();
    void badInput_data();
    void badInput();

private:
    SimProcess unit;
};

void TestConsole::initTestCase()
{
    QVERIFY(unit.start(QStringLiteral(ZT_SIM_PATH), {"console"}));
    QVERIFY2(unit.firstLine().startsWith("/dev/"), qPrintable(unit.firstLine()));
}

void TestConsole::overPseudoTerminal_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("outContains");
    QTest::addColumn<QString>("outLacks");
    QTest::addColumn<QString>("errContains");

    QTest::newRow("help matched") << QStringList{"--send", "help", "--expect", "Builtin Apps"} << 0 << "sim_autoStart"
                                  << ""
                                  << "";
    QTest::newRow("colours and CRs removed")
        << QStringList{"--send", "ps", "--expect", "logger\\nnsh> "} << 0 << " PID PRI"
        << "\x1b"
        << "";
    QTest::newRow("several commands in order")
        << QStringList{"--send", "free", "--send", "flight_mode", "--expect", "Umem:[\\s\\S]*flight mode: POSHOLD"} << 0
        << "Umem:"
        << "\r"
        << "";
    QTest::newRow("unknown command") << QStringList{"--send", "bogus", "--expect", "bogus: command not found"} << 0
                                     << "nsh: bogus"
                                     << ""
                                     << "";
    QTest::newRow("no match within wait")
        << QStringList{"--send", "help", "--expect", "no such answer", "--wait", "500"} << 1 << "Builtin"
        << ""
        << "no match";
    QTest::newRow("no expect waits and succeeds")
        << QStringList{"--send", "sim_stop", "--wait", "500"} << 0 << "simulation stopped"
        << ""
        << "";
    QTest::newRow("hex shows the raw bytes")
        << QStringList{"--send", "sim_mode", "--hex", "--expect", "1b5b33366d53"} << 0 << ""
        << "SITL"
        << "";
}

void TestConsole::overPseudoTerminal()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, outContains);
    QFETCH(QString, outLacks);
    QFETCH(QString, errContains);
    const CliRun run = runCli(QStringList{"--serial", unit.firstLine()} + args);
    QVERIFY2(run.exitCode == exitCode,
             qPrintable(QStringLiteral("exit %1, stderr: %2").arg(run.exitCode).arg(run.err)));
    QVERIFY2(run.out.contains(outContains), qPrintable(run.out));
    if (!outLacks.isEmpty())
        QVERIFY2(!run.out.contains(outLacks), qPrintable(run.out));
    QVERIFY2(run.err.contains(errContains), qPrintable(run.err));
}

void TestConsole::overUdp()
{
    SimProcess udpUnit;
    QVERIFY(udpUnit.start(QStringLiteral(ZT_SIM_PATH), {"console", "--udp", "0"}));
    const QString where = udpUnit.firstLine();
    QVERIFY2(where.startsWith("udp "), qPrintable(where));
    const CliRun run = runCli({"--udp", "0", "--target", where.mid(4), "--send", "airspeed", "--expect", "m/s"});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QVERIFY(run.out.contains("airspeed: healthy"));
}

void TestConsole::badInput_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("errContains");

    QTest::newRow("port missing") << QStringList{"--serial", "/nonexistent/ttyZT0", "--send", "help"} << 1
                                  << "could not open serial /nonexistent/ttyZT0";
    QTest::newRow("unknown option") << QStringList{"--serial", "/dev/null", "--bogus"} << 2
                                    << "unknown argument --bogus";
    QTest::newRow("bad regex") << QStringList{"--serial", "/dev/null", "--expect", "(unclosed"} << 2 << "--expect";
    QTest::newRow("bad wait") << QStringList{"--serial", "/dev/null", "--wait", "soon"} << 2 << "--wait";
    QTest::newRow("send without value") << QStringList{"--serial", "/dev/null", "--send"} << 2 << "needs a value";
}

void TestConsole::badInput()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, errContains);
    const CliRun run = runCli(args);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.contains(errContains), qPrintable(run.err));
}

QTEST_GUILESS_MAIN(TestConsole)
#include "tst_console.moc"
