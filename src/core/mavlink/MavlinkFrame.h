#pragma once

#include <QByteArray>
#include <QMetaType>

#include <cstddef>
#include <cstdint>
#include <functional>

// MAVLink framing: the X.25 checksum, frame finalisation and serialisation, and the per-channel byte
// parser. Wire layout of a MAVLink 2 frame: FD len incompat compat seq sysid compid msgid(3, LE)
// payload(len) crc(2, LE) [signature(13) when incompat bit 0 is set]. MAVLink 1: FE len seq sysid
// compid msgid payload crc.
namespace Mavlink {
constexpr uint8_t kStxV1 = 0xFE;
constexpr uint8_t kStxV2 = 0xFD;
constexpr int kMaxPayload = 255;
constexpr int kHeaderLenV2 = 10; // including the start byte
constexpr int kHeaderLenV1 = 6;
constexpr int kChecksumLen = 2;
constexpr int kSignatureLen = 13;
constexpr uint8_t kIflagSigned = 0x01;
constexpr int kMaxFrameLen = kHeaderLenV2 + kMaxPayload + kChecksumLen + kSignatureLen;
} // namespace Mavlink

// A decoded (or finalised) frame. The payload is zero-filled beyond len, so a truncated MAVLink 2
// payload reads as its full length with zeros at the end.
struct mavlink_message_t
{
    uint16_t checksum = 0;
    uint8_t magic = 0; // start byte: FD (MAVLink 2) or FE (MAVLink 1)
    uint8_t len = 0;
    uint8_t incompat_flags = 0;
    uint8_t compat_flags = 0;
    uint8_t seq = 0;
    uint8_t sysid = 0;
    uint8_t compid = 0;
    uint32_t msgid = 0; // 24 bits
    uint8_t payload[Mavlink::kMaxPayload + 1] = {};
    uint8_t signature[Mavlink::kSignatureLen] = {};
};
Q_DECLARE_METATYPE(mavlink_message_t)

namespace MavlinkCrc {
constexpr uint16_t kInit = 0xFFFF;
// Adds one byte to a CRC-16/MCRF4XX (X.25) accumulator.
inline void accumulate(uint8_t byte, uint16_t &crc)
{
    uint8_t tmp = byte ^ uint8_t(crc & 0xFF);
    tmp ^= uint8_t(tmp << 4);
    crc = uint16_t((crc >> 8) ^ (uint16_t(tmp) << 8) ^ (uint16_t(tmp) << 3) ^ (tmp >> 4));
}
// The checksum of size bytes, starting from crc.
uint16_t calculate(const uint8_t *data, size_t size, uint16_t crc = kInit);
} // namespace MavlinkCrc

// The transmit side of one channel: its sequence counter. The parser is the receive side.
struct MavlinkTxChannel
{
    uint8_t sequence = 0;
};

namespace MavlinkFrame {
// Fills msg as a MAVLink 2 frame of msgid from fullLen payload bytes: system and component from the
// arguments, flags 0, the channel's sequence (then advanced), trailing zero bytes trimmed (at least
// one kept), checksum with the dialect's CRC_EXTRA. False when msgid is not in the dialect.
bool finalize(mavlink_message_t &msg, uint32_t msgid, const uint8_t *payload, int fullLen, MavlinkTxChannel &channel,
              uint8_t sysid = 0, uint8_t compid = 0);
// Same as a MAVLink 1 frame (untrimmed payload, msgid below 256); used by the simulated unit only.
bool finalizeV1(mavlink_message_t &msg, uint32_t msgid, const uint8_t *payload, int fullLen, MavlinkTxChannel &channel,
                uint8_t sysid = 0, uint8_t compid = 0);
// The wire bytes of a finalised frame (with its signature when the frame is signed).
QByteArray serialize(const mavlink_message_t &msg);
// The checksum a frame should carry (header after the start byte, payload, CRC_EXTRA of its id).
uint16_t computeChecksum(const mavlink_message_t &msg, uint8_t crcExtra);
} // namespace MavlinkFrame

// Plain statistics of one receiving channel.
struct MavlinkLinkCounters
{
    quint64 bytesIn = 0;
    quint64 framesOk = 0;        // frames delivered
    quint64 checksumErrors = 0;  // complete frames whose checksum did not match
    quint64 unknownIds = 0;      // frames of ids missing from the dialect (dropped)
    quint64 otherComponents = 0; // parameter and log messages of components other than the unit (ignored)
    quint64 sequenceGaps = 0;    // frames missing between two consecutive frames of one sender
};

// The byte parser of one channel. State is kept across feed() calls, so a frame split over chunks
// or datagrams is reassembled. Accepts MAVLink 1 and 2; drops frames with a bad checksum, an unknown
// message id or unknown incompatibility flags; accepts signed frames without checking the signature.
// A frame of an id missing from the dialect whose checksum fits some CRC_EXTRA is a real frame of
// another dialect: it is skipped whole, so nothing inside its payload is delivered. After any other
// dropped frame it resumes looking for a start byte right after the false one, so noise never
// swallows a good frame that follows it.
class MavlinkParser
{
public:
    using Sink = std::function<void(const mavlink_message_t &)>;
    // Parses every byte and calls onFrame for each complete frame, in order.
    void feed(const uint8_t *data, size_t size, const Sink &onFrame);
    void feed(const QByteArray &bytes, const Sink &onFrame);

    const MavlinkLinkCounters &counters() const { return m_counters; }
    void resetCounters() { m_counters = MavlinkLinkCounters(); }

private:
    enum class State { Idle, Header, Body };
    void push(uint8_t byte, const Sink &onFrame);
    void finishFrame(const Sink &onFrame);
    void drop();
    static bool checksumFitsSomeExtra(uint16_t crcBeforeExtra, uint16_t wire);
    void noteSequence(const mavlink_message_t &msg);

    State m_state = State::Idle;
    uint8_t m_buf[Mavlink::kMaxFrameLen] = {};
    int m_fill = 0;   // bytes of the current candidate frame in m_buf
    int m_needed = 0; // bytes the current candidate frame needs in total (header only, then the whole)
    bool m_v2 = false;
    // Bytes of a dropped candidate after its false start byte, parsed again before new input.
    uint8_t m_replay[Mavlink::kMaxFrameLen] = {};
    int m_replayHead = 0;
    int m_replayEnd = 0;
    bool m_haveLast = false;
    uint16_t m_lastSender = 0;
    uint8_t m_lastSeq = 0;
    mavlink_message_t m_msg;
    MavlinkLinkCounters m_counters;
};
