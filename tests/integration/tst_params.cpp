// zorvan-cli params list/set against zorvan-sim fmu over real loopback UDP and pseudo-terminals,
// with the simulator's fault knobs (loss, MAVLink 1 answers, frames split over writes) and its
// personalities (ArduPilot, PX4 with bytewise integers and addressed requests, further components,
// phantom frames inside frames of unknown ids).
#include "support/SimProcess.h"
#include "support/TestFiles.h"
#include "support/TestPorts.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {
using CliRun = TestFiles::ProgramRun;

// A parameter file of 60 entries: mixed types, 16-character names, values that need all their digits.
QByteArray paramFile(QStringList &expectedLines)
{
    QByteArray file = "# name,value[,type]\n";
    const QStringList names = {"SERIAL0_PROTOCOL", "LOG_BACKEND_TYPE", "ACRO_PITCH_RATE", "COMPASS_OFS_X"};
    for (int i = 0; i < 60; ++i) {
        const QString name = i < names.size() ? names[i] : QStringLiteral("TEST_PARAM_%1").arg(i);
        const bool integer = i % 3 == 0;
        const QString value = integer ? QString::number(i * 7 - 20) : QStringLiteral("%1.%2").arg(i).arg(i * 37 % 1000);
        file += QStringLiteral("%1,%2,%3\n").arg(name, value).arg(integer ? 6 : 9).toLatin1();
        float f = value.toFloat();
        QString text = QString::number(double(f), 'g', 9);
        for (int p = 1; p <= 9; ++p) {
            if (QString::number(double(f), 'g', p).toFloat() == f) {
                text = QString::number(double(f), 'g', p);
                break;
            }
        }
        if (integer)
            text = QString::number(i * 7 - 20);
        expectedLines << name + "," + text;
    }
    return file;
}

// The link options of the CLI for what the simulator announced.
QStringList linkArgs(const QString &where)
{
    if (where.startsWith("udp ")) {
        return {"--udp", QStringLiteral("127.0.0.1:%1").arg(TestPorts::freeUdpPort()), "--target", where.mid(4)};
    }
    return {"--serial", where};
}

QStringList lines(const QString &text)
{
    return text.split('\n', Qt::SkipEmptyParts);
}
} // namespace

class TestParams : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void listAndSet_data();
    void listAndSet();
    void builtinListOverUdp();
    void incompleteList();
    void unopenableSerialPortNamesItsBaud();
    void setRefused_data();
    void setRefused();
    void personalities_data();
    void personalities();
    void enforcedGcsSysid();
    void largeIntegers_data();
    void largeIntegers();

private:
    QTemporaryDir m_dir;
    QStringList m_expected;
    QString m_paramFile;
};

void TestParams::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_paramFile = m_dir.filePath("fmu.params");
    QVERIFY(TestFiles::write(m_paramFile, paramFile(m_expected)));
}

void TestParams::listAndSet_data()
{
    QTest::addColumn<QStringList>("endpoint");
    QTest::addColumn<QStringList>("knobs");
    const QStringList udp = {"--udp", "0"};
    const QStringList pty = {"--pty"};
    QTest::newRow("udp") << udp << QStringList();
    QTest::newRow("pty") << pty << QStringList();
    QTest::newRow("udp drop") << udp << QStringList{"--drop", "15", "--seed", "7"};
    QTest::newRow("pty drop") << pty << QStringList{"--drop", "15", "--seed", "3"};
    QTest::newRow("udp v1") << udp << QStringList{"--v1"};
    QTest::newRow("pty v1") << pty << QStringList{"--v1"};
    QTest::newRow("udp split") << udp << QStringList{"--split"};
    QTest::newRow("pty split") << pty << QStringList{"--split"};
    QTest::newRow("udp paced") << udp << QStringList{"--rate", "400"};
}

void TestParams::listAndSet()
{
    QFETCH(QStringList, endpoint);
    QFETCH(QStringList, knobs);
    SimProcess sim;
    QVERIFY(sim.start(ZT_SIM_PATH, QStringList{"fmu"} + endpoint + QStringList{"--params", m_paramFile} + knobs));
    const QStringList link = linkArgs(sim.firstLine());

    const CliRun list =
        TestFiles::run(ZT_CLI_PATH, QStringList{"params"} + link + QStringList{"list", "--timeout", "1"});
    QVERIFY2(list.exitCode == 0, qPrintable(list.err));
    QCOMPARE(lines(list.out), m_expected);

    // A value given with more digits than a float holds, echoed exactly; then the list shows it.
    const CliRun set = TestFiles::run(ZT_CLI_PATH, QStringList{"params"} + link +
                                                       QStringList{"set", "LOG_BACKEND_TYPE", "0.123456791"});
    QVERIFY2(set.exitCode == 0, qPrintable(set.err));
    QCOMPARE(lines(set.out), QStringList{"LOG_BACKEND_TYPE,0.12345679"});
    const CliRun again =
        TestFiles::run(ZT_CLI_PATH, QStringList{"params"} + link + QStringList{"list", "--timeout", "1"});
    QVERIFY2(again.exitCode == 0, qPrintable(again.err));
    QCOMPARE(lines(again.out).at(1), QString("LOG_BACKEND_TYPE,0.12345679"));
}

