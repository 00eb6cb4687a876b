#include "core/bootloader/UpgradeEngine.h"

#include "core/bootloader/BootloaderCrc.h"
#include "core/bootloader/BootloaderProtocol.h"
#include "core/kvf/KvfContainer.h"

#include <QDebug>

namespace BP = BootloaderProtocol;

const char *const UpgradeEngine::SuccessText = "Firmware upgrade successfully";
const char *const UpgradeEngine::CommErrorText = "Communication error, upgrade failed!";
const char *const UpgradeEngine::TooLargeText = "Upgrade failed, the firmware is larger than the unit's flash";
const char *const UpgradeEngine::BootRefusedText = "Upgrade failed, the unit refused to start the firmware";
const char *const UpgradeEngine::EmptyImageText = "Unable to upgrade, the firmware is empty";
const char *const UpgradeEngine::UpToDateText = "already up to date";

UpgradeEngine::UpgradeEngine(Host &host) : m_host(host)
{
    clearRun();
}

void UpgradeEngine::setKeywords(const QStringList &include, const QStringList &exclude)
{
    m_includeKeywords = include;
    m_excludeKeywords = exclude;
}

bool UpgradeEngine::manualPortTextArms(const QString &text)
{
    return text.contains(QLatin1String("COM")) || text.startsWith(QLatin1String("/dev/"));
}

QStringList UpgradeEngine::matchingPorts(const QStringList &portTexts, const QStringList &include,
                                         const QStringList &exclude)
{
    QStringList matching;
    for (const QString &text : portTexts) {
        bool included = false;
        for (const QString &k : include)
            included = included || text.contains(k);
        bool excluded = false;
        for (const QString &k : exclude)
            excluded = excluded || text.contains(k);
        if (included && !excluded)
            matching.append(text);
    }
    return matching;
}

const char *UpgradeEngine::stateName(quint8 state)
{
    static const char *const names[] = {"wait", "ready", "probe", "info", "erase", "program", "verify", "boot"};
    return state < sizeof(names) / sizeof(names[0]) ? names[state] : "unknown";
}

QString UpgradeEngine::unitId() const
{
    if (!m_identity.hasSerial)
        return QString();
    return QString::asprintf("%08X%08X%08X", m_identity.serial[0], m_identity.serial[1], m_identity.serial[2]);
}

QString UpgradeEngine::elapsedText(quint32 ms)
{
    const quint32 s = ms / 1000;
    return QString::asprintf("%02d:%02d:%02d", int(s / 3600), int((s / 60) % 60), int(s % 60));
}

// --- firmware file --------------------------------------------------------------------------------

bool UpgradeEngine::loadFirmware(const QString &path, bool opened, const QByteArray &content)
{
    // A file that cannot become the image disarms the window: the path it shows is no longer the image
    // that would be written.
    auto refuse = [this] {
        m_imageReady = false;
        m_image.clear();
        m_imageLength = 0;
        m_imageIsContainer = false;
        m_containerBoardId = 0;
    };
    const QString fileName = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    if (!opened) {
        refuse();
        m_host.report(QStringLiteral("Firmware.open_Wrong!"), SinkLog | SinkPopup);
        setUpgradeState(StateWaitStart);
        return false;
    }
    // An image without a byte would erase the unit and leave it empty.
    auto refuseEmpty = [&] {
        refuse();
        m_host.report(QString::fromLatin1(EmptyImageText), SinkLog | SinkStatus | SinkPopup);
        setUpgradeState(StateWaitStart);
        return false;
    };
    if (path.contains(QLatin1String(".bin"), Qt::CaseInsensitive)) {
        m_host.report(fileName + QStringLiteral(" Size of Firmware:") + QString::number(content.size()) +
                          QStringLiteral(" Bytes"),
                      SinkLog | SinkStatus);
        if (content.isEmpty())
            return refuseEmpty();
        setImage(content);
        return true;
    }
    if (path.contains(QLatin1String(".kvf"), Qt::CaseInsensitive)) {
        const Kvf::Contents kvf = Kvf::read(content);
        if (kvf.status == Kvf::Contents::SizeError) {
            if (content.size() >= Kvf::HeaderSize)
                qDebug() << "kvf: image size" << kvf.imageSize << "file size" << content.size();
            refuse();
            m_host.report(QStringLiteral("firmware size err"), SinkLog | SinkStatus | SinkPopup);
            setUpgradeState(StateWaitStart);
            return false;
        }
        qDebug() << "kvf: board name" << kvf.boardName << "board id" << kvf.boardId << "image size" << kvf.imageSize
                 << "md5" << kvf.computedDigest.toHex() << "stored md5" << kvf.storedDigest.toHex();
        if (!kvf.isValid()) {
            refuse();
            m_host.report(QStringLiteral("firmware md5 err"), SinkLog | SinkStatus);
            setUpgradeState(StateWaitStart);
            return false;
        }
        m_host.report(fileName + QStringLiteral(" Size of Firmware:") + QString::number(kvf.imageSize) +
                          QStringLiteral(" Bytes"),
                      SinkLog | SinkStatus);
        if (kvf.image.isEmpty())
            return refuseEmpty();
        setImage(kvf.image, true, kvf.boardId);
        return true;
    }
    refuse();
    m_host.report(QStringLiteral("Unsupported firmware types"), SinkLog | SinkPopup);
    setUpgradeState(StateWaitStart);
    return false;
}

