#include "ui/app/WindowTitle.h"

#include <QDateTime>
#include <QLocale>

QDate WindowTitle::buildDate(const char *date, const char *time)
{
    QString stamp = QString::fromLatin1(date) + QString::fromLatin1(time);
    stamp.replace(QStringLiteral("  "), QStringLiteral(" 0"));
    const QLocale english(QLocale::English);
    return english.toDateTime(stamp, QStringLiteral("MMM dd yyyyhh:mm:ss")).date();
}

QString WindowTitle::title(const QString &appName, const char *date, const char *time)
{
    return appName + QStringLiteral(" v") + QLatin1String(Version) + QLatin1Char('.') +
           buildDate(date, time).toString(QStringLiteral("yyyyMMdd")) + QLatin1Char('.') + QString::number(1, 10);
}
