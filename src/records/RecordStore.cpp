#include "records/RecordStore.h"

#include "records/RecordsConfig.h"

#include <QAtomicInt>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

namespace {
const char *const Columns = "id, unit_key, time_ms, station, operator_name, program_version, operation, result, "
                            "reason, details, unit_sn, unit_hw, unit_fw";
constexpr int ColumnCount = 13;

QString tableName(RecordStore::Table t)
{
    return t == RecordStore::Spool ? QStringLiteral("spool") : QStringLiteral("records");
}

QString recordsDdl(const QString &table)
{
    return QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (id TEXT PRIMARY KEY, unit_key TEXT NOT NULL, "
                          "time_ms BIGINT NOT NULL, station TEXT NOT NULL, operator_name TEXT NOT NULL, "
                          "program_version TEXT NOT NULL, operation TEXT NOT NULL, result TEXT NOT NULL, "
                          "reason TEXT NOT NULL, details TEXT NOT NULL, unit_sn TEXT NOT NULL, "
                          "unit_hw TEXT NOT NULL, unit_fw TEXT NOT NULL)")
        .arg(table);
}

QString errorText(const QSqlError &e)
{
    QString t = e.databaseText().trimmed();
    if (t.isEmpty())
        t = e.driverText().trimmed();
    if (t.isEmpty())
        t = e.text().trimmed();
    return t;
}

ProductionRecord fromQuery(const QSqlQuery &q)
{
    ProductionRecord r;
    r.id = q.value(0).toString();
    r.unitKey = q.value(1).toString();
    r.timeMs = q.value(2).toLongLong();
    r.station = q.value(3).toString();
    r.operatorName = q.value(4).toString();
    r.version = q.value(5).toString();
    r.operation = q.value(6).toString();
    if (!ProductionRecord::parseResult(q.value(7).toString(), &r.result))
        r.result = ProductionRecord::Result::Failed;
    r.reason = q.value(8).toString();
    r.setDetailsText(q.value(9).toString());
    r.serialNumber = q.value(10).toString();
    r.hardware = q.value(11).toString();
    r.firmware = q.value(12).toString();
    return r;
}

void appendUnique(QStringList &list, const QString &value)
{
    if (!value.isEmpty() && !list.contains(value))
        list.append(value);
}
} // namespace

RecordStore::RecordStore()
{
    static QAtomicInt next;
    m_connection = QStringLiteral("zt_records_%1").arg(next.fetchAndAddRelaxed(1));
}

RecordStore::~RecordStore()
{
    close();
}

void RecordStore::close()
{
    if (!QSqlDatabase::contains(m_connection))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
}

bool RecordStore::isOpen() const
{
    return QSqlDatabase::contains(m_connection) && QSqlDatabase::database(m_connection, false).isOpen();
}

bool RecordStore::fail(const QString &what, const QString &why)
{
    m_error = what + QStringLiteral(": ") + why;
    return false;
}

bool RecordStore::open(const RecordsConfig &config)
{
    return config.postgres ? openPostgres(config) : openSqlite(config.sqlitePath);
}

bool RecordStore::openSqlite(const QString &path)
{
    close();
    m_postgres = false;
    m_description = QStringLiteral("sqlite ") + path;
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
        return fail(m_description, QStringLiteral("the Qt SQLite driver is not installed (libqt5sql5-sqlite)"));
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath()))
        return fail(m_description, QStringLiteral("cannot create the directory ") + info.absolutePath());
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(SqliteBusyMs));
    if (!db.open())
        return fail(m_description, errorText(db.lastError()));
    // An existing file that is no database, or one that cannot be read, fails here and not at the first write.
    QSqlQuery probe(db);
    if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")))
        return fail(m_description, errorText(probe.lastError()));
    return prepareSchema();
}

bool RecordStore::openPostgres(const RecordsConfig &config)
{
    close();
    m_postgres = true;
    m_description = config.describe();
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        return fail(m_description, QStringLiteral("the Qt PostgreSQL driver is not installed (libqt5sql5-psql)"));
    QString password, error;
    if (!config.readPassword(&password, &error))
        return fail(m_description, error);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_connection);
    db.setHostName(config.host);
    db.setPort(config.port);
    db.setDatabaseName(config.dbname);
    db.setUserName(config.user);
    if (!password.isEmpty())
        db.setPassword(password);
    QStringList options{QStringLiteral("connect_timeout=%1").arg(PostgresConnectS)};
    if (!config.sslmode.isEmpty())
        options << QStringLiteral("sslmode=") + config.sslmode;
    db.setConnectOptions(options.join(QLatin1Char(';')));
    const bool opened = db.open();
    password.fill(QLatin1Char(' '));
    if (!opened)
        return fail(m_description, errorText(db.lastError()));
    return prepareSchema();
}

