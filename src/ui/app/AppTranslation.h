#pragma once

#include <QString>

class QTranslator;

// Installs a catalogue on the application when the locale name asks for it ("zh_CN" exactly).
namespace AppTranslation {
// Loads :/myI18N_zh_CN.qm into translator and installs it when localeName is "zh_CN"; returns
// whether it was installed. Any other locale keeps the English source texts.
bool installForLocale(const QString &localeName, QTranslator *translator);
} // namespace AppTranslation
