#include "ui/app/WindowTitle.h"

#include "core/util/AppVersion.h"

QDate WindowTitle::buildDate(const char *date, const char *time)
{
    return AppVersion::buildDate(date, time);
}

QString WindowTitle::title(const QString &appName, const char *date, const char *time)
{
    return appName + QStringLiteral(" v") + AppVersion::text(date, time);
}

QString WindowTitle::title(const QString &appName)
{
    return appName + QStringLiteral(" v") + AppVersion::text();
}
