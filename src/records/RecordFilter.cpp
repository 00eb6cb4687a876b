#include "records/RecordFilter.h"

bool RecordFilter::matches(const UnitSummary &u) const
{
    if (!unit.isEmpty() && u.unitKey.compare(unit, Qt::CaseInsensitive) != 0 && u.serialNumber != unit)
        return false;
    if (!station.isEmpty() && !u.stations.contains(station))
        return false;
    // The unit was seen within the range when its first and last record span overlaps it.
    if (sinceMs > 0 && u.lastTimeMs < sinceMs)
        return false;
    if (untilMs > 0 && u.firstTimeMs >= untilMs)
        return false;
    switch (result) {
    case Result::Any:
        break;
    case Result::Failed:
        if (!u.anyFailed())
            return false;
        break;
    case Result::Passed:
        if (!u.allPassed())
            return false;
        break;
    case Result::Incomplete:
        if (u.anyFailed() || u.allPassed())
            return false;
        break;
    }
    if (text.isEmpty())
        return true;
    if (u.unitKey.contains(text, Qt::CaseInsensitive) || u.serialNumber.contains(text, Qt::CaseInsensitive))
        return true;
    for (const QString &s : u.stations) {
        if (s.contains(text, Qt::CaseInsensitive))
            return true;
    }
    for (const QString &o : u.operators) {
        if (o.contains(text, Qt::CaseInsensitive))
            return true;
    }
    return false;
}
