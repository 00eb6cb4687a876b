// The bootloader upgrade state machine, driven with a fake clock and a scripted port.
#include "core/bootloader/BootloaderCrc.h"
#include "core/bootloader/BootloaderProtocol.h"
#include "core/bootloader/UpgradeEngine.h"
#include "core/kvf/KvfContainer.h"

#include <QtTest>

namespace {
QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

// Records everything the engine asks of its front end.
class FakeHost : public UpgradeEngine::Host
{
public:
    struct Report
    {
        QString text;
        int sinks;
    };
    QList<Report> reports;
    QList<QByteArray> writes;
    QList<quint8> states;
    QString status;
    int progress = -1;
    QStringList ports;
    QString portBox;
    QString portName;
    bool openSucceeds = true;
    bool open = false;
    int closes = 0;
    int ended = 0;
    bool endedOk = false;
    QString endedText;
    QStringList identified;

    void report(const QString &text, int sinks) override
    {
        reports.append({text, sinks});
        if (sinks & UpgradeEngine::SinkStatus)
            status = text;
    }
    void setStatusText(const QString &text) override { status = text; }
    void setProgress(int percent) override { progress = percent; }
    void stateEntered(quint8 state) override { states.append(state); }
    QStringList portTexts() override { return ports; }
    QString portBoxText() override { return portBox; }
    void setPortBoxText(const QString &text) override { portBox = text; }
    void setPortName(const QString &name) override
    {
        open = false;
        portName = name;
    }
    bool openPort() override
    {
        open = openSucceeds && !portName.isEmpty();
        return open;
    }
    void closePort() override
    {
        open = false;
        ++closes;
    }
    void write(const QByteArray &bytes) override { writes.append(bytes); }
    void upgradeEnded(bool success, const QString &text) override
    {
        ++ended;
        endedOk = success;
        endedText = text;
    }
    void unitIdentified(const QString &unitId) override { identified.append(unitId); }

    bool logged(const QString &text) const
    {
        for (const Report &r : reports)
            if (r.text == text)
                return true;
        return false;
    }
    int sinksOf(const QString &text) const
    {
        for (const Report &r : reports)
            if (r.text == text)
                return r.sinks;
        return -1;
    }
    QByteArray takeLastWrite() { return writes.isEmpty() ? QByteArray() : writes.takeLast(); }
};

// An engine with its host and a fake clock that starts far from 0.
struct Rig
{
    FakeHost host;
    UpgradeEngine engine{host};
    quint32 now = 1000000;

    void tick(quint32 advanceMs = 20)
    {
        now += advanceMs;
        engine.tick(now);
    }
    bool feed(const QByteArray &block) { return engine.feed(block, now); }

    // Image loaded, manual port given, start pressed: the first tick probes.
    void startRun(const QByteArray &image, bool container = false, quint16 boardId = 0)
    {
        engine.setScanMode(1);
        host.portBox = QStringLiteral("/dev/pts/9");
        engine.setInitialPortName(host.portBox);
        host.portName = host.portBox;
        engine.setImage(image, container, boardId);
        tick();
        QCOMPARE(int(engine.state()), int(UpgradeEngine::StateReady));
        engine.startButton();
        QCOMPARE(int(engine.state()), int(UpgradeEngine::StateProbe));
        tick();
        QCOMPARE(host.takeLastWrite(), hex("2120"));
    }
    // Answers the probe and the five device-info requests. A bootloader of revision 3 is asked nothing
    // about its identity.
    void reachErase(quint32 boardId = 10013, quint32 flashSize = 2 * 1024 * 1024, quint32 blRevision = 3)
    {
        reachIdentity(boardId, flashSize, blRevision);
        tick();
    }
    // Up to the tick after the vector area's reply.
    void reachIdentity(quint32 boardId = 10013, quint32 flashSize = 2 * 1024 * 1024, quint32 blRevision = 5)
    {
        QVERIFY(feed(hex("12 10")));
        QCOMPARE(int(engine.state()), int(UpgradeEngine::StateGetInfo));
        const quint32 values[4] = {blRevision, boardId, 1, flashSize};
        for (int p = 1; p <= 4; ++p) {
            tick();
            QCOMPARE(host.takeLastWrite(), BootloaderProtocol::getDevice(quint8(p)));
            QVERIFY(feed(BootloaderProtocol::u32Reply(values[p - 1])));
        }
        tick();
        QCOMPARE(host.takeLastWrite(), hex("22 05 20"));
        QVERIFY(feed(QByteArray(16, '\x01') + hex("12 10")));
    }
    // State 7: the sync and the device value before the boot command, then the boot command.
    void reachBootCommand()
    {
        QCOMPARE(int(engine.state()), int(UpgradeEngine::StateBoot));
        tick();
        QCOMPARE(host.takeLastWrite(), hex("21 20"));
        QVERIFY(!feed(hex("12")));
        QVERIFY(!feed(hex("10")));
        QCOMPARE(host.takeLastWrite(), hex("22 01 20"));
        QVERIFY(!feed(hex("05 00 00 00")));
        QVERIFY(feed(hex("12 10")));
        tick();
        QCOMPARE(host.takeLastWrite(), hex("30 20"));
        QCOMPARE(int(engine.state()), int(UpgradeEngine::StateBoot));
    }
    void reachProgram()
    {
        reachErase();
        QCOMPARE(int(engine.state()), int(UpgradeEngine::StateErase));
        tick();
        QCOMPARE(host.takeLastWrite(), hex("23 20"));
        QVERIFY(feed(hex("12 10")));
        QCOMPARE(int(engine.state()), int(UpgradeEngine::StateProgram));
    }
};

QByteArray pattern(int size)
{
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i)
        b[i] = char((i * 7 + 3) & 0xFF);
    return b;
}
} // namespace

class TestUpgradeEngine : public QObject
{
    Q_OBJECT
private slots:
    void crcCheckValues_data();
    void crcCheckValues();
    void commandBytes_data();
    void commandBytes();
    void normalRunChunksAndStates_data();
    void normalRunChunksAndStates();
    void stepTimeoutsAtTheirLimits_data();
    void stepTimeoutsAtTheirLimits();
    void elapsedTextOnFailingTick_data();
    void elapsedTextOnFailingTick();
    void chunkResentAfterQuietLineAndSync_data();
    void chunkResentAfterQuietLineAndSync();
    void unexpectedRepliesIgnored();
    void splitRepliesCollected_data();
    void splitRepliesCollected();
    void imageLargerThanFlashRefusedBeforeErase();
    void verifyAcceptsImageOrFlashAreaCrc_data();
    void verifyAcceptsImageOrFlashAreaCrc();
    void eraseAgainAfterRecoveryAtMostTwice();
    void bootAnswer_data();
    void bootAnswer();
    void silentHandshakeBeforeBootFails();
    void probeReplyRules_data();
    void probeReplyRules();
    void probeIntervals_data();
    void probeIntervals();
    void cancelInProbeState();
    void containerBoardCheck_data();
    void containerBoardCheck();
    void crcMismatchAfterLongChunksErasesOnceMore();
    void unitIdentity_data();
    void unitIdentity();
    void skipSame_data();
    void skipSame();
    void automaticScanCandidates();
    void manualArming_data();
    void manualArming();
    void portLostEndsEveryRunningState_data();
    void portLostEndsEveryRunningState();
    void loadFirmwareKinds_data();
    void loadFirmwareKinds();
};

