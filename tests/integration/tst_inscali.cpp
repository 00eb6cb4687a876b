// zorvan-cli ins acc-cali and mag-cali against the simulated inertial unit.
#include "support/InsFixture.h"

#include <QtTest>

using namespace InsFixture;

namespace {
// A CLI run with input for its standard input (closed after it), started at once; finish() waits.
struct CliRun
{
    QProcess p;
    void start(const QStringList &link, const QStringList &args, int timeoutS, const QByteArray &input = {})
    {
        p.start(QStringLiteral(ZT_CLI_PATH),
                QStringList{"ins"} + link + QStringList{"--timeout", QString::number(timeoutS)} + args);
        p.waitForStarted();
        if (!input.isNull()) {
            p.write(input);
            p.closeWriteChannel();
        }
    }
    CliResult finish() { return InsFixture::finish(p); }
};

const QStringList kPlacements{"placement 1/6: Horizontal placement",  "placement 2/6: Place left side down",
                              "placement 3/6: Place right side down", "placement 4/6: Position nose down",
                              "placement 5/6: Position nose up",      "placement 6/6: Place back side up"};
} // namespace

class TestInsCali : public QObject, public InsSimFixture
{
    Q_OBJECT
private slots:
    void init() { m_sim.stop(); }
    void accCaliNoWait_data();
    void accCaliNoWait();
    void accCaliWaitsForEnter();
    void accCaliInputEnds();
    void accCaliUnitFallsSilent();
    void magCali();
};

void TestInsCali::accCaliNoWait_data()
{
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("last");
    QTest::newRow("success") << QStringList{} << 0 << "Accelerometer calibration successful";
    QTest::newRow("failure") << QStringList{"--cali-fail", "acc"} << 1 << "Accelerometer calibration failed";
}

void TestInsCali::accCaliNoWait()
{
    QFETCH(QStringList, simArgs);
    QFETCH(int, code);
    QFETCH(QString, last);
    QVERIFY(startSim(simArgs, true));
    const CliResult r = cli({"acc-cali", "--no-wait"});
    QVERIFY2(r.code == code, qPrintable(r.errors));
    QCOMPARE(r.lines, kPlacements + QStringList{last});
}

void TestInsCali::accCaliWaitsForEnter()
{
    QVERIFY(startSim({}, false));
    CliRun run;
    run.start(m_link, {"acc-cali"}, 10, QByteArray(6, '\n'));
    const CliResult r = run.finish();
    QVERIFY2(r.code == 0, qPrintable(r.errors));
    QCOMPARE(r.lines.size(), 13);
    QCOMPARE(r.lines[0], kPlacements[0]);
    QCOMPARE(r.lines[1], QStringLiteral("press Enter when the unit lies still in that placement"));
    QCOMPARE(r.lines.last(), QStringLiteral("Accelerometer calibration successful"));
}

void TestInsCali::accCaliInputEnds()
{
    QVERIFY(startSim({}, true));
    CliRun run;
    run.start(m_link, {"acc-cali"}, 10, QByteArray("\n\n"));
    const CliResult r = run.finish();
    QCOMPARE(r.code, 1);
    QVERIFY(r.lines.contains(kPlacements[2]));
    QVERIFY(!r.lines.contains(kPlacements[3]));
    QVERIFY2(r.errors.contains(QLatin1String("acc-cali: input ended before the calibration did")),
             qPrintable(r.errors));
}

void TestInsCali::accCaliUnitFallsSilent()
{
    // The unit stops answering after 1.5 s while the operator is still placing it.
    QVERIFY(startSim({"--silent-after", "1.5"}, true));
    CliRun run;
    run.start(m_link, {"acc-cali"}, 2, QByteArray());
    QTest::qWait(2500);
    run.p.write("\n");
    run.p.closeWriteChannel();
    const CliResult r = run.finish();
    QCOMPARE(r.code, 1);
    QVERIFY2(r.errors.contains(QLatin1String("acc-cali: the unit stopped answering at placement 1")),
             qPrintable(r.errors));
}

void TestInsCali::magCali()
{
    // Both runs at once: three compasses succeeding, and three with the second failing.
    SimProcess good, bad;
    QVERIFY(good.start(QStringLiteral(ZT_SIM_PATH), {"ins", "--udp", "0", "--compasses", "3"}));
    QVERIFY(bad.start(QStringLiteral(ZT_SIM_PATH), {"ins", "--udp", "0", "--compasses", "3", "--cali-fail", "mag2"}));
    auto linkOf = [](const SimProcess &s) {
        return QStringList{"--udp", "0", "--target", s.firstLine().mid(4)};
    };
    CliRun goodRun, badRun;
    goodRun.start(linkOf(good), {"mag-cali"}, 10);
    badRun.start(linkOf(bad), {"mag-cali"}, 10);

    const CliResult g = goodRun.finish();
    QVERIFY2(g.code == 0, qPrintable(g.errors));
    // One line per compass per report, the last report every compass's end.
    QCOMPARE(g.lines.size() % 3, 0);
    QVERIFY(g.lines.size() >= 6);
    QCOMPARE(g.lines.mid(g.lines.size() - 3),
             (QStringList{"Compass1: 100% Calibration success", "Compass2: 100% Calibration success",
                          "Compass3: 100% Calibration success"}));
    QVERIFY(g.lines.first().startsWith(QLatin1String("Compass1: ")));

    const CliResult b = badRun.finish();
    QCOMPARE(b.code, 1);
    QCOMPARE(b.lines.mid(b.lines.size() - 3),
             (QStringList{"Compass1: 100% Calibration success", "Compass2: 60% Calibration failure",
                          "Compass3: 100% Calibration success"}));
}

QTEST_MAIN(TestInsCali)
#include "tst_inscali.moc"
