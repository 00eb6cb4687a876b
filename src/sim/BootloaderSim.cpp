// zorvan-sim bootloader: a flight-control unit sitting in its serial bootloader. It answers the sync,
// device-info, erase, program, CRC and boot commands, keeps the programmed image in a simulated flash and
// can write it to a file on the boot command. Fault knobs make it refuse or lose chunks, erase slowly,
// report a wrong CRC or answer late. It takes chunks of at most --max-chunk bytes (128 by default) and
// skips the commands it does not know (the identity requests among them). --stock switches to the behaviour of stock
// PX4/ArduPilot bootloaders (StockBootloaderUnit).
#include "sim/BootloaderLine.h"
#include "sim/BootloaderOptions.h"
#include "sim/SimEndpoint.h"
#include "sim/SimModes.h"
#include "sim/StockBootloaderUnit.h"
#include "core/bootloader/BootloaderCrc.h"
#include "core/bootloader/BootloaderProtocol.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>
#include <QTimer>

#include <memory>

namespace BP = BootloaderProtocol;

namespace {

class BootloaderUnit : public QObject
{
public:
    BootloaderUnit(BootloaderLine &line, const BootloaderOptions &options) : m_line(line), m_options(options)
    {
        connect(&m_line, &BootloaderLine::received, this, [this](const QByteArray &bytes) {
            m_input.append(bytes);
            process();
        });
    }

private:
    void reply(const QByteArray &bytes)
    {
        if (m_options.replyDelayMs <= 0) {
            m_line.send(bytes);
            return;
        }
        // Equal delays fire in the order they were started, so replies keep their order.
        QTimer::singleShot(m_options.replyDelayMs, this, [this, bytes] { m_line.send(bytes); });
    }

    // Handles every complete command in the input; stops while an erase is running.
    void process()
    {
        while (!m_erasing && !m_input.isEmpty()) {
            const quint8 code = quint8(m_input[0]);
            int length = 0;
            switch (code) {
            case BP::CmdGetSync:
            case BP::CmdChipErase:
            case BP::CmdGetCrc:
            case BP::CmdBoot:
                length = 2;
                break;
            case BP::CmdGetDevice:
                length = 3;
                break;
            case BP::CmdProgMulti:
                if (m_input.size() < 2)
                    return;
                length = quint8(m_input[1]) + 3;
                break;
            default:
                m_input.remove(0, 1); // not a command: resynchronise on the next byte
                continue;
            }
            if (m_input.size() < length)
                return;
            const QByteArray command = m_input.left(length);
            m_input.remove(0, length);
            if (quint8(command.back()) != BP::EndOfCommand) {
                reply(BP::replyEnd(BP::StatusInvalid));
                continue;
            }
            handle(code, command);
        }
    }

    void handle(quint8 code, const QByteArray &command)
    {
        switch (code) {
        case BP::CmdGetSync:
            reply(BP::replyEnd());
            break;
        case BP::CmdGetDevice:
            deviceInfo(quint8(command[1]));
            break;
        case BP::CmdChipErase:
            startErase();
            break;
        case BP::CmdProgMulti:
            program(command.mid(2, command.size() - 3));
            break;
        case BP::CmdGetCrc: {
            quint32 crc = BootloaderCrc::imageCrc(m_flash.left(m_programmed), m_programmed);
            if (m_options.badCrc)
                crc ^= 0xFFFFFFFFu;
            reply(BP::u32Reply(crc));
            break;
        }
        case BP::CmdBoot:
            boot();
            break;
        default:
            break;
        }
    }

    void deviceInfo(quint8 param)
    {
        switch (param) {
        case BP::InfoBlRevision:
            reply(BP::u32Reply(m_options.blRevision));
            break;
        case BP::InfoBoardId:
            reply(BP::u32Reply(m_options.boardId));
            break;
        case BP::InfoBoardRevision:
            reply(BP::u32Reply(m_options.boardRevision));
            break;
        case BP::InfoFlashSize:
            reply(BP::u32Reply(m_options.flashSize));
            break;
        case BP::InfoVecArea: {
            QByteArray area;
            for (int i = 0; i < BP::VecAreaSize; ++i)
                area.append(char(0xA0 + i));
            reply(area + BP::replyEnd());
            break;
        }
        default:
            reply(BP::replyEnd(BP::StatusInvalid));
            break;
        }
    }