void UpgradeEngine::setImage(const QByteArray &image, bool isContainer, quint16 containerBoardId)
{
    m_image = image;
    m_imageLength = qint32(image.size());
    m_imageIsContainer = isContainer;
    m_containerBoardId = containerBoardId;
    m_imageReady = true;
}

// --- states -----------------------------------------------------------------------------------------

void UpgradeEngine::clearRun()
{
    m_deviceInfo = DeviceInfo();
    m_infoStart = m_lastInfoRequest = m_writeStart = m_lastChunkSent = 0;
    m_lastProbe = m_eraseStart = m_verifyStart = 0;
    m_writeOffset = 0;
    m_chunksSent = m_chunkResends = 0;
    m_recovery = RecoveryNone;
    m_quietSince = m_resyncSent = 0;
    m_recoveries = m_eraseRestarts = 0;
    m_handshake = HandshakeIdle;
    m_eraseNeedsHandshake = false;
    m_handshakeStart = m_handshakeSent = m_bootSent = 0;
    m_chunkSize = BP::MaxChunk;
    m_chunkBytes = m_chunkRefusals = 0;
    m_identityStep = IdNone;
    m_identitySent = 0;
    m_identityTrouble = false;
    m_sameCheck = SameNone;
    m_sameSent = 0;
}

void UpgradeEngine::setUpgradeState(quint8 state)
{
    m_state = state;
    // A new step awaits its own reply: nothing gathered for the previous one may count.
    m_collector.expect(ReplyCollector::Form::None);
    log(QStringLiteral("new state:") + QString::number(state));
    if (state == StateProbe) {
        // A new run: what the last one learnt of its unit stays readable until now.
        m_identity = Identity();
        m_upToDate = false;
    }
    if (state <= StateVerify)
        m_host.stateEntered(state);
    if (state == StateWaitStart) {
        clearRun();
        m_host.setProgress(0);
        m_host.closePort();
    }
}

void UpgradeEngine::fail(const QString &text)
{
    m_host.report(text, SinkLog | SinkStatus | SinkPopup);
    setUpgradeState(StateWaitStart);
    m_host.upgradeEnded(false, text);
}

bool UpgradeEngine::fitsManual() const
{
    return manualPortTextArms(m_host.portBoxText());
}

void UpgradeEngine::startButton()
{
    if (m_state == StateReady) {
        log(QStringLiteral("Start upgrade..."));
        setUpgradeState(StateProbe);
    } else {
        setUpgradeState(StateWaitStart);
    }
}

void UpgradeEngine::portError()
{
    if (m_state >= StateProbe && m_state <= StateBoot)
        fail(QString::fromLatin1(CommErrorText));
}

// Clock values of 0 mean "not started"; a step started at the very tick the clock reads 0 takes 1.
static inline quint32 stamp(quint32 now)
{
    return now ? now : 1;
}

void UpgradeEngine::tick(quint32 now)
{
    switch (m_state) {
    case StateWaitStart:
        if (m_imageReady && !m_image.isEmpty() && (m_scanMode == 0 || fitsManual()))
            setUpgradeState(StateReady);
        break;
    case StateReady:
        if (!m_imageReady || (m_scanMode != 0 && !fitsManual()))
            setUpgradeState(StateWaitStart);
        break;
    case StateProbe:
        tickProbe(now);
        break;
    case StateGetInfo:
        tickGetInfo(now);
        break;
    case StateErase:
        tickErase(now);
        break;
    case StateProgram:
        tickProgram(now);
        break;
    case StateVerify:
        tickVerify(now);
        break;
    case StateBoot:
        tickBoot(now);
        break;
    default:
        break;
    }
}

