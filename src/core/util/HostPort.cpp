#include "core/util/HostPort.h"

bool splitHostPort(const QString &text, QString &host, quint16 &port, bool hostOptional)
{
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon < 0 && !hostOptional)
        return false;
    bool ok = false;
    const uint value = text.mid(colon + 1).toUInt(&ok);
    if (!ok || value > 65535)
        return false;
    host = colon >= 0 ? text.left(colon) : QString();
    if (colon >= 0 && host.isEmpty())
        return false;
    port = quint16(value);
    return true;
}
