#include "cli/InsParamsFile.h"

#include "cli/CliCommands.h"

#include <cstdio>

namespace InsParamsFile {
namespace {
void out(const QString &line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

QString number(float v)
{
    return QString::number(double(v), 'g', 7);
}

// Reads the file; reports a failure or its malformed lines. False when it could not be read.
bool read(const char *what, const QString &path, ParamFile::Parsed *parsed)
{
    QString error;
    if (!ParamFile::load(path, parsed, &error)) {
        cliFail(what, 1, error);
        return false;
    }
    if (!parsed->sawStart)
        cliFail(what, 1, path + QStringLiteral(": no ParamStart line, nothing read"));
    for (const ParamFile::BadLine &b : parsed->bad)
        cliFail(what, 1, QStringLiteral("%1: line %2 is no NAME,VALUE: %3").arg(path).arg(b.line).arg(b.text));
    return true;
}

bool wholeFileRead(const ParamFile::Parsed &parsed)
{
    return parsed.sawStart && parsed.bad.isEmpty();
}
} // namespace

int save(const QString &path, const ParamFileHeader &header, const QList<ParamFileEntry> &params)
{
    QString error;
    if (!ParamFile::save(path, header, params, &error))
        return cliFail("ins params save", 1, error);
    out(QStringLiteral("saved %1 parameters to %2").arg(params.size()).arg(path));
    return 0;
}

int diff(const QString &path, const QMap<QString, float> &unit)
{
    ParamFile::Parsed parsed;
    if (!read("ins params diff", path, &parsed))
        return 1;
    const QList<ParamFile::Difference> differences = ParamFile::diff(unit, parsed.values);
    for (const ParamFile::Difference &d : differences)
        out(d.name + QLatin1Char(',') + (d.onUnit ? number(d.unitValue) : QStringLiteral("-")) + QLatin1Char(',') +
            number(d.fileValue));
    return differences.isEmpty() && wholeFileRead(parsed) ? 0 : 1;
}

int load(const QString &path, const QMap<QString, float> &unit, const std::function<int(const QString &, float)> &write,
         QStringList *missing)
{
    ParamFile::Parsed parsed;
    if (!read("ins params load", path, &parsed))
        return 1;
    int failed = 0;
    for (const ParamFile::Difference &d : ParamFile::diff(unit, parsed.values)) {
        if (!d.onUnit) {
            cliFail("ins params load", 1, d.name + QStringLiteral(": the unit has no such parameter"));
            if (missing)
                missing->append(d.name);
            ++failed;
        } else if (write(d.name, d.fileValue) != 0) {
            ++failed;
        }
    }
    return failed == 0 && wholeFileRead(parsed) ? 0 : 1;
}
} // namespace InsParamsFile
