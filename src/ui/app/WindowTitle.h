#pragma once

#include <QDate>
#include <QString>

// The main window's title: "<app> v1.2.4.<yyyyMMdd>.1" from the compiler's build date and time.
namespace WindowTitle {
constexpr const char *Version = "1.2.4";

// Parses the compiler's __DATE__ and __TIME__ ("Oct  8 2025", "10:49:06"); a one-digit day is padded.
QDate buildDate(const char *date, const char *time);
QString title(const QString &appName, const char *date = __DATE__, const char *time = __TIME__);
} // namespace WindowTitle