void TestUpgradeEngine::crcCheckValues_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("asImage");
    QTest::addColumn<uint>("crc");
    QTest::newRow("digits 1-9, plain update") << QByteArray("123456789") << false << 0x2DFD2D88u;
    QTest::newRow("01 02 03 padded with FF") << hex("010203") << true << 0xBD170F45u;
    QTest::newRow("01 02 03 FF given whole") << hex("010203FF") << true << 0xBD170F45u;
    QTest::newRow("empty image") << QByteArray() << true << 0u;
}

void TestUpgradeEngine::crcCheckValues()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, asImage);
    QFETCH(uint, crc);
    const quint32 got = asImage ? BootloaderCrc::imageCrc(bytes, bytes.size())
                                : BootloaderCrc::update(0, bytes.constData(), bytes.size());
    QCOMPARE(got, quint32(crc));
}

void TestUpgradeEngine::commandBytes_data()
{
    namespace BP = BootloaderProtocol;
    QTest::addColumn<QByteArray>("built");
    QTest::addColumn<QByteArray>("golden");
    QTest::newRow("probe") << BP::probe() << hex("21 20");
    QTest::newRow("get device board id") << BP::getDevice(2) << hex("22 02 20");
    QTest::newRow("get device vector area") << BP::getDevice(5) << hex("22 05 20");
    QTest::newRow("erase") << BP::erase() << hex("23 20");
    QTest::newRow("program 3 bytes") << BP::programChunk("\xAA\xBB\xCC", 3) << hex("27 03 AA BB CC 20");
    QTest::newRow("program empty") << BP::programChunk("", 0) << hex("27 00 20");
    QTest::newRow("get crc") << BP::getCrc() << hex("29 20");
    QTest::newRow("boot") << BP::boot() << hex("30 20");
    QTest::newRow("u32 reply") << BP::u32Reply(10013) << hex("1D 27 00 00 12 10");
}

void TestUpgradeEngine::commandBytes()
{
    QFETCH(QByteArray, built);
    QFETCH(QByteArray, golden);
    QCOMPARE(built.toHex(' '), golden.toHex(' '));
}

void TestUpgradeEngine::normalRunChunksAndStates_data()
{
    QTest::addColumn<int>("imageSize");
    QTest::addColumn<QList<int>>("refusedFrames"); // program frames (0-based, in sending order) refused
    QTest::addColumn<QList<int>>("chunkSizes");    // every program frame sent, refused ones included
    QTest::addColumn<int>("finalChunkSize");
    // 252-byte chunks; the last data chunk is padded with 0xFF to whole 4-byte words.
    QTest::newRow("300 bytes") << 300 << QList<int>{} << QList<int>{252, 48, 0} << 252;
    QTest::newRow("301 bytes") << 301 << QList<int>{} << QList<int>{252, 52, 0} << 252;
    QTest::newRow("303 bytes") << 303 << QList<int>{} << QList<int>{252, 52, 0} << 252;
    QTest::newRow("multiple of 252") << 504 << QList<int>{} << QList<int>{252, 252, 0} << 252;
    QTest::newRow("odd tail") << 5 << QList<int>{} << QList<int>{8, 0} << 252;
    QTest::newRow("one byte") << 1 << QList<int>{} << QList<int>{4, 0} << 252;
    // A unit that takes no 252-byte chunks refuses the first one twice: 128-byte chunks from the start.
    QTest::newRow("300 bytes, long chunks refused")
        << 300 << QList<int>{0, 1} << QList<int>{252, 252, 128, 128, 44, 0} << 128;
    QTest::newRow("301 bytes, long chunks refused")
        << 301 << QList<int>{0, 1} << QList<int>{252, 252, 128, 128, 48, 0} << 128;
    QTest::newRow("multiple of 128, long chunks refused")
        << 256 << QList<int>{0, 1} << QList<int>{252, 252, 128, 128, 0} << 128;
    // The fall-back in the middle of an upgrade, from where it stopped.
    QTest::newRow("1000 bytes, second chunk refused twice")
        << 1000 << QList<int>{1, 2} << QList<int>{252, 252, 252, 128, 128, 128, 128, 128, 108, 0} << 128;
    // One refusal (a noisy byte) keeps the long chunks, also when another chunk is refused once later.
    QTest::newRow("1000 bytes, second chunk refused once")
        << 1000 << QList<int>{1} << QList<int>{252, 252, 252, 252, 244, 0} << 252;
    QTest::newRow("1000 bytes, two chunks refused once each")
        << 1000 << QList<int>{1, 3} << QList<int>{252, 252, 252, 252, 252, 244, 0} << 252;
    // A chunk of 128 bytes or less refused twice is only resent: there is nothing shorter to fall back to.
    QTest::newRow("100 bytes refused twice") << 100 << QList<int>{0, 1} << QList<int>{100, 100, 100, 0} << 252;
}

