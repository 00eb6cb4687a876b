#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// File and process helpers shared by the suites.
namespace TestFiles {
bool write(const QString &path, const QByteArray &bytes);
// The whole file, or empty when it cannot be read.
QByteArray read(const QString &path);
// size pseudo-random bytes, the same for the same seed (firmware images of the flash suites).
QByteArray pattern(int size, int seed);

// Writes a zip archive (an .xlsx workbook, say) of the given (name, content) parts.
bool writeZip(const QString &path, const QList<QPair<QString, QByteArray>> &parts);
// A workbook whose active sheet holds rows of inline strings (columns A..E), from row 1 on.
bool writeWorkbook(const QString &path, const QList<QStringList> &rows);

struct ProgramRun
{
    int exitCode = -1; // -1: crashed or timed out
    QString out;
    QString err;
};
// Runs a program to its end (killed after timeoutMs) and collects its exit code and output.
ProgramRun run(const QString &program, const QStringList &args,
               const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment(), int timeoutMs = 90000);
} // namespace TestFiles