bool UpgradeEngine::feed(const QByteArray &block, quint32 now)
{
    if (m_state >= StateProbe && m_state <= StateErase)
        log(QStringLiteral("Get Data:") + QString::number(block.size()));
    switch (m_state) {
    case StateProbe:
        return replyProbe(block);
    case StateGetInfo:
        return replyGetInfo(block, now);
    case StateErase:
        return replyErase(block, now);
    case StateProgram:
        return replyChunk(block, now);
    case StateVerify:
        return replyCrc(block);
    case StateBoot:
        return replyBoot(block, now);
    default:
        return false;
    }
}

// --- probe ------------------------------------------------------------------------------------------

void UpgradeEngine::selectNextPort()
{
    QString name;
    if (m_scanMode == 0) {
        if (m_candidatePorts.isEmpty()) {
            log(QStringLiteral("scan port..."));
            m_candidatePorts = matchingPorts(m_host.portTexts(), m_includeKeywords, m_excludeKeywords);
            for (const QString &text : qAsConst(m_candidatePorts))
                log(QStringLiteral("PortInfo:") + text);
            if (m_candidatePorts.isEmpty()) {
                m_host.report(QStringLiteral("No valid serial port detected"), SinkLog | SinkStatus);
                return;
            }
        }
        name = m_candidatePorts.takeLast().section(QLatin1Char(':'), 0, 0);
        m_host.setPortBoxText(name);
    } else {
        name = m_host.portBoxText().section(QLatin1Char(':'), 0, 0);
    }
    log(QStringLiteral("set serialPort Name:") + name);
    m_portName = name;
    m_host.setPortName(name);
}

void UpgradeEngine::tickProbe(quint32 now)
{
    const quint32 interval = m_scanMode == 0 ? ProbeIntervalAutoMs : ProbeIntervalManualMs;
    if (m_lastProbe != 0 && now - m_lastProbe < interval)
        return;
    if (m_lastProbe != 0)
        selectNextPort();
    if (!m_host.openPort()) {
        m_host.closePort();
        log(QStringLiteral("open ") + m_portName + QStringLiteral(" failed"));
    }
    m_host.write(BP::probe());
    m_collector.expect(ReplyCollector::Form::Sync);
    m_lastProbe = stamp(now);
    log(m_portName + QStringLiteral("Send probe data"));
}

bool UpgradeEngine::replyProbe(const QByteArray &block)
{
    if (m_collector.add(block) != ReplyCollector::Result::Complete)
        return false;
    log(QStringLiteral("The correct response from the control module was received"));
    m_host.report(QStringLiteral("The serial port of the controller module is detected:") + m_portName,
                  SinkLog | SinkStatus);
    setUpgradeState(StateGetInfo);
    return true;
}

// --- device information -------------------------------------------------------------------------------

void UpgradeEngine::sendGetDevice(quint32 now)
{
    quint8 param = BP::InfoBlRevision;
    while (param < BP::InfoVecArea && (m_deviceInfo.infoFlags & (1u << (param - 1))))
        ++param;
    m_host.write(BP::getDevice(param));
    m_collector.expect(param == BP::InfoVecArea ? ReplyCollector::Form::VecArea : ReplyCollector::Form::Word);
    m_lastInfoRequest = stamp(now);
}

bool UpgradeEngine::replyGetInfo(const QByteArray &bytes, quint32 now)
{
    if (m_identityStep != IdNone && m_identityStep != IdDone)
        return feedIdentity(bytes, now);
    if (m_collector.add(bytes) != ReplyCollector::Result::Complete)
        return false;
    const QByteArray block = m_collector.reply();
    if (m_collector.form() == ReplyCollector::Form::Word) {
        const quint32 value = BP::readU32LE(block.constData());
        DeviceInfo &d = m_deviceInfo;
        if (!(d.infoFlags & 0x01)) {
            d.blRevision = value;
            d.infoFlags |= 0x01;
            log(QString::asprintf("blRevision   :%d ", int(value)));
        } else if (!(d.infoFlags & 0x02)) {
            d.boardID = value;
            d.infoFlags |= 0x02;
            log(QString::asprintf("boardID      :%d ", int(value)));
        } else if (!(d.infoFlags & 0x04)) {
            d.boardRevision = value;
            d.infoFlags |= 0x04;
            log(QString::asprintf("boardRevision:%d ", int(value)));
        } else if (!(d.infoFlags & 0x08)) {
            d.FWSize = value;
            d.infoFlags |= 0x08;
            log(QString::asprintf("FWSize       :%d ", int(value)));
        } else {
            return false;
        }
        return true;
    }
    if (m_collector.form() == ReplyCollector::Form::VecArea) {
        m_deviceInfo.vecArea = block.left(BP::VecAreaSize);
        m_deviceInfo.infoFlags |= 0x10;
        // The area's first word, as the bootloader lists it first.
        log(QString::asprintf("vecArea      :%d ", int(BP::readU32LE(block.constData()))));
        return true;
    }
    return false;
}