void TestUpgradeEngine::normalRunChunksAndStates()
{
    QFETCH(int, imageSize);
    QFETCH(QList<int>, refusedFrames);
    QFETCH(QList<int>, chunkSizes);
    QFETCH(int, finalChunkSize);
    Rig r;
    const QByteArray image = pattern(imageSize);
    r.startRun(image);
    r.reachProgram();

    r.tick(); // first chunk, no advance
    QByteArray written;
    QList<int> sent;
    for (int frame = 0; r.engine.state() == UpgradeEngine::StateProgram; ++frame) {
        QVERIFY(frame < 50);
        const QByteArray chunk = r.host.takeLastWrite();
        QVERIFY(r.host.writes.isEmpty());
        QCOMPARE(int(quint8(chunk[0])), 0x27);
        const int n = quint8(chunk[1]);
        QCOMPARE(chunk.size(), n + 3);
        QCOMPARE(int(quint8(chunk.back())), 0x20);
        sent << n;
        // At most one program frame in flight: nothing more goes out while this one is unacknowledged.
        r.tick();
        r.tick();
        QVERIFY(r.host.writes.isEmpty());
        if (refusedFrames.contains(frame)) {
            r.feed(frame % 2 ? hex("12 11") : hex("12 13"));
            r.tick(UpgradeEngine::RecoveryQuietMs);
            QCOMPARE(r.host.takeLastWrite(), hex("21 20"));
            r.feed(hex("12 10"));
        } else {
            written += chunk.mid(2, n);
            r.feed(hex("12 10"));
        }
    }
    QCOMPARE(sent, chunkSizes);
    QCOMPARE(r.engine.chunkSize(), finalChunkSize);
    QCOMPARE(written, image + QByteArray((4 - imageSize % 4) % 4, char(0xFF)));
    QCOMPARE(int(r.engine.state()), int(UpgradeEngine::StateVerify));
    r.tick();
    QCOMPARE(r.host.takeLastWrite(), hex("29 20"));
    QVERIFY(r.feed(BootloaderProtocol::u32Reply(BootloaderCrc::imageCrc(image, image.size()))));
    QCOMPARE(int(r.engine.state()), int(UpgradeEngine::StateBoot));
    QVERIFY(r.host.logged("Check success"));
    r.reachBootCommand();
    // No answer to the boot command: the unit started its firmware.
    r.tick(UpgradeEngine::BootReplyMs - 20);
    QCOMPARE(int(r.engine.state()), int(UpgradeEngine::StateBoot));
    QCOMPARE(r.host.ended, 0);
    r.tick();
    QCOMPARE(int(r.engine.state()), int(UpgradeEngine::StateWaitStart));
    QCOMPARE(r.host.sinksOf(UpgradeEngine::SuccessText),
             UpgradeEngine::SinkLog | UpgradeEngine::SinkStatus | UpgradeEngine::SinkPopup);
    QCOMPARE(r.host.ended, 1);
    QVERIFY(r.host.endedOk);
    QVERIFY(!r.host.open);
    // States 0 -> 1 -> 2 -> 3 -> 4 -> 5 -> 6, then 0 (state 7 shows nothing).
    QCOMPARE(r.host.states, (QList<quint8>{1, 2, 3, 4, 5, 6, 0}));
    // The image survives the run: the next tick re-arms.
    r.tick();
    QCOMPARE(int(r.engine.state()), int(UpgradeEngine::StateReady));
}

void TestUpgradeEngine::stepTimeoutsAtTheirLimits_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<quint32>("limit");
    QTest::addColumn<QString>("text");
    QTest::newRow("device info") << int(UpgradeEngine::StateGetInfo) << UpgradeEngine::InfoTimeoutMs
                                 << "Upgrade failed, Obtaining hardware information timed out";
    QTest::newRow("erase") << int(UpgradeEngine::StateErase) << UpgradeEngine::EraseTimeoutMs
                           << "The upgrade failed. Erasure timed out";
    QTest::newRow("write") << int(UpgradeEngine::StateProgram) << UpgradeEngine::WriteTimeoutMs
                           << "The upgrade failed ,the write timed out";
    QTest::newRow("verify") << int(UpgradeEngine::StateVerify) << UpgradeEngine::VerifyTimeoutMs
                            << "The upgrade failed, the verification timed out";
}

void TestUpgradeEngine::stepTimeoutsAtTheirLimits()
{
    QFETCH(int, step);
    QFETCH(quint32, limit);
    QFETCH(QString, text);
    Rig r;
    r.startRun(pattern(600));
    QVERIFY(r.feed(hex("12 10")));
    if (step >= UpgradeEngine::StateErase) {
        r.engine.setUpgradeState(UpgradeEngine::StateErase); // device info is not what this case is about
        if (step >= UpgradeEngine::StateProgram) {
            r.tick();
            QVERIFY(r.feed(hex("12 10")));
        }
        if (step == UpgradeEngine::StateVerify)
            r.engine.setUpgradeState(UpgradeEngine::StateVerify);
    }
    QCOMPARE(int(r.engine.state()), step);
    r.tick(); // the step starts its clock on this tick
    const quint32 started = r.now;
    // Keep the chunk step alive with acknowledged resends is not wanted here: silence only.
    r.now = started + limit - 20;
    r.engine.tick(r.now);
    r.now = started + limit;
    r.engine.tick(r.now);
    QCOMPARE(int(r.engine.state()), step); // exactly at the limit: still running
    QVERIFY(!r.host.logged(text));
    r.now = started + limit + 1;
    r.engine.tick(r.now);
    QCOMPARE(int(r.engine.state()), int(UpgradeEngine::StateWaitStart));
    QCOMPARE(r.host.sinksOf(text), UpgradeEngine::SinkLog | UpgradeEngine::SinkStatus | UpgradeEngine::SinkPopup);
    QCOMPARE(r.host.ended, 1);
    QVERIFY(!r.host.endedOk);
    QVERIFY(!r.host.open);
    QVERIFY(r.engine.imageReady());
}

void TestUpgradeEngine::elapsedTextOnFailingTick_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<QString>("status");
    QTest::newRow("erase") << int(UpgradeEngine::StateErase) << "Erasing time:00:01:00";
    QTest::newRow("write") << int(UpgradeEngine::StateProgram) << "Write time:00:02:00";
}

void TestUpgradeEngine::elapsedTextOnFailingTick()
{
    QFETCH(int, step);
    QFETCH(QString, status);
    Rig r;
    r.startRun(pattern(600));
    r.feed(hex("12 10"));
    r.engine.setUpgradeState(UpgradeEngine::StateErase);
    if (step == UpgradeEngine::StateProgram) {
        r.tick();
        r.feed(hex("12 10"));
    }
    r.tick();
    const quint32 limit =
        step == UpgradeEngine::StateErase ? UpgradeEngine::EraseTimeoutMs : UpgradeEngine::WriteTimeoutMs;
    r.tick(limit + 20); // the first tick past the limit
    QCOMPARE(int(r.engine.state()), int(UpgradeEngine::StateWaitStart));
    QCOMPARE(r.host.status, status);
}

void TestUpgradeEngine::chunkResentAfterQuietLineAndSync_data()
{
    QTest::addColumn<QByteArray>("answer"); // empty: no acknowledgement at all
    QTest::newRow("failed") << hex("12 11");
    QTest::newRow("invalid") << hex("12 13");
    QTest::newRow("invalid, split") << hex("12 13");
    QTest::newRow("no acknowledgement") << QByteArray();
}

