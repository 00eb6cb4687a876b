#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

struct FlyBoardInfoView;

// The board identity written at the top of a ".param" file and as a line of "hwInfo.csv": the unit's
// board information (unique id words, board type, firmware version, protocol word, serial number).
struct ParamFileHeader
{
    quint32 uid[3] = {0, 0, 0};
    quint32 boardType = 0;
    quint32 firmware = 0;
    quint16 protocolWord = 0;
    quint32 serialNumber = 0;

    static ParamFileHeader fromBoard(const FlyBoardInfoView &board);
    // "%08X%08X%08X" of the three unique id words.
    QString uuid() const;
    // The five header lines "HWInfo:", "SerialNum:", "UDID:", "FW_Version:", "Link_Version:".
    QStringList lines() const;
    // The hwInfo.csv line without its "\r\n": board type, firmware, link version, serial number, "UUID:" id.
    QString hwInfoLine() const;
    // "<board type>-<uuid>-<yyyyMMdd>.param".
    QString fileName(const QDate &day) const;
};

// One parameter of a file: its name and value.
struct ParamFileEntry
{
    QString name;
    float value = 0;
};

// The ".param" text file of the common-parameter window and of `zorvan-cli ins params`: five header
// lines, an empty line, the separator ">>>>...ParamStart<<<<...", then "NAME,VALUE" lines (value 'g',
// 6 significant digits). Saving goes through a temporary file renamed over the real name, so a failed
// save never leaves a truncated file behind.
namespace ParamFile {
// The separator line (22 ">", "ParamStart", 21 "<").
QString separator();
// Two values closer than this are the same value (a row is not marked edited, nothing is written).
constexpr double SameValueTolerance = 1e-8;
inline bool sameValue(double a, double b)
{
    return (a > b ? a - b : b - a) < SameValueTolerance;
}

// The whole file text.
QByteArray format(const ParamFileHeader &header, const QList<ParamFileEntry> &params);

struct BadLine
{
    int line = 0; // 1-based
    QString text;
};

struct Parsed
{
    QMap<QString, float> values; // by name; a later line of the same name wins
    QList<BadLine> bad;          // non-empty lines after the separator that are no "NAME,VALUE"
    bool sawStart = false;       // a line containing "start" (any case) switched reading on
};

// Reads a file text: every line up to the first one containing "start" (any case) is header; after it
// each non-empty line is "NAME,VALUE" (empty parts between commas dropped) or is reported as bad.
Parsed parse(const QByteArray &text);
// "line 9: text; line 12: text" of the bad lines.
QString badLinesText(const QList<BadLine> &bad);

// Writes the file (temporary name, then renamed); on failure returns false with the reason.
bool save(const QString &path, const ParamFileHeader &header, const QList<ParamFileEntry> &params, QString *error);
// Reads and parses a file; false with the reason when it cannot be read.
bool load(const QString &path, Parsed *parsed, QString *error);
// Appends the header's line (and "\r\n") to the hwInfo.csv at path, through a temporary file.
bool appendHwInfo(const QString &path, const ParamFileHeader &header, QString *error);

// A parameter whose file value differs from the unit's, or that the unit does not have.
struct Difference
{
    QString name;
    bool onUnit = false;
    float unitValue = 0;
    float fileValue = 0;
};
// The file's parameters that differ from the unit's values (by name order).
QList<Difference> diff(const QMap<QString, float> &unit, const QMap<QString, float> &file);
} // namespace ParamFile
