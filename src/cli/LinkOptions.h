#pragma once

#include <QHostAddress>
#include <QString>
#include <QStringList>

// The link options shared by the zorvan-cli commands that talk to a unit:
//   --serial PATH [--baud N]           a serial port or pseudo-terminal (baud 0: the link's default)
//   --udp [IP:]PORT --target IP:PORT   bind locally (IP defaults to 127.0.0.1), send to the target
struct LinkOptions
{
    bool serial = false;
    QString serialPath;
    int baud = 0;
    // The baud rate both link kinds use when baud is 0.
    static constexpr int DefaultBaud = 115200;
    QHostAddress localIp = QHostAddress(QHostAddress::LocalHost);
    quint16 localPort = 7001;
    QHostAddress targetIp = QHostAddress(QHostAddress::LocalHost);
    quint16 targetPort = 7000;
    bool given = false; // whether any link option was on the command line

    // Takes the link options out of args and leaves the rest; false with error set on bad input.
    // Without link options the defaults stand (UDP 127.0.0.1:7001 -> 127.0.0.1:7000).
    static bool parse(QStringList &args, LinkOptions &out, QString &error);
    // "serial /dev/pts/3 @115200" or "udp 127.0.0.1:7001 -> 127.0.0.1:7000", for messages.
    QString describe() const;
};
