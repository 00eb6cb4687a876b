#pragma once

#include "link/IOHandler.h"
#include "link/MavlinkUnitReport.h"

#include "core/mavlink/LogDownload.h"
#include "core/mavlink/MavlinkLinkEngine.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <mutex>

class LogFileWriter;
class QTimer;

// The argument of MavlinkHandler::send_log_req_data: one LOG_REQUEST_DATA.
struct log_request_data_t
{
    quint32 ofs = 0;   // byte offset of the first byte asked for
    quint32 count = 0; // bytes asked for
    quint16 id = 0;    // log id
};
Q_DECLARE_METATYPE(log_request_data_t)

// The maintenance side's MAVLink link (link id 6, shared by the Param and Log pages): an IOHandler
// whose received bytes are parsed as MAVLink (channel 0) and dispatched by message id, with the
// parameter service (PARAM_REQUEST_LIST, PARAM_SET; every PARAM_VALUE of the unit forwarded as
// recParamInfo).
// Framing and decoding are done by a MavlinkLinkEngine owned by the link and used on its thread only.
//
// The link follows one component of the vehicle, the unit (see MavlinkLinkEngine): once it is known,
// requests are addressed to it and parameter and log messages of other components are ignored and
// counted (counters().otherComponents); unitReport() tells when it changes. On a unit that announces
// itself by heartbeat the link asks once for AUTOPILOT_VERSION, whose capability bits say how the
// unit encodes integer parameters; values are converted both ways, so recParamInfo and
// setParamValueSignal always carry the parameter's number. Opening the link forgets the unit.
//
// Callers on other threads emit the request signals (requestParamListSignal, setParamValueSignal,
// sendMavlinkMsgSignal, and the log requests) and receive recParamInfo and the log signals queued.
//
// The log service lists the unit's logs (LOG_REQUEST_LIST; every LOG_ENTRY forwarded as recLogInfo),
// erases them (LOG_ERASE) and downloads queued log ids one after another into log/flight under the
// working directory. A download moves in windows (LogDownload places every LOG_DATA by its offset,
// re-requests what is missing after a second without a new byte and gives up after six fruitless
// re-requests); a 100 ms timer on the link's thread supervises it. logDownloadProgress reports the
// offset of an accepted chunk (the first, then at most one every ProgressIntervalMs, and the chunk
// that completes each window) and, once the file is whole, the log's size as currentSize.
// The log state is not locked: other threads queue downloads with requestDownloads and stop them
// with cancelDownloads, which run the slots below on the link's thread.
// Each file is written as "<name>.part" and renamed to its name once whole; a file that cannot be
// created or written stops the downloads and is reported through logFiles() at once.
class MavlinkHandler : public IOHandler
{
    Q_OBJECT
public:
    static constexpr quint32 ProgressIntervalMs = 20;

    MavlinkHandler(int id, bool ownThread, QObject *parent = nullptr);
    ~MavlinkHandler() override;

    // A consistent copy of the receive counters (frames ok, checksum errors, sequence gaps); any thread.
    MavlinkLinkCounters counters() const;
    // Queues ids for download (addDownloadIdToList each) and starts the next one (log_download_start);
    // any thread: the work runs queued on the link's thread.
    void requestDownloads(const QList<ushort> &ids);
    // log_download_cancel_all queued on the link's thread; any thread.
    void cancelDownloads();
    // The unit the link follows (a copy); any thread.
    MavlinkLinkEngine::Unit unit() const;
    // How that unit carries integer parameters (C cast until it is known); any thread.
    MavlinkLinkEngine::ParamEncoding paramEncoding() const { return MavlinkLinkEngine::encodingOf(unit()); }
    // Reports about the unit (unitChanged), emitted on the link's thread.
    MavlinkUnitReport *unitReport() { return &m_unitReport; }
    // Sets the program's own system and component id of every frame sent after this call; any thread
    // (queued onto the link's thread, in order with the request signals).
    void setOwnIds(quint8 sysid, quint8 compid);
    // Asks the unit for one parameter by index (PARAM_REQUEST_READ); any thread (queued).
    void requestParamRead(quint16 index);
    // Sends one ground-station HEARTBEAT; any thread (queued).
    void sendGcsHeartbeat();

