// The FlyLink byte parser over any input: every frame it accepts rebuilds to bytes that parse to the
// same frame, and the parsed telemetry payloads can be read through the record without overrun.
#include "core/flylink/FlyFrame.h"
#include "core/flylink/FlyMessages.h"
#include "core/flylink/TelemetryRecord.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    FlyParser parser;
    TelemetryRecord record;
    for (const FlyFrame &frame : parser.feed(bytes)) {
        if (frame.payload.size() > FlyFrame::MaxPayload)
            std::abort();
        FlyParser again;
        const QList<FlyFrame> reparsed = again.feed(frame.toBytes());
        if (reparsed.size() != 1 || reparsed[0].payload != frame.payload || reparsed[0].id != frame.id ||
            reparsed[0].sender != frame.sender || reparsed[0].sequence != frame.sequence)
            std::abort();
        if (frame.id == FlyMsg::Text)
            (void)FlyMsg::textOf(frame.payload);
        if (frame.id == FlyMsg::ParamValue && frame.payload.size() == FlyMsg::ParamValueLen)
            (void)FlyParamValue::fromPayload(frame.payload).name();
        if (frame.id == FlyMsg::Gnss && frame.payload.size() == FlyMsg::GnssLen && quint8(frame.payload[0]) < 3)
            record.write(TelemetryRecord::GnssEntries + FlyMsg::GnssLen * quint8(frame.payload[0]), frame.payload);
    }
    if (parser.state() < 0 || parser.state() > 7)
        std::abort();
    return 0;
}
