#include "core/formats/ParamValueLines.h"

#include "core/mavlink/ParamList.h"

#include <QStringList>

bool ParamValueLines::parse(const QString &text, QVector<Line> &out, QString &error, int &errorLine)
{
    QVector<Line> lines;
    errorLine = 0;
    const QStringList rows = text.split(QLatin1Char('\n'));
    for (int i = 0; i < rows.size(); ++i) {
        const QString line = rows[i].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList fields = line.split(QLatin1Char(','));
        const auto bad = [&](const QString &why) {
            errorLine = i + 1;
            error = QStringLiteral("%1: %2").arg(errorLine).arg(why);
            return false;
        };
        if (fields.size() < 2 || fields.size() > 3)
            return bad(QStringLiteral("expected NAME,VALUE[,TYPE]"));
        const QString name = fields[0].trimmed();
        if (name.isEmpty() || name.size() > 16)
            return bad(QStringLiteral("the name must have 1 to 16 characters"));
        float nearest = 0;
        if (!ParamText::parseFloat(fields[1], nearest))
            return bad(QStringLiteral("value \"%1\" is not a number").arg(fields[1].trimmed()));
        int type = 9;
        if (fields.size() == 3) {
            bool ok = false;
            type = fields[2].trimmed().toInt(&ok);
            if (!ok || type < 1 || type > 10)
                return bad(QStringLiteral("type \"%1\" is not a MAV_PARAM_TYPE (1..10)").arg(fields[2].trimmed()));
        }
        // An integer keeps every digit (a 32-bit integer beyond 2^24 too); a real value is a float.
        double value = double(nearest);
        if (type >= 1 && type <= 8)
            value = fields[1].trimmed().toDouble();
        lines.append(Line{name.toLatin1(), value, quint8(type)});
    }
    if (lines.isEmpty()) {
        error = QStringLiteral("no parameters");
        return false;
    }
    if (lines.size() > 65535) {
        error = QStringLiteral("more than 65535 parameters");
        return false;
    }
    out = lines;
    return true;
}
