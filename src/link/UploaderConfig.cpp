#include "link/UploaderConfig.h"

#include "core/util/IniSettings.h"

#include <QSettings>

namespace {
QStringList groupValues(QSettings &s, const char *group, const QStringList &defaults, bool writeDefaults,
                        bool useDefaults)
{
    s.beginGroup(QLatin1String(group));
    QStringList values;
    const QStringList keys = s.childKeys();
    for (const QString &key : keys)
        values << s.value(key).toString();
    if (keys.isEmpty()) {
        if (writeDefaults) {
            for (int i = 0; i < defaults.size(); ++i)
                s.setValue(QString::number(i + 1), defaults[i]);
        }
        if (useDefaults)
            values = defaults;
    }
    s.endGroup();
    return values;
}

QSettings *settings()
{
    auto *s = new IniSettings(UploaderConfig::path());
    s->setIniCodec("UTF-8");
    return s;
}
} // namespace

QString UploaderConfig::path()
{
    return QStringLiteral("./cfg/uploader.ini");
}

int UploaderConfig::connectType()
{
    QScopedPointer<QSettings> s(settings());
    bool ok = false;
    const int mode = s->value(QStringLiteral("ConnectType")).toInt(&ok);
    return ok ? mode : 0;
}

void UploaderConfig::setConnectType(int mode)
{
    QScopedPointer<QSettings> s(settings());
    s->setValue(QStringLiteral("ConnectType"), mode);
}

UploaderConfig::Keywords UploaderConfig::keywords(bool writeDefaults)
{
    QScopedPointer<QSettings> s(settings());
    Keywords k;
    k.include =
        groupValues(*s, "UploadPort", {QStringLiteral("USB"), QStringLiteral("ArduPilot"), QStringLiteral("PX4")},
                    writeDefaults, true);
    // The exclude defaults are only written: a first start scans without them.
    k.exclude =
        groupValues(*s, "PortName", {QStringLiteral("Virutal"), QStringLiteral("bluetooth"), QString::fromUtf8("蓝牙")},
                    writeDefaults, false);
    return k;
}

QString UploaderConfig::lastFilePath()
{
    QScopedPointer<QSettings> s(settings());
    return s->value(QStringLiteral("LastFilePath")).toString();
}

void UploaderConfig::setLastFilePath(const QString &path)
{
    QScopedPointer<QSettings> s(settings());
    s->setValue(QStringLiteral("LastFilePath"), path);
}
