#pragma once

#include "sim/FmuParams.h"

#include <QString>
#include <QVector>

// The parameter description workbook paracfg.xlsx for the simulated unit's parameters, in the layout
// the Param tab reads: active sheet, no header, one parameter per row from row 1, column A name,
// B default value, C unit, D range, E description. The texts are made from the parameter names
// (family prefix, quantity suffix), so a demo shows real-looking units, ranges and descriptions.
namespace ParacfgWriter {
// Rows the Param tab reads (1..1000); parameters after that are left out.
constexpr int MaxRows = 1000;

struct Row
{
    QString name;
    float value = 0;
    QString unit;
    QString range;
    QString description;
};

// Unit, range and description of one parameter.
Row describe(const FmuParam &param);
// Writes the workbook of params (at most MaxRows of them) to path; false with error set on failure.
bool write(const QString &path, const QVector<FmuParam> &params, QString &error);
} // namespace ParacfgWriter
