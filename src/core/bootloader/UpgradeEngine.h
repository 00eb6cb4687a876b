#pragma once

#include "core/bootloader/ReplyCollector.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <QtGlobal>

// The firmware upgrade state machine of the serial bootloader, without any I/O of its own: the front end
// (upgrade window, command line) owns the serial port and a 20 ms timer, feeds each read block with
// feed(), calls tick() on every timer period and carries out what the engine asks of its Host.
// Time is the caller's millisecond clock (low 32 bits of the epoch time); elapsed times are unsigned
// 32-bit differences.
class UpgradeEngine
{
public:
    enum State : quint8 {
        StateWaitStart = 0,
        StateReady = 1,
        StateProbe = 2,
        StateGetInfo = 3,
        StateErase = 4,
        StateProgram = 5,
        StateVerify = 6,
        StateBoot = 7,
    };
    // Where a report goes besides the log view.
    enum Sink { SinkLog = 1, SinkStatus = 2, SinkPopup = 4 };

    // Timings of the protocol steps, in milliseconds.
    static constexpr quint32 ProbeIntervalAutoMs = 300;
    static constexpr quint32 ProbeIntervalManualMs = 500;
    static constexpr quint32 InfoRequestIntervalMs = 300;
    static constexpr quint32 InfoTimeoutMs = 20000;
    static constexpr quint32 EraseTimeoutMs = 60000;
    static constexpr quint32 ChunkResendMs = 3000;
    static constexpr quint32 WriteTimeoutMs = 120000;
    static constexpr quint32 VerifyTimeoutMs = 5000;
    // Recovery of the program step after a refused or unacknowledged chunk: the line must have been
    // quiet this long before the re-synchronising probe goes out; a probe unanswered this long is sent
    // again (after another quiet period).
    static constexpr quint32 RecoveryQuietMs = 60;
    static constexpr quint32 ResyncReplyMs = 300;
    // The sync and device-value exchange before a repeated erase and before the boot command.
    static constexpr quint32 HandshakeTimeoutMs = 3000;
    // How long the boot command's answer is awaited; silence means the unit started its firmware.
    static constexpr quint32 BootReplyMs = 500;
    // Repeated runs from the erase after a verification that failed following a recovery.
    static constexpr int MaxEraseRestarts = 2;
    // Each identity request (serial words, chip id, chip description) is awaited this long; silence or a
    // refusal means the unit has none and the upgrade goes on.
    static constexpr quint32 IdentityReplyMs = 200;
    // A chunk longer than the fallback size refused this many times in a row drops the rest of the
    // upgrade to 128-byte chunks (one refusal may be a noisy byte).
    static constexpr int RefusalsBeforeFallback = 2;
    // Largest flash area whose CRC is computed for a bootloader that checks its whole flash.
    static constexpr quint32 MaxAreaCrcBytes = 64u * 1024 * 1024;

    // Report texts a front end may need to recognise.
    static const char *const SuccessText;     // "Firmware upgrade successfully"
    static const char *const CommErrorText;   // "Communication error, upgrade failed!"
    static const char *const TooLargeText;    // the image does not fit the flash the unit reports
    static const char *const BootRefusedText; // the unit answered the boot command with failed or invalid
    static const char *const EmptyImageText;  // a file or container without any byte
    static const char *const UpToDateText;    // "already up to date": the unit held the image (skip-same)

    class Host
    {
    public:
        virtual ~Host() = default;
        // A report line: always for the log view; SinkStatus also sets the status line, SinkPopup also
        // shows a timed pop-up.
        virtual void report(const QString &text, int sinks) = 0;
        // The status line alone (elapsed times of the erase and write steps).
        virtual void setStatusText(const QString &text) = 0;
        virtual void setProgress(int percent) = 0;
        // A state was entered (captions and enabled controls follow it).
        virtual void stateEntered(quint8 state) = 0;
        // Every port of the one enumeration as "name: description", in enumeration order.
        virtual QStringList portTexts() = 0;
        // The port box: read in manual mode, written by the automatic scan.
        virtual QString portBoxText() = 0;
        virtual void setPortBoxText(const QString &text) = 0;
        // Closes the port and gives it a new name.
        virtual void setPortName(const QString &name) = 0;
        // Opens the port read-write (115200 8N1); false when that fails.
        virtual bool openPort() = 0;
        // Sends what is still queued, drops what the device still sends and closes the port.
        virtual void closePort() = 0;
        virtual void write(const QByteArray &bytes) = 0;
        // The unit's identity requests are done (before the board check and the erase): unitId is the
        // 96-bit id the bootloader reported as "%08X%08X%08X", empty when it has none. The engine's
        // unitId(), chipId() and chipDescription() hold the same until the next run starts.
        virtual void unitIdentified(const QString &unitId) { Q_UNUSED(unitId); }
        // An upgrade run ended: success after the boot command, or failure with its report.
        virtual void upgradeEnded(bool success, const QString &text)
        {
            Q_UNUSED(success);
            Q_UNUSED(text);
        }
    };

