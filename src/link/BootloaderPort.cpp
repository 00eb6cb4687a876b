#include "link/BootloaderPort.h"

#include "core/util/SerialPermissionHint.h"
#include "link/SerialPortList.h"

#include <QDateTime>
#include <QSerialPort>

void BootloaderPort::configure(QSerialPort &port)
{
    port.setBaudRate(QSerialPort::Baud115200, QSerialPort::AllDirections);
    port.setDataBits(QSerialPort::Data8);
    port.setStopBits(QSerialPort::OneStop);
    port.setParity(QSerialPort::NoParity);
    port.setFlowControl(QSerialPort::NoFlowControl);
}

bool BootloaderPort::open(QSerialPort &port)
{
    if (port.isOpen())
        return true;
    if (port.portName().isEmpty())
        return false;
    if (!port.open(QIODevice::ReadWrite))
        return false;
    // Nothing left over from an earlier session may be taken for a reply.
    port.clear(QSerialPort::Input);
    return true;
}

QString BootloaderPort::permissionHint(const QSerialPort &port)
{
    static QStringList hinted;
    if (port.error() != QSerialPort::PermissionError || hinted.contains(port.portName()))
        return QString();
    hinted.append(port.portName());
    return SerialPermissionHint::appendTo(QStringLiteral("open %1: permission denied").arg(port.portName()), true);
}

void BootloaderPort::close(QSerialPort &port)
{
    if (!port.isOpen())
        return;
    port.flush();
    port.waitForBytesWritten(100);
    port.clear(QSerialPort::Input);
    port.close();
}

void BootloaderPort::write(QSerialPort &port, const QByteArray &bytes)
{
    if (!port.isOpen())
        return;
    port.write(bytes);
    port.flush();
}

bool BootloaderPort::isPortLost(QSerialPort::SerialPortError error)
{
    return error == QSerialPort::ResourceError || error == QSerialPort::ReadError || error == QSerialPort::WriteError;
}

QStringList BootloaderPort::portTexts()
{
    QStringList texts;
    const auto ports = SerialPortList::availablePorts();
    for (const SerialPortEntry &entry : ports)
        texts << SerialPortList::entryText(entry);
    return texts;
}

QString BootloaderPort::logLine(const QString &text)
{
    return QDateTime::currentDateTime().toString(QStringLiteral("[yyyy-MM-dd hh:mm:ss]:")) + text;
}

quint32 BootloaderPort::nowMs()
{
    return quint32(QDateTime::currentMSecsSinceEpoch() & 0xFFFFFFFFu);
}
