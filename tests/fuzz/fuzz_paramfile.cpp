// The .param file reader over arbitrary bytes: it never reads past the text, names each bad line once
// in increasing order within the text's lines, and loads no more parameters than there are lines.
#include "core/formats/ParamFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), int(size));
    const ParamFile::Parsed p = ParamFile::parse(text);
    const int lines = text.count('\n') + 1;
    int last = 0;
    for (const ParamFile::BadLine &b : p.bad) {
        if (b.line <= last || b.line > lines || !p.sawStart)
            std::abort();
        last = b.line;
    }
    if (p.values.size() + p.bad.size() > lines || (!p.sawStart && !p.values.isEmpty()))
        std::abort();
    return 0;
}