void TestParams::builtinListOverUdp()
{
    SimProcess sim;
    QVERIFY(sim.start(ZT_SIM_PATH, {"fmu", "--udp", "0"}));
    const CliRun list =
        TestFiles::run(ZT_CLI_PATH, QStringList{"params"} + linkArgs(sim.firstLine()) + QStringList{"list"});
    QVERIFY2(list.exitCode == 0, qPrintable(list.err));
    const QStringList out = lines(list.out);
    QVERIFY2(out.size() >= 1000, qPrintable(QString::number(out.size())));
    QVERIFY(out.contains("SERIAL0_PROTOCOL,2"));
    QSet<QString> names;
    for (const QString &line : out)
        names.insert(line.section(',', 0, 0));
    QCOMPARE(names.size(), out.size()); // each index once
}

void TestParams::incompleteList()
{
    // Every answer is lost: four requests, then the count of what arrived.
    SimProcess sim;
    QVERIFY(sim.start(ZT_SIM_PATH, {"fmu", "--udp", "0", "--params", m_paramFile, "--drop", "100"}));
    const CliRun list = TestFiles::run(ZT_CLI_PATH, QStringList{"params"} + linkArgs(sim.firstLine()) +
                                                        QStringList{"list", "--timeout", "0.3"});
    QCOMPARE(list.exitCode, 1);
    QVERIFY2(list.err.contains("incomplete: got 0 of 0"), qPrintable(list.err));
    QCOMPARE(list.out, QString());
}

void TestParams::unopenableSerialPortNamesItsBaud()
{
    // Without --baud the message gives the rate the link would have used, not the 0 standing for it.
    QTemporaryDir dir;
    const QString port = dir.filePath("no-such-port");
    const CliRun run = TestFiles::run(ZT_CLI_PATH, {"params", "--serial", port, "list"});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains("cannot open serial " + port + " @115200"), qPrintable(run.err));
}

void TestParams::setRefused_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    // An integer parameter given a fraction as a float stores the rounded value: the echo differs,
    // so the write failed.
    QTest::newRow("integer parameter") << QStringList{"set", "SERIAL0_PROTOCOL", "2.5"} << 1 << "SERIAL0_PROTOCOL,3"
                                       << "the unit kept 3, not 2.5";
    // Values the declared type cannot hold, or its float carrier would round, never leave.
    QTest::newRow("int32 fraction") << QStringList{"set", "SERIAL0_PROTOCOL", "2.5", "--type", "6"} << 2 << ""
                                    << "2.5 is not a whole number, as int32 requires";
    QTest::newRow("uint8 300") << QStringList{"set", "SERIAL0_PROTOCOL", "300", "--type", "1"} << 2 << ""
                               << "300 is outside the range of uint8 (0..255)";
    QTest::newRow("uint8 -5") << QStringList{"set", "SERIAL0_PROTOCOL", "-5", "--type", "1"} << 2 << ""
                              << "-5 is outside the range of uint8";
    QTest::newRow("int32 2^24+1") << QStringList{"set", "SERIAL0_PROTOCOL", "16777217", "--type", "6"} << 2 << ""
                                  << "the nearest is 16777216";
    QTest::newRow("non-ASCII name") << QStringList{"set", QString::fromUtf8("GAIN_\xC3\x89"), "1"} << 2 << ""
                                    << "1 to 16 ASCII characters";
    QTest::newRow("unknown name") << QStringList{"set", "NO_SUCH_PARAM", "1"} << 1 << ""
                                  << "no PARAM_VALUE echo after 3 attempts";
    QTest::newRow("name too long") << QStringList{"set", "A_NAME_LONGER_THAN_16", "1"} << 2 << ""
                                   << "1 to 16 ASCII characters";
    QTest::newRow("not a number") << QStringList{"set", "SERIAL0_PROTOCOL", "abc"} << 2 << ""
                                  << "not a number";
    QTest::newRow("bad type") << QStringList{"set", "SERIAL0_PROTOCOL", "1", "--type", "12"} << 2 << ""
                              << "MAV_PARAM_TYPE";
}

