#pragma once

#include <QString>

#include <functional>

// The names of downloaded log files, the same for the MAVLink and the FlyLink log services: under
// Dir (relative to the working directory), "<id>_<time>.bin" with the log's time as local time in the
// form yyyyMMdd_hhmmss; while a file of that name exists, "ID<id>_<time>_<n>.bin" with n counting
// from 1.
namespace LogFileName {
constexpr const char *Dir = "log/flight";

// The path of log id with the given time (seconds since 1970 UTC); exists tells whether a path is taken.
QString path(quint16 id, quint32 timeUtc, const std::function<bool(const QString &)> &exists);
} // namespace LogFileName
