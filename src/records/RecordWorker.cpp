#include "records/RecordWorker.h"

#include "records/RecordWriter.h"

RecordWorker::RecordWorker(const RecordsConfig &config, RecordWriter *writer) : m_config(config), m_writer(writer)
{}

bool RecordWorker::serverReady()
{
    if (m_main.isOpen())
        return true;
    // After a failed attempt the server is tried again only after the retry interval, so that a line of
    // records during an outage does not wait for a connection time-out each.
    if (m_serverFailed && m_sinceServerFailed.elapsed() < RecordWriter::SpoolRetryMs)
        return false;
    const bool opened = m_main.open(m_config);
    m_serverFailed = !opened;
    if (!opened)
        m_sinceServerFailed.start();
    return opened;
}

void RecordWorker::armRetry()
{
    if (m_retry)
        return;
    m_retry = new QTimer(this);
    m_retry->setInterval(RecordWriter::SpoolRetryMs);
    connect(m_retry, &QTimer::timeout, this, &RecordWorker::forward);
}

bool RecordWorker::spoolReady()
{
    return m_spool.isOpen() || m_spool.openSqlite(m_config.sqlitePath);
}

void RecordWorker::write(const ProductionRecord &record)
{
    armRetry();
    QString failure;
    if (serverReady()) {
        if (m_main.insert(record)) {
            emit m_writer->recordStored(record, false);
            m_writer->handled(true, false, QString());
            return;
        }
        failure = m_main.lastError();
        // A lost connection is opened again on the next attempt; a SQLite file is retried at once.
        if (m_config.postgres) {
            m_main.close();
            m_serverFailed = true;
            m_sinceServerFailed.start();
        } else {
            m_main.close();
        }
    } else {
        failure = m_main.lastError();
    }
    if (m_config.postgres) {
        if (spoolReady() && m_spool.insert(record, RecordStore::Spool)) {
            emit m_writer->recordStored(record, true);
            m_writer->handled(false, true, QString());
            m_retry->start();
            return;
        }
        failure += QStringLiteral("; local spool ") + m_spool.lastError();
    }
    const QString reason = QStringLiteral("record %1 (%2) not stored: %3").arg(record.id, record.operation, failure);
    emit m_writer->recordFailed(record, reason);
    m_writer->handled(false, false, reason);
}

void RecordWorker::forward()
{
    if (!m_config.postgres || !spoolReady())
        return;
    armRetry();
    if (m_spool.spoolCount() <= 0) {
        if (m_retry)
            m_retry->stop();
        return;
    }
    m_serverFailed = false; // a forward attempt always tries the server
    if (!serverReady())
        return;
    const int n = m_spool.forwardSpool(m_main);
    if (n < 0) {
        m_main.close();
        m_serverFailed = true;
        m_sinceServerFailed.start();
        return;
    }
    if (n > 0)
        emit m_writer->spoolForwarded(n);
    if (m_retry && m_spool.spoolCount() == 0)
        m_retry->stop();
}

void RecordWorker::shutdown()
{
    if (m_retry)
        m_retry->stop();
    m_main.close();
    m_spool.close();
}
