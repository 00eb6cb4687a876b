#include "core/formats/ParaCfgCsv.h"

#include <QStringList>

QHash<QString, ParamCfg> parseParaCfgCsv(const QString &text)
{
    QHash<QString, ParamCfg> rows;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QStringList f = line.split(QLatin1Char(','));
        if (f.size() < 5)
            continue;
        ParamCfg row;
        row.defaultValue = f[1].toFloat(); // 0 when not a number
        row.unit = f[2];
        row.range = f[3];
        row.description = f[4];
        rows.insert(f[0], row);
    }
    return rows;
}
