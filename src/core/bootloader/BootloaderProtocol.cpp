#include "core/bootloader/BootloaderProtocol.h"

namespace BootloaderProtocol {

namespace {
QByteArray command(quint8 code)
{
    QByteArray bytes;
    bytes.append(char(code));
    bytes.append(char(EndOfCommand));
    return bytes;
}
} // namespace

QByteArray probe()
{
    return command(CmdGetSync);
}

QByteArray getDevice(quint8 param)
{
    QByteArray bytes;
    bytes.append(char(CmdGetDevice));
    bytes.append(char(param));
    bytes.append(char(EndOfCommand));
    return bytes;
}

QByteArray erase()
{
    return command(CmdChipErase);
}

QByteArray programChunk(const char *data, int n)
{
    QByteArray bytes;
    bytes.reserve(n + 3);
    bytes.append(char(CmdProgMulti));
    bytes.append(char(quint8(n)));
    bytes.append(data, n);
    bytes.append(char(EndOfCommand));
    return bytes;
}

QByteArray getCrc()
{
    return command(CmdGetCrc);
}

QByteArray boot()
{
    return command(CmdBoot);
}

QByteArray getSn(quint32 offset)
{
    QByteArray bytes;
    bytes.append(char(CmdGetSn));
    for (int i = 0; i < 4; ++i)
        bytes.append(char((offset >> (8 * i)) & 0xFF));
    bytes.append(char(EndOfCommand));
    return bytes;
}

QByteArray getChip()
{
    return command(CmdGetChip);
}

QByteArray getChipDes()
{
    return command(CmdGetChipDes);
}

QByteArray replyEnd(quint8 status)
{
    QByteArray bytes;
    bytes.append(char(InSync));
    bytes.append(char(status));
    return bytes;
}

QByteArray u32Reply(quint32 value)
{
    QByteArray bytes;
    for (int i = 0; i < 4; ++i)
        bytes.append(char((value >> (8 * i)) & 0xFF));
    return bytes + replyEnd();
}

quint32 readU32LE(const char *p)
{
    const auto *u = reinterpret_cast<const quint8 *>(p);
    return quint32(u[0]) | (quint32(u[1]) << 8) | (quint32(u[2]) << 16) | (quint32(u[3]) << 24);
}

} // namespace BootloaderProtocol
