// zorvan-cli flash and kvf against zorvan-sim bootloader over real pseudo-terminals.
#include "support/SimProcess.h"
#include "support/TestFiles.h"
#include "support/TestPorts.h"
#include "core/bootloader/BootloaderCrc.h"

#include "core/kvf/KvfContainer.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {
using TestFiles::pattern;
using CliRun = TestFiles::ProgramRun;

CliRun runCli(const QStringList &args, const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
{
    return TestFiles::run(ZT_CLI_PATH, args, env);
}
} // namespace

class TestFlash : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void flashAgainstSimulator_data();
    void flashAgainstSimulator();
    void stockPersonalityBytes_data();
    void stockPersonalityBytes();
    void chunkSizeAndIdentityPerPersonality_data();
    void chunkSizeAndIdentityPerPersonality();
    void scanFindsSimulatedPort();
    void noBootloaderAnswers();
    void missingPortIsReported();
    void kvfPackAndInspect();
    void kvfRefusals_data();
    void kvfRefusals();

private:
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }
};

void TestFlash::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestFlash::flashAgainstSimulator_data()
{
    QTest::addColumn<QString>("kind"); // bin, kvf
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("kvfBoardId");
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("line");
    QTest::newRow("bin") << "bin" << 40000 << 0 << QStringList() << 0 << "Firmware upgrade successfully";
    QTest::newRow("bin, NAK every 9th chunk")
        << "bin" << 30000 << 0 << QStringList{"--nak-every", "9"} << 0 << "Firmware upgrade successfully";
    QTest::newRow("bin, one chunk lost") << "bin" << 20000 << 0 << QStringList{"--drop-every", "100"} << 0
                                         << "Firmware upgrade successfully";
    QTest::newRow("bin, slow erase and late replies")
        << "bin" << 20000 << 0 << QStringList{"--erase-ms", "700", "--reply-delay-ms", "1"} << 0
        << "Firmware upgrade successfully";
    QTest::newRow("bin, size a multiple of 128")
        << "bin" << 128 * 160 << 0 << QStringList() << 0 << "Firmware upgrade successfully";
    QTest::newRow("kvf for this board") << "kvf" << 25000 << 10013 << QStringList() << 0
                                        << "Firmware upgrade successfully";
    QTest::newRow("kvf for another board") << "kvf" << 25000 << 10015 << QStringList() << 1 << "kvf:10015-board:10013";
    QTest::newRow("device CRC differs") << "bin" << 20000 << 0 << QStringList{"--bad-crc"} << 1
                                        << "The upgrade failed, the verification failed";
    // A stock bootloader (the long suite tst_flashbootloaders runs every case against both personalities).
    const QStringList stock{"--stock", "--flash-size", "2080768"};
    QTest::newRow("stock: odd size, split replies 1 ms apart")
        << "bin" << 30003 << 0 << (stock + QStringList{"--packet-gap-us", "1000"}) << 0
        << "CRC of the flash area (2080768 bytes) matches";
    QTest::newRow("stock: kvf for another board") << "kvf" << 2001 << 10015 << stock << 1 << "kvf:10015-board:10013";
    QTest::newRow("stock: a byte duplicated mid-upload")
        << "bin" << 30001 << 0 << (stock + QStringList{"--dup-byte-at", "10000"}) << 0
        << "Firmware upgrade successfully";
    QTest::newRow("stock: larger than the flash")
        << "bin" << 30001 << 0 << (stock + QStringList{"--flash-size", "30000"}) << 1
        << "Upgrade failed, the firmware is larger than the unit's flash";
    QTest::newRow("stock: port lost while programming")
        << "bin" << 30001 << 0 << (stock + QStringList{"--unplug-at", "10000"}) << 1
        << "Communication error, upgrade failed!";
}

