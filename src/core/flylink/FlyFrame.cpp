#include "core/flylink/FlyFrame.h"

quint8 FlyFrame::checksum(const char *data, int len)
{
    quint8 sum = 0;
    for (int i = 0; i < len; ++i)
        sum = quint8(sum + quint8(data[i]));
    return sum;
}

QByteArray FlyFrame::build(quint8 sender, quint8 sequence, quint8 id, const QByteArray &payload)
{
    if (payload.size() > MaxPayload)
        return QByteArray();
    QByteArray out;
    out.reserve(payload.size() + Overhead);
    out.append(char(Header0));
    out.append(char(Header1));
    out.append(char(sender));
    out.append(char(sequence));
    out.append(char(id));
    out.append(char(quint8(payload.size())));
    out.append(payload);
    out.append(char(checksum(out.constData(), out.size())));
    return out;
}

void FlyParser::reset()
{
    m_state = 0;
    m_count = 0;
    m_length = 0;
}

bool FlyParser::push(quint8 c)
{
    switch (m_state) {
    case 0:
        if (c == FlyFrame::Header0) {
            m_buffer[0] = c;
            m_state = 1;
        }
        return false;
    case 1:
        // A second "K" is not taken as a new start: the frame is lost (units rely on nothing better).
        if (c == FlyFrame::Header1) {
            m_buffer[1] = c;
            m_state = 2;
        } else {
            m_state = 0;
        }
        return false;
    case 2:
    case 3:
    case 4:
        m_buffer[m_state] = c;
        ++m_state;
        return false;
    case 5:
        m_buffer[5] = c;
        m_length = c;
        m_count = 0;
        m_state = m_length > 0 ? 6 : 7;
        return false;
    case 6:
        m_buffer[6 + m_count] = c;
        ++m_count;
        if (m_count >= m_length)
            m_state = 7;
        return false;
    case 7: {
        m_state = 0;
        const int n = m_length;
        m_buffer[6 + n] = c;
        if (FlyFrame::checksum(reinterpret_cast<const char *>(m_buffer), 6 + n) != c) {
            ++m_checksumErrors;
            return false;
        }
        m_frame.sender = m_buffer[2];
        m_frame.sequence = m_buffer[3];
        m_frame.id = m_buffer[4];
        m_frame.payload = QByteArray(reinterpret_cast<const char *>(m_buffer + 6), n);
        ++m_framesOk;
        return true;
    }
    default:
        reset();
        return false;
    }
}

QList<FlyFrame> FlyParser::feed(const QByteArray &bytes)
{
    QList<FlyFrame> out;
    for (char c : bytes) {
        if (push(quint8(c)))
            out.append(m_frame);
    }
    return out;
}
