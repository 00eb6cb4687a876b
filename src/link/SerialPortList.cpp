#include "link/SerialPortList.h"

#include <QCoreApplication>
#include <QSerialPortInfo>

QList<SerialPortEntry> SerialPortList::availablePorts()
{
    QList<SerialPortEntry> ports;
    const auto infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : infos)
        ports.append({info.portName(), info.description()});
    ports.append(parseExtraPorts(qEnvironmentVariable(ExtraPortsVariable)));
    return ports;
}

QList<SerialPortEntry> SerialPortList::parseExtraPorts(const QString &value)
{
    QList<SerialPortEntry> ports;
    const QStringList items = value.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &item : items) {
        const int eq = item.indexOf(QLatin1Char('='));
        SerialPortEntry entry;
        entry.portName = (eq < 0 ? item : item.left(eq)).trimmed();
        entry.description = eq < 0 ? QString() : item.mid(eq + 1).trimmed();
        if (entry.portName.isEmpty())
            continue;
        if (entry.description.isEmpty())
            entry.description = QCoreApplication::translate("SerialPortList", "Simulated port");
        ports.append(entry);
    }
    return ports;
}

QString SerialPortList::entryText(const SerialPortEntry &entry)
{
    return entry.portName + QStringLiteral(": ") + entry.description;
}
