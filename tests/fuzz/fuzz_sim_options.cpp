// The simulated unit's --logs and --params parsers on any text: a verdict, and what is accepted holds
// the promised ranges (ids 1..65534 in increasing order; names of 1..16 bytes, finite values, types 1..10).
#include "core/formats/LogSizeList.h"
#include "core/formats/ParamValueLines.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));

    QVector<LogSizeList::Log> logs;
    QString error;
    if (LogSizeList::parse(text, logs, error)) {
        for (int i = 0; i < logs.size(); ++i) {
            if (logs[i].id > 0xFFFE || (i > 0 && logs[i - 1].id >= logs[i].id))
                std::abort();
        }
    } else if (error.isEmpty() || !logs.isEmpty()) {
        std::abort();
    }

    QVector<ParamValueLines::Line> params;
    int errorLine = -1;
    error.clear();
    if (ParamValueLines::parse(text, params, error, errorLine)) {
        if (params.isEmpty() || params.size() > 65535 || errorLine != 0)
            std::abort();
        for (const ParamValueLines::Line &p : params) {
            if (p.name.isEmpty() || p.name.size() > 16 || !std::isfinite(p.value) || p.type < 1 || p.type > 10)
                std::abort();
        }
    } else if (error.isEmpty() || !params.isEmpty() || errorLine < 0) {
        std::abort();
    }
    return 0;
}
