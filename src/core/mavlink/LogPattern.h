#pragma once

#include <QByteArray>
#include <QtGlobal>

// The contents of the simulated unit's logs: every byte is a function of the log id and its offset,
// so a downloaded file can be checked byte for byte without a copy of the log.
namespace LogPattern {
inline quint8 byteAt(quint16 id, quint32 ofs)
{
    quint32 x = ofs * 2654435761u ^ (quint32(id) * 40503u + (ofs >> 7));
    x ^= x >> 15;
    return quint8(x ^ (x >> 8) ^ id);
}

inline QByteArray bytes(quint16 id, quint32 ofs, quint32 count)
{
    QByteArray out(int(count), Qt::Uninitialized);
    for (quint32 i = 0; i < count; ++i)
        out[int(i)] = char(byteAt(id, ofs + i));
    return out;
}
} // namespace LogPattern
