// The paracfg.csv reader on any text: no more rows than lines, every row named by a line of five or
// more fields.
#include "core/formats/ParaCfgCsv.h"

#include <QStringList>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    const QHash<QString, ParamCfg> rows = parseParaCfgCsv(text);
    if (rows.size() > text.count(QLatin1Char('\n')) + 1)
        std::abort();
    for (auto it = rows.cbegin(); it != rows.cend(); ++it) {
        if (it.key().contains(QLatin1Char(',')) || it.key().contains(QLatin1Char('\n')))
            std::abort();
    }
    return 0;
}