void TestUpgradeEngine::chunkResentAfterQuietLineAndSync()
{
    QFETCH(QByteArray, answer);
    Rig r;
    r.startRun(pattern(300));
    r.reachProgram();
    r.tick();
    const QByteArray first = r.host.takeLastWrite();
    QCOMPARE(first.size(), 255);
    if (answer.isEmpty()) {
        r.now += UpgradeEngine::ChunkResendMs;
        r.engine.tick(r.now);
        QCOMPARE(r.engine.recoveries(), 0); // exactly 3000 ms: still waiting
        r.tick(1);
    } else if (QByteArray(QTest::currentDataTag()).contains("split")) {
        r.feed(answer.left(1));
        r.feed(answer.mid(1));
    } else {
        r.feed(answer);
    }
    QCOMPARE(r.engine.recoveries(), 1);
    QVERIFY(r.host.writes.isEmpty()); // nothing resent at once
    // The rest of a refused frame still answers: a stray acknowledgement is dropped and the line must be
    // quiet again before the probe goes out.
    r.tick(40);
    r.feed(hex("12 10"));
    r.tick(40);
    QVERIFY(r.host.writes.isEmpty());
    r.tick(UpgradeEngine::RecoveryQuietMs - 40);
    QCOMPARE(r.host.takeLastWrite(), hex("21 20"));
    // The probe is swallowed by a half-parsed command (12 13): quiet again, then a new probe.
    r.feed(hex("12 13"));
    QVERIFY(r.host.writes.isEmpty());
    r.tick(UpgradeEngine::RecoveryQuietMs);
    QCOMPARE(r.host.takeLastWrite(), hex("21 20"));
    // An unanswered probe is repeated after a quiet period.
    r.tick(UpgradeEngine::ResyncReplyMs + 20);
    r.tick(UpgradeEngine::RecoveryQuietMs);
    QCOMPARE(r.host.takeLastWrite(), hex("21 20"));
    QVERIFY(r.host.writes.isEmpty());
    r.feed(hex("12"));
    r.feed(hex("10"));
    QCOMPARE(r.host.takeLastWrite(), first); // the same chunk again, only now
    QCOMPARE(r.engine.chunkResends(), 1);
    QCOMPARE(r.engine.writeOffset(), 0);
    r.feed(hex("12 10"));
    const QByteArray second = r.host.takeLastWrite();
    QCOMPARE(second.mid(2, 48), pattern(300).mid(252, 48));
    QCOMPARE(r.engine.writeOffset(), 252);
    QCOMPARE(r.engine.chunkSize(), 252); // one refusal keeps the long chunks
    // Progress follows the acknowledged offset.
    r.tick();
    QCOMPARE(r.host.progress, int(float(252) / 300.0f * 100.0f));
}

void TestUpgradeEngine::unexpectedRepliesIgnored()
{
    Rig r;
    r.startRun(pattern(300));
    r.reachProgram();
    r.tick();
    r.host.writes.clear();
    // Two acknowledgements in one read, a lone sync byte, a reply without sync: none counts.
    for (const QByteArray &block : {hex("12 10 12 10"), hex("12"), hex("10 12")})
        r.feed(block);
    QVERIFY(r.host.writes.isEmpty());
    QCOMPARE(r.engine.writeOffset(), 0);
    // Erase step: only exactly 12 10.
    Rig e;
    e.startRun(pattern(10));
    e.reachErase();
    e.tick();
    QVERIFY(!e.feed(hex("00 12 10")));
    QCOMPARE(int(e.engine.state()), int(UpgradeEngine::StateErase));
}

void TestUpgradeEngine::splitRepliesCollected_data()
{
    QTest::addColumn<int>("split"); // bytes in the first read
    for (int split = 1; split < 6; ++split)
        QTest::newRow(qPrintable(QString("first read %1 bytes").arg(split))) << split;
}

// Each step of a run gets its reply in two reads, cut at the given point (18-byte replies at 3 x split).
void TestUpgradeEngine::splitRepliesCollected()
{
    QFETCH(int, split);
    Rig r;
    const QByteArray image = pattern(10);
    r.startRun(image);
    // True when the first piece alone did not move the run on and the second one did.
    auto answer = [&](const QByteArray &reply, int at) {
        const bool early = r.feed(reply.left(at));
        return !early && r.feed(reply.mid(at));
    };
    QVERIFY(answer(hex("00 12 10"), qMin(split, 2)));
    QCOMPARE(int(r.engine.state()), int(UpgradeEngine::StateGetInfo));
    const quint32 values[4] = {3, 10013, 1, 4096};
    for (int p = 1; p <= 4; ++p) {
        r.tick();
        QCOMPARE(r.host.takeLastWrite(), BootloaderProtocol::getDevice(quint8(p)));
        QVERIFY(answer(BootloaderProtocol::u32Reply(values[p - 1]), split));
    }
    r.tick();
    QVERIFY(answer(QByteArray(16, '\x12') + hex("12 10"), 3 * split));
    QCOMPARE(int(r.engine.deviceInfo().infoFlags), int(UpgradeEngine::AllInfoFlags));
    QCOMPARE(r.engine.deviceInfo().FWSize, 4096u);
    r.tick();
    r.tick();
    QCOMPARE(r.host.takeLastWrite(), hex("23 20"));
    QVERIFY(answer(hex("12 10"), 1));
    r.tick();
    answer(hex("12 10"), 1);
    answer(hex("12 10"), 1);
    QCOMPARE(int(r.engine.state()), int(UpgradeEngine::StateVerify));
    r.tick();
    QVERIFY(answer(BootloaderProtocol::u32Reply(BootloaderCrc::imageCrc(image, image.size())), split));
    r.reachBootCommand();
    QVERIFY(answer(hex("12 10"), 1));
    QVERIFY(r.host.endedOk);
}

void TestUpgradeEngine::imageLargerThanFlashRefusedBeforeErase()
{
    Rig r;
    r.startRun(pattern(4097)); // written as 4100 bytes
    r.reachErase(10013, 4096);
    QCOMPARE(int(r.engine.state()), int(UpgradeEngine::StateWaitStart));
    const QString text = "Upgrade failed, the firmware is larger than the unit's flash";
    QCOMPARE(r.host.sinksOf(text), UpgradeEngine::SinkLog | UpgradeEngine::SinkStatus | UpgradeEngine::SinkPopup);
    QCOMPARE(r.host.ended, 1);
    for (const QByteArray &w : qAsConst(r.host.writes))
        QVERIFY(w != hex("23 20")); // never erased
    // An image that fills the flash exactly is written.
    Rig fits;
    fits.startRun(pattern(4093));
    fits.reachErase(10013, 4096);
    QCOMPARE(int(fits.engine.state()), int(UpgradeEngine::StateErase));
}

void TestUpgradeEngine::verifyAcceptsImageOrFlashAreaCrc_data()
{
    const QByteArray image = pattern(301);
    const quint32 flash = 2 * 1024 * 1024; // what reachErase reports
    QTest::addColumn<quint32>("deviceCrc");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("line");
    QTest::newRow("image CRC") << BootloaderCrc::imageCrc(image, image.size()) << true << "CRC of the image matches";
    QTest::newRow("whole flash area CRC") << BootloaderCrc::flashAreaCrc(image, image.size(), flash) << true
                                          << "CRC of the flash area (2097152 bytes) matches";
    // Neither: after 252-byte chunks the run starts again from the erase.
    QTest::newRow("flash area one byte short") << BootloaderCrc::flashAreaCrc(image, image.size(), flash - 1) << false
                                               << "CRC differs after 0 resent chunk(s) with 252-byte chunks";
}

