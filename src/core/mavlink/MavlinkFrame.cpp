#include "core/mavlink/MavlinkFrame.h"

#include "core/mavlink/MavlinkDialect.h"

#include <algorithm>
#include <cstring>

uint16_t MavlinkCrc::calculate(const uint8_t *data, size_t size, uint16_t crc)
{
    for (size_t i = 0; i < size; ++i)
        accumulate(data[i], crc);
    return crc;
}

namespace {
// The header bytes after the start byte, as they go on the wire.
int headerBytes(const mavlink_message_t &msg, uint8_t *out)
{
    if (msg.magic == Mavlink::kStxV1) {
        out[0] = msg.len;
        out[1] = msg.seq;
        out[2] = msg.sysid;
        out[3] = msg.compid;
        out[4] = uint8_t(msg.msgid);
        return Mavlink::kHeaderLenV1 - 1;
    }
    out[0] = msg.len;
    out[1] = msg.incompat_flags;
    out[2] = msg.compat_flags;
    out[3] = msg.seq;
    out[4] = msg.sysid;
    out[5] = msg.compid;
    out[6] = uint8_t(msg.msgid);
    out[7] = uint8_t(msg.msgid >> 8);
    out[8] = uint8_t(msg.msgid >> 16);
    return Mavlink::kHeaderLenV2 - 1;
}

bool fill(mavlink_message_t &msg, uint8_t magic, uint32_t msgid, const uint8_t *payload, int fullLen,
          MavlinkTxChannel &channel, uint8_t sysid, uint8_t compid)
{
    const MavlinkDialect::MessageInfo *info = MavlinkDialect::find(msgid);
    if (!info || (magic == Mavlink::kStxV1 && msgid > 255))
        return false;
    int len = std::clamp(fullLen, 0, Mavlink::kMaxPayload);
    std::memset(msg.payload, 0, sizeof msg.payload);
    if (len > 0)
        std::memcpy(msg.payload, payload, size_t(len));
    if (magic == Mavlink::kStxV2) {
        while (len > 1 && msg.payload[len - 1] == 0)
            --len;
    }
    msg.magic = magic;
    msg.len = uint8_t(len);
    msg.incompat_flags = 0;
    msg.compat_flags = 0;
    msg.seq = channel.sequence++;
    msg.sysid = sysid;
    msg.compid = compid;
    msg.msgid = msgid;
    std::memset(msg.signature, 0, sizeof msg.signature);
    msg.checksum = MavlinkFrame::computeChecksum(msg, info->crcExtra);
    return true;
}
} // namespace

uint16_t MavlinkFrame::computeChecksum(const mavlink_message_t &msg, uint8_t crcExtra)
{
    uint8_t header[Mavlink::kHeaderLenV2];
    const int headerLen = headerBytes(msg, header);
    uint16_t crc = MavlinkCrc::calculate(header, size_t(headerLen));
    crc = MavlinkCrc::calculate(msg.payload, msg.len, crc);
    MavlinkCrc::accumulate(crcExtra, crc);
    return crc;
}

bool MavlinkFrame::finalize(mavlink_message_t &msg, uint32_t msgid, const uint8_t *payload, int fullLen,
                            MavlinkTxChannel &channel, uint8_t sysid, uint8_t compid)
{
    return fill(msg, Mavlink::kStxV2, msgid, payload, fullLen, channel, sysid, compid);
}

bool MavlinkFrame::finalizeV1(mavlink_message_t &msg, uint32_t msgid, const uint8_t *payload, int fullLen,
                              MavlinkTxChannel &channel, uint8_t sysid, uint8_t compid)
{
    return fill(msg, Mavlink::kStxV1, msgid, payload, fullLen, channel, sysid, compid);
}

QByteArray MavlinkFrame::serialize(const mavlink_message_t &msg)
{
    uint8_t header[Mavlink::kHeaderLenV2];
    const int headerLen = headerBytes(msg, header);
    const bool isSigned = msg.magic == Mavlink::kStxV2 && (msg.incompat_flags & Mavlink::kIflagSigned);
    QByteArray out;
    out.reserve(1 + headerLen + msg.len + Mavlink::kChecksumLen + (isSigned ? Mavlink::kSignatureLen : 0));
    out.append(char(msg.magic == Mavlink::kStxV1 ? Mavlink::kStxV1 : Mavlink::kStxV2));
    out.append(reinterpret_cast<const char *>(header), headerLen);
    out.append(reinterpret_cast<const char *>(msg.payload), msg.len);
    out.append(char(msg.checksum & 0xFF));
    out.append(char(msg.checksum >> 8));
    if (isSigned)
        out.append(reinterpret_cast<const char *>(msg.signature), Mavlink::kSignatureLen);
    return out;
}

void MavlinkParser::feed(const QByteArray &bytes, const Sink &onFrame)
{
    feed(reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size()), onFrame);
}

void MavlinkParser::feed(const uint8_t *data, size_t size, const Sink &onFrame)
{
    m_counters.bytesIn += size;
    size_t i = 0;
    for (;;) {
        if (m_replayHead < m_replayEnd) {
            push(m_replay[m_replayHead++], onFrame);
            continue;
        }
        if (i >= size)
            break;
        if (m_state == State::Body) {
            // The rest of a frame whose length is known is copied in one go.
            const size_t n = std::min(size_t(m_needed - m_fill), size - i);
            std::memcpy(m_buf + m_fill, data + i, n);
            m_fill += int(n);
            i += n;
            if (m_fill == m_needed)
                finishFrame(onFrame);
            continue;
        }
        push(data[i++], onFrame);
    }
}

