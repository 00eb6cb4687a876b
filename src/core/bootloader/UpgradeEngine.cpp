#include "core/bootloader/UpgradeEngine.h"

#include "core/bootloader/BootloaderCrc.h"
#include "core/bootloader/BootloaderProtocol.h"
#include "core/kvf/KvfContainer.h"

#include <QDebug>

namespace BP = BootloaderProtocol;

const char *const UpgradeEngine::SuccessText = "Firmware upgrade successfully";

UpgradeEngine::UpgradeEngine(Host &host) : m_host(host)
{}

void UpgradeEngine::setKeywords(const QStringList &include, const QStringList &exclude)
{
    m_includeKeywords = include;
    m_excludeKeywords = exclude;
}

bool UpgradeEngine::manualPortTextArms(const QString &text)
{
    return text.contains(QLatin1String("COM")) || text.startsWith(QLatin1String("/dev/"));
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
    if (path.contains(QLatin1String(".bin"), Qt::CaseInsensitive)) {
        setImage(content);
        m_host.report(fileName + QStringLiteral(" Size of Firmware:") + QString::number(content.size()) +
                          QStringLiteral(" Bytes"),
                      SinkLog | SinkStatus);
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
        setImage(kvf.image, true, kvf.boardId);
        m_host.report(fileName + QStringLiteral(" Size of Firmware:") + QString::number(kvf.imageSize) +
                          QStringLiteral(" Bytes"),
                      SinkLog | SinkStatus);
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
}

void UpgradeEngine::setUpgradeState(quint8 state)
{
    m_state = state;
    log(QStringLiteral("new state:") + QString::number(state));
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
    if (m_state == StateGetInfo || m_state == StateErase)
        fail(QStringLiteral("Communication error, upgrade failed!"));
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
        if (m_imageReady && (m_scanMode == 0 || fitsManual()))
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
        tickBoot();
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
        return replyGetInfo(block);
    case StateErase:
        return replyErase(block);
    case StateProgram:
        return replyChunk(block, now);
    case StateVerify:
        return replyCrc(block);
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
            const QStringList ports = m_host.portTexts();
            for (const QString &text : ports) {
                bool included = false;
                for (const QString &k : qAsConst(m_includeKeywords))
                    included = included || text.contains(k);
                bool excluded = false;
                for (const QString &k : qAsConst(m_excludeKeywords))
                    excluded = excluded || text.contains(k);
                if (included && !excluded) {
                    m_candidatePorts.append(text);
                    log(QStringLiteral("PortInfo:") + text);
                }
            }
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
    m_lastProbe = stamp(now);
    log(m_portName + QStringLiteral("Send probe data"));
}

bool UpgradeEngine::replyProbe(const QByteArray &block)
{
    const int sync = block.indexOf(char(BP::InSync));
    if (sync < 0 || sync + 1 >= block.size() || quint8(block[sync + 1]) != BP::StatusOk)
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
    m_lastInfoRequest = stamp(now);
}

static bool endsOk(const QByteArray &block)
{
    const int n = block.size();
    return n >= 2 && quint8(block[n - 2]) == BootloaderProtocol::InSync &&
           quint8(block[n - 1]) == BootloaderProtocol::StatusOk;
}

bool UpgradeEngine::replyGetInfo(const QByteArray &block)
{
    if (block.size() == 6 && endsOk(block)) {
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
    if (block.size() == BP::VecAreaSize + 2 && endsOk(block)) {
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

// --- erase ----------------------------------------------------------------------------------------------

void UpgradeEngine::tickErase(quint32 now)
{
    if (m_eraseStart == 0) {
        m_host.write(BP::erase());
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

bool UpgradeEngine::replyErase(const QByteArray &block)
{
    if (block.size() != 2 || !endsOk(block))
        return false;
    m_host.report(QStringLiteral("Zorvan is successfully erased. "), SinkLog | SinkStatus);
    setUpgradeState(StateProgram);
    return true;
}

// --- program -------------------------------------------------------------------------------------------

void UpgradeEngine::sendProgramChunk(bool advance, quint32 now)
{
    const qint32 size = qint32(m_image.size());
    int n = int(qMin<qint32>(size - m_writeOffset, BP::MaxChunk));
    if (advance) {
        m_writeOffset += n;
        n = int(qMin<qint32>(size - m_writeOffset, BP::MaxChunk));
    } else if (m_chunksSent > 0) {
        ++m_chunkResends;
    }
    m_host.write(BP::programChunk(m_image.constData() + m_writeOffset, n));
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
    if (now - m_lastChunkSent > ChunkResendMs)
        sendProgramChunk(false, now);
    const quint32 elapsed = now - m_writeStart;
    if (elapsed > WriteTimeoutMs)
        fail(QStringLiteral("The upgrade failed ,the write timed out"));
    const qint32 size = qint32(m_image.size());
    m_host.setProgress(size > 0 ? int(float(m_writeOffset) / float(size) * 100.0f) : 0);
    m_host.setStatusText(QStringLiteral("Write time:") + elapsedText(elapsed));
}

bool UpgradeEngine::replyChunk(const QByteArray &block, quint32 now)
{
    if (block.size() != 2 || quint8(block[0]) != BP::InSync)
        return false;
    const quint8 status = quint8(block[1]);
    if (status == BP::StatusFailed || status == BP::StatusInvalid) {
        sendProgramChunk(false, now);
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
        log(QStringLiteral("Send check command"));
        m_verifyStart = stamp(now);
        return;
    }
    if (now - m_verifyStart > VerifyTimeoutMs)
        fail(QStringLiteral("The upgrade failed, the verification timed out"));
}

bool UpgradeEngine::replyCrc(const QByteArray &block)
{
    if (block.size() != 6 || !endsOk(block))
        return false;
    const quint32 deviceCrc = BP::readU32LE(block.constData());
    const quint32 crc = BootloaderCrc::imageCrc(m_image, m_imageLength);
    if (deviceCrc != crc) {
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

void UpgradeEngine::tickBoot()
{
    m_host.write(BP::boot());
    log(QStringLiteral("Send start command"));
    m_host.report(QString::fromLatin1(SuccessText), SinkLog | SinkStatus | SinkPopup);
    m_host.setProgress(100);
    setUpgradeState(StateWaitStart);
    m_host.upgradeEnded(true, QString::fromLatin1(SuccessText));
}
