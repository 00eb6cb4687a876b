#include "core/util/AppVersion.h"

#include <QDateTime>
#include <QLocale>

QDate AppVersion::buildDate(const char *date, const char *time)
{
    QString stamp = QString::fromLatin1(date) + QString::fromLatin1(time);
    stamp.replace(QStringLiteral("  "), QStringLiteral(" 0"));
    const QLocale english(QLocale::English);
    return english.toDateTime(stamp, QStringLiteral("MMM dd yyyyhh:mm:ss")).date();
}

QString AppVersion::text(const char *date, const char *time)
{
    return QLatin1String(Base) + QLatin1Char('.') + buildDate(date, time).toString(QStringLiteral("yyyyMMdd")) +
           QLatin1Char('.') + QString::number(1, 10);
}

QString AppVersion::text()
{
    // The one place the build date is taken: every program links this object.
    return text(__DATE__, __TIME__);
}