void MavlinkParser::push(uint8_t byte, const Sink &onFrame)
{
    switch (m_state) {
    case State::Idle:
        if (byte == Mavlink::kStxV2 || byte == Mavlink::kStxV1) {
            m_v2 = byte == Mavlink::kStxV2;
            m_buf[0] = byte;
            m_fill = 1;
            m_needed = m_v2 ? Mavlink::kHeaderLenV2 : Mavlink::kHeaderLenV1;
            m_state = State::Header;
        }
        return;
    case State::Header:
        m_buf[m_fill++] = byte;
        if (m_fill < m_needed)
            return;
        if (m_v2 && (m_buf[2] & ~Mavlink::kIflagSigned)) {
            drop(); // incompatibility flags this parser does not understand
            return;
        }
        m_needed += m_buf[1] + Mavlink::kChecksumLen +
                    ((m_v2 && (m_buf[2] & Mavlink::kIflagSigned)) ? Mavlink::kSignatureLen : 0);
        m_state = State::Body;
        return;
    case State::Body:
        m_buf[m_fill++] = byte;
        if (m_fill == m_needed)
            finishFrame(onFrame);
        return;
    }
}

void MavlinkParser::finishFrame(const Sink &onFrame)
{
    mavlink_message_t &msg = m_msg;
    msg.magic = m_buf[0];
    msg.len = m_buf[1];
    int pos;
    if (m_v2) {
        msg.incompat_flags = m_buf[2];
        msg.compat_flags = m_buf[3];
        msg.seq = m_buf[4];
        msg.sysid = m_buf[5];
        msg.compid = m_buf[6];
        msg.msgid = uint32_t(m_buf[7]) | (uint32_t(m_buf[8]) << 8) | (uint32_t(m_buf[9]) << 16);
        pos = Mavlink::kHeaderLenV2;
    } else {
        msg.incompat_flags = 0;
        msg.compat_flags = 0;
        msg.seq = m_buf[2];
        msg.sysid = m_buf[3];
        msg.compid = m_buf[4];
        msg.msgid = m_buf[5];
        pos = Mavlink::kHeaderLenV1;
    }
    const MavlinkDialect::MessageInfo *info = MavlinkDialect::find(msg.msgid);
    const uint16_t crcBeforeExtra = MavlinkCrc::calculate(m_buf + 1, size_t(pos - 1 + msg.len));
    const uint16_t wire = uint16_t(m_buf[pos + msg.len] | (m_buf[pos + msg.len + 1] << 8));
    if (!info) {
        ++m_counters.unknownIds;
        // A frame of another dialect (or a tunnel) is skipped by its length, as other MAVLink parsers
        // do: a frame inside its payload is never delivered. Its CRC_EXTRA is not known, but a real
        // frame's checksum fits one of the 256 seeds, while a false start byte in noise fits one only
        // by chance (1 in 256): such a candidate is rescanned, so noise never swallows a good frame.
        if (checksumFitsSomeExtra(crcBeforeExtra, wire)) {
            m_state = State::Idle;
            m_fill = 0;
        } else {
            drop();
        }
        return;
    }
    uint16_t crc = crcBeforeExtra;
    MavlinkCrc::accumulate(info->crcExtra, crc);
    if (crc != wire) {
        ++m_counters.checksumErrors;
        drop();
        return;
    }
    std::memcpy(msg.payload, m_buf + pos, msg.len);
    std::memset(msg.payload + msg.len, 0, sizeof msg.payload - msg.len);
    msg.checksum = wire;
    if (m_v2 && (msg.incompat_flags & Mavlink::kIflagSigned))
        std::memcpy(msg.signature, m_buf + pos + msg.len + Mavlink::kChecksumLen, Mavlink::kSignatureLen);
    else
        std::memset(msg.signature, 0, sizeof msg.signature);
    m_state = State::Idle;
    m_fill = 0;
    ++m_counters.framesOk;
    noteSequence(msg);
    onFrame(msg);
}

bool MavlinkParser::checksumFitsSomeExtra(uint16_t crcBeforeExtra, uint16_t wire)
{
    for (int extra = 0; extra < 256; ++extra) {
        uint16_t crc = crcBeforeExtra;
        MavlinkCrc::accumulate(uint8_t(extra), crc);
        if (crc == wire)
            return true;
    }
    return false;
}

void MavlinkParser::drop()
{
    // Everything after the false start byte is parsed again, ahead of any replay still pending.
    const int tail = m_fill - 1;
    const int pending = m_replayEnd - m_replayHead;
    uint8_t merged[Mavlink::kMaxFrameLen * 2];
    std::memcpy(merged, m_buf + 1, size_t(tail));
    std::memcpy(merged + tail, m_replay + m_replayHead, size_t(pending));
    const int total = std::min(tail + pending, int(sizeof m_replay));
    std::memcpy(m_replay, merged, size_t(total));
    m_replayHead = 0;
    m_replayEnd = total;
    m_state = State::Idle;
    m_fill = 0;
}

void MavlinkParser::noteSequence(const mavlink_message_t &msg)
{
    const uint16_t sender = uint16_t((msg.sysid << 8) | msg.compid);
    if (m_haveLast && sender == m_lastSender)
        m_counters.sequenceGaps += uint8_t(msg.seq - uint8_t(m_lastSeq + 1));
    m_haveLast = true;
    m_lastSender = sender;
    m_lastSeq = msg.seq;
}