void UpgradeEngine::tickGetInfo(quint32 now)
{
    DeviceInfo &d = m_deviceInfo;
    if (d.infoFlags == AllInfoFlags) {
        if (d.blRevision >= BP::FirstIdentityRevision && !tickIdentity(now))
            return;
        const QString separator(26, QLatin1Char('>'));
        log(separator);
        log(QString::asprintf("blRevision   :%d ", int(d.blRevision)));
        log(QString::asprintf("boardID      :%d ", int(d.boardID)));
        log(QString::asprintf("boardRevision:%d ", int(d.boardRevision)));
        log(QString::asprintf("BoardFWSize  :%d ", int(d.FWSize)));
        log(separator);
        if (m_imageIsContainer && m_containerBoardId != d.boardID) {
            const QString text = QStringLiteral("Unable to upgrade, firmware does not match hardware");
            m_host.report(text, SinkLog | SinkStatus | SinkPopup);
            log(QStringLiteral("kvf:") + QString::number(m_containerBoardId) + QStringLiteral("-board:") +
                QString::number(d.boardID));
            setUpgradeState(StateWaitStart);
            m_host.upgradeEnded(false, text);
        } else if (paddedLength() > qint64(d.FWSize)) {
            // Refused before the erase: the unit keeps the firmware it has.
            log(QStringLiteral("image ") + QString::number(paddedLength()) + QStringLiteral(" bytes, flash ") +
                QString::number(d.FWSize) + QStringLiteral(" bytes"));
            fail(QString::fromLatin1(TooLargeText));
        } else {
            setUpgradeState(StateErase);
        }
        return;
    }
    if (m_infoStart == 0) {
        m_infoStart = stamp(now);
        sendGetDevice(now);
        return;
    }
    if (d.infoFlags == d.lastInfoFlags) {
        if (now - m_lastInfoRequest > InfoRequestIntervalMs)
            sendGetDevice(now);
    } else {
        d.lastInfoFlags = d.infoFlags;
        sendGetDevice(now);
    }
    if (now - m_infoStart > InfoTimeoutMs)
        fail(QStringLiteral("Upgrade failed, Obtaining hardware information timed out"));
}

// --- identity of the unit -------------------------------------------------------------------------------

void UpgradeEngine::sendIdentityStep(quint8 step, quint32 now)
{
    m_identityStep = step;
    m_identitySent = stamp(now);
    switch (step) {
    case IdSerial0:
    case IdSerial1:
    case IdSerial2:
        m_host.write(BP::getSn(quint32(step - IdSerial0) * 4));
        m_collector.expect(ReplyCollector::Form::Word);
        break;
    case IdChip:
        m_host.write(BP::getChip());
        m_collector.expect(ReplyCollector::Form::Word);
        break;
    case IdChipDes:
        m_host.write(BP::getChipDes());
        m_collector.expect(ReplyCollector::Form::Text);
        break;
    default:
        m_collector.expect(ReplyCollector::Form::None);
        break;
    }
}

void UpgradeEngine::nextIdentityStep(bool answered, quint32 now)
{
    static const char *const names[] = {"", "GET_SN 0", "GET_SN 4", "GET_SN 8", "GET_CHIP", "GET_CHIP_DES"};
    if (!answered) {
        // No answer or a refusal: the unit has none. A stock bootloader that refused a command has reset
        // its protocol state, so the erase is preceded by a sync and a device request again.
        log(QLatin1String(names[m_identityStep]) + QStringLiteral(": no answer, the unit has none"));
        m_identityTrouble = true;
    }
    quint8 next = quint8(m_identityStep + 1);
    if (!answered && m_identityStep <= IdSerial2)
        next = IdChip; // no serial word: the other two are not asked
    // Not a byte back for the first request: a unit that skips the commands it does not know, which knows
    // none of the identity requests either (each one would cost its whole time-out).
    if (!answered && m_identityStep == IdSerial0 && m_collector.gathered() == 0)
        next = IdDone;
    if (next < IdDone) {
        sendIdentityStep(next, now);
        return;
    }
    m_identityStep = IdDone;
    m_collector.expect(ReplyCollector::Form::None);
    if (m_identityTrouble)
        m_eraseNeedsHandshake = true;
    const QString id = unitId();
    log(QStringLiteral("serial       :") + (id.isEmpty() ? QStringLiteral("none") : id));
    if (m_identity.hasChip)
        log(QString::asprintf("chip         :0x%08X", m_identity.chip));
    if (!m_identity.chipDescription.isEmpty())
        log(QStringLiteral("chip des     :") + m_identity.chipDescription);
    m_host.unitIdentified(id);
}

