#pragma once

#include "records/ProductionRecord.h"
#include "records/RecordsConfig.h"

#include <QStringList>

#include <memory>

class RecordWriter;

// The production record of one zorvan-cli run: the options --no-record, --station NAME,
// --operator NAME and --db PATH|postgresql://USER@HOST:PORT/DBNAME over ./cfg/records.ini, the
// writer, and the exit status rule: a record that could not be stored anywhere is named on stderr and
// turns a successful run's 0 into 3 (a failed operation keeps its own status).
class CliRecorder
{
public:
    static constexpr int NotStoredExit = 3;

    CliRecorder();
    ~CliRecorder();

    // Takes the record options out of args; false with error set on a bad one.
    bool parse(QStringList &args, QString *error);
    bool enabled() const { return m_enabled; }
    const RecordsConfig &config() const { return m_config; }

    // Stamps and queues the record (nothing with --no-record).
    void record(const ProductionRecord &record);
    // Waits for the queued records; returns code, or NotStoredExit when code is 0 and one was lost.
    int finish(const char *command, int code);

private:
    RecordsConfig m_config;
    bool m_enabled = true;
    std::unique_ptr<RecordWriter> m_writer;
};
