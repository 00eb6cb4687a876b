#include "records/RecordWriter.h"

#include "records/RecordWorker.h"

#include "core/util/AppVersion.h"

#include <QDeadlineTimer>
#include <QMetaObject>

RecordWriter::RecordWriter(const RecordsConfig &config, QObject *parent) : QObject(parent), m_config(config)
{
    qRegisterMetaType<ProductionRecord>("ProductionRecord");
    m_thread.setObjectName(QStringLiteral("records"));
    m_worker = new RecordWorker(config, this);
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.start();
    // A spool left by an earlier run goes out as soon as the server answers.
    if (config.postgres)
        syncNow();
}

RecordWriter::~RecordWriter()
{
    flush();
    RecordWorker *worker = m_worker;
    QMetaObject::invokeMethod(
        worker, [worker] { worker->shutdown(); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

void RecordWriter::record(ProductionRecord record)
{
    {
        QMutexLocker lock(&m_mutex);
        if (record.station.isEmpty())
            record.station = m_config.station;
        if (record.operatorName.isEmpty())
            record.operatorName = m_config.operatorName;
        ++m_pending;
    }
    if (record.version.isEmpty())
        record.version = AppVersion::text();
    RecordWorker *worker = m_worker;
    QMetaObject::invokeMethod(
        worker, [worker, record] { worker->write(record); }, Qt::QueuedConnection);
}

void RecordWriter::setIdentity(const QString &station, const QString &operatorName)
{
    QMutexLocker lock(&m_mutex);
    m_config.station = station.trimmed().isEmpty() ? RecordsConfig::defaultStation() : station.trimmed();
    m_config.operatorName =
        operatorName.trimmed().isEmpty() ? RecordsConfig::defaultOperator() : operatorName.trimmed();
}

QString RecordWriter::station() const
{
    QMutexLocker lock(&m_mutex);
    return m_config.station;
}

QString RecordWriter::operatorName() const
{
    QMutexLocker lock(&m_mutex);
    return m_config.operatorName;
}

bool RecordWriter::flush(int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    QMutexLocker lock(&m_mutex);
    while (m_pending > 0) {
        if (!m_idle.wait(&m_mutex, deadline))
            return m_pending == 0;
    }
    return true;
}

void RecordWriter::syncNow()
{
    RecordWorker *worker = m_worker;
    QMetaObject::invokeMethod(
        worker, [worker] { worker->forward(); }, Qt::QueuedConnection);
}

void RecordWriter::handled(bool stored, bool spooled, const QString &failure)
{
    QMutexLocker lock(&m_mutex);
    if (stored)
        ++m_stored;
    if (spooled)
        ++m_spooled;
    if (!stored && !spooled) {
        ++m_failures;
        m_lastFailure = failure;
    }
    if (--m_pending == 0)
        m_idle.wakeAll();
}

int RecordWriter::failureCount() const
{
    QMutexLocker lock(&m_mutex);
    return m_failures;
}

QString RecordWriter::lastFailure() const
{
    QMutexLocker lock(&m_mutex);
    return m_lastFailure;
}

int RecordWriter::storedCount() const
{
    QMutexLocker lock(&m_mutex);
    return m_stored;
}

int RecordWriter::spooledCount() const
{
    QMutexLocker lock(&m_mutex);
    return m_spooled;
}
