#pragma once

#include "core/formats/ParamFile.h"

#include <QMap>
#include <QString>

#include <functional>

// `zorvan-cli ins params save|load|diff FILE`: the ".param" file of the common-parameter window
// against the unit's whole parameter set (fetched by the caller). Each returns the exit code.
namespace InsParamsFile {
// Writes the file; prints "saved N parameters to FILE".
int save(const QString &path, const ParamFileHeader &header, const QList<ParamFileEntry> &params);
// Prints "NAME,UNIT,FILE" for every parameter of the file whose value differs from the unit's ("-" as
// UNIT when the unit has no such parameter). 0 when none differs and every line was read.
int diff(const QString &path, const QMap<QString, float> &unit);
// Writes every value of the file that differs from the unit's with write(name, value), which reads it
// back and returns 0 when it took. 0 only when every value took and every line was read.
// missing, when given, receives the names of the file the unit does not have.
int load(const QString &path, const QMap<QString, float> &unit,
         const std::function<int(const QString &, float)> &write, QStringList *missing = nullptr);
} // namespace InsParamsFile
