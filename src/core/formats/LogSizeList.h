#pragma once

#include <QString>
#include <QVector>

// The text form of a set of logs by id and size, "ID:SIZE[,ID:SIZE...]" (the simulated unit's --logs).
namespace LogSizeList {
struct Log
{
    quint16 id = 0;
    quint32 size = 0;
};
// Parses list into logs sorted by id; false with error set on a bad item (ids 0..65534, sizes up to
// 2^32-1, no id twice). Empty items are skipped, so "" is an empty set.
bool parse(const QString &list, QVector<Log> &out, QString &error);
} // namespace LogSizeList