bool UpgradeEngine::tickIdentity(quint32 now)
{
    if (m_identityStep == IdDone)
        return true;
    if (m_identityStep == IdNone)
        sendIdentityStep(IdSerial0, now);
    else if (now - m_identitySent > IdentityReplyMs)
        nextIdentityStep(false, now);
    return m_identityStep == IdDone;
}

bool UpgradeEngine::feedIdentity(const QByteArray &block, quint32 now)
{
    switch (m_collector.add(block)) {
    case ReplyCollector::Result::Incomplete:
        return false;
    case ReplyCollector::Result::Rejected:
        nextIdentityStep(false, now);
        return true;
    case ReplyCollector::Result::Complete:
        break;
    }
    const QByteArray reply = m_collector.reply();
    if (m_identityStep >= IdSerial0 && m_identityStep <= IdSerial2) {
        m_identity.serial[m_identityStep - IdSerial0] = BP::readU32LE(reply.constData());
        m_identity.hasSerial = m_identityStep == IdSerial2;
    } else if (m_identityStep == IdChip) {
        m_identity.chip = BP::readU32LE(reply.constData());
        m_identity.hasChip = true;
    } else if (m_identityStep == IdChipDes) {
        m_identity.chipDescription = QString::fromLatin1(reply.mid(4, reply.size() - 6)).trimmed();
    }
    nextIdentityStep(true, now);
    return true;
}

// --- erase ----------------------------------------------------------------------------------------------

void UpgradeEngine::tickErase(quint32 now)
{
    // A repeated erase follows a recovery whose INVALID may have reset the unit's protocol state; the
    // unit erases only after a sync and a device request since then.
    if (m_eraseNeedsHandshake && !tickHandshake(now))
        return;
    if (m_skipSame && m_sameCheck != SameDone) {
        // Skip-same: the unit's CRC first; the erase waits for its answer.
        if (m_sameCheck == SameNone) {
            m_host.write(BP::getCrc());
            m_collector.expect(ReplyCollector::Form::Word);
            log(QStringLiteral("Send check command before erasing"));
            m_sameCheck = SameAsked;
            m_sameSent = stamp(now);
            return;
        }
        if (now - m_sameSent <= VerifyTimeoutMs)
            return;
        log(QStringLiteral("no answer to the check command: erasing"));
        m_sameCheck = SameDone;
        m_eraseNeedsHandshake = true;
        m_handshake = HandshakeIdle;
        m_handshakeStart = m_handshakeSent = 0;
        return;
    }
    if (m_eraseStart == 0) {
        m_host.write(BP::erase());
        m_collector.expect(ReplyCollector::Form::Status);
        log(QStringLiteral("Send erase command"));
        m_eraseStart = stamp(now);
        return;
    }
    const quint32 elapsed = now - m_eraseStart;
    if (elapsed > EraseTimeoutMs)
        fail(QStringLiteral("The upgrade failed. Erasure timed out"));
    // Also on the failing tick: the status line then shows how long the failed step ran.
    m_host.setStatusText(QStringLiteral("Erasing time:") + elapsedText(elapsed));
}

bool UpgradeEngine::replyErase(const QByteArray &block, quint32 now)
{
    if (m_eraseNeedsHandshake && m_handshake != HandshakeDone)
        return feedHandshake(block, now);
    if (m_sameCheck == SameAsked)
        return replySameCrc(block);
    if (m_collector.add(block) != ReplyCollector::Result::Complete || quint8(m_collector.reply()[1]) != BP::StatusOk)
        return false;
    m_host.report(QStringLiteral("Zorvan is successfully erased. "), SinkLog | SinkStatus);
    setUpgradeState(StateProgram);
    return true;
}