// Reads the schema version and creates or upgrades the tables, in one transaction; on PostgreSQL under
// an advisory lock, so that stations starting together create it once.
bool RecordStore::prepareSchema()
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery q(db);
    const QString begin = m_postgres ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE");
    if (!q.exec(begin))
        return fail(m_description + QStringLiteral(": schema"), errorText(q.lastError()));
    auto rollback = [&](const QString &why) {
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        return fail(m_description + QStringLiteral(": schema"), why);
    };
    if (m_postgres && !q.exec(QStringLiteral("SELECT pg_advisory_xact_lock(2207202201)")))
        return rollback(errorText(q.lastError()));
    const bool known = m_postgres
                           ? q.exec(QStringLiteral("SELECT 1 FROM information_schema.tables WHERE "
                                                   "table_schema = current_schema() AND table_name = 'schema_version'"))
                           : q.exec(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND "
                                                   "name = 'schema_version'"));
    if (!known)
        return rollback(errorText(q.lastError()));
    int version = 0;
    if (q.next()) {
        if (!q.exec(QStringLiteral("SELECT MAX(version) FROM schema_version")))
            return rollback(errorText(q.lastError()));
        if (q.next())
            version = q.value(0).toInt();
    }
    m_schemaVersion = version;
    if (version > SchemaVersion)
        return rollback(QStringLiteral("the database has schema version %1, newer than this program's %2; it is "
                                       "left unchanged (use a newer Zorvan-Tools)")
                            .arg(version)
                            .arg(SchemaVersion));
    if (version < SchemaVersion) {
        // Version 1: the records, the spool of a station whose server is away, their indexes.
        const QStringList ddl = {
            QStringLiteral("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER PRIMARY KEY)"),
            recordsDdl(QStringLiteral("records")),
            recordsDdl(QStringLiteral("spool")),
            QStringLiteral("CREATE INDEX IF NOT EXISTS records_unit ON records (unit_key, time_ms)"),
            QStringLiteral("CREATE INDEX IF NOT EXISTS records_time ON records (time_ms)"),
            QStringLiteral("CREATE INDEX IF NOT EXISTS records_sn ON records (unit_sn)"),
            QStringLiteral("INSERT INTO schema_version (version) VALUES (%1) ON CONFLICT DO NOTHING")
                .arg(SchemaVersion),
        };
        for (const QString &sql : ddl) {
            if (!q.exec(sql))
                return rollback(errorText(q.lastError()));
        }
        m_schemaVersion = SchemaVersion;
    }
    if (!q.exec(QStringLiteral("COMMIT")))
        return rollback(errorText(q.lastError()));
    return true;
}

bool RecordStore::insert(const QVector<ProductionRecord> &records, Table table)
{
    if (!isOpen())
        return fail(QStringLiteral("insert"), QStringLiteral("the record database is not open"));
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.transaction())
        return fail(QStringLiteral("insert"), errorText(db.lastError()));
    QSqlQuery q(db);
    const QString placeholders = QStringLiteral("?, ").repeated(ColumnCount - 1) + QStringLiteral("?");
    if (!q.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) ON CONFLICT (id) DO NOTHING")
                       .arg(tableName(table), QLatin1String(Columns), placeholders))) {
        const QString why = errorText(q.lastError());
        db.rollback();
        return fail(QStringLiteral("insert"), why);
    }
    for (const ProductionRecord &r : records) {
        const QVariantList values = {
            r.id,           r.unitKey,       r.timeMs,       r.station,
            r.operatorName, r.version,       r.operation,    ProductionRecord::resultText(r.result),
            r.reason,       r.detailsText(), r.serialNumber, r.hardware,
            r.firmware};
        for (int i = 0; i < values.size(); ++i) {
            // An empty text is stored as '' (the columns are NOT NULL), never as NULL.
            const bool nullText = values[i].type() == QVariant::String && values[i].toString().isNull();
            q.bindValue(i, nullText ? QVariant(QStringLiteral("")) : values[i]);
        }
        if (!q.exec()) {
            const QString why = errorText(q.lastError());
            db.rollback();
            return fail(QStringLiteral("insert"), why);
        }
    }
    if (!db.commit()) {
        const QString why = errorText(db.lastError());
        db.rollback();
        return fail(QStringLiteral("commit"), why);
    }
    return true;
}

QVector<ProductionRecord> RecordStore::select(const QString &where, const QVariantList &values, Table table,
                                              const QString &tail)
{
    QVector<ProductionRecord> out;
    if (!isOpen()) {
        fail(QStringLiteral("query"), QStringLiteral("the record database is not open"));
        return out;
    }
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    QString sql = QStringLiteral("SELECT %1 FROM %2").arg(QLatin1String(Columns), tableName(table));
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where;
    sql += QStringLiteral(" ORDER BY time_ms, id") + tail;
    if (!q.prepare(sql)) {
        fail(QStringLiteral("query"), errorText(q.lastError()));
        return out;
    }
    for (int i = 0; i < values.size(); ++i)
        q.bindValue(i, values[i]);
    if (!q.exec()) {
        fail(QStringLiteral("query"), errorText(q.lastError()));
        return out;
    }
    while (q.next())
        out.append(fromQuery(q));
    return out;
}