void TestFlash::flashAgainstSimulator()
{
    QFETCH(QString, kind);
    QFETCH(int, size);
    QFETCH(int, kvfBoardId);
    QFETCH(QStringList, simArgs);
    QFETCH(int, exitCode);
    QFETCH(QString, line);

    const QByteArray image = pattern(size, size + kvfBoardId);
    const QString tag = QString::fromLatin1(QTest::currentDataTag()).replace(QRegularExpression("\\W"), "_");
    const QString bin = path(tag + ".bin");
    QVERIFY(TestFiles::write(bin, image));
    QString file = bin;
    if (kind == "kvf") {
        file = path(tag + ".kvf");
        const CliRun pack = runCli({"kvf", "pack", bin, "--board-id", QString::number(kvfBoardId), "-o", file});
        QCOMPARE(pack.exitCode, 0);
    }
    const QString dump = path(tag + ".dump");
    QFile::remove(dump);
    SimProcess sim;
    QVERIFY(sim.start(ZT_SIM_PATH, QStringList{"bootloader", "--dump", dump} + simArgs));
    const CliRun run = runCli({"flash", file, "--port", sim.firstLine(), "--timeout", "30"});
    QVERIFY2(run.exitCode == exitCode, qPrintable(run.out + run.err));
    QVERIFY2(run.out.contains(line), qPrintable(run.out));
    // Every report line carries the log view's time stamp.
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    for (const QString &l : lines)
        QVERIFY2(QRegularExpression("^\\[\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\]:").match(l).hasMatch(),
                 qPrintable(l));
    if (exitCode == 0) {
        QVERIFY(run.err.contains("progress"));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(dump), 5000);
        // The last chunk is padded with 0xFF to a whole word.
        const QByteArray padded = image + QByteArray((4 - size % 4) % 4, char(0xFF));
        QTRY_COMPARE_WITH_TIMEOUT(TestFiles::read(dump).size(), padded.size(), 5000);
        QVERIFY(TestFiles::read(dump) == padded);
    } else {
        QVERIFY(!run.out.contains("Firmware upgrade successfully"));
        QVERIFY(!QFile::exists(dump)); // never started
    }
}

void TestFlash::stockPersonalityBytes_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("replies");
    const QByteArray ready = QByteArray::fromHex("2120 220120 2320"); // sync, device value, erase
    const QByteArray readyReplies = QByteArray::fromHex("1210 05000000 1210 1210");
    // Flash of 8 bytes: 01 02 03 04 programmed, the rest erased.
    const quint32 crc = BootloaderCrc::update(0, "\x01\x02\x03\x04\xff\xff\xff\xff", 8);
    const QByteArray crcReply = QByteArray::fromHex(QByteArray::number(qToBigEndian(crc), 16).rightJustified(8, '0')) +
                                QByteArray::fromHex("1210");
    QTest::newRow("erase before sync and device information")
        << QByteArray::fromHex("2320") << QByteArray::fromHex("1213");
    QTest::newRow("erase after a refusal")
        << QByteArray::fromHex("2120 220120 220620 2320") << QByteArray::fromHex("1210 05000000 1210 1213 1213");
    QTest::newRow("3-byte chunk: refused after its length, the rest read as commands")
        << ready + QByteArray::fromHex("2703 31 2120 20") << readyReplies + QByteArray::fromHex("1213 1210 1210");
    QTest::newRow("chunk past the flash") << ready + QByteArray::fromHex("270c 000000000000000000000000 20")
                                          << readyReplies + QByteArray::fromHex("1213");
    QTest::newRow("boot after sync, device, programming and CRC")
        << ready + QByteArray::fromHex("2704 01020304 20 2920 3020")
        << readyReplies + QByteArray::fromHex("1210") + crcReply + QByteArray::fromHex("1210");
    // The default id 0025003A 31385109 35383836, each word little-endian; offset 12 is no word of it.
    QTest::newRow("serial words") << QByteArray::fromHex("2b00000000 20 2b08000000 20 2b0c000000 20")
                                  << QByteArray::fromHex("3a002500 1210 36383835 1210 1213");
    QTest::newRow("chip and its description")
        << QByteArray::fromHex("2c20 2e20")
        << QByteArray::fromHex("51640110 1210 0f000000") + QByteArray("STM32F76x,rev Z") + QByteArray::fromHex("1210");
    // A unit that holds the image already boots without being erased or programmed.
    QTest::newRow("boot after sync, device and CRC, nothing programmed")
        << QByteArray::fromHex("2120 220120 2920 3020")
        << QByteArray::fromHex("1210 05000000 1210") + QByteArray::fromHex("75006644 1210") +
               QByteArray::fromHex("1210");
    QTest::newRow("boot refused after a refusal")
        << ready + QByteArray::fromHex("2704 01020304 20 2703 2920 3020")
        << readyReplies + QByteArray::fromHex("1210 1213") + crcReply + QByteArray::fromHex("1213");
}

// The stock personality byte for byte, on a pseudo-terminal it serves with --device.
void TestFlash::stockPersonalityBytes()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, replies);
    PtyPair pty;
    QVERIFY(pty.isValid());
    SimProcess sim;
    QVERIFY(sim.start(ZT_SIM_PATH, {"bootloader", "--stock", "--flash-size", "8", "--device", pty.slavePath()}));
    QVERIFY(pty.write(input));
    QByteArray got = pty.read(replies.size(), 5000);
    got += pty.read(1, 200); // nothing more may follow
    QCOMPARE(got.toHex(' '), replies.toHex(' '));
}

