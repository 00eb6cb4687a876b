#include "core/formats/LogSizeList.h"

#include <QSet>
#include <QStringList>

#include <algorithm>

bool LogSizeList::parse(const QString &list, QVector<Log> &out, QString &error)
{
    out.clear();
    QSet<quint16> seen;
    for (const QString &item : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList parts = item.split(QLatin1Char(':'));
        bool okId = false, okSize = false;
        const uint id = parts.size() == 2 ? parts[0].trimmed().toUInt(&okId) : 0;
        const qulonglong size = parts.size() == 2 ? parts[1].trimmed().toULongLong(&okSize) : 0;
        if (!okId || !okSize || id > 0xFFFE || size > 0xFFFFFFFFull) {
            error = QStringLiteral("bad log \"%1\" (expected ID:SIZE, ID 0..65534)").arg(item);
            out.clear();
            return false;
        }
        if (seen.contains(quint16(id))) {
            error = QStringLiteral("log %1 given twice").arg(id);
            out.clear();
            return false;
        }
        seen.insert(quint16(id));
        out.append(Log{quint16(id), quint32(size)});
    }
    std::sort(out.begin(), out.end(), [](const Log &a, const Log &b) { return a.id < b.id; });
    return true;
}