bool UpgradeEngine::replySameCrc(const QByteArray &block)
{
    if (m_collector.add(block) != ReplyCollector::Result::Complete)
        return false;
    const quint32 deviceCrc = BP::readU32LE(m_collector.reply().constData());
    m_sameCheck = SameDone;
    m_collector.expect(ReplyCollector::Form::None);
    if (crcMatch(deviceCrc) == 0) {
        log(QStringLiteral("the unit holds other firmware (CRC 0x%1): erasing")
                .arg(deviceCrc, 8, 16, QLatin1Char('0')));
        return true; // the erase goes out on the next step
    }
    // Nothing is erased or programmed; stock bootloaders boot after a CRC request in such a session.
    log(QStringLiteral("the unit holds this firmware (CRC 0x%1): booting without erasing")
            .arg(deviceCrc, 8, 16, QLatin1Char('0')));
    m_upToDate = true;
    setUpgradeState(StateBoot);
    return true;
}

int UpgradeEngine::crcMatch(quint32 deviceCrc) const
{
    const quint32 crc = BootloaderCrc::imageCrc(m_image, m_imageLength);
    if (deviceCrc == crc)
        return 1;
    if (m_deviceInfo.FWSize > MaxAreaCrcBytes || paddedLength() > qint64(m_deviceInfo.FWSize))
        return 0;
    return deviceCrc == BootloaderCrc::flashAreaCrc(m_image, m_imageLength, m_deviceInfo.FWSize) ? 2 : 0;
}

// --- program -------------------------------------------------------------------------------------------

void UpgradeEngine::sendProgramChunk(bool advance, quint32 now)
{
    // One frame in flight at most: a chunk goes out only after the previous one was acknowledged (or, when
    // resent, after the line fell quiet and a sync was answered). Stock bootloaders keep received bytes in
    // a small ring that drops what overflows while they program, and tell the host nothing of it.
    const qint32 size = qint32(m_image.size());
    if (advance) {
        m_writeOffset += m_chunkBytes;
        m_chunkRefusals = 0;
    } else if (m_chunksSent > 0) {
        ++m_chunkResends;
    }
    const int n = int(qMin<qint32>(size - m_writeOffset, m_chunkSize));
    m_chunkBytes = n;
    // Bootloaders program whole 4-byte words and refuse other lengths: the last chunk is padded with
    // 0xFF, which the image CRC counts there anyway.
    QByteArray data = QByteArray::fromRawData(m_image.constData() + m_writeOffset, n);
    if (n % 4)
        data = data + QByteArray(4 - n % 4, char(0xFF));
    m_collector.expect(ReplyCollector::Form::Status);
    m_host.write(BP::programChunk(data.constData(), data.size()));
    m_lastChunkSent = stamp(now);
    ++m_chunksSent;
}

void UpgradeEngine::tickProgram(quint32 now)
{
    if (m_writeStart == 0) {
        m_writeStart = stamp(now);
        sendProgramChunk(false, now);
        return;
    }
    if (m_recovery != RecoveryNone)
        tickRecovery(now);
    else if (now - m_lastChunkSent > ChunkResendMs)
        beginRecovery(now, "no acknowledgement");
    const quint32 elapsed = now - m_writeStart;
    if (elapsed > WriteTimeoutMs)
        fail(QStringLiteral("The upgrade failed ,the write timed out"));
    const qint32 size = qint32(m_image.size());
    m_host.setProgress(size > 0 ? int(float(m_writeOffset) / float(size) * 100.0f) : 0);
    m_host.setStatusText(QStringLiteral("Write time:") + elapsedText(elapsed));
}

bool UpgradeEngine::replyChunk(const QByteArray &block, quint32 now)
{
    if (m_recovery != RecoveryNone)
        return feedRecovery(block, now);
    if (m_collector.add(block) != ReplyCollector::Result::Complete)
        return false;
    const quint8 status = quint8(m_collector.reply()[1]);
    if (status == BP::StatusFailed || status == BP::StatusInvalid) {
        // The same long chunk refused twice: the unit takes no 252-byte chunks. Once may be a noisy byte.
        const int padded = (m_chunkBytes + 3) / 4 * 4;
        if (++m_chunkRefusals >= RefusalsBeforeFallback && padded > BP::FallbackChunk) {
            log(QStringLiteral("chunk of %1 bytes at offset %2 refused twice: %3-byte chunks from here")
                    .arg(padded)
                    .arg(m_writeOffset)
                    .arg(BP::FallbackChunk));
            m_chunkSize = BP::FallbackChunk;
            m_chunkRefusals = 0;
        }
        beginRecovery(now, status == BP::StatusFailed ? "failed" : "invalid");
    } else if (status == BP::StatusOk) {
        if (m_writeOffset == qint32(m_image.size())) {
            setUpgradeState(StateVerify);
            return true;
        }
        sendProgramChunk(true, now);
    }
    return false;
}

