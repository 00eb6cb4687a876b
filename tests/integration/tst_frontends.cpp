// The options the three programs share: --version, --help of the program and of each command or
// mode, and an unknown option that names itself and exits 2.
#include "core/util/AppVersion.h"
#include "support/TestFiles.h"
#include "support/TestPorts.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

class TestFrontEnds : public QObject
{
    Q_OBJECT
private slots:
    void options_data();
    void options();
    void serialPermission_data();
    void serialPermission();
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

void TestFrontEnds::serialPermission_data()
{
    QTest::addColumn<QStringList>("args"); // PORT and FIRMWARE stand for the pseudo-terminal and an image
    QTest::newRow("params") << QStringList{"params", "--serial", "PORT", "list", "--timeout", "1"};
    QTest::newRow("console") << QStringList{"console", "--serial", "PORT", "--send", "help", "--wait", "500"};
    QTest::newRow("ins") << QStringList{"ins", "--serial", "PORT", "--timeout", "2", "info"};
    QTest::newRow("flash") << QStringList{"flash", "FIRMWARE", "--port", "PORT", "--timeout", "3"};
}

void TestFrontEnds::serialPermission()
{
    // A port this user may not open: the CLI says why and names the fix. Root opens every port, so
    // the command runs as the user nobody.
    if (geteuid() != 0 || QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
        QSKIP("needs root and setpriv to run a command as another user");
    QFETCH(QStringList, args);
    PtyPair pty;
    QVERIFY(pty.isValid());
    QVERIFY(QFile::setPermissions(pty.slavePath(), QFile::ReadOwner | QFile::WriteOwner));
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString firmware = dir.filePath(QStringLiteral("fw.bin"));
    QVERIFY(TestFiles::write(firmware, QByteArray(4096, '\xA5')));
    const auto everyone = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther;
    QVERIFY(QFile::setPermissions(dir.path(), everyone));
    QVERIFY(QFile::setPermissions(firmware, QFile::ReadOwner | QFile::ReadOther));
    args.replaceInStrings(QStringLiteral("FIRMWARE"), firmware);
    args.replaceInStrings(QStringLiteral("PORT"), pty.slavePath());

    const QStringList asNobody{"--reuid=nobody", "--regid=nogroup", "--clear-groups", QStringLiteral(ZT_CLI_PATH)};
    if (TestFiles::run(QStringLiteral("setpriv"), asNobody + QStringList{"--version"}).exitCode != 0)
        QSKIP("the user nobody cannot run zorvan-cli from this build tree");
    const TestFiles::ProgramRun run =
        TestFiles::run(QStringLiteral("setpriv"), asNobody + args, QProcessEnvironment::systemEnvironment(), 60000);
    QVERIFY2(run.exitCode != 0, qPrintable(run.out + run.err));
    QVERIFY2(run.err.contains(QStringLiteral("add your user to the 'dialout' group, then log in again")),
             qPrintable(run.err));
}

QTEST_GUILESS_MAIN(TestFrontEnds)
#include "tst_frontends.moc"
