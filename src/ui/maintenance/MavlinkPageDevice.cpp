#include "ui/maintenance/MavlinkPageDevice.h"

#include "link/MavlinkHandler.h"

#include <QDebug>
#include <QSettings>

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

void applyMavlinkOwnIds(MavlinkHandler *link, const QString &settingsPath)
{
    if (!link)
        return;
    QSettings settings(settingsPath, QSettings::IniFormat);
    settings.setIniCodec("UTF-8");
    const auto id = [&settings](const QString &key) {
        if (!settings.contains(key))
            settings.setValue(key, 0);
        bool ok = false;
        const uint value = settings.value(key).toUInt(&ok);
        if (ok && value <= 255)
            return quint8(value);
        qDebug() << "mavlink ids:" << key << settings.value(key).toString() << "is not 0..255, using 0";
        return quint8(0);
    };
    const quint8 sysid = id(QStringLiteral("mavlink/system_id"));
    const quint8 compid = id(QStringLiteral("mavlink/component_id"));
    link->setOwnIds(sysid, compid);
}