// --- verify and boot ---------------------------------------------------------------------------------

void UpgradeEngine::tickVerify(quint32 now)
{
    if (m_verifyStart == 0) {
        m_host.write(BP::getCrc());
        m_collector.expect(ReplyCollector::Form::Word);
        log(QStringLiteral("Send check command"));
        m_verifyStart = stamp(now);
        return;
    }
    if (now - m_verifyStart > VerifyTimeoutMs)
        fail(QStringLiteral("The upgrade failed, the verification timed out"));
}

bool UpgradeEngine::replyCrc(const QByteArray &block)
{
    if (m_collector.add(block) != ReplyCollector::Result::Complete)
        return false;
    const quint32 deviceCrc = BP::readU32LE(m_collector.reply().constData());
    const quint32 crc = BootloaderCrc::imageCrc(m_image, m_imageLength);
    // Some bootloaders check their whole flash area (the image, then erased 0xFF bytes up to the size they
    // report) rather than the image alone.
    const int match = crcMatch(deviceCrc);
    if (match == 1) {
        log(QStringLiteral("CRC of the image matches: 0x%1").arg(crc, 8, 16, QLatin1Char('0')));
    } else if (match == 2) {
        log(QStringLiteral("CRC of the flash area (%1 bytes) matches: 0x%2")
                .arg(m_deviceInfo.FWSize)
                .arg(deviceCrc, 8, 16, QLatin1Char('0')));
    } else if ((m_recoveries > 0 || m_chunkSize > BP::FallbackChunk) && m_eraseRestarts < MaxEraseRestarts) {
        // A resend after a lost acknowledgement may have written a chunk twice, and a unit may take long
        // chunks without writing them whole: start again from the erase, with 128-byte chunks.
        log(QStringLiteral("CRC differs after %1 resent chunk(s) with %2-byte chunks (device 0x%3, image 0x%4): "
                           "erase again")
                .arg(m_recoveries)
                .arg(m_chunkSize)
                .arg(deviceCrc, 8, 16, QLatin1Char('0'))
                .arg(crc, 8, 16, QLatin1Char('0')));
        restartFromErase();
        return true;
    } else {
        // The unit holds something other than the image: never start it, say so at once.
        fail(QStringLiteral("The upgrade failed, the verification failed (device CRC 0x%1, image CRC 0x%2)")
                 .arg(deviceCrc, 8, 16, QLatin1Char('0'))
                 .arg(crc, 8, 16, QLatin1Char('0')));
        return true;
    }
    setUpgradeState(StateBoot);
    m_host.report(QStringLiteral("Check success"), SinkLog | SinkStatus);
    return true;
}

void UpgradeEngine::restartFromErase()
{
    ++m_eraseRestarts;
    m_eraseStart = m_writeStart = m_lastChunkSent = m_verifyStart = 0;
    m_writeOffset = 0;
    m_chunkSize = BP::FallbackChunk;
    m_chunkBytes = m_chunkRefusals = 0;
    m_recoveries = 0;
    m_recovery = RecoveryNone;
    m_handshake = HandshakeIdle;
    m_handshakeStart = m_handshakeSent = 0;
    m_eraseNeedsHandshake = true;
    m_host.setProgress(0);
    setUpgradeState(StateErase);
}

// Boot: a sync and a device value first (a bootloader whose protocol state was reset refuses to boot
// otherwise), then the boot command and a short wait for a refusal.
void UpgradeEngine::tickBoot(quint32 now)
{
    if (!tickHandshake(now))
        return;
    if (m_bootSent == 0) {
        m_host.write(BP::boot());
        m_collector.expect(ReplyCollector::Form::Status);
        log(QStringLiteral("Send start command"));
        m_bootSent = stamp(now);
        return;
    }
    if (now - m_bootSent >= BootReplyMs)
        succeed(); // silence: the unit left its bootloader without a word, as many do
}

