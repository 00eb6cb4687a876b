// The options the three programs share: --version, --help of the program and of each command or
// mode, and an unknown option that names itself and exits 2.
#include "core/util/AppVersion.h"
#include "support/TestFiles.h"

#include <QtTest>

class TestFrontEnds : public QObject
{
    Q_OBJECT
private slots:
    void options_data();
    void options();
};

void TestFrontEnds::options_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("onStdout");
    QTest::addColumn<QString>("text"); // what the output must hold

    const QString cli = QStringLiteral(ZT_CLI_PATH), sim = QStringLiteral(ZT_SIM_PATH),
                  gui = QStringLiteral(ZT_GUI_PATH);
    const QString version = AppVersion::text();
    QTest::newRow("cli --version") << cli << QStringList{"--version"} << 0 << true << "zorvan-cli " + version;
    QTest::newRow("sim --version") << sim << QStringList{"--version"} << 0 << true << "zorvan-sim " + version;
    QTest::newRow("gui --version") << gui << QStringList{"--version"} << 0 << true << "Zorvan-Tools " + version;
    QTest::newRow("gui --help") << gui << QStringList{"--help"} << 0 << true << "--quit-after";
    QTest::newRow("cli unknown option") << cli << QStringList{"--frobnicate"} << 2 << false << "'--frobnicate'";
    QTest::newRow("sim unknown option") << sim << QStringList{"--frobnicate"} << 2 << false << "'--frobnicate'";
    QTest::newRow("gui unknown option") << gui << QStringList{"--frobnicate"} << 2 << false << "frobnicate";
    QTest::newRow("gui stray argument") << gui << QStringList{"extra"} << 2 << false << "'extra'";

    for (const char *command : {"console", "flash", "ins", "kvf", "logs", "params"}) {
        const QString name = QLatin1String(command);
        QTest::addRow("cli %s --help", command)
            << cli << QStringList{name, "--help"} << 0 << true << "usage: zorvan-cli " + name;
        QTest::addRow("cli %s -h", command)
            << cli << QStringList{name, "-h"} << 0 << true << "usage: zorvan-cli " + name;
        QTest::addRow("cli %s unknown option", command)
            << cli << QStringList{name, "--frobnicate"} << 2 << false << "--frobnicate";
    }
    QTest::newRow("cli help after the subcommand")
        << cli << QStringList{"params", "list", "--help"} << 0 << true << "usage: zorvan-cli params";
    for (const char *mode : {"bootloader", "console", "fmu", "ins"}) {
        const QString name = QLatin1String(mode);
        QTest::addRow("sim %s --help", mode)
            << sim << QStringList{name, "--help"} << 0 << true << "usage: zorvan-sim " + name;
        QTest::addRow("sim %s unknown option", mode)
            << sim << QStringList{name, "--frobnicate"} << 2 << false << "--frobnicate";
    }
}

void TestFrontEnds::options()
{
    QFETCH(QString, program);
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(bool, onStdout);
    QFETCH(QString, text);
    const TestFiles::ProgramRun run = TestFiles::run(program, args, QProcessEnvironment::systemEnvironment(), 60000);
    QVERIFY2(run.exitCode == exitCode,
             qPrintable(QStringLiteral("exit %1: %2%3").arg(run.exitCode).arg(run.out, run.err)));
    QVERIFY2((onStdout ? run.out : run.err).contains(text), qPrintable(run.out + run.err));
}

QTEST_GUILESS_MAIN(TestFrontEnds)
#include "tst_frontends.moc"
