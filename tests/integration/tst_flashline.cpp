// zorvan-cli flash for a production line, over real pseudo-terminals against zorvan-sim bootloader:
// several units at once (one failing), --loop with a unit unplugged and plugged in again, --skip-same
// and --progress json.
#include "support/SimProcess.h"
#include "support/TestFiles.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {
using TestFiles::pattern;
using CliRun = TestFiles::ProgramRun;

CliRun runCli(const QStringList &args)
{
    return TestFiles::run(ZT_CLI_PATH, args);
}

// The summary line of a port: "[time]: summary [PORT] serial S RESULT N.N s: text".
QString summaryOf(const QString &out, const QString &port)
{
    const QStringList lines = out.split('\n');
    for (const QString &l : lines)
        if (l.contains("summary [" + port + "]"))
            return l;
    return QString();
}
} // namespace

class TestFlashLine : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void threeUnitsOneFailing_data();
    void threeUnitsOneFailing();
    void progressJsonLinesParse();
    void skipSame_data();
    void skipSame();
    void loopFlashesUnitAgainAfterReplug();

private:
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }
};

void TestFlashLine::threeUnitsOneFailing_data()
{
    QTest::addColumn<QStringList>("fault");
    QTest::addColumn<QString>("failure");
    QTest::newRow("refused boot") << QStringList{"--refuse-boot"}
                                  << "Upgrade failed, the unit refused to start the firmware";
    QTest::newRow("lost port") << QStringList{"--unplug-at", "20000"} << "Communication error, upgrade failed!";
}

// Three stock units flashed in parallel, one failing: the other two are flashed whole, the exit status
// is 1 and the failing port is named.
void TestFlashLine::threeUnitsOneFailing()
{
    QFETCH(QStringList, fault);
    QFETCH(QString, failure);
    const QByteArray image = pattern(60001, 5);
    const QString tag = QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_');
    QVERIFY(TestFiles::write(path(tag + ".bin"), image));
    std::unique_ptr<SimProcess> sims[3];
    QStringList ports, dumps;
    for (int i = 0; i < 3; ++i) {
        dumps << path(tag + QString::number(i) + ".dump");
        sims[i] = std::make_unique<SimProcess>();
        QStringList args{"bootloader", "--stock", "--uid", QString("%1").arg(i + 1, 24, 10, QChar('0')),
                         "--dump",     dumps[i]};
        if (i == 1)
            args += fault;
        QVERIFY(sims[i]->start(ZT_SIM_PATH, args));
        ports << sims[i]->firstLine();
    }
    const CliRun run = runCli(
        {"flash", path(tag + ".bin"), "--port", ports[0], "--port", ports[1], "--port", ports[2], "--timeout", "30"});
    QVERIFY2(run.exitCode == 1, qPrintable(run.out + run.err));
    QVERIFY2(run.err.contains("flash: " + ports[1] + ": " + failure), qPrintable(run.err));
    const QByteArray padded = image + QByteArray(3, char(0xFF));
    for (int i = 0; i < 3; ++i) {
        const QString summary = summaryOf(run.out, ports[i]);
        QVERIFY2(summary.contains(QString("serial %1").arg(i + 1, 24, 10, QChar('0'))), qPrintable(summary));
        if (i == 1) {
            QVERIFY2(summary.contains(" failed ") && summary.endsWith(failure), qPrintable(summary));
            continue;
        }
        QVERIFY2(summary.contains(" ok ") && summary.endsWith("Firmware upgrade successfully"), qPrintable(summary));
        QTRY_COMPARE_WITH_TIMEOUT(TestFiles::read(dumps[i]).size(), padded.size(), 5000);
        QVERIFY(TestFiles::read(dumps[i]) == padded);
    }
    // Every line names its unit after the time stamp.
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    for (const QString &l : lines)
        QVERIFY2(QRegularExpression("^\\[[-0-9 :]+\\]: (summary )?\\[/dev/[^\\]]+\\] ").match(l).hasMatch(),
                 qPrintable(l));
}

void TestFlashLine::progressJsonLinesParse()
{
    QVERIFY(TestFiles::write(path("json.bin"), pattern(20001, 9)));
    SimProcess a, b;
    QVERIFY(a.start(ZT_SIM_PATH, {"bootloader", "--stock"}));
    QVERIFY(b.start(ZT_SIM_PATH, {"bootloader"}));
    const CliRun run = runCli({"flash", path("json.bin"), "--port", a.firstLine(), "--port", b.firstLine(),
                               "--progress", "json", "--timeout", "30"});
    QVERIFY2(run.exitCode == 0, qPrintable(run.out + run.err));
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    QVERIFY(lines.size() > 10);
    QMap<QString, QString> results;
    QMap<QString, int> lastPercent;
    int summaries = 0;
    for (const QString &l : lines) {
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(l.toUtf8(), &error);
        QVERIFY2(error.error == QJsonParseError::NoError && doc.isObject(), qPrintable(l));
        const QJsonObject o = doc.object();
        const QString port = o.value("port").toString();
        QVERIFY(port == a.firstLine() || port == b.firstLine());
        if (o.value("summary").toBool()) {
            ++summaries;
            continue;
        }
        for (const char *key : {"port", "serial", "state", "percent", "bytes", "result", "message"})
            QVERIFY2(o.contains(key), qPrintable(l));
        QVERIFY(lastPercent.value(port, 0) <= o.value("percent").toInt()); // never goes back
        lastPercent[port] = o.value("percent").toInt();
        if (!o.value("result").isNull())
            results[port] = o.value("result").toString();
        if (port == a.firstLine() && !o.value("serial").isNull())
            QCOMPARE(o.value("serial").toString(), QString("0025003A3138510935383836"));
    }
    QCOMPARE(summaries, 2);
    QCOMPARE(results.value(a.firstLine()), QString("ok"));
    QCOMPARE(results.value(b.firstLine()), QString("ok"));
    QCOMPARE(lastPercent.value(a.firstLine()), 100);
    // The log lines went to stderr.
    QVERIFY(run.err.contains("Firmware upgrade successfully"));
}