void TestParams::setRefused()
{
    QFETCH(QStringList, args);
    SimProcess sim;
    QVERIFY(sim.start(ZT_SIM_PATH, {"fmu", "--udp", "0", "--params", m_paramFile}));
    const CliRun run = TestFiles::run(ZT_CLI_PATH, QStringList{"params"} + linkArgs(sim.firstLine()) + args);
    QTEST(run.exitCode, "exitCode");
    QTEST(run.out.trimmed(), "out");
    QFETCH(QString, err);
    QVERIFY2(run.err.contains(err), qPrintable(run.err));
}

void TestParams::personalities_data()
{
    QTest::addColumn<QStringList>("endpoint");
    QTest::addColumn<QStringList>("knobs");
    const QStringList udp = {"--udp", "0"};
    const QStringList pty = {"--pty"};
    // A gimbal and a camera answer the list too (the gimbal first), and phantom PARAM_VALUEs ride
    // inside frames of an unknown id: neither may reach the list.
    const QStringList crowd = {"--components", "2", "--tunnel"};
    QTest::newRow("ardupilot udp") << udp << QStringList{"--autopilot", "ardupilot"} + crowd;
    QTest::newRow("ardupilot pty") << pty << QStringList{"--autopilot", "ardupilot"} + crowd;
    QTest::newRow("px4 udp") << udp << QStringList{"--autopilot", "px4"} + crowd;
    QTest::newRow("px4 pty") << pty << QStringList{"--autopilot", "px4"} + crowd;
    QTest::newRow("px4 udp 5% loss") << udp << QStringList{"--autopilot", "px4", "--drop", "5", "--seed", "4"} + crowd;
}

void TestParams::personalities()
{
    QFETCH(QStringList, endpoint);
    QFETCH(QStringList, knobs);
    // Every integer type at its edges, 16-character names.
    const QByteArray file = "TYPE_U8_MAXIMUM_,255,1\nTYPE_I8_MINIMUM_,-128,2\nTYPE_U16_MAXIMUM,65535,3\n"
                            "TYPE_I16_MINIMUM,-32768,4\nTYPE_U32_LARGE,16777216,5\nTYPE_I32_NEGATIV,-324187616,6\n"
                            "TYPE_FLOAT_TENTH,0.1,9\nTYPE_FLOAT_NEG_0,-0,9\nSERIAL0_PROTOCOL,2,6\n";
    const QStringList expected = {"TYPE_U8_MAXIMUM_,255",    "TYPE_I8_MINIMUM_,-128",   "TYPE_U16_MAXIMUM,65535",
                                  "TYPE_I16_MINIMUM,-32768", "TYPE_U32_LARGE,16777216", "TYPE_I32_NEGATIV,-324187616",
                                  "TYPE_FLOAT_TENTH,0.1",    "TYPE_FLOAT_NEG_0,-0",     "SERIAL0_PROTOCOL,2"};
    const QString path = m_dir.filePath("types.params");
    QVERIFY(TestFiles::write(path, file));
    SimProcess sim;
    QVERIFY(sim.start(ZT_SIM_PATH, QStringList{"fmu"} + endpoint + QStringList{"--params", path} + knobs));
    const QStringList link = linkArgs(sim.firstLine());

    const CliRun list = TestFiles::run(ZT_CLI_PATH, QStringList{"params"} + link + QStringList{"list"});
    QVERIFY2(list.exitCode == 0, qPrintable(list.err));
    QCOMPARE(lines(list.out), expected);
    QVERIFY2(list.err.contains("unit: system 1 component 1"), qPrintable(list.err));

    // A negative 32-bit integer written and read back exactly.
    const CliRun set =
        TestFiles::run(ZT_CLI_PATH, QStringList{"params"} + link +
                                        QStringList{"set", "SERIAL0_PROTOCOL", "-324187616", "--type", "6"});
    QVERIFY2(set.exitCode == 0, qPrintable(set.err));
    QCOMPARE(lines(set.out), QStringList{"SERIAL0_PROTOCOL,-324187616"});
    const CliRun again = TestFiles::run(ZT_CLI_PATH, QStringList{"params"} + link + QStringList{"list"});
    QVERIFY2(again.exitCode == 0, qPrintable(again.err));
    QCOMPARE(lines(again.out).last(), QString("SERIAL0_PROTOCOL,-324187616"));
}

