#pragma once

#include "records/ProductionRecord.h"
#include "records/RecordsConfig.h"

#include <QMutex>
#include <QObject>
#include <QThread>
#include <QWaitCondition>

class RecordWorker;

// Records production events without blocking the caller: record() stamps station and operator and
// hands the record to a worker thread, which stores it in one transaction. With PostgreSQL configured
// a record the server does not take goes into the local SQLite spool, forwarded when the server
// answers again (checked every SpoolRetryMs) or on syncNow(). A record stored nowhere is reported by
// recordFailed and counted (failureCount, lastFailure), which the CLI reads after flush().
//
// Threading: record(), setIdentity(), flush() and the counters may be called from any thread. The
// signals are emitted on the worker thread; connect them with the receiver's context (queued).
class RecordWriter : public QObject
{
    Q_OBJECT
public:
    static constexpr int SpoolRetryMs = 5000;

    explicit RecordWriter(const RecordsConfig &config, QObject *parent = nullptr);
    // Stores what is still queued, then stops the worker.
    ~RecordWriter() override;

    // Queues the record and returns at once. Empty station, operator and version are filled in.
    void record(ProductionRecord record);
    void setIdentity(const QString &station, const QString &operatorName);
    QString station() const;
    QString operatorName() const;
    const RecordsConfig &config() const { return m_config; }

    // Waits until every record queued so far was handled (stored, spooled or failed); false on time-out.
    bool flush(int timeoutMs = 30000);
    // Forward the spool now (on the worker thread).
    void syncNow();

    int failureCount() const;
    QString lastFailure() const;
    int storedCount() const;
    int spooledCount() const;

signals:
    // Stored in the configured database, or (spooled) in the local spool awaiting the server.
    void recordStored(const ProductionRecord &record, bool spooled);
    void recordFailed(const ProductionRecord &record, const QString &reason);
    // count spooled records reached the server.
    void spoolForwarded(int count);

private:
    friend class RecordWorker;
    void handled(bool stored, bool spooled, const QString &failure);

    RecordsConfig m_config;
    QThread m_thread;
    RecordWorker *m_worker = nullptr;
    mutable QMutex m_mutex;
    QWaitCondition m_idle;
    int m_pending = 0;
    int m_failures = 0;
    int m_stored = 0;
    int m_spooled = 0;
    QString m_lastFailure;
};
