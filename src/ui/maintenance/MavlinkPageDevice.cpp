#include "ui/maintenance/MavlinkPageDevice.h"

IOHandler::DeviceInfo mavlinkPageDevice(int linkId, const QString &linkKind, const QString &portText)
{
    IOHandler::DeviceInfo info;
    info.id = linkId;
    if (linkKind == QLatin1String("USB")) {
        info.conType = IOHandler::ConSerial;
        info.name = portText;
        info.baudRate = 9600;
        info.dataBits = 8;
        info.stopBits = 1;
        info.parity = 0;
    } else {
        info.conType = IOHandler::ConUdp;
        info.localIp = QHostAddress(QStringLiteral("127.0.0.1"));
        info.localPort = 7001;
        info.targetIp = QHostAddress(QStringLiteral("127.0.0.1"));
        info.targetPort = 7000;
    }
    return info;
}
