#pragma once

#include "records/ProductionRecord.h"
#include "records/UnitSummary.h"

#include <QString>
#include <QVector>

struct RecordsConfig;

// One connection to a record database: the embedded SQLite file or a PostgreSQL server. Opening
// creates or upgrades the schema (the schema_version table); a database of a newer schema is refused
// with a clear message and left as it is. Every write is one transaction.
//
// Threading: a store is used on the thread that opened it (a Qt SQL connection belongs to one thread);
// RecordWriter keeps its stores on its worker thread, the CLI and the Records tab open their own.
class RecordStore
{
public:
    static constexpr int SchemaVersion = 1;
    // How long a write waits for a SQLite file another process holds locked.
    static constexpr int SqliteBusyMs = 2000;
    // How long a PostgreSQL connection attempt may take.
    static constexpr int PostgresConnectS = 3;

    // The table a record goes to: the database's records, or the local spool of records still to be
    // forwarded to the PostgreSQL server.
    enum Table { Records, Spool };

    RecordStore();
    ~RecordStore();
    RecordStore(const RecordStore &) = delete;
    RecordStore &operator=(const RecordStore &) = delete;

    // The SQLite file at path (its directory created when missing).
    bool openSqlite(const QString &path);
    // The PostgreSQL server of the config (password from its password file, or the client library's).
    bool openPostgres(const RecordsConfig &config);
    // What the config names: PostgreSQL when configured, else its SQLite file.
    bool open(const RecordsConfig &config);
    void close();
    bool isOpen() const;
    bool isPostgres() const { return m_postgres; }
    // The last failure, with what was being done ("insert: database is locked").
    QString lastError() const { return m_error; }
    // "sqlite PATH" or "postgresql USER@HOST:PORT/DBNAME".
    QString description() const { return m_description; }

    // Stores the records in one transaction; a record id already present is kept once (exactly-once).
    bool insert(const QVector<ProductionRecord> &records, Table table = Records);
    bool insert(const ProductionRecord &record, Table table = Records)
    {
        return insert(QVector<ProductionRecord>{record}, table);
    }

    // Spool: the oldest records waiting, how many wait, and taking forwarded ones out.
    QVector<ProductionRecord> spooled(int limit);
    int spoolCount();
    bool removeSpooled(const QStringList &ids);
    // Forwards the whole spool of this (local) store to server in batches; every batch is committed on
    // the server before it leaves the spool, so an interrupted forward repeats at most that batch,
    // which the record id stores once. Returns the number forwarded, -1 on failure (lastError of
    // either store tells).
    int forwardSpool(RecordStore &server, int batch = 500);

    // Every record of a unit, oldest first.
    QVector<ProductionRecord> history(const QString &unitKey);
    // Every record (since sinceMs when > 0), oldest first.
    QVector<ProductionRecord> records(qint64 sinceMs = 0);
    // One summary per unit, the most recently seen first.
    QVector<UnitSummary> units();
    // The unit key a UUID or SN names; empty when no record has it.
    QString resolveUnit(const QString &uuidOrSn);
    int recordCount(Table table = Records);

    // The schema version the open database carries (0 when unknown).
    int schemaVersion() const { return m_schemaVersion; }

private:
    bool prepareSchema();
    bool fail(const QString &what, const QString &why);
    QVector<ProductionRecord> select(const QString &where, const QVariantList &values, Table table = Records,
                                     const QString &tail = QString());

    QString m_connection;
    QString m_description;
    QString m_error;
    bool m_postgres = false;
    int m_schemaVersion = 0;
};
