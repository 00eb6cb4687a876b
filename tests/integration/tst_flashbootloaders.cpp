// ctest-labels: long
// zorvan-cli flash against both personalities of zorvan-sim bootloader (stock PX4/ArduPilot behaviour and
// the plain protocol unit) over real pseudo-terminals: image sizes up to 1 MiB, containers, an image too
// large for the flash, split replies, line faults, a lost port and empty images.
#include "support/SimProcess.h"
#include "support/TestFiles.h"
#include "core/kvf/KvfContainer.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

namespace {
using TestFiles::pattern;
using CliRun = TestFiles::ProgramRun;

CliRun runCli(const QStringList &args)
{
    return TestFiles::run(ZT_CLI_PATH, args);
}
} // namespace

class TestFlashBootloaders : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void stockAndPlainBootloaders_data();
    void stockAndPlainBootloaders();

private:
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }
};

void TestFlashBootloaders::stockAndPlainBootloaders_data()
{
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("kvfBoardId"); // 0: a .bin
    QTest::addColumn<bool>("success");
    QTest::addColumn<bool>("erases");
    QTest::addColumn<QString>("line");
    const QString ok = "Firmware upgrade successfully";
    const QStringList flash{"--flash-size", QString::number(2 * 1024 * 1024 - 16 * 1024)};
    for (const bool stock : {false, true}) {
        const QStringList sim = (stock ? QStringList{"--stock"} : QStringList()) + flash;
        const QString p = stock ? "stock: " : "plain: ";
        for (const int size : {1024 * 1024, 300000, 300001, 300003})
            QTest::newRow(qPrintable(p + QString::number(size) + " bytes")) << sim << size << 0 << true << true << ok;
        QTest::newRow(qPrintable(p + "kvf of this board")) << sim << 30001 << 10013 << true << true << ok;
        QTest::newRow(qPrintable(p + "kvf of another board"))
            << sim << 30001 << 10015 << false << false << "kvf:10015-board:10013";
        QTest::newRow(qPrintable(p + "larger than the flash"))
            << (sim + QStringList{"--flash-size", "30000"}) << 30001 << 0 << false << false
            << "Upgrade failed, the firmware is larger than the unit's flash";
        QTest::newRow(qPrintable(p + "1 ms between packets"))
            << (sim + QStringList{"--packet-gap-us", "1000"}) << 20001 << 0 << true << true << ok;
        QTest::newRow(qPrintable(p + "a byte duplicated mid-upload"))
            << (sim + QStringList{"--dup-byte-at", "40000"}) << 100001 << 0 << true << true << ok;
        QTest::newRow(qPrintable(p + "an acknowledgement lost"))
            << (sim + QStringList{"--drop-ack", "200"}) << 100001 << 0 << true << true << ok;
        QTest::newRow(qPrintable(p + "port lost while programming"))
            << (sim + QStringList{"--unplug-at", "60000"}) << 100001 << 0 << false << true
            << "Communication error, upgrade failed!";
        QTest::newRow(qPrintable(p + "empty image"))
            << sim << 0 << 0 << false << false << "Unable to upgrade, the firmware is empty";
        QTest::newRow(qPrintable(p + "kvf holding no bytes"))
            << sim << 0 << 10013 << false << false << "Unable to upgrade, the firmware is empty";
    }
}

// Stock bootloaders and units that follow the plain protocol: a run ends either in success with the
// flash equal to the image (padded with 0xFF to a whole word) and an accepted boot, or in a clear
// failure; never in exit 0 with a unit that will not start.
void TestFlashBootloaders::stockAndPlainBootloaders()
{
    QFETCH(QStringList, simArgs);
    QFETCH(int, size);
    QFETCH(int, kvfBoardId);
    QFETCH(bool, success);
    QFETCH(bool, erases);
    QFETCH(QString, line);

    const QByteArray image = pattern(size, size + 7);
    const QString tag = QString::fromLatin1(QTest::currentDataTag()).replace(QRegularExpression("\\W"), "_");
    QString file = path(tag + ".bin");
    QVERIFY(TestFiles::write(file, image));
    if (kvfBoardId) {
        QByteArray kvf;
        QVERIFY(Kvf::build("Kavo-ORVE", quint16(kvfBoardId), image, kvf));
        file = path(tag + ".kvf");
        QVERIFY(TestFiles::write(file, kvf));
    }
    const QString dump = path(tag + ".dump");
    QFile::remove(dump);
    SimProcess sim;
    QVERIFY(sim.start(ZT_SIM_PATH, QStringList{"bootloader", "--dump", dump} + simArgs));
    QElapsedTimer clock;
    clock.start();
    const CliRun run = runCli({"flash", file, "--port", sim.firstLine(), "--timeout", "30"});
    QVERIFY2(run.exitCode == (success ? 0 : 1), qPrintable(run.out + run.err));
    QVERIFY2(run.out.contains(line), qPrintable(run.out));
    QCOMPARE(run.out.contains("Firmware upgrade successfully"), success);
    // Nothing waits for a step's long timeout: a lost port ends the run at once.
    QVERIFY2(clock.elapsed() < 60000, qPrintable(QString::number(clock.elapsed())));
    if (success) {
        const QByteArray padded = image + QByteArray((4 - size % 4) % 4, char(0xFF));
        QTRY_COMPARE_WITH_TIMEOUT(TestFiles::read(dump).size(), padded.size(), 5000);
        QVERIFY(TestFiles::read(dump) == padded); // the first word too: written at boot
    } else {
        QVERIFY(!QFile::exists(dump)); // never started
    }
    // The simulator says on stdout when it erased and when it booted.
    QByteArray simOut;
    const QByteArray last = success ? "bootloader: boot" : erases ? "bootloader: erase" : "";
    if (!last.isEmpty())
        QTRY_VERIFY_WITH_TIMEOUT((simOut += sim.process().readAllStandardOutput()).contains(last), 5000);
    sim.process().waitForReadyRead(300);
    simOut += sim.process().readAllStandardOutput();
    QCOMPARE(simOut.contains("bootloader: erase"), erases);
}

QTEST_GUILESS_MAIN(TestFlashBootloaders)
#include "tst_flashbootloaders.moc"
