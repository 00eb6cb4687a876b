// The transport command parser: a clean stream of frames built from the fuzz bytes comes out frame for
// frame whatever the chunking; a stream with noise and damaged frames never yields a frame whose
// checksum is wrong, and the parser's buffer stays bounded.
#include "core/flylink/TransportCommand.h"
#include "FuzzReader.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzReader in{data, size};
    const bool clean = (in.byte() & 1) != 0;
    QByteArray stream;
    QList<TransportCommand::Frame> sent;
    while (!in.empty() && sent.size() < 64) {
        const uint8_t control = in.byte();
        const quint8 type = in.byte();
        QByteArray payload;
        const int n = in.byte() % 40;
        for (int i = 0; i < n; ++i)
            payload += char(in.byte());
        QByteArray frame = TransportCommand::build(type, payload);
        if (!clean && (control & 0x04))
            frame[in.byte() % frame.size()] = char(in.byte());
        if (!clean && (control & 0x08)) {
            const int noise = in.byte() % 12;
            for (int i = 0; i < noise; ++i)
                stream += char(in.byte());
        }
        stream += frame;
        sent.append({type, payload});
    }
    TransportCommand::Parser parser;
    QList<TransportCommand::Frame> got;
    int pos = 0, step = 0;
    while (pos < stream.size()) {
        const int chunk = 1 + quint8(stream.at(step++ % stream.size())) % 23;
        for (const TransportCommand::Frame &f : parser.feed(stream.mid(pos, chunk))) {
            if (f.payload.size() > 255 || TransportCommand::build(f.type, f.payload).size() != f.payload.size() + 6)
                std::abort();
            got.append(f);
        }
        pos += chunk;
    }
    if (clean) {
        if (got.size() != sent.size())
            std::abort();
        for (int i = 0; i < got.size(); ++i) {
            if (got[i].type != sent[i].type || got[i].payload != sent[i].payload)
                std::abort();
        }
    }
    return 0;
}