void TestUpgradeEngine::verifyAcceptsImageOrFlashAreaCrc()
{
    QFETCH(quint32, deviceCrc);
    QFETCH(bool, accepted);
    QFETCH(QString, line);
    Rig r;
    r.startRun(pattern(301));
    r.reachProgram();
    r.engine.setUpgradeState(UpgradeEngine::StateVerify);
    r.tick();
    QVERIFY(r.feed(BootloaderProtocol::u32Reply(deviceCrc)));
    QCOMPARE(int(r.engine.state()), int(accepted ? UpgradeEngine::StateBoot : UpgradeEngine::StateErase));
    bool found = false;
    for (const FakeHost::Report &rep : qAsConst(r.host.reports))
        found = found || rep.text.startsWith(line);
    QVERIFY2(found, qPrintable(line));
}

// A lost acknowledgement makes the resend land one chunk further on; the CRC then differs and the run
// starts again from the erase, after a sync and a device request, at most twice.
void TestUpgradeEngine::eraseAgainAfterRecoveryAtMostTwice()
{
    Rig r;
    const QByteArray image = pattern(200);
    r.startRun(image);
    r.reachProgram();
    for (int round = 0; round <= UpgradeEngine::MaxEraseRestarts; ++round) {
        QCOMPARE(int(r.engine.state()), int(UpgradeEngine::StateProgram));
        // The first run writes the image in one 200-byte chunk; a run from a repeated erase uses 128 bytes.
        const int frame = round == 0 ? 203 : 131;
        r.tick();
        QCOMPARE(r.host.takeLastWrite().size(), frame);
        r.tick(UpgradeEngine::ChunkResendMs + 20); // no acknowledgement
        r.tick(UpgradeEngine::RecoveryQuietMs);
        QCOMPARE(r.host.takeLastWrite(), hex("21 20"));
        r.feed(hex("12 10"));
        QCOMPARE(r.host.takeLastWrite().size(), frame);
        r.feed(hex("12 10"));
        if (round > 0)
            r.feed(hex("12 10")); // 72 bytes
        r.feed(hex("12 10"));     // the empty chunk
        QCOMPARE(int(r.engine.state()), int(UpgradeEngine::StateVerify));
        r.tick();
        QVERIFY(r.feed(BootloaderProtocol::u32Reply(0xBAD)));
        if (round == UpgradeEngine::MaxEraseRestarts)
            break;
        QCOMPARE(int(r.engine.state()), int(UpgradeEngine::StateErase));
        QCOMPARE(r.engine.eraseRestarts(), round + 1);
        r.tick();
        QCOMPARE(r.host.takeLastWrite(), hex("21 20"));
        r.feed(hex("12 10"));
        QCOMPARE(r.host.takeLastWrite(), hex("22 01 20"));
        QVERIFY(r.feed(BootloaderProtocol::u32Reply(5)));
        r.tick();
        QCOMPARE(r.host.takeLastWrite(), hex("23 20"));
        QVERIFY(r.feed(hex("12 10")));
    }
    QCOMPARE(int(r.engine.state()), int(UpgradeEngine::StateWaitStart));
    QVERIFY(!r.host.endedOk);
    QCOMPARE(r.host.ended, 1);
    bool failed = false;
    for (const FakeHost::Report &rep : qAsConst(r.host.reports))
        failed = failed || rep.text.startsWith("The upgrade failed, the verification failed");
    QVERIFY(failed);
    for (const QByteArray &w : qAsConst(r.host.writes))
        QVERIFY(w != hex("30 20"));
}

void TestUpgradeEngine::bootAnswer_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("success");
    QTest::newRow("ok") << hex("12 10") << true;
    QTest::newRow("failed") << hex("12 11") << false;
    QTest::newRow("invalid") << hex("12 13") << false;
    QTest::newRow("silence") << QByteArray() << true;
}

void TestUpgradeEngine::bootAnswer()
{
    QFETCH(QByteArray, answer);
    QFETCH(bool, success);
    Rig r;
    r.startRun(pattern(8));
    r.reachProgram();
    r.engine.setUpgradeState(UpgradeEngine::StateVerify);
    r.tick();
    QVERIFY(r.feed(BootloaderProtocol::u32Reply(BootloaderCrc::imageCrc(pattern(8), 8))));
    r.reachBootCommand();
    if (answer.isEmpty())
        r.tick(UpgradeEngine::BootReplyMs);
    else
        QVERIFY(r.feed(answer));
    QCOMPARE(int(r.engine.state()), int(UpgradeEngine::StateWaitStart));
    QCOMPARE(r.host.ended, 1);
    QCOMPARE(r.host.endedOk, success);
    QCOMPARE(r.host.logged(UpgradeEngine::SuccessText), success);
    QCOMPARE(r.host.sinksOf("Upgrade failed, the unit refused to start the firmware"),
             success ? -1 : UpgradeEngine::SinkLog | UpgradeEngine::SinkStatus | UpgradeEngine::SinkPopup);
}

void TestUpgradeEngine::silentHandshakeBeforeBootFails()
{
    Rig r;
    r.startRun(pattern(8));
    r.reachProgram();
    r.engine.setUpgradeState(UpgradeEngine::StateBoot);
    r.tick();
    QCOMPARE(r.host.takeLastWrite(), hex("21 20"));
    r.tick(UpgradeEngine::ResyncReplyMs + 1);
    QCOMPARE(r.host.takeLastWrite(), hex("21 20")); // asked again
    while (r.engine.state() == UpgradeEngine::StateBoot)
        r.tick(100);
    QVERIFY(r.host.logged("Communication error, upgrade failed!"));
    QVERIFY(!r.host.endedOk);
    for (const QByteArray &w : qAsConst(r.host.writes))
        QVERIFY(w != hex("30 20"));
}

void TestUpgradeEngine::probeReplyRules_data()
{
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("12 10") << hex("12 10") << true;
    QTest::newRow("leading noise 00 12 10") << hex("00 12 10") << true;
    QTest::newRow("trailing bytes 12 10 55") << hex("12 10 55") << true;
    QTest::newRow("first 12 not followed by 10") << hex("12 00 10") << false;
    QTest::newRow("12 12 10") << hex("12 12 10") << false;
    QTest::newRow("lone 12") << hex("12") << false;
    QTest::newRow("12 11") << hex("12 11") << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void TestUpgradeEngine::probeReplyRules()
{
    QFETCH(QByteArray, block);
    QFETCH(bool, accepted);
    Rig r;
    r.startRun(pattern(10));
    QCOMPARE(r.feed(block), accepted);
    QCOMPARE(int(r.engine.state()), int(accepted ? UpgradeEngine::StateGetInfo : UpgradeEngine::StateProbe));
    if (accepted)
        QCOMPARE(r.host.status, QString("The serial port of the controller module is detected:/dev/pts/9"));
}

void TestUpgradeEngine::probeIntervals_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<quint32>("interval");
    QTest::newRow("automatic") << 0 << UpgradeEngine::ProbeIntervalAutoMs;
    QTest::newRow("manual") << 1 << UpgradeEngine::ProbeIntervalManualMs;
}

