#include "records/RecordCsv.h"

#include <QDateTime>

namespace RecordCsv {

QString field(const QString &value)
{
    if (!value.contains(QLatin1Char(',')) && !value.contains(QLatin1Char('"')) && !value.contains(QLatin1Char('\n')) &&
        !value.contains(QLatin1Char('\r')))
        return value;
    QString quoted = value;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString markText(RecordStep::Mark mark)
{
    switch (mark) {
    case RecordStep::Passed:
        return QStringLiteral("passed");
    case RecordStep::Failed:
        return QStringLiteral("failed");
    case RecordStep::NotDone:
        break;
    }
    return QStringLiteral("not done");
}

QString timeText(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(Qt::ISODateWithMs);
}

namespace {
QString line(const QStringList &fields)
{
    QStringList out;
    for (const QString &f : fields)
        out << field(f);
    return out.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}
} // namespace

QString units(const QVector<UnitSummary> &units)
{
    QStringList header{QStringLiteral("SN"), QStringLiteral("UUID"),    QStringLiteral("HW"),
                       QStringLiteral("FW"), QStringLiteral("station"), QStringLiteral("time")};
    for (int s = 0; s < RecordStep::Count; ++s)
        header << RecordStep::name(RecordStep::Step(s));
    QString out = line(header);
    for (const UnitSummary &u : units) {
        QStringList f{u.serialNumber, u.unitKey, u.hardware, u.firmware, u.lastStation, timeText(u.lastTimeMs)};
        for (RecordStep::Mark m : u.marks)
            f << markText(m);
        out += line(f);
    }
    return out;
}

QString records(const QVector<ProductionRecord> &records)
{
    QString out = line({QStringLiteral("id"), QStringLiteral("unit"), QStringLiteral("time"), QStringLiteral("station"),
                        QStringLiteral("operator"), QStringLiteral("version"), QStringLiteral("operation"),
                        QStringLiteral("result"), QStringLiteral("reason"), QStringLiteral("SN"), QStringLiteral("HW"),
                        QStringLiteral("FW"), QStringLiteral("details")});
    for (const ProductionRecord &r : records)
        out += line({r.id, r.unitKey, timeText(r.timeMs), r.station, r.operatorName, r.version, r.operation,
                     ProductionRecord::resultText(r.result), r.reason, r.serialNumber, r.hardware, r.firmware,
                     r.detailsText()});
    return out;
}

QVector<QStringList> parse(const QString &text)
{
    QVector<QStringList> rows;
    QStringList row;
    QString cur;
    bool quoted = false, any = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
                    cur += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                cur += c;
            }
            continue;
        }
        if (c == QLatin1Char('"')) {
            quoted = true;
            any = true;
        } else if (c == QLatin1Char(',')) {
            row << cur;
            cur.clear();
            any = true;
        } else if (c == QLatin1Char('\r')) {
            continue;
        } else if (c == QLatin1Char('\n')) {
            row << cur;
            rows << row;
            row.clear();
            cur.clear();
            any = false;
        } else {
            cur += c;
            any = true;
        }
    }
    if (any) {
        row << cur;
        rows << row;
    }
    return rows;
}

} // namespace RecordCsv