void TestFlashLine::skipSame_data()
{
    QTest::addColumn<bool>("sameImage");
    QTest::newRow("the same image") << true;
    QTest::newRow("another image") << false;
}

// A unit flashed once, then again with --skip-same: booted at once when it holds the image, erased and
// programmed when it holds another.
void TestFlashLine::skipSame()
{
    QFETCH(bool, sameImage);
    const QByteArray first = pattern(30000, 11);
    const QByteArray second = sameImage ? first : pattern(30000, 12);
    QVERIFY(TestFiles::write(path("first.bin"), first));
    QVERIFY(TestFiles::write(path("second.bin"), second));
    const QString dump = path("skip.dump");
    QFile::remove(dump);
    SimProcess sim;
    QVERIFY(sim.start(ZT_SIM_PATH, {"bootloader", "--dump", dump}));
    QCOMPARE(runCli({"flash", path("first.bin"), "--port", sim.firstLine()}).exitCode, 0);
    QByteArray firstOut;
    QTRY_VERIFY_WITH_TIMEOUT((firstOut += sim.process().readAllStandardOutput()).contains("bootloader: boot"), 5000);
    QFile::remove(dump);
    const CliRun run = runCli({"flash", path("second.bin"), "--port", sim.firstLine(), "--skip-same"});
    QVERIFY2(run.exitCode == 0, qPrintable(run.out + run.err));
    QCOMPARE(run.out.contains("already up to date"), sameImage);
    QCOMPARE(run.out.contains("Firmware upgrade successfully"), !sameImage);
    QCOMPARE(run.out.contains("Send erase command"), !sameImage);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(dump), 5000);
    QByteArray simOut;
    QTRY_VERIFY_WITH_TIMEOUT((simOut += sim.process().readAllStandardOutput()).contains("bootloader: boot"), 5000);
    QCOMPARE(simOut.contains("bootloader: erase"), !sameImage);
    QTRY_COMPARE_WITH_TIMEOUT(TestFiles::read(dump), second, 5000);
}

// --loop on a port given as a link (as a line names its fixtures): the unit is flashed, the link goes
// away and comes back to a new unit, which is flashed too; SIGTERM ends the run with the summary.
void TestFlashLine::loopFlashesUnitAgainAfterReplug()
{
    QVERIFY(TestFiles::write(path("loop.bin"), pattern(10001, 3)));
    const QString link = path("fixture1");
    SimProcess first;
    QVERIFY(first.start(ZT_SIM_PATH, {"bootloader", "--stock", "--uid", "AAAAAAAA0000000000000001"}));
    QVERIFY(QFile::link(first.firstLine(), link));
    QProcess cli;
    cli.start(ZT_CLI_PATH, {"flash", path("loop.bin"), "--port", link, "--loop"});
    QVERIFY(cli.waitForStarted(5000));
    QByteArray out;
    QTRY_VERIFY_WITH_TIMEOUT((out += cli.readAllStandardOutput()).contains("Firmware upgrade successfully"), 20000);
    // Still there: not flashed again.
    QTest::qWait(1200);
    out += cli.readAllStandardOutput();
    QCOMPARE(out.count("Send erase command"), 1);
    // Unplugged, then another unit on the same fixture.
    QVERIFY(QFile::remove(link));
    first.stop();
    QTest::qWait(1200);
    SimProcess second;
    QVERIFY(second.start(ZT_SIM_PATH, {"bootloader", "--stock", "--uid", "AAAAAAAA0000000000000002"}));
    QVERIFY(QFile::link(second.firstLine(), link));
    QTRY_VERIFY_WITH_TIMEOUT((out += cli.readAllStandardOutput()).count("Firmware upgrade successfully") == 2, 20000);
    cli.terminate();
    QVERIFY(cli.waitForFinished(10000));
    out += cli.readAllStandardOutput();
    QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
    QVERIFY2(cli.exitCode() == 0, out.constData());
    QVERIFY2(out.contains("summary [" + link.toUtf8() + "] serial AAAAAAAA0000000000000001 ok"), out.constData());
    QVERIFY2(out.contains("summary [" + link.toUtf8() + "] serial AAAAAAAA0000000000000002 ok"), out.constData());
}

QTEST_GUILESS_MAIN(TestFlashLine)
#include "tst_flashline.moc"