void TestUpgradeEngine::probeIntervals()
{
    QFETCH(int, mode);
    QFETCH(quint32, interval);
    Rig r;
    r.host.ports = QStringList{"/dev/ttyACM0: PX4 FMU", "/dev/ttyACM1: PX4 FMU"};
    r.startRun(pattern(10)); // manual start
    r.engine.setScanMode(quint8(mode));
    r.engine.setKeywords({"PX4"}, {});
    const quint32 first = r.now;
    r.now = first + interval - 1;
    r.engine.tick(r.now);
    QVERIFY(r.host.writes.isEmpty());
    r.now = first + interval;
    r.engine.tick(r.now);
    QCOMPARE(r.host.takeLastWrite(), hex("21 20"));
    // Every probe after the first selects the next port first.
    QCOMPARE(r.host.portName, QString(mode == 0 ? "/dev/ttyACM1" : "/dev/pts/9"));
}

void TestUpgradeEngine::cancelInProbeState()
{
    Rig r;
    r.startRun(pattern(10));
    QVERIFY(r.host.open);
    QCOMPARE(r.host.states.last(), quint8(UpgradeEngine::StateProbe));
    r.engine.startButton(); // "CancelUpgrade"
    QCOMPARE(int(r.engine.state()), int(UpgradeEngine::StateWaitStart));
    QVERIFY(!r.host.open);
    QCOMPARE(r.host.progress, 0);
    r.tick();
    QCOMPARE(int(r.engine.state()), int(UpgradeEngine::StateReady)); // "StartUpgrade" again within one tick
}

void TestUpgradeEngine::containerBoardCheck_data()
{
    QTest::addColumn<bool>("container");
    QTest::addColumn<int>("containerId");
    QTest::addColumn<int>("deviceId");
    QTest::addColumn<bool>("erases");
    QTest::newRow("container matches") << true << 10013 << 10013 << true;
    QTest::newRow("container 10015 on 10013") << true << 10015 << 10013 << false;
    QTest::newRow("plain image, any board") << false << 0 << 4242 << true;
}

void TestUpgradeEngine::containerBoardCheck()
{
    QFETCH(bool, container);
    QFETCH(int, containerId);
    QFETCH(int, deviceId);
    QFETCH(bool, erases);
    Rig r;
    r.startRun(pattern(10), container, quint16(containerId));
    r.reachErase(quint32(deviceId));
    if (erases) {
        QCOMPARE(int(r.engine.state()), int(UpgradeEngine::StateErase));
        return;
    }
    QCOMPARE(int(r.engine.state()), int(UpgradeEngine::StateWaitStart));
    const QString text = "Unable to upgrade, firmware does not match hardware";
    QCOMPARE(r.host.sinksOf(text), UpgradeEngine::SinkLog | UpgradeEngine::SinkStatus | UpgradeEngine::SinkPopup);
    QVERIFY(r.host.logged("kvf:10015-board:10013"));
    QCOMPARE(r.host.ended, 1);
}

// A unit may take 252-byte chunks without writing them whole: a wrong CRC after them erases once more and
// writes 128-byte chunks; a wrong CRC after those fails at once, without booting.
void TestUpgradeEngine::crcMismatchAfterLongChunksErasesOnceMore()
{
    Rig r;
    const QByteArray image = pattern(300);
    r.startRun(image);
    r.reachProgram();
    r.tick();
    QCOMPARE(r.host.takeLastWrite().size(), 255);
    r.feed(hex("12 10"));
    r.feed(hex("12 10"));
    r.feed(hex("12 10"));
    QCOMPARE(int(r.engine.state()), int(UpgradeEngine::StateVerify));
    r.tick();
    r.feed(BootloaderProtocol::u32Reply(BootloaderCrc::imageCrc(image, 300) ^ 1));
    QCOMPARE(int(r.engine.state()), int(UpgradeEngine::StateErase));
    QCOMPARE(r.engine.eraseRestarts(), 1);
    QCOMPARE(r.engine.chunkSize(), 128);
    r.tick();
    QCOMPARE(r.host.takeLastWrite(), hex("21 20"));
    r.feed(hex("12 10"));
    QCOMPARE(r.host.takeLastWrite(), hex("22 01 20"));
    QVERIFY(r.feed(BootloaderProtocol::u32Reply(5)));
    r.tick();
    QCOMPARE(r.host.takeLastWrite(), hex("23 20"));
    QVERIFY(r.feed(hex("12 10")));
    r.tick();
    QByteArray written;
    while (r.engine.state() == UpgradeEngine::StateProgram) {
        const QByteArray chunk = r.host.takeLastWrite();
        QVERIFY(chunk.size() <= 131);
        written += chunk.mid(2, chunk.size() - 3);
        r.feed(hex("12 10"));
    }
    QCOMPARE(written, image);
    r.tick();
    r.feed(BootloaderProtocol::u32Reply(BootloaderCrc::imageCrc(image, 300) ^ 1));
    QCOMPARE(int(r.engine.state()), int(UpgradeEngine::StateWaitStart));
    QCOMPARE(r.host.ended, 1);
    QVERIFY(!r.host.endedOk);
    for (const QByteArray &w : qAsConst(r.host.writes))
        QVERIFY(w != hex("30 20")); // never booted
}

void TestUpgradeEngine::unitIdentity_data()
{
    namespace BP = BootloaderProtocol;
    QTest::addColumn<quint32>("blRevision");
    QTest::addColumn<QList<QByteArray>>("requests"); // every identity request the engine sends, in order
    QTest::addColumn<QList<QByteArray>>("answers");  // empty: silence until the request times out
    QTest::addColumn<QString>("unitId");
    QTest::addColumn<QString>("chipLine");
    QTest::addColumn<bool>("syncBeforeErase");
    const QList<QByteArray> all{BP::getSn(0), BP::getSn(4), BP::getSn(8), BP::getChip(), BP::getChipDes()};
    const QByteArray des = hex("0c 00 00 00") + QByteArray("STM32F76x,r1") + hex("12 10");
    QTest::newRow("answered") << 5u << all
                              << QList<QByteArray>{BP::u32Reply(0x00330021), BP::u32Reply(0x3138510A),
                                                   BP::u32Reply(0x0000FFEE), BP::u32Reply(0x10016451), des}
                              << "003300213138510A0000FFEE"
                              << "chip         :0x10016451" << false;
    // A unit without a serial is not asked for the other two words; a refused request resets a stock
    // bootloader's protocol state, so the erase is preceded by a sync and a device request again.
    QTest::newRow("serial refused") << 4u << QList<QByteArray>{BP::getSn(0), BP::getChip(), BP::getChipDes()}
                                    << QList<QByteArray>{hex("12 13"), BP::u32Reply(0x451), hex("12 11")} << QString()
                                    << "chip         :0x00000451" << true;
    // Silence to the first request: the unit knows none of them, the others are not asked.
    QTest::newRow("silent unit") << 5u << QList<QByteArray>{BP::getSn(0)} << QList<QByteArray>{{}} << QString()
                                 << QString() << true;
    QTest::newRow("second word refused") << 5u
                                         << QList<QByteArray>{BP::getSn(0), BP::getSn(4), BP::getChip(),
                                                              BP::getChipDes()}
                                         << QList<QByteArray>{BP::u32Reply(1), hex("12 13"), {}, {}} << QString()
                                         << QString() << true;
    QTest::newRow("revision 3: nothing asked")
        << 3u << QList<QByteArray>{} << QList<QByteArray>{} << QString() << QString() << false;
}

