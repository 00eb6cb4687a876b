#include "ui/maintenance/MavlinkPageDevice.h"

#include "core/util/IniSettings.h"
#include "link/MavlinkHandler.h"

#include <QDebug>
#include <QSettings>

IOHandler::DeviceInfo mavlinkPageDevice(int linkId, const QString &linkKind, const QString &portText)
{
    const QHostAddress local(QStringLiteral("127.0.0.1"));
    if (linkKind == QLatin1String("USB"))
        return IOHandler::DeviceInfo::serial(linkId, portText, 9600);
    return IOHandler::DeviceInfo::udp(linkId, local, 7001, local, 7000);
}

void applyMavlinkOwnIds(MavlinkHandler *link, const QString &settingsPath)
{
    if (!link)
        return;
    IniSettings settings(settingsPath);
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
