#pragma once

#include <QList>
#include <QString>

// One serial port as the pickers and the automatic scans list it.
struct SerialPortEntry
{
    QString portName;    // what the link opens: a system name ("ttyUSB0") or a device path
    QString description; // shown after the name in the pickers

    bool operator==(const SerialPortEntry &o) const { return portName == o.portName && description == o.description; }
};

// The one port enumeration of the program: the platform's serial ports, followed by the entries of
// the environment variable ZORVAN_EXTRA_PORTS ("path" or "path=description", separated by ';').
// Simulated units and other pseudo-terminals appear in the pickers this way.
class SerialPortList
{
public:
    static constexpr const char *ExtraPortsVariable = "ZORVAN_EXTRA_PORTS";

    static QList<SerialPortEntry> availablePorts();
    // The entries of one ZORVAN_EXTRA_PORTS value; empty items are skipped.
    static QList<SerialPortEntry> parseExtraPorts(const QString &value);
    // Text of a picker entry: "name: description".
    static QString entryText(const SerialPortEntry &entry);
};