void TestUpgradeEngine::unitIdentity()
{
    QFETCH(quint32, blRevision);
    QFETCH(QList<QByteArray>, requests);
    QFETCH(QList<QByteArray>, answers);
    QFETCH(QString, unitId);
    QFETCH(QString, chipLine);
    QFETCH(bool, syncBeforeErase);
    Rig r;
    r.startRun(pattern(10));
    r.reachIdentity(10013, 4096, blRevision);
    r.tick();
    for (int i = 0; i < requests.size(); ++i) {
        QCOMPARE(r.host.takeLastWrite(), requests[i]);
        QVERIFY(r.host.writes.isEmpty());
        QCOMPARE(int(r.engine.state()), int(UpgradeEngine::StateGetInfo));
        if (answers[i].startsWith(char(0x12)) && answers[i].size() == 2) {
            QVERIFY(!r.feed(answers[i])); // a refusal counts once the request timed out
            r.tick(UpgradeEngine::IdentityReplyMs + 1);
        } else if (answers[i].isEmpty()) {
            r.tick(UpgradeEngine::IdentityReplyMs);
            QVERIFY(r.host.writes.isEmpty()); // exactly 200 ms: still waiting
            r.tick(1);
        } else {
            QVERIFY(r.feed(answers[i]));
        }
    }
    QVERIFY(r.host.writes.isEmpty());
    QCOMPARE(r.host.identified, requests.isEmpty() ? QStringList() : QStringList{unitId});
    QCOMPARE(r.engine.unitId(), unitId);
    if (!requests.isEmpty())
        QVERIFY(r.host.logged("serial       :" + (unitId.isEmpty() ? QString("none") : unitId)));
    if (!chipLine.isEmpty())
        QVERIFY(r.host.logged(chipLine));
    if (QByteArray(QTest::currentDataTag()) == "answered")
        QVERIFY(r.host.logged("chip des     :STM32F76x,r1"));
    r.tick();
    QCOMPARE(int(r.engine.state()), int(UpgradeEngine::StateErase));
    r.tick();
    if (syncBeforeErase) {
        QCOMPARE(r.host.takeLastWrite(), hex("21 20"));
        r.feed(hex("12 10"));
        QCOMPARE(r.host.takeLastWrite(), hex("22 01 20"));
        QVERIFY(r.feed(BootloaderProtocol::u32Reply(blRevision)));
        r.tick();
    }
    QCOMPARE(r.host.takeLastWrite(), hex("23 20"));
    // The id outlives the end of its run (a production record reads it then) until the next run starts.
    r.engine.setUpgradeState(UpgradeEngine::StateWaitStart);
    QCOMPARE(r.engine.unitId(), unitId);
    r.tick();
    r.engine.startButton();
    QCOMPARE(r.engine.unitId(), QString());
}

void TestUpgradeEngine::skipSame_data()
{
    QTest::addColumn<int>("crcKind"); // 0 the image's CRC, 1 the flash area's, 2 another image's, 3 no answer
    QTest::addColumn<bool>("upToDate");
    QTest::newRow("same image") << 0 << true;
    QTest::newRow("same image, whole flash CRC") << 1 << true;
    QTest::newRow("other image") << 2 << false;
    QTest::newRow("no answer") << 3 << false;
}

void TestUpgradeEngine::skipSame()
{
    QFETCH(int, crcKind);
    QFETCH(bool, upToDate);
    Rig r;
    const QByteArray image = pattern(300);
    r.engine.setSkipSame(true);
    r.startRun(image);
    r.reachErase(10013, 4096);
    QCOMPARE(int(r.engine.state()), int(UpgradeEngine::StateErase));
    r.tick();
    QCOMPARE(r.host.takeLastWrite(), hex("29 20")); // asked before anything is erased
    const quint32 crcs[3] = {BootloaderCrc::imageCrc(image, 300), BootloaderCrc::flashAreaCrc(image, 300, 4096),
                             BootloaderCrc::imageCrc(pattern(301), 301)};
    if (crcKind < 3) {
        QVERIFY(r.feed(BootloaderProtocol::u32Reply(crcs[crcKind])));
    } else {
        r.tick(UpgradeEngine::VerifyTimeoutMs + 20);
        r.tick();
        QCOMPARE(r.host.takeLastWrite(), hex("21 20"));
        r.feed(hex("12 10"));
        QCOMPARE(r.host.takeLastWrite(), hex("22 01 20"));
        QVERIFY(r.feed(BootloaderProtocol::u32Reply(3)));
    }
    if (!upToDate) {
        r.tick();
        QCOMPARE(r.host.takeLastWrite(), hex("23 20"));
        QVERIFY(!r.engine.wasUpToDate());
        return;
    }
    r.reachBootCommand();
    r.tick(UpgradeEngine::BootReplyMs);
    QVERIFY(r.host.endedOk);
    QCOMPARE(r.host.endedText, QString("already up to date"));
    QVERIFY(!r.host.logged(UpgradeEngine::SuccessText));
    QVERIFY(r.engine.wasUpToDate());
    for (const QByteArray &w : qAsConst(r.host.writes))
        QVERIFY(w != hex("23 20") && quint8(w[0]) != 0x27); // neither erased nor programmed
}

void TestUpgradeEngine::automaticScanCandidates()
{
    Rig r;
    r.host.ports = QStringList{"COM7: USB Serial Device", "COM8: Bluetooth link", "COM9: Virutal USB port",
                               "/dev/ttyS0: ", "/dev/pts/4: ArduPilot sim"};
    r.engine.setKeywords({"USB", "ArduPilot", "PX4"}, {"Virutal", "bluetooth", "蓝牙"});
    r.engine.setImage(pattern(4));
    r.tick();
    r.engine.startButton();
    r.tick(); // first probe: the port keeps its (empty) name and cannot open
    QVERIFY(r.host.logged("open  failed"));
    r.tick(300);
    QCOMPARE(r.engine.candidatePorts(), QStringList{"COM7: USB Serial Device"});
    QCOMPARE(r.host.portName, QString("/dev/pts/4"));
    QCOMPARE(r.host.portBox, QString("/dev/pts/4"));
    QVERIFY(r.host.logged("PortInfo:COM9: Virutal USB port") == false);
    r.tick(300);
    QCOMPARE(r.host.portName, QString("COM7"));
    // Nothing qualifies: reported, and the port keeps its name.
    r.host.ports.clear();
    r.tick(300);
    QCOMPARE(r.host.sinksOf("No valid serial port detected"), UpgradeEngine::SinkLog | UpgradeEngine::SinkStatus);
    QCOMPARE(r.host.portName, QString("COM7"));
    QCOMPARE(int(r.engine.state()), int(UpgradeEngine::StateProbe));
}