    struct DeviceInfo
    {
        quint32 blRevision = 0;
        quint32 boardID = 0;
        quint32 boardRevision = 0;
        quint32 FWSize = 0;
        QByteArray vecArea;
        quint8 infoFlags = 0;
        quint8 lastInfoFlags = 0;
    };
    static constexpr quint8 AllInfoFlags = 0x1F;

    // What the bootloader says of the unit itself (protocol revision 4 and later).
    struct Identity
    {
        bool hasSerial = false;
        quint32 serial[3] = {0, 0, 0}; // the 96-bit unique id, words at byte offsets 0, 4, 8
        bool hasChip = false;
        quint32 chip = 0;
        QString chipDescription;
    };

    explicit UpgradeEngine(Host &host);

    // --- set by the front end -------------------------------------------------------------------
    // 0 = automatic scan, 1 = manual selection. Does not change the state (the window does that).
    void setScanMode(quint8 mode) { m_scanMode = mode; }
    quint8 scanMode() const { return m_scanMode; }
    void setKeywords(const QStringList &include, const QStringList &exclude);
    QStringList includeKeywords() const { return m_includeKeywords; }
    QStringList excludeKeywords() const { return m_excludeKeywords; }
    void clearCandidates() { m_candidatePorts.clear(); }
    QStringList candidatePorts() const { return m_candidatePorts; }
    // The name the port has before the first probe of a run.
    void setInitialPortName(const QString &name) { m_portName = name; }
    QString portName() const { return m_portName; }

    // Interprets a chosen firmware file the way the upgrade window loads it: path decides the kind
    // (".bin" tested before ".kvf", case-insensitive), opened says whether the file could be read,
    // content is its bytes. Reports and arms or disarms as the outcome demands. Returns true when the
    // file became the image to write.
    bool loadFirmware(const QString &path, bool opened, const QByteArray &content);
    // A raw image set directly (tests).
    void setImage(const QByteArray &image, bool isContainer = false, quint16 containerBoardId = 0);
    const QByteArray &image() const { return m_image; }
    qint32 imageLength() const { return m_imageLength; }
    bool imageIsContainer() const { return m_imageIsContainer; }
    quint16 containerBoardId() const { return m_containerBoardId; }
    bool imageReady() const { return m_imageReady; }
    // Ask the unit's CRC before erasing and boot without erasing or programming when it equals the image's.
    void setSkipSame(bool skip) { m_skipSame = skip; }
    bool skipSame() const { return m_skipSame; }

    // --- driven by the front end ----------------------------------------------------------------
    // One timer period.
    void tick(quint32 now);
    // One block read from the port (everything it had buffered). Returns true when the block moved the
    // run on (a new state or a new device value), so the front end may run the next step at once
    // instead of waiting for the next timer period.
    bool feed(const QByteArray &block, quint32 now);
    // Whether the port is read at all in this state (states 2..7); otherwise bytes stay in its buffer.
    bool readsReplies() const { return m_state >= StateProbe && m_state <= StateBoot; }
    // The start button: in state 1 starts a run, in any other state returns to state 0 (cancel).
    void startButton();
    // The open port was lost (unplugged, closed under us): ends a run in states 2..7 at once.
    void portError();
    void setUpgradeState(quint8 state);
    quint8 state() const { return m_state; }

    const DeviceInfo &deviceInfo() const { return m_deviceInfo; }
    // The unit's identity of the current or last run (cleared when the next run starts, kept past its end):
    // unitId() is the 96-bit id as "%08X%08X%08X" (the three words in order), empty when the unit has none.
    const Identity &identity() const { return m_identity; }
    QString unitId() const;
    // The last run found the image already on the unit and booted it without erasing (skip-same).
    bool wasUpToDate() const { return m_upToDate; }
    // Data bytes per program chunk of this upgrade: 252, or 128 after the fall-back.
    int chunkSize() const { return m_chunkSize; }
    qint32 writeOffset() const { return m_writeOffset; }
    // Counters of one run (cleared on entering state 0 like the rest of the run's data).
    int chunksSent() const { return m_chunksSent; }
    int chunkResends() const { return m_chunkResends; }
    // Recoveries of the program step since its last erase, and repeated erases of this run.
    int recoveries() const { return m_recoveries; }
    int eraseRestarts() const { return m_eraseRestarts; }
    // Image bytes written to the unit: the image rounded up to whole 4-byte words.
    qint64 paddedLength() const { return (qint64(m_image.size()) + 3) / 4 * 4; }