    // The file the last download of log id went to (empty when none was started); any thread.
    QString logFilePath(ushort id) const;
    // The log files being written; its failed() signal reports a file that cannot be created,
    // written or renamed (the download stops and the queue is emptied). Connect from any thread.
    LogFileWriter *logFiles() const;
    // Replaces the millisecond clock of the log download's supervision (tests); the link's thread.
    void setLogClock(std::function<quint32()> clock) { m_logClock = std::move(clock); }
    // The log id being downloaded, 0xFFFF when none; the link's thread.
    quint16 currentLogId() const { return currentId; }
    // The queued log ids; the link's thread.
    QList<quint16> queuedLogIds() const { return downloadIds; }

signals:
    // Log service requests and results.
    void log_list_start_signal();
    void recLogInfo(ushort id, uint size, uint timeUtc, ushort nums);
    void recLogData(mavlink_log_data_t data);
    void clearLogSignal();
    void logDownloadProgress(int id, uint currentSize, uint totalSize);
    // Request: read the whole parameter list.
    void requestParamListSignal();
    // Request: write one parameter; name is the parameter id's bytes (at most 16 are sent).
    // The value is the parameter's number: a double, so that every 32-bit integer travels exactly.
    void setParamValueSignal(QByteArray name, double value, ushort type);
    // A PARAM_VALUE arrived (value: the number, a bytewise integer exactly).
    void recParamInfo(double value, ushort count, ushort index, QString name, uchar type);
    // Request: send a prepared (finalised) message.
    void sendMavlinkMsgSignal(mavlink_message_t msg);

public slots:
    // Parses received bytes and dispatches every complete frame.
    void decodeMavlinkData(QByteArray data);
    // Clears the entry list and sends LOG_REQUEST_LIST (start 0, end 0xFFFF).
    void log_list_start();
    // Queues a log id for download unless it is already queued or being downloaded.
    void addDownloadIdToList(ushort id);
    // Starts the next queued download unless one is running.
    void log_download_start();
    // Starts the first queued id that has a log entry (ids without one are dropped from the queue).
    void log_download_do_next_start();
    // Starts the download of log index into a new file; false when the file cannot be created.
    bool log_file_start(uint16_t index);
    // (Re)starts the supervision timer and sends one LOG_REQUEST_DATA.
    bool send_log_req_data(log_request_data_t datainfo);
    // Stops the current download and empties the queue.
    void log_download_cancel_all();
    // Sends LOG_ERASE.
    void clearAllLog();
    // The 100 ms supervision tick of the current download.
    void log_file_timer_callback();

    // Sends PARAM_REQUEST_LIST.
    void requestParamList();
    // Sends PARAM_SET for name (its bytes, at most 16; the rest of the id zero).
    void setParamValue(QByteArray name, double value, ushort type);
    // Serialises msg and sends it on the link's own device.
    void sendMavlinkMsg(mavlink_message_t msg);

protected:
    // Dispatch of one parsed frame by message id; runs on the link's thread.
    virtual void handleMessage(const mavlink_message_t &msg);
    // Sends already framed bytes on the link's own device, on the link's thread.
    void sendFrame(const QByteArray &frame);

    MavlinkLinkEngine m_engine;

private:
    struct LogEntry
    {
        quint32 time_utc = 0;
        quint32 size = 0;
        quint16 id = 0;
        quint16 num_logs = 0;
        quint16 last_log_num = 0;
    };

    void handleLogEntry(const mavlink_message_t &msg);
    void handleLogData(const mavlink_message_t &msg);
    // Writes one finished window to the end of the file; false (and a debug line) when it cannot.
    bool appendWindow(const QByteArray &bytes);
    // A log file failed: stops the download and empties the queue.
    void logFileFailed();
    void logFileStop();
    quint32 logNowMs() const;

    QList<LogEntry> logEntries;
    // The download in progress.
    QTimer *logTimer = nullptr;
    quint16 currentId = 0xFFFF;
    std::unique_ptr<LogDownload> m_download; // null when idle or after a failed file write
    LogFileWriter *m_logFile = nullptr;      // "<final>.part" until the log is whole
    QList<quint16> downloadIds;
    std::function<quint32()> m_logClock;
    bool m_progressReported = false; // a report of the current download was emitted
    quint32 m_lastProgressMs = 0;
    mutable std::mutex m_pathsMutex;
    QHash<ushort, QString> m_logPaths;

    void noteUnit(const mavlink_message_t &msg);

    MavlinkUnitReport m_unitReport;
    quint64 m_otherComponents = 0;
    mutable std::mutex m_countersMutex; // a standard mutex, so ThreadSanitizer sees the ordering
    MavlinkLinkCounters m_counters;     // copy of the engine's counters, published after every chunk
    MavlinkLinkEngine::Unit m_unit;     // copy of the engine's unit, under m_countersMutex
};
