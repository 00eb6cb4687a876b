#pragma once

#include <QHostAddress>
#include <QTextStream>
#include <QUdpSocket>

// Small helpers shared by the benchmark programs.
namespace BenchSupport {
// The figures' stream (stdout).
inline QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

// A loopback UDP port that was free a moment ago.
inline quint16 freeUdpPort()
{
    QUdpSocket s;
    s.bind(QHostAddress(QHostAddress::LocalHost), 0);
    return s.localPort();
}
} // namespace BenchSupport