    void startErase()
    {
        QTextStream(stdout) << "bootloader: erase" << Qt::endl;
        m_flash = QByteArray(int(m_options.flashSize), char(0xFF));
        m_programmed = 0;
        m_chunkNumber = 0;
        m_erased = true;
        if (m_options.eraseMs <= 0) {
            reply(BP::replyEnd());
            return;
        }
        m_erasing = true;
        QTimer::singleShot(m_options.eraseMs, this, [this] {
            m_erasing = false;
            reply(BP::replyEnd());
            process();
        });
    }

    void program(const QByteArray &data)
    {
        ++m_programCommands;
        if (data.size() > m_options.maxChunk) {
            reply(BP::replyEnd(BP::StatusInvalid)); // longer than this unit takes: nothing written
            return;
        }
        const int number = m_chunkNumber + 1; // 1-based number of the chunk being offered
        if (m_options.dropEvery > 0 && number % m_options.dropEvery == 0 && m_droppedChunk != number) {
            m_droppedChunk = number; // lost on its first try: no reply, nothing written
            return;
        }
        if (m_options.nakEvery > 0 && number % m_options.nakEvery == 0 && m_nakedChunk != number) {
            m_nakedChunk = number;
            reply(BP::replyEnd(BP::StatusFailed));
            return;
        }
        if (!m_erased || m_programmed + data.size() > m_flash.size()) {
            reply(BP::replyEnd(BP::StatusFailed));
            return;
        }
        m_flash.replace(m_programmed, data.size(), data);
        m_programmed += data.size();
        ++m_chunkNumber;
        ++m_chunksWritten;
        if (m_chunksWritten == m_options.dropAckChunk && !m_ackDropped) {
            m_ackDropped = true; // written, but the acknowledgement never reaches the host
            return;
        }
        reply(BP::replyEnd());
    }

    void boot()
    {
        if (m_options.refuseBoot) {
            reply(BP::replyEnd(BP::StatusInvalid));
            return;
        }
        QTextStream err(stderr);
        QTextStream(stdout) << "bootloader: boot" << Qt::endl;
        err << "bootloader: boot after " << m_programmed << " programmed bytes, " << m_programCommands
            << " program commands\n";
        err.flush();
        if (!m_options.dumpPath.isEmpty()) {
            QFile dump(m_options.dumpPath);
            if (dump.open(QIODevice::WriteOnly | QIODevice::Truncate))
                dump.write(m_flash.left(m_programmed));
            else
                err << "bootloader: cannot write " << m_options.dumpPath << ": " << dump.errorString() << "\n";
        }
        m_erased = false; // the unit leaves its bootloader; a new run starts with an erase again
    }

