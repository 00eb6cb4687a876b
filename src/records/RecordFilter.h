#pragma once

#include "records/UnitSummary.h"

#include <QString>

// Which units a list shows: the Records tab's filters and the options of zorvan-cli records list.
struct RecordFilter
{
    enum class Result { Any, Failed, Passed, Incomplete };

    QString text;       // part of the SN, UUID, a station or an operator (case-insensitive)
    QString unit;       // exactly the unit key or SN
    QString station;    // exactly a station that recorded the unit
    qint64 sinceMs = 0; // units seen at or after (0: no bound)
    qint64 untilMs = 0; // units seen before (0: no bound)
    Result result = Result::Any;

    bool matches(const UnitSummary &unit) const;
};