void TestParams::enforcedGcsSysid()
{
    // ArduPilot with SYSID_ENFORCE answers only its SYSID_MYGCS.
    SimProcess sim;
    QVERIFY(sim.start(ZT_SIM_PATH, {"fmu", "--udp", "0", "--params", m_paramFile, "--enforce-gcs-sysid", "255"}));
    const QStringList link = linkArgs(sim.firstLine());
    const CliRun refused =
        TestFiles::run(ZT_CLI_PATH, QStringList{"params"} + link + QStringList{"list", "--timeout", "0.3"});
    QCOMPARE(refused.exitCode, 1);
    const CliRun list = TestFiles::run(ZT_CLI_PATH, QStringList{"params"} + link +
                                                        QStringList{"list", "--sysid", "255", "--compid", "190"});
    QVERIFY2(list.exitCode == 0, qPrintable(list.err));
    QCOMPARE(lines(list.out), m_expected);
    const CliRun bad =
        TestFiles::run(ZT_CLI_PATH, QStringList{"params"} + link + QStringList{"list", "--sysid", "256"});
    QCOMPARE(bad.exitCode, 2);
}

void TestParams::largeIntegers_data()
{
    QTest::addColumn<QString>("autopilot");
    QTest::addColumn<QStringList>("endpoint");
    QTest::addColumn<QString>("value"); // written to an int32 parameter
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("err"); // part of stderr
    const QStringList udp = {"--udp", "0"};
    const QStringList pty = {"--pty"};
    // PX4 copies integers bytewise into the float field: every int32 travels exactly, also those whose
    // bit pattern reads as a float NaN (0x7F800001, 0x7FC00001, 0xFFC00001).
    QTest::newRow("px4 2^24+1") << "px4" << udp << "16777217" << 0 << "";
    QTest::newRow("px4 int32 max") << "px4" << pty << "2147483647" << 0 << "";
    QTest::newRow("px4 signalling NaN pattern") << "px4" << udp << "2139095041" << 0 << "";
    QTest::newRow("px4 quiet NaN pattern") << "px4" << pty << "2143289345" << 0 << "";
    QTest::newRow("px4 negative NaN pattern") << "px4" << udp << "-4194303" << 0 << "";
    // ArduPilot converts them to float: what the float cannot hold is refused, never rounded.
    QTest::newRow("ardupilot 2^24+1") << "ardupilot" << udp << "16777217" << 2 << "the nearest is 16777216";
    QTest::newRow("ardupilot 2^24+2") << "ardupilot" << udp << "16777218" << 0 << "";
    // The type's range is checked before the link is opened.
    QTest::newRow("px4 2^31") << "px4" << udp << "2147483648" << 2 << "outside the range of int32";
}

void TestParams::largeIntegers()
{
    QFETCH(QString, autopilot);
    QFETCH(QStringList, endpoint);
    QFETCH(QString, value);
    QFETCH(int, exitCode);
    QFETCH(QString, err);
    const QString path = m_dir.filePath("large.params");
    QVERIFY(TestFiles::write(path, "TYPE_I32_NAN_PAT,2139095041,6\nSYS_AUTOSTART,4001,6\n"));
    SimProcess sim;
    QVERIFY(sim.start(ZT_SIM_PATH,
                      QStringList{"fmu"} + endpoint + QStringList{"--params", path, "--autopilot", autopilot}));
    const QStringList link = linkArgs(sim.firstLine());
    const CliRun set = TestFiles::run(ZT_CLI_PATH, QStringList{"params"} + link +
                                                       QStringList{"set", "SYS_AUTOSTART", value, "--type", "6"});
    QVERIFY2(set.exitCode == exitCode, qPrintable(set.err));
    QVERIFY2(set.err.contains(err), qPrintable(set.err));
    if (exitCode != 0)
        return;
    QCOMPARE(lines(set.out), QStringList{"SYS_AUTOSTART," + value});
    const CliRun list = TestFiles::run(ZT_CLI_PATH, QStringList{"params"} + link + QStringList{"list"});
    QVERIFY2(list.exitCode == 0, qPrintable(list.err));
    // The file's NaN-pattern integer as the unit sends it: exactly bytewise, as its float otherwise.
    QCOMPARE(lines(list.out),
             (QStringList{autopilot == "px4" ? "TYPE_I32_NAN_PAT,2139095041" : "TYPE_I32_NAN_PAT,2139095040",
                          "SYS_AUTOSTART," + value}));
}

QTEST_GUILESS_MAIN(TestParams)
#include "tst_params.moc"
