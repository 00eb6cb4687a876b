#include "core/formats/ParamDescriptions.h"

#include "core/formats/XlsxWorkbook.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>

namespace {
enum Column { ColumnName = 1, ColumnUnit = 3, ColumnRange = 4, ColumnDescription = 5 };
}

QString ParamDescriptions::defaultPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/paracfg.xlsx");
}

QMap<QString, ParamDescription> ParamDescriptions::load(const QString &path, int firstRow, int lastRow,
                                                        QString *refusal)
{
    if (refusal)
        refusal->clear();
    if (!QFileInfo::exists(path)) {
        qDebug() << "paracfg not exist";
        return {};
    }
    XlsxWorkbook book;
    if (!book.load(path, lastRow)) {
        if (book.refused()) {
            qDebug() << "paracfg refused:" << book.error();
            if (refusal)
                *refusal = book.error();
            return {};
        }
        qDebug() << "paracfg read failed:" << book.error();
    }
    return fromWorkbook(book, firstRow, lastRow);
}

QMap<QString, ParamDescription> ParamDescriptions::fromWorkbook(const XlsxWorkbook &book, int firstRow, int lastRow)
{
    QMap<QString, ParamDescription> table;
    for (int row = firstRow; row <= lastRow; ++row) {
        table.insert(book.cell(row, ColumnName),
                     ParamDescription{book.cell(row, ColumnUnit), book.cell(row, ColumnRange),
                                      book.cell(row, ColumnDescription)});
    }
    return table;
}
