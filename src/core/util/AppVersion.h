#pragma once

#include <QDate>
#include <QString>

// The version the three programs report (window title, --version): "1.2.4.<yyyyMMdd>.1", where the
// date is the build date of this library, so every program linked from one build says the same.
namespace AppVersion {
constexpr const char *Base = "1.2.4";

// Parses the compiler's __DATE__ and __TIME__ ("Oct  8 2025", "10:49:06"); a one-digit day is padded.
QDate buildDate(const char *date, const char *time);
// "1.2.4.<yyyyMMdd>.1" for the given compiler date and time.
QString text(const char *date, const char *time);
// The version of this build.
QString text();
} // namespace AppVersion