void TestFlash::chunkSizeAndIdentityPerPersonality_data()
{
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<bool>("fallsBack"); // to 128-byte chunks
    QTest::addColumn<QString>("serial"); // the serial line, empty: none at all
    QTest::newRow("stock, an id given") << QStringList{"--stock", "--uid", "00112233445566778899aabb"} << false
                                        << "serial       :00112233445566778899AABB";
    QTest::newRow("stock, default id") << QStringList{"--stock"} << false << "serial       :0025003A3138510935383836";
    QTest::newRow("stock, revision 3") << QStringList{"--stock", "--bl-rev", "3"} << false << QString();
    QTest::newRow("plain, 128-byte chunks") << QStringList() << true << "serial       :none";
    QTest::newRow("plain, taking 252") << QStringList{"--max-chunk", "252"} << false << "serial       :none";
    QTest::newRow("plain, a chunk refused now and then")
        << QStringList{"--max-chunk", "252", "--nak-every", "5"} << false << "serial       :none";
}

// 252-byte chunks where the unit takes them, 128 after the fall-back; the flash equals the image either way.
void TestFlash::chunkSizeAndIdentityPerPersonality()
{
    QFETCH(QStringList, simArgs);
    QFETCH(bool, fallsBack);
    QFETCH(QString, serial);
    const int size = 50001;
    const QByteArray image = pattern(size, 23);
    const QString tag = QString::fromLatin1(QTest::currentDataTag()).replace(QRegularExpression("\\W"), "_");
    QVERIFY(TestFiles::write(path(tag + ".bin"), image));
    const QString dump = path(tag + ".dump");
    SimProcess sim;
    QVERIFY(sim.start(ZT_SIM_PATH, QStringList{"bootloader", "--dump", dump} + simArgs));
    const CliRun run = runCli({"flash", path(tag + ".bin"), "--port", sim.firstLine(), "--timeout", "30"});
    QVERIFY2(run.exitCode == 0, qPrintable(run.out + run.err));
    QCOMPARE(run.out.contains("refused twice: 128-byte chunks from here"), fallsBack);
    if (serial.isEmpty())
        QVERIFY(!run.out.contains("serial       :"));
    else
        QVERIFY2(run.out.contains(serial), qPrintable(run.out));
    const QByteArray padded = image + QByteArray((4 - size % 4) % 4, char(0xFF));
    QTRY_COMPARE_WITH_TIMEOUT(TestFiles::read(dump).size(), padded.size(), 5000);
    QVERIFY(TestFiles::read(dump) == padded);
}

void TestFlash::scanFindsSimulatedPort()
{
    const QByteArray image = pattern(5000, 77);
    QVERIFY(TestFiles::write(path("scan.bin"), image));
    const QString dump = path("scan.dump");
    SimProcess sim;
    QVERIFY(sim.start(ZT_SIM_PATH, {"bootloader", "--dump", dump}));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // Only ports whose text holds an include keyword ("USB" by default) are scanned.
    // Candidates are taken from the end of the list: the missing port is tried (and fails) first.
    env.insert("ZORVAN_EXTRA_PORTS", sim.firstLine() + "=Simulated USB bootloader;/dev/zorvan-other=no keyword;"
                                                       "/dev/zorvan-no-such-port=Simulated USB");
    const CliRun run = runCli({"flash", path("scan.bin"), "--scan", "--timeout", "30"}, env);
    QVERIFY2(run.exitCode == 0, qPrintable(run.out + run.err));
    QVERIFY(run.out.contains("PortInfo:" + sim.firstLine() + ": Simulated USB bootloader"));
    QVERIFY(!run.out.contains("PortInfo:/dev/zorvan-other"));
    QVERIFY(run.out.contains("open /dev/zorvan-no-such-port failed"));
    QTRY_COMPARE_WITH_TIMEOUT(TestFiles::read(dump), image, 5000);
}

void TestFlash::noBootloaderAnswers()
{
    PtyPair silent;
    QVERIFY(silent.isValid());
    QVERIFY(TestFiles::write(path("silent.bin"), pattern(100, 1)));
    const CliRun run = runCli({"flash", path("silent.bin"), "--port", silent.slavePath(), "--timeout", "1"});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains("no bootloader answered"), qPrintable(run.err));
    QVERIFY(run.out.contains("Send probe data"));
    QVERIFY(silent.read(2, 2000).startsWith(QByteArray::fromHex("2120")));
}

void TestFlash::missingPortIsReported()
{
    // A port given by a path that does not exist: the wait is said once, with the reason.
    QVERIFY(TestFiles::write(path("wait.bin"), pattern(100, 2)));
    const QString missing = "/dev/zorvan-no-such-port";
    const CliRun run = runCli({"flash", path("wait.bin"), "--port", missing, "--timeout", "2"});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.err.count("waiting for port " + missing), 1);
    QVERIFY2(run.err.contains("cannot open it: "), qPrintable(run.err));
    QVERIFY2(run.err.contains("no bootloader answered"), qPrintable(run.err));
}

