#include "core/util/IniSettings.h"

#include "core/util/IniText.h"

namespace {
const QString &sanitized(const QString &path)
{
    IniText::sanitizeFile(path);
    return path;
}
} // namespace

IniSettings::IniSettings(const QString &path) : QSettings(sanitized(path), QSettings::IniFormat)
{}
