#pragma once

#include <QHash>
#include <QString>

// One row of the parameter configuration table ./cfg/paracfg.csv.
struct ParamCfg
{
    float defaultValue = 0;
    QString unit;
    QString range;
    QString description;
};

// The rows of paracfg.csv text: each line split at every ","; lines with fewer than 5 fields are
// skipped; field 0 the name (not trimmed, case-sensitive), 1 the default (0 when not a number), 2 unit,
// 3 range, 4 description; further fields ignored; a later line replaces an earlier one of the same name.
// No quoting: a comma inside a description cuts it there.
QHash<QString, ParamCfg> parseParaCfgCsv(const QString &text);
