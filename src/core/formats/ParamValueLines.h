#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// Parameter values as text, one "NAME,VALUE[,TYPE]" per line (the simulated unit's --params file):
// blank lines and lines starting with # are skipped, TYPE (a MAV_PARAM_TYPE, 1..10) defaults to 9.
namespace ParamValueLines {
struct Line
{
    QByteArray name;  // 1 to 16 Latin-1 bytes
    double value = 0; // finite: an integer type's number as written, else the nearest float's value
    quint8 type = 9;
};
// Parses text; false on a bad line (error "LINE: reason", errorLine its number), on no line at all or
// more than 65535 (error the reason, errorLine 0).
bool parse(const QString &text, QVector<Line> &out, QString &error, int &errorLine);
} // namespace ParamValueLines
