#include "sim/StockBootloaderUnit.h"

#include "sim/BootloaderLine.h"
#include "core/bootloader/BootloaderCrc.h"
#include "core/bootloader/BootloaderProtocol.h"

#include <QFile>
#include <QTextStream>

namespace BP = BootloaderProtocol;

namespace {
constexpr quint8 CmdDebug = 0x31; // answered at once, without an end-of-command byte
constexpr quint32 ChipId = 0x10016451;
const char ChipDescription[] = "STM32F76x,rev Z";
} // namespace

StockBootloaderUnit::StockBootloaderUnit(BootloaderLine &line, const BootloaderOptions &options, QObject *parent)
    : QObject(parent), m_line(line), m_options(options), m_flash(int(options.flashSize), char(0xFF)),
      m_firstWord(4, char(0xFF))
{
    m_argTimer.setSingleShot(true);
    m_argTimer.setInterval(ArgTimeoutMs);
    connect(&m_argTimer, &QTimer::timeout, this, [this] {
        if (!m_input.isEmpty() && !m_erasing)
            refuse(m_input.size()); // a command that never completed
    });
    connect(&m_line, &BootloaderLine::received, this, [this](const QByteArray &bytes) {
        m_input.append(bytes);
        process();
    });
}

void StockBootloaderUnit::process()
{
    while (!m_erasing && !m_booted && !m_input.isEmpty()) {
        if (!handleOne())
            break;
    }
    if (m_booted)
        m_input.clear();
    if (!m_input.isEmpty() && !m_erasing)
        m_argTimer.start();
    else
        m_argTimer.stop();
}

void StockBootloaderUnit::replyStatus(quint8 status)
{
    m_line.send(BP::replyEnd(status));
}

void StockBootloaderUnit::replyData(const QByteArray &data)
{
    m_line.send(data); // the data and the in-sync pair go out as separate writes
    replyStatus(BP::StatusOk);
}

void StockBootloaderUnit::refuse(int consumed)
{
    m_input.remove(0, consumed);
    m_state = 0;
    replyStatus(BP::StatusInvalid);
}

bool StockBootloaderUnit::handleOne()
{
    const quint8 code = quint8(m_input[0]);
    const int have = m_input.size();
    auto eocAt = [this](int i) {
        return quint8(m_input[i]) == BP::EndOfCommand;
    };
    switch (code) {
    case CmdDebug:
        m_input.remove(0, 1);
        replyStatus(BP::StatusOk);
        return true;
    case BP::CmdGetSync:
    case BP::CmdChipErase:
    case BP::CmdGetCrc:
    case BP::CmdBoot: {
        if (have < 2)
            return false;
        if (!eocAt(1)) {
            refuse(2);
            return true;
        }
        m_input.remove(0, 2);
        if (code == BP::CmdGetSync) {
            m_state |= GotSync;
            replyStatus(BP::StatusOk);
        } else if (code == BP::CmdChipErase) {
            if ((m_state & (GotSync | GotDevice)) != (GotSync | GotDevice)) {
                refuse(0);
                return true;
            }
            erase();
        } else if (code == BP::CmdGetCrc) {
            m_state |= GotCrc;
            const quint32 crc = flashCrc() ^ (m_options.badCrc ? 0xFFFFFFFFu : 0u);
            replyData(BP::u32Reply(crc).left(4));
        } else {
            if ((m_state & (GotSync | GotDevice | GotCrc)) != (GotSync | GotDevice | GotCrc) || m_options.refuseBoot) {
                refuse(0);
                return true;
            }
            boot();
        }
        return true;
    }
    case BP::CmdGetDevice:
        if (have < 3)
            return false;
        if (!eocAt(2)) {
            refuse(3);
            return true;
        }
        {
            const quint8 param = quint8(m_input[1]);
            m_input.remove(0, 3);
            if (!deviceInfo(param))
                refuse(0);
        }
        return true;
    case BP::CmdGetSn:
    case BP::CmdGetChip:
    case BP::CmdGetChipDes: {
        if (m_options.blRevision < BP::FirstIdentityRevision) {
            m_input.remove(0, 1); // not a command of this revision
            return true;
        }
        const int length = code == BP::CmdGetSn ? 6 : 2;
        if (have < length)
            return false;
        if (!eocAt(length - 1)) {
            refuse(length);
            return true;
        }
        const quint32 offset = code == BP::CmdGetSn ? BP::readU32LE(m_input.constData() + 1) : 0;
        m_input.remove(0, length);
        if (code == BP::CmdGetSn) {
            if (!serialWord(offset))
                refuse(0);
        } else if (code == BP::CmdGetChip) {
            replyData(BP::u32Reply(ChipId).left(4));
        } else {
            const QByteArray text(ChipDescription);
            replyData(BP::u32Reply(quint32(text.size())).left(4) + text);
        }
        return true;
    }
    case BP::CmdProgMulti: {
        if (have < 2)
            return false;
        const int n = quint8(m_input[1]);
        // Judged on the length byte alone: the data that follows is then read as commands.
        if (n % 4 != 0 || quint64(m_address) + quint64(n) > quint64(m_flash.size())) {
            ++m_programCommands;
            refuse(2);
            return true;
        }
        if (have < n + 3)
            return false;
        ++m_programCommands; // received whole: answered once
        if (!eocAt(n + 2)) {
            refuse(n + 3);
            return true;
        }
        const QByteArray data = m_input.mid(2, n);
        m_input.remove(0, n + 3);
        program(data);
        return true;
    }
    default:
        m_input.remove(0, 1); // not a command
        return true;
    }
}