bool UpgradeEngine::replyBoot(const QByteArray &block, quint32 now)
{
    if (m_handshake != HandshakeDone)
        return feedHandshake(block, now);
    if (m_bootSent == 0 || m_collector.add(block) != ReplyCollector::Result::Complete)
        return false;
    const quint8 status = quint8(m_collector.reply()[1]);
    if (status == BP::StatusOk) {
        succeed();
    } else {
        log(QStringLiteral("boot answered 12 %1").arg(status, 2, 16, QLatin1Char('0')));
        fail(QString::fromLatin1(BootRefusedText));
    }
    return true;
}

void UpgradeEngine::succeed()
{
    const QString text = QString::fromLatin1(m_upToDate ? UpToDateText : SuccessText);
    m_host.report(text, SinkLog | SinkStatus | SinkPopup);
    m_host.setProgress(100);
    setUpgradeState(StateWaitStart);
    m_host.upgradeEnded(true, text);
}

// --- recovery of the program step ----------------------------------------------------------------------

void UpgradeEngine::beginRecovery(quint32 now, const char *reason)
{
    // Without sequence numbers, an acknowledgement that is still under way (or a stray one from the rest of
    // a refused frame) would be taken for the resend's: first let the line fall quiet and re-synchronise.
    log(QStringLiteral("chunk at offset ") + QString::number(m_writeOffset) + QStringLiteral(": ") +
        QLatin1String(reason) + QStringLiteral(", re-synchronising"));
    ++m_recoveries;
    m_recovery = RecoveryQuiet;
    m_quietSince = stamp(now);
    m_collector.expect(ReplyCollector::Form::None);
}

void UpgradeEngine::tickRecovery(quint32 now)
{
    if (m_recovery == RecoveryQuiet) {
        if (now - m_quietSince < RecoveryQuietMs)
            return;
        m_host.write(BP::probe());
        m_collector.expect(ReplyCollector::Form::Sync);
        m_recovery = RecoverySync;
        m_resyncSent = stamp(now);
    } else if (now - m_resyncSent > ResyncReplyMs) {
        m_recovery = RecoveryQuiet;
        m_quietSince = stamp(now);
        m_collector.expect(ReplyCollector::Form::None);
    }
}

bool UpgradeEngine::feedRecovery(const QByteArray &block, quint32 now)
{
    if (m_recovery == RecoveryQuiet) {
        m_quietSince = stamp(now); // still talking: wait longer, drop what came
        return false;
    }
    switch (m_collector.add(block)) {
    case ReplyCollector::Result::Complete:
        m_recovery = RecoveryNone;
        sendProgramChunk(false, now);
        break;
    case ReplyCollector::Result::Rejected: // e.g. 12 13 for a probe swallowed by a half-parsed command
        m_recovery = RecoveryQuiet;
        m_quietSince = stamp(now);
        m_collector.expect(ReplyCollector::Form::None);
        break;
    case ReplyCollector::Result::Incomplete:
        break;
    }
    return false;
}

// --- sync and device value before a repeated erase and the boot command --------------------------------

void UpgradeEngine::sendHandshakeStep(quint8 step, quint32 now)
{
    m_handshake = step;
    if (step == HandshakeSync) {
        m_host.write(BP::probe());
        m_collector.expect(ReplyCollector::Form::Sync);
    } else {
        m_host.write(BP::getDevice(BP::InfoBlRevision));
        m_collector.expect(ReplyCollector::Form::Word);
    }
    m_handshakeSent = stamp(now);
}

bool UpgradeEngine::tickHandshake(quint32 now)
{
    if (m_handshake == HandshakeDone)
        return true;
    if (m_handshakeStart == 0) {
        m_handshakeStart = stamp(now);
        sendHandshakeStep(HandshakeSync, now);
        return false;
    }
    if (now - m_handshakeStart > HandshakeTimeoutMs) {
        log(QStringLiteral("no answer to the sync before ") +
            (m_state == StateBoot ? QStringLiteral("the boot command") : QStringLiteral("the erase")));
        fail(QString::fromLatin1(CommErrorText));
        return false;
    }
    if (now - m_handshakeSent > ResyncReplyMs)
        sendHandshakeStep(HandshakeSync, now);
    return false;
}

bool UpgradeEngine::feedHandshake(const QByteArray &block, quint32 now)
{
    if (m_collector.add(block) != ReplyCollector::Result::Complete)
        return false;
    if (m_handshake == HandshakeSync) {
        sendHandshakeStep(HandshakeDevice, now);
        return false;
    }
    m_handshake = HandshakeDone;
    return true; // the step may go on at once
}
