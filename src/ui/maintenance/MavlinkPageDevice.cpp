#include "ui/maintenance/MavlinkPageDevice.h"

IOHandler::DeviceInfo mavlinkPageDevice(int linkId, const QString &linkKind, const QString &portText)
{
    const QHostAddress local(QStringLiteral("127.0.0.1"));
    if (linkKind == QLatin1String("USB"))
        return IOHandler::DeviceInfo::serial(linkId, portText, 9600);
    return IOHandler::DeviceInfo::udp(linkId, local, 7001, local, 7000);
}
