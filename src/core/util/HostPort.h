#pragma once

#include <QString>

// Splits "HOST:PORT" (or "PORT" when the host may be left out) at the last colon. Returns false for
// a missing or out-of-range port, or a missing host where one is required; host is left empty
// when absent. The host text is not checked here.
bool splitHostPort(const QString &text, QString &host, quint16 &port, bool hostOptional);

// "[HOST:]PORT" into an address and a port: the address keeps its value when the text has no host, and
// the host must be a valid address; on failure neither changes. Address is any type with setAddress(QString)
// (QHostAddress; core itself does not use the network module).
template <class Address> bool parseHostPort(const QString &text, Address &ip, quint16 &port, bool ipOptional)
{
    QString host;
    quint16 parsedPort = 0;
    if (!splitHostPort(text, host, parsedPort, ipOptional))
        return false;
    if (!host.isEmpty()) {
        Address parsed;
        if (!parsed.setAddress(host))
            return false;
        ip = parsed;
    }
    port = parsedPort;
    return true;
}
