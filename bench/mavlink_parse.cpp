// Throughput of the MAVLink parser on a mixed stream: PARAM_VALUE, LOG_DATA, HEARTBEAT and ATTITUDE
// frames (MAVLink 2, some signed, some MAVLink 1), a little noise and a frame with a bad checksum.
// Prints MB/s over the whole stream parsed repeatedly for about a second.
#include "core/mavlink/MavlinkFrame.h"
#include "core/mavlink/MavlinkMessages.h"

#include <QElapsedTimer>
#include <QTextStream>

int main()
{
    MavlinkTxChannel tx;
    QByteArray stream;
    int frames = 0;
    for (int i = 0; stream.size() < 4 * 1024 * 1024; ++i) {
        mavlink_param_value_t pv;
        pv.param_value = float(i) * 0.5f;
        pv.param_count = 1500;
        pv.param_index = uint16_t(i % 1500);
        MavlinkMessages::setParamId(pv.param_id, QByteArray("PARAM_") + QByteArray::number(i % 1500));
        pv.param_type = 9;
        stream += MavlinkMessages::frame(pv, tx, 1, 1);
        mavlink_log_data_t data;
        data.ofs = uint32_t(i) * 90;
        data.count = 90;
        for (int b = 0; b < 90; ++b)
            data.data[b] = uint8_t(b * 7 + i);
        stream += MavlinkMessages::frame(data, tx, 1, 1);
        frames += 2;
        if (i % 10 == 0) {
            mavlink_heartbeat_t hb;
            hb.type = 2;
            hb.mavlink_version = 3;
            mavlink_message_t msg;
            MavlinkMessages::pack(msg, hb, tx, 1, 1);
            msg.incompat_flags = Mavlink::kIflagSigned; // signed (signature not checked)
            msg.checksum = MavlinkFrame::computeChecksum(msg, 50);
            stream += MavlinkFrame::serialize(msg);
            mavlink_attitude_t att;
            att.roll = 0.1f;
            uint8_t payload[mavlink_attitude_t::LEN] = {};
            att.encode(payload);
            MavlinkFrame::finalizeV1(msg, mavlink_attitude_t::MSG_ID, payload, mavlink_attitude_t::LEN, tx, 1, 1);
            stream += MavlinkFrame::serialize(msg);
            frames += 2;
        }
        if (i % 100 == 0) {
            stream += QByteArray("\x01\x02noise\x03", 8);
            QByteArray bad = MavlinkMessages::frame(pv, tx, 1, 1);
            bad[12] = char(bad.at(12) ^ 0x40);
            stream += bad;
        }
    }

    MavlinkParser parser;
    quint64 delivered = 0;
    const auto sink = [&](const mavlink_message_t &) {
        ++delivered;
    };
    // Fed in 1 KiB chunks, as reads from a port or datagrams arrive.
    const auto parseOnce = [&] {
        for (int pos = 0; pos < stream.size(); pos += 1024)
            parser.feed(reinterpret_cast<const uint8_t *>(stream.constData()) + pos,
                        size_t(qMin(1024, stream.size() - pos)), sink);
    };
    parseOnce(); // warm-up
    delivered = 0;
    QElapsedTimer timer;
    timer.start();
    int rounds = 0;
    while (timer.elapsed() < 1000 || rounds < 3) {
        parseOnce();
        ++rounds;
    }
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    const double mb = double(stream.size()) * rounds / 1e6;
    QTextStream out(stdout);
    out << "mavlink_parse: " << QString::number(mb / seconds, 'f', 1) << " MB/s ("
        << QString::number(double(delivered) / seconds / 1e6, 'f', 2) << " M frames/s; " << rounds << " x "
        << stream.size() << " bytes, " << frames << " good frames per round, checksum errors "
        << parser.counters().checksumErrors << ")\n";
    return delivered == quint64(frames) * quint64(rounds) ? 0 : 1;
}
