// The MAVLink parser on streams of CRC-valid frames assembled from the fuzz bytes (so the fuzzer gets
// past the checksum), mixed with noise and corrupted frames, fed in chunks the bytes choose.
// In a clean stream (no noise, no corruption) every frame must come out, in order, byte for byte.
#include "core/mavlink/MavlinkDialect.h"
#include "core/mavlink/MavlinkFrame.h"
#include "core/mavlink/MavlinkLinkEngine.h"
#include "core/mavlink/MavlinkMessages.h"
#include "FuzzReader.h"

#include <QList>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {
// Reads every record the program decodes, as the handler does.
void decodeAll(const mavlink_message_t &msg)
{
    switch (msg.msgid) {
    case 0:
        (void)mavlink_heartbeat_t::decode(msg);
        break;
    case 20:
        (void)mavlink_param_request_read_t::decode(msg);
        break;
    case 21:
        (void)mavlink_param_request_list_t::decode(msg);
        break;
    case 22: {
        const auto p = MavlinkLinkEngine::decodeParamValue(msg);
        if (p.name.size() > 16)
            std::abort();
        break;
    }
    case 23:
        (void)mavlink_param_set_t::decode(msg);
        break;
    case 30:
        (void)mavlink_attitude_t::decode(msg);
        break;
    case 117:
        (void)mavlink_log_request_list_t::decode(msg);
        break;
    case 118:
        (void)mavlink_log_entry_t::decode(msg);
        break;
    case 119:
        (void)mavlink_log_request_data_t::decode(msg);
        break;
    case 120:
        (void)mavlink_log_data_t::decode(msg);
        break;
    case 121:
        (void)mavlink_log_erase_t::decode(msg);
        break;
    default:
        break;
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzReader in{data, size};
    const bool clean = (in.byte() & 1) != 0;
    QByteArray stream;
    QList<QByteArray> frames;
    MavlinkTxChannel tx;
    while (!in.empty() && frames.size() < 64) {
        const uint8_t control = in.byte();
        const MavlinkDialect::MessageInfo &info = MavlinkDialect::kMessages[in.byte() % MavlinkDialect::kMessageCount];
        const bool v1 = (control & 0x01) && info.msgid < 256;
        const bool isSigned = !v1 && (control & 0x02);
        int len = in.byte();
        len = v1 ? len : (len % (info.maxLen + 1));
        mavlink_message_t msg;
        uint8_t payload[256] = {};
        for (int i = 0; i < len; ++i)
            payload[i] = in.byte();
        if (v1)
            MavlinkFrame::finalizeV1(msg, info.msgid, payload, len, tx, in.byte(), in.byte());
        else
            MavlinkFrame::finalize(msg, info.msgid, payload, len, tx, in.byte(), in.byte());
        if (isSigned) {
            msg.incompat_flags = Mavlink::kIflagSigned;
            for (uint8_t &b : msg.signature)
                b = in.byte();
            msg.checksum = MavlinkFrame::computeChecksum(msg, info.crcExtra);
        }
        QByteArray frame = MavlinkFrame::serialize(msg);
        if (!clean && (control & 0x04) && frame.size() > 0)
            frame[in.byte() % frame.size()] = char(in.byte()); // corrupted
        if (!clean && (control & 0x08)) {
            const int noise = in.byte() % 8;
            for (int i = 0; i < noise; ++i)
                stream.append(char(in.byte()));
        }
        stream += frame;
        frames << frame;
    }

    // Feed in chunks whose sizes come from the stream's own bytes.
    MavlinkParser parser;
    QList<QByteArray> out;
    int pos = 0;
    int step = 0;
    while (pos < stream.size()) {
        const int chunk = 1 + (uint8_t(stream.at(step++ % stream.size())) % 97);
        parser.feed(stream.mid(pos, chunk), [&](const mavlink_message_t &msg) {
            if (msg.len > Mavlink::kMaxPayload || !MavlinkDialect::find(msg.msgid))
                std::abort();
            decodeAll(msg);
            out << MavlinkFrame::serialize(msg);
        });
        pos += chunk;
    }
    if (parser.counters().framesOk != quint64(out.size()) || parser.counters().bytesIn != quint64(stream.size()))
        std::abort();
    if (clean && out != frames)
        std::abort();
    return 0;
}
