#pragma once

#include <QString>

// Splits "HOST:PORT" (or "PORT" when the host may be left out) at the last colon. Returns false for
// a missing or out-of-range port, or a missing host where one is required; host is left empty
// when absent. The host text is not checked here.
bool splitHostPort(const QString &text, QString &host, quint16 &port, bool hostOptional);
