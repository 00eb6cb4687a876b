#pragma once

#include <QDate>
#include <QString>

// The main window's title: "<app> v1.2.4.<yyyyMMdd>.1" from the build date (see AppVersion).
namespace WindowTitle {
// Parses the compiler's __DATE__ and __TIME__ ("Oct  8 2025", "10:49:06"); a one-digit day is padded.
QDate buildDate(const char *date, const char *time);
QString title(const QString &appName, const char *date, const char *time);
// The title of this build, with the version every program reports for --version.
QString title(const QString &appName);
} // namespace WindowTitle
