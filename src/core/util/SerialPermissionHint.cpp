#include "core/util/SerialPermissionHint.h"

#include <QCoreApplication>
#include <QFileInfo>

QString SerialPermissionHint::text()
{
    return QCoreApplication::translate("SerialPermissionHint",
                                       "add your user to the 'dialout' group, then log in again");
}

QString SerialPermissionHint::appendTo(const QString &message, bool permissionDenied)
{
    return permissionDenied ? message + QLatin1Char('\n') + text() : message;
}

bool SerialPermissionHint::deniedFor(const QString &path)
{
    const QFileInfo device(path);
    return device.exists() && !(device.isReadable() && device.isWritable());
}
