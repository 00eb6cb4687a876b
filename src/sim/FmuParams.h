#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// The parameter set of the simulated flight-control unit.
struct FmuParam
{
    QByteArray name;  // at most 16 bytes
    double value = 0; // an integer type's number exactly (a 32-bit one beyond 2^24 too)
    quint8 type = 9;  // MAV_PARAM_TYPE: 1 u8, 2 i8, 3 u16, 4 i16, 5 u32, 6 i32, 9 float
};

namespace FmuParams {
// About 1200 parameters named and typed like those of a multicopter's flight-control firmware,
// some with names of exactly 16 characters.
QVector<FmuParam> builtin();
// Reads NAME,VALUE[,TYPE] lines (blank lines and lines starting with # skipped; TYPE defaults to 9).
// False with error set ("FILE:LINE: reason") on a bad line or an unreadable file.
bool readFile(const QString &path, QVector<FmuParam> &out, QString &error);
// value as the parameter's type stores it: integers are rounded and clamped to the type's range.
double storedValue(double value, quint8 type);
} // namespace FmuParams
