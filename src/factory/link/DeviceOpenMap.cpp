#include "factory/link/DeviceOpenMap.h"

namespace DeviceOpenMap {

QVariantMap serial(const QString &path, int baud)
{
    QVariantMap map;
    map.insert(QLatin1String(SerialPortName), path);
    if (baud > 0)
        map.insert(QLatin1String(SerialBaudRate), baud);
    return map;
}

QVariantMap udp(const QHostAddress &localIp, quint16 localPort, const QHostAddress &targetIp, quint16 targetPort)
{
    QVariantMap map;
    map.insert(QLatin1String(UdpLocalIp), QVariant::fromValue(localIp));
    map.insert(QLatin1String(UdpLocalPort), localPort);
    if (!targetIp.isNull()) {
        map.insert(QLatin1String(UdpTargetIp), QVariant::fromValue(targetIp));
        map.insert(QLatin1String(UdpTargetPort), targetPort);
    }
    return map;
}

} // namespace DeviceOpenMap
