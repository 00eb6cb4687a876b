// zorvan-cli ins protocol against zorvan-sim ins over loopback UDP: the switch to MAVLink (the unit then
// answers the MAVLink parameter service as the flight-control simulator does, over its own values),
// the switch back, the reboot, a unit that never answers, and bad arguments.
#include "support/InsFixture.h"
#include "support/TestFiles.h"
#include "support/TestPorts.h"

#include <QtTest>

class TestInsProtocol : public QObject, public InsSimFixture
{
    Q_OBJECT
private slots:
    void switchBothWays();
    void noAnswer_data();
    void noAnswer();
    void badArguments_data();
    void badArguments();

private:
    // zorvan-cli params over MAVLink to the simulated unit.
    TestFiles::ProgramRun params(const QStringList &operation)
    {
        const QStringList link{QStringLiteral("--udp"), QStringLiteral("127.0.0.1:%1").arg(TestPorts::freeUdpPort()),
                               QStringLiteral("--target"), m_link.last()};
        return TestFiles::run(QStringLiteral(ZT_CLI_PATH), QStringList{QStringLiteral("params")} + link + operation);
    }
};

void TestInsProtocol::switchBothWays()
{
    QVERIFY(startSim({}, true));
    InsFixture::CliResult r = cli({"protocol", "mavlink"});
    QVERIFY2(r.code == 0, qPrintable(r.errors));
    QCOMPARE(r.lines, QStringList{"protocol: the unit answers in MAVLink"});

    // In MAVLink the unit lists its parameters and takes a write.
    TestFiles::ProgramRun list = params({"list", "--timeout", "2"});
    QVERIFY2(list.exitCode == 0, qPrintable(list.err));
    QVERIFY2(list.out.contains("BRD_HEAT_TARG,45\n"), qPrintable(list.out));
    QVERIFY(list.out.contains("INS_ACCOFFS_X,0.012\n"));
    const TestFiles::ProgramRun set = params({"set", "BRD_HEAT_TARG", "47.5"});
    QVERIFY2(set.exitCode == 0, qPrintable(set.err));

    // Not FlyLink any more.
    r = cli({"info"}, 1);
    QCOMPARE(r.code, 1);

    // Back in KavoLink the write made over MAVLink is still there.
    r = cli({"protocol", "kavolink"});
    QVERIFY2(r.code == 0, qPrintable(r.errors));
    QCOMPARE(r.lines, QStringList{"protocol: the unit answers in KavoLink"});
    r = cli({"param", "get", "BRD_HEAT_TARG"});
    QVERIFY2(r.code == 0, qPrintable(r.errors));
    QCOMPARE(r.lines, QStringList{"BRD_HEAT_TARG,47.5"});

    // A write in KavoLink shows in MAVLink after the next switch.
    r = cli({"param", "set", "INS_USE2", "0"});
    QVERIFY2(r.code == 0, qPrintable(r.errors));
    r = cli({"protocol", "reboot"});
    QCOMPARE(r.code, 0);
    r = cli({"protocol", "mavlink"});
    QVERIFY2(r.code == 0, qPrintable(r.errors));
    list = params({"list", "--timeout", "2"});
    QVERIFY2(list.exitCode == 0, qPrintable(list.err));
    QVERIFY2(list.out.contains("INS_USE2,0\n"), qPrintable(list.out));
}

void TestInsProtocol::noAnswer_data()
{
    QTest::addColumn<QString>("protocol");
    QTest::addColumn<QString>("name");
    QTest::newRow("mavlink") << "mavlink"
                             << "MAVLink";
    QTest::newRow("kavolink") << "kavolink"
                              << "KavoLink";
}

void TestInsProtocol::noAnswer()
{
    QFETCH(QString, protocol);
    QFETCH(QString, name);
    // A unit that went silent: the switch is sent, no answer comes, exit 1 after the time-out.
    m_sim.stop();
    QVERIFY(startSim({"--silent-after", "0.01"}, true));
    QTest::qWait(100);
    const InsFixture::CliResult r = cli({"protocol", protocol}, 1);
    QCOMPARE(r.code, 1);
    QVERIFY2(r.errors.contains(QStringLiteral("no %1 answer within 1 s").arg(name)), qPrintable(r.errors));
}

void TestInsProtocol::badArguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("missing") << QStringList{"protocol"};
    QTest::newRow("unknown") << QStringList{"protocol", "flylink"};
    QTest::newRow("two") << QStringList{"protocol", "mavlink", "kavolink"};
}

void TestInsProtocol::badArguments()
{
    QFETCH(QStringList, args);
    m_link = QStringList{"--udp", "0", "--target", "127.0.0.1:9"};
    const InsFixture::CliResult r = cli(args);
    QCOMPARE(r.code, 2);
    QVERIFY2(r.errors.contains("protocol mavlink|kavolink|reboot"), qPrintable(r.errors));
}

QTEST_MAIN(TestInsProtocol)
#include "tst_insprotocol.moc"