bool StockBootloaderUnit::deviceInfo(quint8 param)
{
    switch (param) {
    case BP::InfoBlRevision:
        replyData(BP::u32Reply(m_options.blRevision).left(4));
        break;
    case BP::InfoBoardId:
        replyData(BP::u32Reply(m_options.boardId).left(4));
        break;
    case BP::InfoBoardRevision:
        replyData(BP::u32Reply(m_options.boardRevision).left(4));
        break;
    case BP::InfoFlashSize:
        replyData(BP::u32Reply(m_options.flashSize).left(4));
        break;
    case BP::InfoVecArea: {
        QByteArray area;
        for (int i = 0; i < BP::VecAreaSize; ++i)
            area.append(char(0xA0 + i));
        replyData(area);
        break;
    }
    default:
        return false;
    }
    m_state |= GotDevice;
    return true;
}

bool StockBootloaderUnit::serialWord(quint32 offset)
{
    if (offset % 4 != 0 || offset / 4 >= quint32(BP::SerialWords))
        return false;
    const quint32 word = m_options.uid.mid(int(offset / 4) * 8, 8).toUInt(nullptr, 16);
    replyData(BP::u32Reply(word).left(4));
    return true;
}

void StockBootloaderUnit::erase()
{
    QTextStream(stdout) << "bootloader: erase" << Qt::endl;
    m_flash.fill(char(0xFF));
    m_firstWord = QByteArray(4, char(0xFF));
    m_address = 0;
    if (m_options.eraseMs <= 0) {
        replyStatus(BP::StatusOk);
        return;
    }
    m_erasing = true;
    QTimer::singleShot(m_options.eraseMs, this, [this] {
        m_erasing = false;
        replyStatus(BP::StatusOk);
        process();
    });
}

void StockBootloaderUnit::program(const QByteArray &data)
{
    for (int i = 0; i < data.size(); ++i) {
        const quint32 at = m_address + quint32(i);
        if (at < 4)
            m_firstWord[int(at)] = data[i]; // written only when the unit boots
        else
            m_flash[int(at)] = data[i];
    }
    m_address += quint32(data.size());
    m_state |= Programmed;
    ++m_chunksWritten;
    if (m_chunksWritten == m_options.dropAckChunk && !m_ackDropped) {
        m_ackDropped = true; // written, but the acknowledgement never reaches the host
        return;
    }
    replyStatus(BP::StatusOk);
}

quint32 StockBootloaderUnit::flashCrc() const
{
    const quint32 crc = BootloaderCrc::update(0, m_firstWord.constData(), qMin(4, m_flash.size()));
    return BootloaderCrc::update(crc, m_flash.constData() + 4, qMax(0, m_flash.size() - 4));
}

void StockBootloaderUnit::boot()
{
    m_flash.replace(0, qMin(4, m_flash.size()), m_firstWord.left(qMin(4, m_flash.size())));
    replyStatus(BP::StatusOk);
    m_booted = true; // the unit leaves its bootloader for the firmware and answers no more
    QTextStream(stdout) << "bootloader: boot" << Qt::endl;
    QTextStream err(stderr);
    err << "bootloader: boot after programming " << m_address << " bytes, " << m_programCommands
        << " program commands\n";
    if (m_options.dumpPath.isEmpty())
        return;
    QFile dump(m_options.dumpPath);
    if (dump.open(QIODevice::WriteOnly | QIODevice::Truncate))
        dump.write(m_flash.left(int(m_address)));
    else
        err << "bootloader: cannot write " << m_options.dumpPath << ": " << dump.errorString() << "\n";
}
