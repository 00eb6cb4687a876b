#pragma once

#include "records/ProductionRecord.h"
#include "records/RecordStore.h"
#include "records/RecordsConfig.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class RecordWriter;

// The worker of RecordWriter: lives on the writer's thread and owns its stores there (the configured
// database, and with PostgreSQL the local spool file).
class RecordWorker : public QObject
{
    Q_OBJECT
public:
    RecordWorker(const RecordsConfig &config, RecordWriter *writer);

    // On the worker thread: stores one record, spooling it when the server does not take it.
    void write(const ProductionRecord &record);
    // On the worker thread: forwards the spool when the server answers.
    void forward();
    // On the worker thread, before it ends: closes the stores.
    void shutdown();

private:
    bool serverReady();
    bool spoolReady();
    // The timer that forwards the spool while it holds records, made on the worker thread.
    void armRetry();

    RecordsConfig m_config;
    RecordWriter *m_writer;
    RecordStore m_main;  // the configured database
    RecordStore m_spool; // the local file, with PostgreSQL only
    QTimer *m_retry = nullptr;
    QElapsedTimer m_sinceServerFailed;
    bool m_serverFailed = false;
};
