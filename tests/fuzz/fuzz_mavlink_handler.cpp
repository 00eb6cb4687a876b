// The MAVLink link's message path as the handler runs it, without threads or I/O: a hostile unit's
// byte stream (CRC-valid frames built from the fuzz bytes, with noise and corrupted frames between
// them, cut into chunks the bytes choose) goes through MavlinkLinkEngine; every PARAM_VALUE goes to a
// ParamListCollector, every LOG_DATA to the LogDownload of one log, and a fake clock ticks it.
// LOG_DATA chunks lie about their offsets, counts and ids, come twice, late or not at all; in an
// honest run their bytes are the log's own, and then what the download hands out must be the log.
#include "core/mavlink/LogDownload.h"
#include "core/mavlink/LogPattern.h"
#include "core/mavlink/MavlinkLinkEngine.h"
#include "core/mavlink/MavlinkMessages.h"
#include "core/mavlink/ParamList.h"
#include "FuzzReader.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {
// The handler's side of the run: the download, the collector and what they produced.
struct Receiver
{
    std::unique_ptr<LogDownload> download;
    LogDownload::Request lastRequest;
    QByteArray file;
    quint32 now = 0;
    bool honest = false;
    ParamListCollector params;

    void check() const
    {
        if (file.size() != int(download->written()) || download->received() > download->total() ||
            download->written() > download->received())
            std::abort();
        if (download->isFinished() && download->written() != download->total())
            std::abort();
        if (honest && file != LogPattern::bytes(download->id(), 0, quint32(file.size())))
            std::abort();
        if (params.received() > params.expected() || params.entries().size() != params.received())
            std::abort();
    }

    void onFrame(const mavlink_message_t &msg)
    {
        if (msg.msgid == mavlink_param_value_t::MSG_ID) {
            const MavlinkLinkEngine::ParamValue p = MavlinkLinkEngine::decodeParamValue(msg);
            if (p.name.size() > 16)
                std::abort();
            params.add(p.index, p.count, p.name, p.value, p.type);
        } else if (msg.msgid == mavlink_log_data_t::MSG_ID) {
            const mavlink_log_data_t d = mavlink_log_data_t::decode(msg);
            const int count = std::min<int>(d.count, int(sizeof d.data));
            const LogDownload::FeedResult r = download->feed(
                d.id, d.ofs, QByteArray::fromRawData(reinterpret_cast<const char *>(d.data), count), now);
            if (r.fed == LogDownload::Fed::WindowComplete || r.fed == LogDownload::Fed::Finished)
                file += r.windowBytes;
            if (r.fed == LogDownload::Fed::WindowComplete || r.rerequest)
                lastRequest = r.next;
            if (r.rerequest || r.fed == LogDownload::Fed::WindowComplete) {
                if (r.next.id != download->id() || quint64(r.next.ofs) + r.next.count > download->total())
                    std::abort();
            }
        }
        check();
    }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzReader in{data, size};
    const uint8_t mode = in.byte();
    const quint16 id = quint16(1 + in.byte());
    // Up to about 200 kB: several windows, and a log that is not a whole number of chunks.
    const quint32 totalHigh = in.byte();
    const quint32 total = ((totalHigh << 16) | in.u16()) % 200000;
    Receiver rx;
    rx.honest = (mode & 1) != 0;
    rx.download = std::make_unique<LogDownload>(id, total, rx.now);
    rx.lastRequest = rx.download->firstRequest();

    MavlinkLinkEngine engine;
    MavlinkTxChannel unit; // the unit's own sequence
    QByteArray pending;    // bytes sent by the unit, not yet fed
    int steps = 0;
    const auto feed = [&](int chunk) {
        engine.feed(pending.left(chunk), [&](const mavlink_message_t &msg) { rx.onFrame(msg); });
        pending.remove(0, chunk);
    };
    while (!in.empty() && ++steps < 4000) {
        const uint8_t op = in.byte();
        switch (op % 8) {
        case 0:
        case 1:
        case 2: { // LOG_DATA around the last request, with lies the bytes choose
            mavlink_log_data_t d;
            d.id = (op & 0x10) ? quint16(in.byte()) : id;
            const quint32 step = in.byte();
            d.ofs = (op & 0x20) ? in.u32() : rx.lastRequest.ofs + step * LogDownload::ChunkBytes;
            d.count = (op & 0x40) ? in.byte() : uint8_t(LogDownload::ChunkBytes);
            for (int i = 0; i < int(sizeof d.data); ++i)
                d.data[i] = rx.honest ? LogPattern::byteAt(d.id, d.ofs + quint32(i)) : in.byte();
            pending += MavlinkMessages::frame(d, unit, 1, 1);
            break;
        }
        case 3: { // PARAM_VALUE of any index, count and name
            mavlink_param_value_t p;
            p.param_value = float(in.byte()) - 100.0f;
            p.param_count = in.u16();
            p.param_index = in.u16();
            for (char &c : p.param_id)
                c = char(in.byte());
            p.param_type = in.byte();
            pending += MavlinkMessages::frame(p, unit, 1, 1);
            break;
        }
        case 4: { // a LOG_ENTRY or a HEARTBEAT the path decodes and passes by
            mavlink_log_entry_t e;
            e.id = in.byte();
            e.size = in.u32();
            e.num_logs = in.byte();
            pending += (op & 0x10) ? MavlinkMessages::frame(e, unit, 1, 1)
                                   : MavlinkMessages::frame(mavlink_heartbeat_t(), unit, 1, 1);
            break;
        }
        case 5: { // noise, or a frame with one byte changed
            const int n = in.byte() % 16;
            QByteArray noise;
            for (int i = 0; i < n; ++i)
                noise += char(in.byte());
            if (op & 0x10 && !pending.isEmpty())
                pending[in.byte() % pending.size()] = char(in.byte());
            pending += noise;
            break;
        }
        case 6: // the link hands over what arrived, in a chunk of any size
            feed(1 + in.byte() * 4);
            break;
        case 7: { // time passes; the download may re-request or give up
            rx.now += quint32(in.byte()) * 25;
            const LogDownload::TickResult t = rx.download->tick(rx.now);
            if (t.ticked == LogDownload::Ticked::Retry) {
                if (t.request.id != id || quint64(t.request.ofs) + t.request.count > total ||
                    t.retry > LogDownload::MaxFruitlessRetries)
                    std::abort();
                rx.lastRequest = t.request;
            }
            if (t.ticked == LogDownload::Ticked::GiveUp && !rx.download->hasGivenUp())
                std::abort();
            rx.check();
            break;
        }
        }
    }
    feed(pending.size());
    rx.check();
    return 0;
}
