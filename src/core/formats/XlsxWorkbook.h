#pragma once

#include <QHash>
#include <QString>

class QIODevice;
class QuaZip;

// A small reader of Office Open XML workbooks (.xlsx): the cells of the active worksheet as text.
// The zip is opened with QuaZip and its parts are streamed through QXmlStreamReader:
// xl/workbook.xml (which sheet is active), xl/_rels/workbook.xml.rels (where that sheet lives),
// xl/sharedStrings.xml and the sheet itself. Shared strings, inline strings, formula strings,
// booleans and numbers (as the text of the number) are read; absent cells read as empty text.
// A file is refused (refused() true) when one of its parts inflates beyond MaxPartBytes or a cell
// text is longer than MaxCellChars: a small zip can hold gigabytes of repeated text.
class XlsxWorkbook
{
public:
    // Bound of every part read, inflated; the description tables in use are well below 1 MiB.
    static constexpr qint64 MaxPartBytes = 16 * 1024 * 1024;
    // Longest cell text accepted: the spreadsheet programs' own limit.
    static constexpr int MaxCellChars = 32767;

    // Reads path; cells beyond maxRow (when > 0) are skipped. False with error() set when the file
    // is missing or not a readable workbook; the cells then read empty.
    bool load(const QString &path, int maxRow = 0);
    // The same from a device holding the zip (opened or not); name is used in error texts.
    bool load(QIODevice *device, const QString &name, int maxRow = 0);
    QString error() const { return m_error; }
    // The last load failed because the file exceeded MaxPartBytes or MaxCellChars.
    bool refused() const { return m_refused; }

    // The text of a cell, row and column counted from 1 (A = 1); empty when absent.
    QString cell(int row, int column) const { return m_cells.value(key(row, column)); }
    // The text of a cell by reference such as "C7"; empty when absent or not a reference.
    QString cell(const QString &ref) const;
    // Number of non-empty cells read.
    int cellCount() const { return m_cells.size(); }
    // Name of the worksheet that was read.
    QString sheetName() const { return m_sheetName; }

    // "C7" -> row 7, column 3; false when ref is not a cell reference.
    static bool parseRef(const QString &ref, int &row, int &column);

private:
    static quint64 key(int row, int column) { return (quint64(quint32(row)) << 16) | quint16(column); }
    bool fail(const QString &error);
    bool refuse(const QString &error);
    // The whole inflated part name into bytes; false when it is missing, or over MaxPartBytes (then
    // refused() is true).
    bool readPart(QuaZip &zip, const QString &name, QByteArray &bytes);
    // A part that readPart did not give: refused, or missing.
    bool partFailed(const QString &path, const QString &part);
    bool readSheet(const QByteArray &xml, int maxRow);
    bool readZip(QuaZip &zip, const QString &path, int maxRow);

    QHash<quint64, QString> m_cells;
    QStringList m_sharedStrings;
    QString m_sheetName;
    QString m_error;
    bool m_refused = false;
};
