// The parameter texts of the command line and the collector of a parameter list: any float prints as a
// text that reads back to the same float, any text parses to a finite number or is refused, and the
// collector's counts hold whatever order, repetition and counts the values arrive with. A value
// accepted for a declared type is finite, and for an integer type whole and inside the type's range.
#include "core/mavlink/ParamList.h"
#include "core/mavlink/ParamValueCheck.h"

#include <QSet>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {
void roundTrip(float value)
{
    if (!std::isfinite(value))
        return;
    float back = 0;
    if (!ParamText::parseFloat(ParamText::formatFloat(value), back) || back != value)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size >= 4) {
        float value;
        std::memcpy(&value, data, 4);
        roundTrip(value);
    }
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    float parsed = 0;
    if (ParamText::parseFloat(QString::fromUtf8(bytes), parsed)) {
        if (!std::isfinite(parsed))
            std::abort();
        roundTrip(parsed);
    }

    // The typed check, for the type the first byte names.
    const int type = size > 0 ? data[0] % 12 : 0;
    const ParamValueCheck::Result typed = ParamValueCheck::check(QString::fromUtf8(bytes.mid(1)), type);
    if (typed.ok != typed.reason.isEmpty() || (typed.notANumber && typed.ok) || !std::isfinite(typed.value))
        std::abort();
    static const double lo[] = {0, -128, 0, -32768, 0, -2147483648.0, 0, -9223372036854775808.0};
    static const double hi[] = {255, 127, 65535, 32767, 4294967295.0, 2147483647.0, 18446744073709551615.0,
                                9223372036854775807.0};
    if (typed.ok && type >= 1 && type <= 8 &&
        (typed.value != std::floor(typed.value) || typed.value < lo[type - 1] || typed.value > hi[type - 1]))
        std::abort();

    // Five bytes per PARAM_VALUE: index and count (big-endian), and a value.
    ParamListCollector list;
    QSet<quint16> seen;
    for (size_t i = 0; i + 5 <= size; i += 5) {
        const quint16 index = quint16((data[i] << 8) | data[i + 1]) % 64;
        const quint16 count = quint16((data[i + 2] << 8) | data[i + 3]) % 66;
        const bool added = list.add(index, count, QString::number(index), float(data[i + 4]), 9);
        if (added != (index < count && !seen.contains(index)))
            std::abort();
        if (added)
            seen.insert(index);
        if (list.received() > list.expected() || list.entries().size() != list.received() ||
            list.isComplete() != (list.expected() > 0 && list.received() == list.expected()))
            std::abort();
    }
    return 0;
}
