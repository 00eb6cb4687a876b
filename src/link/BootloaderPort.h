#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <QSerialPort>

// The serial side of the firmware upgrade, shared by the upgrade window and zorvan-cli flash: both own
// a QSerialPort and a 20 ms timer and drive the same UpgradeEngine through these helpers.
namespace BootloaderPort {
// 115200 baud both ways, 8 data bits, 1 stop bit, no parity, no flow control.
void configure(QSerialPort &port);
bool open(QSerialPort &port);
// After a failed open: "open <port>: permission denied" and the fix, when the port refused this user,
// once per port name (a scan tries the same ports again and again); empty otherwise.
QString permissionHint(const QSerialPort &port);
// Writes out what is still queued (the boot command is the last thing sent before closing), drops what
// the device still sends and closes.
void close(QSerialPort &port);
// Writes and pushes the bytes to the device at once; nothing happens on a closed port.
void write(QSerialPort &port, const QByteArray &bytes);
// Whether an error of an open port means the port is gone (unplugged, closed under us, no longer readable
// or writable), as opposed to a port that could not be opened, which is the probe's business.
bool isPortLost(QSerialPort::SerialPortError error);
// Every port of the one enumeration as "name: description".
QStringList portTexts();
// A report as one log line: "[yyyy-MM-dd hh:mm:ss]:" followed by the text.
QString logLine(const QString &text);
// The engine's clock: low 32 bits of the epoch time in milliseconds.
quint32 nowMs();
} // namespace BootloaderPort
