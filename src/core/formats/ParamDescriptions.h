#pragma once

#include <QMap>
#include <QString>

class XlsxWorkbook;

// The texts shown beside a parameter: unit (column C), range (D) and description (E) of the
// parameter description workbook paracfg.xlsx, keyed by the parameter name in column A.
struct ParamDescription
{
    QString unit;
    QString range;
    QString description;
};

namespace ParamDescriptions {
// paracfg.xlsx in the directory of the running executable.
QString defaultPath();
// Reads rows firstRow..lastRow of the active sheet; every row gives an entry (empty rows all map
// to the empty name) and a name in several rows keeps its last row's texts. A missing file gives
// an empty table (debug line "paracfg not exist"); an unreadable one reads as empty cells. A file
// over the workbook reader's size bounds is refused: an empty table, the debug line "paracfg
// refused:" with the reason, and the reason in *refusal when given (cleared otherwise).
QMap<QString, ParamDescription> load(const QString &path, int firstRow = 1, int lastRow = 1000,
                                     QString *refusal = nullptr);
// The same over a workbook already read.
QMap<QString, ParamDescription> fromWorkbook(const XlsxWorkbook &book, int firstRow, int lastRow);
} // namespace ParamDescriptions
