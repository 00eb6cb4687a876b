// zorvan-cli records list|show|export|sync: the production record from the command line.
#include "cli/CliCommands.h"
#include "cli/CliRecorder.h"

#include "records/RecordCsv.h"
#include "records/RecordFilter.h"
#include "records/RecordStore.h"

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QSaveFile>

#include <cstdio>

namespace {

void out(const QString &line)
{
    std::fwrite(line.toUtf8().constData(), 1, size_t(line.toUtf8().size()), stdout);
    std::fputc('\n', stdout);
}

// The short names of the steps on a list line.
const char *const StepShort[RecordStep::Count] = {"flash",   "gyro", "baro", "level", "acc",
                                                  "compass", "temp", "sn",   "params"};

QString markShort(RecordStep::Mark m)
{
    return m == RecordStep::Passed   ? QStringLiteral("ok")
           : m == RecordStep::Failed ? QStringLiteral("FAILED")
                                     : QStringLiteral("-");
}

QString orDash(const QString &s)
{
    return s.isEmpty() ? QStringLiteral("-") : s;
}

int usage(const QString &text)
{
    return cliFail("records", 2, text);
}

// Takes "--name VALUE" out of args into value; false when the option has no value.
bool takeValue(QStringList &args, const QString &name, QString *value, bool *bad)
{
    const int i = args.indexOf(name);
    if (i < 0)
        return false;
    if (i + 1 >= args.size()) {
        *bad = true;
        return false;
    }
    *value = args[i + 1];
    args.erase(args.begin() + i, args.begin() + i + 2);
    return true;
}

int runList(RecordStore &store, const RecordFilter &filter, bool csv)
{
    QVector<UnitSummary> units = store.units();
    if (!store.lastError().isEmpty())
        return cliFail("records list", 1, store.lastError());
    QVector<UnitSummary> shown;
    for (const UnitSummary &u : units) {
        if (filter.matches(u))
            shown.append(u);
    }
    if (csv) {
        const QByteArray text = RecordCsv::units(shown).toUtf8();
        std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
        return 0;
    }
    for (const UnitSummary &u : shown) {
        QStringList marks;
        for (int s = 0; s < RecordStep::Count; ++s)
            marks << QString::fromLatin1(StepShort[s]) + QLatin1Char('=') + markShort(u.marks[s]);
        out(QStringLiteral("%1 SN %2 HW %3 FW %4 %5 %6 %7")
                .arg(orDash(u.unitKey), orDash(u.serialNumber), orDash(u.hardware), orDash(u.firmware),
                     orDash(u.lastStation), RecordCsv::timeText(u.lastTimeMs), marks.join(QLatin1Char(' '))));
    }
    return 0;
}

int runShow(RecordStore &store, const QString &unit)
{
    const QString key = store.resolveUnit(unit);
    if (key.isEmpty()) {
        if (!store.lastError().isEmpty())
            return cliFail("records show", 1, store.lastError());
        return cliFail("records show", 1, QStringLiteral("no records of unit ") + unit);
    }
    for (const ProductionRecord &r : store.history(key)) {
        QString line = QStringLiteral("%1 %2 %3 %4 %5")
                           .arg(RecordCsv::timeText(r.timeMs), r.station, r.operatorName, r.operation,
                                ProductionRecord::resultText(r.result));
        if (!r.reason.isEmpty())
            line += QStringLiteral(" (") + r.reason + QLatin1Char(')');
        out(line + QLatin1Char(' ') + r.detailsText());
    }
    return 0;
}

int runExport(RecordStore &store, const RecordFilter &filter, const QString &path)
{
    QVector<ProductionRecord> records = store.records(filter.sinceMs);
    if (!store.lastError().isEmpty())
        return cliFail("records export", 1, store.lastError());
    if (!filter.unit.isEmpty() || !filter.station.isEmpty()) {
        const QString key = filter.unit.isEmpty() ? QString() : store.resolveUnit(filter.unit);
        QVector<ProductionRecord> kept;
        for (const ProductionRecord &r : records) {
            if ((filter.unit.isEmpty() || r.unitKey == key) &&
                (filter.station.isEmpty() || r.station == filter.station))
                kept.append(r);
        }
        records = kept;
    }
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return cliFail("records export", 1, QStringLiteral("cannot write %1: %2").arg(path, f.errorString()));
    f.write(RecordCsv::records(records).toUtf8());
    if (!f.commit())
        return cliFail("records export", 1, QStringLiteral("cannot write %1: %2").arg(path, f.errorString()));
    out(QStringLiteral("exported %1 records to %2").arg(records.size()).arg(path));
    return 0;
}

int runSync(const RecordsConfig &config)
{
    if (!config.postgres) {
        out(QStringLiteral("records go to %1: nothing to forward").arg(config.describe()));
        return 0;
    }
    RecordStore spool;
    if (!spool.openSqlite(config.sqlitePath))
        return cliFail("records sync", 1, spool.lastError());
    const int waiting = spool.spoolCount();
    if (waiting == 0) {
        out(QStringLiteral("nothing to forward"));
        return 0;
    }
    RecordStore server;
    if (!server.openPostgres(config))
        return cliFail("records sync", 1, QStringLiteral("%1 records wait: %2").arg(waiting).arg(server.lastError()));
    const int n = spool.forwardSpool(server);
    const int left = spool.spoolCount();
    out(QStringLiteral("forwarded %1 records to %2").arg(qMax(n, 0)).arg(config.describe()));
    if (n < 0 || left != 0)
        return cliFail("records sync", 1, QStringLiteral("%1 records wait: %2").arg(left).arg(spool.lastError()));
    return 0;
}

int runRecords(const QStringList &argsIn)
{
    QStringList args = argsIn;
    CliRecorder recorder; // only its options: --db, --station, --operator
    QString error;
    if (!recorder.parse(args, &error))
        return usage(error);
    if (args.isEmpty())
        return usage(QStringLiteral("missing operation (list, show, export, sync)"));
    const QString op = args.takeFirst();
    RecordFilter filter;
    bool bad = false;
    QString since;
    if (takeValue(args, QStringLiteral("--since"), &since, &bad)) {
        const QDate d = QDate::fromString(since, Qt::ISODate);
        if (!d.isValid())
            return usage(QStringLiteral("--since needs a date YYYY-MM-DD"));
        filter.sinceMs = QDateTime(d, QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
    }
    takeValue(args, QStringLiteral("--unit"), &filter.unit, &bad);
    takeValue(args, QStringLiteral("--station"), &filter.station, &bad);
    if (bad)
        return usage(QStringLiteral("an option needs a value"));
    const bool csv = args.removeAll(QStringLiteral("--csv")) > 0;
    for (const QString &a : args) {
        if (a.startsWith(QLatin1String("--")))
            return usage(QStringLiteral("unknown option ") + a);
    }
    if (op == QLatin1String("sync")) {
        if (!args.isEmpty())
            return usage(QStringLiteral("sync takes no arguments"));
        return runSync(recorder.config());
    }
    RecordStore store;
    if (!store.open(recorder.config()))
        return cliFail("records", 1, store.lastError());
    if (op == QLatin1String("list")) {
        if (!args.isEmpty())
            return usage(QStringLiteral("list takes options only"));
        return runList(store, filter, csv);
    }
    if (op == QLatin1String("show")) {
        if (args.size() != 1)
            return usage(QStringLiteral("show UUID|SN"));
        return runShow(store, args[0]);
    }
    if (op == QLatin1String("export")) {
        if (args.size() != 1)
            return usage(QStringLiteral("export FILE.csv"));
        return runExport(store, filter, args[0]);
    }
    return usage(QStringLiteral("unknown operation ") + op);
}

CommandTable::Registrar
    reg(cliCommands(), "records",
        "records [--db PATH|postgresql://USER@HOST:PORT/DBNAME] OPERATION\n"
        "    list [--since YYYY-MM-DD] [--unit UUID|SN] [--station NAME] [--csv]   one line per unit\n"
        "    show UUID|SN          the unit's history, one line per event\n"
        "    export FILE.csv       every record (--since, --unit, --station apply)\n"
        "    sync                  forward the local spool to the PostgreSQL server (0: none left)",
        &runRecords);

} // namespace