    // Ports of the enumeration ("name: description" texts) an automatic scan takes, in enumeration order.
    static QStringList matchingPorts(const QStringList &portTexts, const QStringList &include,
                                     const QStringList &exclude);
    // Short name of a state for machine-readable progress ("probe", "erase", ...).
    static const char *stateName(quint8 state);
    // Whether a manual-mode port box text names a serial port: Windows names ("COM") or a device path.
    static bool manualPortTextArms(const QString &text);
    // "%02d:%02d:%02d" of the whole seconds in ms.
    static QString elapsedText(quint32 ms);

private:
    void log(const QString &text) { m_host.report(text, SinkLog); }
    void fail(const QString &text);
    void selectNextPort();
    void sendGetDevice(quint32 now);
    void sendProgramChunk(bool advance, quint32 now);
    void clearRun();
    bool fitsManual() const;

    void tickProbe(quint32 now);
    void tickGetInfo(quint32 now);
    void tickErase(quint32 now);
    void tickProgram(quint32 now);
    void tickVerify(quint32 now);
    void tickBoot(quint32 now);
    // Identity requests after the device values; returns true once they are done.
    bool tickIdentity(quint32 now);
    bool feedIdentity(const QByteArray &block, quint32 now);
    void sendIdentityStep(quint8 step, quint32 now);
    void nextIdentityStep(bool answered, quint32 now);
    // Skip-same: the unit's CRC before the erase.
    bool replySameCrc(const QByteArray &block);
    // 1 when crc is the image's, 2 when it is the CRC of the unit's whole flash area holding the image, else 0.
    int crcMatch(quint32 deviceCrc) const;
    void succeed();

    // Program step recovery: quiet line, re-synchronising probe, then the resend.
    void beginRecovery(quint32 now, const char *reason);
    void tickRecovery(quint32 now);
    bool feedRecovery(const QByteArray &block, quint32 now);
    void restartFromErase();

    // Sync and one device value, before a repeated erase and before the boot command. tickHandshake
    // returns true once the exchange is done; it ends the run when the unit stays silent.
    bool tickHandshake(quint32 now);
    bool feedHandshake(const QByteArray &block, quint32 now);
    void sendHandshakeStep(quint8 step, quint32 now);

    bool replyProbe(const QByteArray &block);
    bool replyGetInfo(const QByteArray &block, quint32 now);
    bool replyErase(const QByteArray &block, quint32 now);
    bool replyChunk(const QByteArray &block, quint32 now);
    bool replyCrc(const QByteArray &block);
    bool replyBoot(const QByteArray &block, quint32 now);

    Host &m_host;
    quint8 m_scanMode = 0;
    quint8 m_state = StateWaitStart;
    QStringList m_candidatePorts;
    QStringList m_includeKeywords;
    QStringList m_excludeKeywords;
    QString m_portName;

    QByteArray m_image;
    qint32 m_imageLength = 0;
    bool m_imageIsContainer = false;
    quint16 m_containerBoardId = 0;
    bool m_imageReady = false;

    // The run's data, zeroed on every entry into state 0. Step clocks: 0 means not started.
    DeviceInfo m_deviceInfo;
    quint32 m_infoStart = 0;
    quint32 m_lastInfoRequest = 0;
    quint32 m_writeStart = 0;
    quint32 m_lastChunkSent = 0;
    quint32 m_lastProbe = 0;
    quint32 m_eraseStart = 0;
    quint32 m_verifyStart = 0;
    qint32 m_writeOffset = 0;
    int m_chunksSent = 0;
    int m_chunkResends = 0;
    int m_chunkSize = 0;     // data bytes per chunk of this upgrade
    int m_chunkBytes = 0;    // image bytes of the chunk last sent (before its padding)
    int m_chunkRefusals = 0; // refusals of that chunk in a row

    Identity m_identity;
    enum IdentityStep : quint8 { IdNone, IdSerial0, IdSerial1, IdSerial2, IdChip, IdChipDes, IdDone };
    quint8 m_identityStep = IdNone;
    quint32 m_identitySent = 0;
    bool m_identityTrouble = false; // a request went unanswered or was refused

    bool m_skipSame = false;
    enum SameCheck : quint8 { SameNone, SameAsked, SameDone };
    quint8 m_sameCheck = SameNone;
    quint32 m_sameSent = 0;
    bool m_upToDate = false;

    // What the current step has gathered of its reply; dropped on every state change and resend.
    ReplyCollector m_collector;
    enum Recovery : quint8 { RecoveryNone, RecoveryQuiet, RecoverySync };
    quint8 m_recovery = RecoveryNone;
    quint32 m_quietSince = 0;
    quint32 m_resyncSent = 0;
    int m_recoveries = 0;
    int m_eraseRestarts = 0;
    enum Handshake : quint8 { HandshakeIdle, HandshakeSync, HandshakeDevice, HandshakeDone };
    quint8 m_handshake = HandshakeIdle;
    bool m_eraseNeedsHandshake = false;
    quint32 m_handshakeStart = 0;
    quint32 m_handshakeSent = 0;
    quint32 m_bootSent = 0;
};
