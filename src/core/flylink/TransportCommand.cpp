#include "core/flylink/TransportCommand.h"

namespace TransportCommand {
quint16 crc16Modbus(const QByteArray &data)
{
    quint16 crc = 0xFFFF;
    for (char c : data) {
        crc ^= quint8(c);
        for (int i = 0; i < 8; ++i)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
    }
    return crc;
}

QByteArray build(quint8 type, const QByteArray &payload)
{
    // The length field is one byte: a longer payload has no frame.
    if (payload.size() > MaxPayload)
        return QByteArray();
    QByteArray out;
    out.append(char(Header0));
    out.append(char(Header1));
    out.append(char(type));
    out.append(char(quint8(payload.size())));
    out.append(payload);
    const quint16 crc = crc16Modbus(payload);
    out.append(char(crc & 0xFF));
    out.append(char(crc >> 8));
    return out;
}

QByteArray control(quint8 what)
{
    return build(TypeControl, QByteArray(1, char(what)));
}

QList<Frame> Parser::feed(const QByteArray &bytes)
{
    QList<Frame> out;
    m_buffer.append(bytes);
    int i = 0;
    while (true) {
        const int start = m_buffer.indexOf(char(Header0), i);
        if (start < 0) {
            m_buffer.clear();
            break;
        }
        if (m_buffer.size() - start < 4) {
            m_buffer.remove(0, start);
            break;
        }
        if (quint8(m_buffer[start + 1]) != Header1) {
            i = start + 1;
            continue;
        }
        const int n = quint8(m_buffer[start + 3]);
        if (m_buffer.size() - start < 6 + n) {
            m_buffer.remove(0, start);
            break;
        }
        const QByteArray payload = m_buffer.mid(start + 4, n);
        const quint16 crc = quint16(quint8(m_buffer[start + 4 + n]) | (quint8(m_buffer[start + 5 + n]) << 8));
        if (crc != crc16Modbus(payload)) {
            ++m_crcErrors;
            i = start + 1;
            continue;
        }
        out.append(Frame{quint8(m_buffer[start + 2]), payload});
        i = start + 6 + n;
    }
    return out;
}
} // namespace TransportCommand