    BootloaderLine &m_line;
    BootloaderOptions m_options;
    QByteArray m_input;
    QByteArray m_flash;
    int m_programmed = 0;
    int m_chunkNumber = 0;
    int m_droppedChunk = 0;
    int m_nakedChunk = 0;
    int m_chunksWritten = 0;
    int m_programCommands = 0; // received, refused ones included (the round trips of the programming)
    bool m_ackDropped = false;
    bool m_erased = false;
    bool m_erasing = false;
};

bool takeUInt(const QString &option, const QString &text, quint32 &out, QString &error)
{
    bool ok = false;
    const qulonglong v = text.toULongLong(&ok, 0);
    if (!ok || v > 0xFFFFFFFFull) {
        error = option + QStringLiteral(": expected a non-negative number, got ") + text;
        return false;
    }
    out = quint32(v);
    return true;
}

int runBootloader(const QStringList &arguments)
{
    QTextStream err(stderr);
    SimEndpoint endpoint;
    QStringList args = arguments;
    if (!endpoint.parseOptions(args)) {
        err << "zorvan-sim bootloader: " << endpoint.error() << "\n";
        return 2;
    }
    BootloaderOptions o;
    QString error;
    for (int i = 0; i < args.size(); ++i) {
        const QString a = args[i];
        if (a == QLatin1String("--bad-crc")) {
            o.badCrc = true;
            continue;
        }
        if (a == QLatin1String("--refuse-boot")) {
            o.refuseBoot = true;
            continue;
        }
        if (a == QLatin1String("--stock")) {
            o.stock = true;
            continue;
        }
        if (i + 1 >= args.size()) {
            err << "zorvan-sim bootloader: " << (a.startsWith("--") ? a + " needs a value" : "unknown argument " + a)
                << "\n";
            return 2;
        }
        const QString v = args[++i];
        quint32 n = 0;
        bool ok = true;
        if (a == QLatin1String("--dump")) {
            o.dumpPath = v;
            continue;
        }
        if (a == QLatin1String("--uid")) {
            bool hex = v.size() == 24;
            for (const QChar c : v)
                hex = hex && QStringLiteral("0123456789abcdefABCDEF").contains(c);
            if (!hex) {
                err << "zorvan-sim bootloader: --uid needs 24 hexadecimal digits, got " << v << "\n";
                return 2;
            }
            o.uid = v.toUpper();
            continue;
        }
        ok = takeUInt(a, v, n, error);
        if (ok && a == QLatin1String("--board-id"))
            o.boardId = n;
        else if (ok && a == QLatin1String("--board-rev"))
            o.boardRevision = n;
        else if (ok && a == QLatin1String("--bl-rev"))
            o.blRevision = n;
        else if (ok && a == QLatin1String("--flash-size") && n <= 256u * 1024 * 1024)
            o.flashSize = n;
        else if (ok && a == QLatin1String("--nak-every"))
            o.nakEvery = int(qMin<quint32>(n, 1000000));
        else if (ok && a == QLatin1String("--drop-every"))
            o.dropEvery = int(qMin<quint32>(n, 1000000));
        else if (ok && a == QLatin1String("--erase-ms"))
            o.eraseMs = int(qMin<quint32>(n, 3600000));
        else if (ok && a == QLatin1String("--reply-delay-ms"))
            o.replyDelayMs = int(qMin<quint32>(n, 3600000));
        else if (ok && a == QLatin1String("--max-chunk") && n <= 255)
            o.maxChunk = int(n);
        else if (ok && a == QLatin1String("--packet-gap-us") && n <= 1000000)
            o.packetGapUs = int(n);
        else if (ok && a == QLatin1String("--dup-byte-at"))
            o.dupByteAt = qint64(n);
        else if (ok && a == QLatin1String("--drop-ack") && n <= 100000000)
            o.dropAckChunk = int(n);
        else if (ok && a == QLatin1String("--unplug-at"))
            o.unplugAt = qint64(n);
        else {
            err << "zorvan-sim bootloader: " << (ok ? "bad option or value " + a + " " + v : error) << "\n";
            return 2;
        }
    }
    if (!endpoint.open()) {
        err << "zorvan-sim bootloader: " << endpoint.error() << "\n";
        return 1;
    }
    BootloaderLine line(endpoint, o);
    std::unique_ptr<QObject> unit;
    if (o.stock)
        unit = std::make_unique<StockBootloaderUnit>(line, o);
    else
        unit = std::make_unique<BootloaderUnit>(line, o);
    endpoint.announce();
    return QCoreApplication::exec();
}

CommandTable::Registrar reg(simModes(), "bootloader",
                            "bootloader [--pty | --device PATH] [--board-id N] [--board-rev N] [--bl-rev N]\n"
                            "             [--flash-size BYTES] [--nak-every K] [--drop-every K] [--erase-ms MS]\n"
                            "             [--bad-crc] [--reply-delay-ms MS] [--dump FILE] [--stock]\n"
                            "             [--packet-gap-us US] [--dup-byte-at OFFSET] [--drop-ack CHUNK]\n"
                            "             [--unplug-at OFFSET] [--max-chunk N] [--uid HEX24]\n"
                            "             [--refuse-boot]",
                            &runBootloader);

} // namespace
