// Parser of the ZORVAN_EXTRA_PORTS variable: any text gives entries with a name and a description.
#include "link/SerialPortList.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString value = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    const auto ports = SerialPortList::parseExtraPorts(value);
    for (const SerialPortEntry &port : ports) {
        if (port.portName.isEmpty() || port.description.isEmpty() || port.portName.contains(QLatin1Char(';')))
            std::abort();
    }
    return 0;
}