void TestFlash::kvfPackAndInspect()
{
    QVERIFY(TestFiles::write(path("fw.bin"), pattern(1000, 3)));
    // Default name from the board table and the generator's output name under ./KVF.
    QDir(QDir::current().filePath("KVF")).removeRecursively();
    const CliRun pack = runCli({"kvf", "pack", path("fw.bin"), "--board-id", "10015"});
    QCOMPARE(pack.exitCode, 0);
    const QString out = pack.out.trimmed();
    QVERIFY2(QRegularExpression("^\\./KVF/Kavo-EW47 Max -10015-\\d{8}-\\d{6}\\.kvf$").match(out).hasMatch(),
             qPrintable(out));
    QCOMPARE(TestFiles::read(out).size(), 1256);

    const CliRun inspect = runCli({"kvf", "inspect", out});
    QCOMPARE(inspect.exitCode, 0);
    QVERIFY(inspect.out.contains("board name: Kavo-EW47 Max \n"));
    QVERIFY(inspect.out.contains("board id: 10015\n"));
    QVERIFY(inspect.out.contains("image size: 1000\n"));
    QVERIFY(QRegularExpression("md5: [0-9a-f]{32}\n").match(inspect.out).hasMatch());
    QVERIFY(inspect.out.endsWith("valid\n"));

    const CliRun named =
        runCli({"kvf", "pack", path("fw.bin"), "--board-id", "1", "--board-name", "custom", "-o", path("named.kvf")});
    QCOMPARE(named.exitCode, 0);
    QCOMPARE(named.out.trimmed(), path("named.kvf"));
    const QByteArray kvf = TestFiles::read(path("named.kvf"));
    QCOMPARE(kvf.left(7), QByteArray("custom\0", 7));
    QCOMPARE(kvf.mid(128, 2), QByteArray("\x01\x00", 2));
}

void TestFlash::kvfRefusals_data()
{
    QVERIFY(TestFiles::write(path("r.bin"), pattern(600, 5)));
    QVERIFY(runCli({"kvf", "pack", path("r.bin"), "--board-id", "10013", "-o", path("good.kvf")}).exitCode == 0);
    const QByteArray good = TestFiles::read(path("good.kvf"));
    QVERIFY(TestFiles::write(path("long.kvf"), good + "x"));
    QByteArray bad = good;
    bad[300] = char(bad[300] ^ 1);
    QVERIFY(TestFiles::write(path("md5.kvf"), bad));
    QVERIFY(TestFiles::write(path("short.kvf"), good.left(100)));

    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("inspect: one byte appended")
        << QStringList{"kvf", "inspect", path("long.kvf")} << "firmware size err";
    QTest::newRow("inspect: shorter than a header")
        << QStringList{"kvf", "inspect", path("short.kvf")} << "firmware size err";
    QTest::newRow("inspect: image changed") << QStringList{"kvf", "inspect", path("md5.kvf")} << "md5 mismatch";
    QTest::newRow("inspect: missing file") << QStringList{"kvf", "inspect", path("none.kvf")} << "cannot read";
    QTest::newRow("inspect: a device") << QStringList{"kvf", "inspect", "/dev/zero"} << "not a regular file";
    QTest::newRow("inspect: a directory") << QStringList{"kvf", "inspect", m_dir.path()} << "not a regular file";
    {
        QFile huge(path("huge.kvf")); // sparse: takes no disk room
        QVERIFY(huge.open(QIODevice::WriteOnly));
        QVERIFY(huge.resize(Kvf::MaxFileSize + 1));
    }
    QTest::newRow("inspect: over 64 MiB") << QStringList{"kvf", "inspect", path("huge.kvf")} << "more than the 64 MiB";
    QTest::newRow("pack: unreadable input")
        << QStringList{"kvf", "pack", path("none.bin"), "--board-id", "5"} << "cannot read";
    QTest::newRow("pack: id 0") << QStringList{"kvf", "pack", path("r.bin"), "--board-id", "0"} << "1..65535";
    QTest::newRow("pack: id 65536") << QStringList{"kvf", "pack", path("r.bin"), "--board-id", "65536"} << "1..65535";
    QTest::newRow("pack: name of 129 bytes")
        << QStringList{"kvf", "pack", path("r.bin"), "--board-id", "5", "--board-name", QString(43, QChar(0x677F))}
        << "129 UTF-8 bytes";
    QTest::newRow("flash: container refused")
        << QStringList{"flash", path("long.kvf"), "--port", "/dev/null", "--timeout", "1"} << "firmware size err";
}

void TestFlash::kvfRefusals()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    const CliRun run = runCli(args);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2((run.out + run.err).contains(message), qPrintable(run.out + run.err));
}

QTEST_GUILESS_MAIN(TestFlash)
#include "tst_flash.moc"