QVector<ProductionRecord> RecordStore::spooled(int limit)
{
    return select(QString(), {}, Spool, QStringLiteral(" LIMIT %1").arg(limit));
}

int RecordStore::recordCount(Table table)
{
    if (!isOpen())
        return -1;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.exec(QStringLiteral("SELECT count(*) FROM ") + tableName(table)) || !q.next()) {
        fail(QStringLiteral("count"), errorText(q.lastError()));
        return -1;
    }
    return q.value(0).toInt();
}

int RecordStore::spoolCount()
{
    return recordCount(Spool);
}

bool RecordStore::removeSpooled(const QStringList &ids)
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.transaction())
        return fail(QStringLiteral("spool"), errorText(db.lastError()));
    QSqlQuery q(db);
    q.prepare(QStringLiteral("DELETE FROM spool WHERE id = ?"));
    for (const QString &id : ids) {
        q.bindValue(0, id);
        if (!q.exec()) {
            const QString why = errorText(q.lastError());
            db.rollback();
            return fail(QStringLiteral("spool"), why);
        }
    }
    if (!db.commit()) {
        const QString why = errorText(db.lastError());
        db.rollback();
        return fail(QStringLiteral("spool"), why);
    }
    return true;
}

int RecordStore::forwardSpool(RecordStore &server, int batch)
{
    int forwarded = 0;
    for (;;) {
        m_error.clear();
        const QVector<ProductionRecord> waiting = spooled(batch);
        if (waiting.isEmpty())
            return m_error.isEmpty() ? forwarded : -1;
        if (!server.insert(waiting)) {
            m_error = QStringLiteral("forward: ") + server.lastError();
            return -1;
        }
        QStringList ids;
        for (const ProductionRecord &r : waiting)
            ids << r.id;
        if (!removeSpooled(ids))
            return -1;
        forwarded += waiting.size();
    }
}

QVector<ProductionRecord> RecordStore::history(const QString &unitKey)
{
    return select(QStringLiteral("unit_key = ?"), {unitKey});
}

QVector<ProductionRecord> RecordStore::records(qint64 sinceMs)
{
    if (sinceMs > 0)
        return select(QStringLiteral("time_ms >= ?"), {sinceMs});
    return select(QString(), {});
}

QString RecordStore::resolveUnit(const QString &uuidOrSn)
{
    if (!isOpen())
        return QString();
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("SELECT unit_key FROM records WHERE unit_key = ? OR unit_sn = ? "
                             "ORDER BY time_ms DESC LIMIT 1"));
    q.bindValue(0, uuidOrSn.toUpper());
    q.bindValue(1, uuidOrSn);
    if (!q.exec()) {
        fail(QStringLiteral("query"), errorText(q.lastError()));
        return QString();
    }
    return q.next() ? q.value(0).toString() : QString();
}

QVector<UnitSummary> RecordStore::units()
{
    QVector<UnitSummary> out;
    if (!isOpen()) {
        fail(QStringLiteral("query"), QStringLiteral("the record database is not open"));
        return out;
    }
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT unit_key, time_ms, station, operator_name, operation, result, unit_sn, "
                               "unit_hw, unit_fw FROM records ORDER BY unit_key, time_ms, id"))) {
        fail(QStringLiteral("query"), errorText(q.lastError()));
        return out;
    }
    const QString ok = ProductionRecord::resultText(ProductionRecord::Result::Ok);
    const QString failed = ProductionRecord::resultText(ProductionRecord::Result::Failed);
    QHash<QString, int> steps; // operation -> step, looked up once per distinct text
    UnitSummary *u = nullptr;
    while (q.next()) {
        const QString key = q.value(0).toString();
        if (!u || u->unitKey != key) {
            out.append(UnitSummary());
            u = &out.last();
            u->unitKey = key;
            u->firstTimeMs = q.value(1).toLongLong();
        }
        ++u->recordCount;
        u->lastTimeMs = q.value(1).toLongLong();
        u->lastStation = q.value(2).toString();
        appendUnique(u->stations, u->lastStation);
        appendUnique(u->operators, q.value(3).toString());
        const QString operation = q.value(4).toString();
        auto found = steps.find(operation);
        if (found == steps.end())
            found = steps.insert(operation, RecordStep::stepOf(operation));
        if (*found >= 0) {
            const QString result = q.value(5).toString();
            if (result == ok)
                u->marks[*found] = RecordStep::Passed;
            else if (result == failed)
                u->marks[*found] = RecordStep::Failed;
        }
        const QString sn = q.value(6).toString(), hw = q.value(7).toString(), fw = q.value(8).toString();
        if (!sn.isEmpty())
            u->serialNumber = sn;
        if (!hw.isEmpty())
            u->hardware = hw;
        if (!fw.isEmpty())
            u->firmware = fw;
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const UnitSummary &a, const UnitSummary &b) { return a.lastTimeMs > b.lastTimeMs; });
    return out;
}
