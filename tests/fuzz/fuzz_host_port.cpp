// "HOST:PORT" splitting on any text: an accepted text ends in the port's digits, and a host is given
// whenever one is required.
#include "core/util/HostPort.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    for (bool hostOptional : {false, true}) {
        QString host = QStringLiteral("unchanged");
        quint16 port = 0;
        if (!splitHostPort(text, host, port, hostOptional))
            continue;
        if (!hostOptional && host.isEmpty())
            std::abort();
        const QString portText = text.mid(host.isEmpty() ? 0 : host.size() + 1);
        bool ok = false;
        if (portText.toUInt(&ok) != port || !ok)
            std::abort();
    }
    return 0;
}
