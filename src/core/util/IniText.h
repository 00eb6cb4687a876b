#pragma once

#include <QByteArray>
#include <QString>

// The program's ini files are read and written through QSettings. A value of the form "@Variant(...)"
// (or "@DateTime(...)") is one QSettings decodes with its binary stream reader when the file is read;
// the program never writes one (it stores texts and numbers only), and a damaged or crafted one can
// make that reader reserve memory without bound, which ends the program. Such lines are taken out
// before QSettings opens a file.
namespace IniText {
// text without every line whose decoded text (escapes, quotes and continuation lines as QSettings reads
// them) holds a serialized value; *dropped (when given) is the number of lines taken out.
QByteArray withoutSerializedValues(const QByteArray &text, int *dropped = nullptr);
// Rewrites the ini file at path without such lines, keeping the file as it was as "<path>.damaged".
// Does nothing to a file without them (nor when there is no file); false when the file could not be
// read or rewritten.
bool sanitizeFile(const QString &path);
} // namespace IniText
