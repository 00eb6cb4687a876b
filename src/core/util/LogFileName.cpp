#include "core/util/LogFileName.h"

#include <QDateTime>

namespace LogFileName {

QString path(quint16 id, quint32 timeUtc, const std::function<bool(const QString &)> &exists)
{
    const QString dir = QLatin1String(Dir);
    const QString stamp =
        QDateTime::fromSecsSinceEpoch(timeUtc, Qt::UTC).toLocalTime().toString(QStringLiteral("yyyyMMdd_hhmmss"));
    QString candidate = QStringLiteral("%1/%2_%3.bin").arg(dir).arg(id).arg(stamp);
    for (int n = 1; exists(candidate); ++n)
        candidate = QStringLiteral("%1/ID%2_%3_%4.bin").arg(dir).arg(id).arg(stamp).arg(n);
    return candidate;
}

} // namespace LogFileName