void TestUpgradeEngine::manualArming_data()
{
    QTest::addColumn<QString>("portText");
    QTest::addColumn<bool>("image");
    QTest::addColumn<bool>("arms");
    QTest::newRow("COM3") << "COM3" << true << true;
    QTest::newRow("device path") << "/dev/pts/3" << true << true;
    QTest::newRow("name with description") << "COM3: USB" << true << true;
    QTest::newRow("bare name") << "ttyUSB0" << true << false;
    QTest::newRow("lower-case com") << "com3" << true << false;
    QTest::newRow("empty") << "" << true << false;
    QTest::newRow("no image") << "COM3" << false << false;
}

void TestUpgradeEngine::manualArming()
{
    QFETCH(QString, portText);
    QFETCH(bool, image);
    QFETCH(bool, arms);
    Rig r;
    r.engine.setScanMode(1);
    r.host.portBox = portText;
    if (image)
        r.engine.setImage(pattern(4));
    r.tick();
    QCOMPARE(r.engine.state() == UpgradeEngine::StateReady, arms);
    if (arms) { // clearing the box disarms
        r.host.portBox.clear();
        r.tick();
        QCOMPARE(int(r.engine.state()), int(UpgradeEngine::StateWaitStart));
    }
}

void TestUpgradeEngine::portLostEndsEveryRunningState_data()
{
    QTest::addColumn<int>("state");
    for (int st = UpgradeEngine::StateProbe; st <= UpgradeEngine::StateBoot; ++st)
        QTest::newRow(qPrintable(QString("state %1").arg(st))) << st;
}

void TestUpgradeEngine::portLostEndsEveryRunningState()
{
    QFETCH(int, state);
    Rig r;
    r.startRun(pattern(400));
    if (state >= UpgradeEngine::StateGetInfo && state != UpgradeEngine::StateProgram)
        r.feed(hex("12 10"));
    if (state == UpgradeEngine::StateProgram) {
        r.reachErase();
        r.tick();
        r.feed(hex("12 10"));
        r.tick();
        r.feed(hex("12 10")); // mid-programming
    } else if (state > UpgradeEngine::StateGetInfo) {
        r.engine.setUpgradeState(quint8(state));
        r.tick();
    }
    QCOMPARE(int(r.engine.state()), state);
    r.engine.portError();
    QCOMPARE(int(r.engine.state()), int(UpgradeEngine::StateWaitStart));
    QCOMPARE(r.host.sinksOf("Communication error, upgrade failed!"),
             UpgradeEngine::SinkLog | UpgradeEngine::SinkStatus | UpgradeEngine::SinkPopup);
    QCOMPARE(r.host.ended, 1);
    QVERIFY(!r.host.endedOk);
    // Outside a run it changes nothing.
    r.tick();
    QCOMPARE(int(r.engine.state()), int(UpgradeEngine::StateReady));
    r.engine.portError();
    QCOMPARE(int(r.engine.state()), int(UpgradeEngine::StateReady));
}

void TestUpgradeEngine::loadFirmwareKinds_data()
{
    QByteArray kvf;
    QVERIFY(Kvf::build("Kavo-ORVE", 10013, pattern(40), kvf));
    QByteArray emptyKvf;
    QVERIFY(Kvf::build("Kavo-ORVE", 10013, QByteArray(), emptyKvf));
    QByteArray badDigest = kvf;
    badDigest[Kvf::DigestOffset] = char(badDigest[Kvf::DigestOffset] ^ 1);

    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("opened");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("ready");
    QTest::addColumn<bool>("container");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("report");
    QTest::newRow("upper-case .BIN") << "/x/FW.BIN" << true << pattern(10) << true << false << 10
                                     << "FW.BIN Size of Firmware:10 Bytes";
    QTest::newRow(".bin.kvf is raw") << "/x/a.bin.kvf" << true << kvf << true << false << kvf.size()
                                     << QString("a.bin.kvf Size of Firmware:%1 Bytes").arg(kvf.size());
    // An empty image would erase the unit and leave it without firmware: refused, Start never arms.
    QTest::newRow("empty .bin") << "e.bin" << true << QByteArray() << false << false << 0
                                << "Unable to upgrade, the firmware is empty";
    QTest::newRow("container holding no bytes")
        << "/x/e.kvf" << true << emptyKvf << false << false << 0 << "Unable to upgrade, the firmware is empty";
    QTest::newRow("container") << "/x/o.kvf" << true << kvf << true << true << 40 << "o.kvf Size of Firmware:40 Bytes";
    QTest::newRow("container one byte long")
        << "/x/o.kvf" << true << kvf + "x" << false << false << 0 << "firmware size err";
    QTest::newRow("container short") << "/x/o.KVF" << true << kvf.left(255) << false << false << 0
                                     << "firmware size err";
    QTest::newRow("container digest") << "/x/o.kvf" << true << badDigest << false << false << 0 << "firmware md5 err";
    QTest::newRow("unsupported") << "/x/fw.hex" << true << pattern(10) << false << false << 0
                                 << "Unsupported firmware types";
    QTest::newRow("unreadable") << "/x/fw.bin" << false << QByteArray() << false << false << 0
                                << "Firmware.open_Wrong!";
}

void TestUpgradeEngine::loadFirmwareKinds()
{
    QFETCH(QString, path);
    QFETCH(bool, opened);
    QFETCH(QByteArray, content);
    QFETCH(bool, ready);
    QFETCH(bool, container);
    QFETCH(int, length);
    QFETCH(QString, report);
    Rig r;
    r.engine.setImage(pattern(7)); // an earlier image
    QCOMPARE(r.engine.loadFirmware(path, opened, content), ready);
    QCOMPARE(r.engine.imageReady(), ready);
    QCOMPARE(r.engine.imageIsContainer(), container);
    QCOMPARE(r.engine.imageLength(), length);
    QVERIFY2(r.host.logged(report), qPrintable(r.host.reports.isEmpty() ? "" : r.host.reports.last().text));
    if (container)
        QCOMPARE(int(r.engine.containerBoardId()), 10013);
    // Only a loaded image arms the start button.
    r.tick();
    QCOMPARE(int(r.engine.state()), int(ready ? UpgradeEngine::StateReady : UpgradeEngine::StateWaitStart));
}

QTEST_APPLESS_MAIN(TestUpgradeEngine)
#include "tst_upgradeengine.moc"
