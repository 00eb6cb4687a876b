#include "ui/app/AppTranslation.h"

#include <QCoreApplication>
#include <QTranslator>

bool AppTranslation::installForLocale(const QString &localeName, QTranslator *translator)
{
    if (localeName != QLatin1String("zh_CN"))
        return false;
    translator->load(QStringLiteral(":/myI18N_zh_CN.qm")); // a missing catalogue leaves English
    QCoreApplication::installTranslator(translator);
    return true;
}
