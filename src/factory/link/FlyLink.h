#pragma once

#include "factory/link/DeviceCommunication.h"

#include "core/flylink/FlyCommonParams.h"
#include "core/flylink/FlyFrame.h"
#include "core/flylink/FlyLogDownload.h"
#include "core/flylink/FlyLogListing.h"
#include "core/flylink/FlyMessages.h"
#include "core/flylink/FlyParamFetch.h"
#include "core/flylink/TelemetryRecord.h"

#include <QList>
#include <QMap>
#include <QString>

#include <atomic>
#include <functional>
#include <mutex>

class LogFileWriter;
class QTimer;

// The FlyLink client of one factory link: frames, receive path and dispatch, link state (established
// after the first valid frame, lost after 1500 ms without one), the telemetry record, commands and
// their acknowledgements, parameters (by name, the common-parameter table, the all-parameter fetch),
// and the log list, download and erase. The transfers are the engines of core/flylink (FlyLogListing,
// FlyLogDownload, FlyParamFetch, FlyCommonParams); the link feeds them, ticks them and sends what they
// ask for. Runs in the worker thread of its DeviceCommunication base; the operations may be called
// from any thread. Everything the GUI thread reads (record, common table, fetch state, counters) is
// handed out as whole copies taken under the link's state lock.
//
// The link knows no bus: it emits its events (linkEvent), its texts and its results as signals, and
// takes the bus ticks through handle_DMMM_event; Q_DMMM relays both ways (Q_DMMM::relayLink).
class FlyLink : public DeviceCommunication
{
    Q_OBJECT
public:
    using CommonParam_t = FlyParamValue;
    using log_info_t = FlyLogInfo;
    using log_data_t = FlyLogData;

    using CommonParamState = FlyCommonParams::State;

    struct Counters
    {
        quint32 framesOk = 0;
        quint32 checksumErrors = 0;
        quint32 framesSent = 0;
        quint32 rxBytes = 0;
        quint32 txBytes = 0;
    };

    static constexpr quint32 LinkTimeoutMs = 1500;
    static constexpr quint32 ParamFetchRetryMs = FlyParamFetch::RetryMs;
    // The period of the log list and log download timers.
    static constexpr int LogTimerMs = 100;

    FlyLink(quint8 ownSystemId, bool ownThread);
    ~FlyLink() override;

    // A consistent copy of the live record (never half of one message and half of the next).
    TelemetryRecord record() const;
    bool isConnected() const;
    quint8 ownSystemId() const { return m_ownSystemId; }
    Counters counters() const;

    // Builds one frame and hands it to the device; dropped unless the device is open.
    bool sendFrame(quint8 id, const char *payload, quint8 n);
    // The same from a byte array; refused over 255 bytes ("SendPacketByID QByteArray > 255").
    void sendPacket(quint8 id, const QByteArray &payload);
    // Posts "Uav" + remote id + ": " + text with the bus's own id.
    void postLinkText(const QString &text);
    // Posts the text with this link's id.
    void postOwnText(const QString &text);

    static QString gpsFixText(quint8 v) { return FlyText::gpsFixText(v); }
    static QString vehicleTypeSuffix(quint8 v) { return FlyText::vehicleTypeSuffix(v); }

    // Commands (message 42); true once the frame went to sendFrame.
    bool requestMessage(quint8 id);
    bool requestBoardInfo();
    bool factoryReset();
    bool rebootUnit();
    bool writeSerialNumber(quint32 sn);
    bool WriteFactoryData();
    bool StartAcc3DCali();
    bool StopAcc3DCali();
    bool StartAcc3DCaliNextFace();
    bool StartAccLevelCali();
    bool StartAccBasicCali();
    bool DoBaroCali();
    bool DoGyroZeroCali();
    bool DoAirspeedCali();
    bool DoMagCali();
    bool StopMagCali();
    bool DoMagInflightCali();
    bool CancelMagInflightCali();
    bool DoMagSimpleCali(quint16 arg);

    // Parameters.
    void requestParam(const QString &name);
    void requestParamIndex(qint16 index);
    void sendParamSet(const QString &name, float value);
    bool setCommonParam(const QString &name, float value);
    quint8 getCommonParam(const QString &name, float *value, bool reread);
    QMap<QString, CommonParamState> commonParams() const;
    bool allCommonReceived() const;
    void startAllParamFetch();
    void stopAllParamFetch();
    bool allParamFetching() const;
    int allParamIndex() const;
    int allParamCount() const;

    // Logs.
    void requestLogList();
    void queueLogDownload(quint16 id);
    void startLogDownloads();
    void cancelLogDownload();
    bool logDownloadProgress(quint16 *id, quint32 *offset) const;
    void eraseLogs();
    QList<log_info_t> logList() const;

    // Runs received bytes through the parser and the handlers (the receive path uses it; tests feed it).
    void feedBytes(const QByteArray &bytes);
    // Test hooks: the millisecond clock (low 32 bits of the epoch time by default) and a tap that sees
    // every frame handed to the device.
    void setClock(std::function<quint32()> clock);
    void setFrameTap(std::function<void(const QByteArray &)> tap);

signals:
    // A command acknowledgement arrived: command number, result and the posted text.
    void commandAcknowledged(int command, int result, QString text);
    // A log file was completely written.
    void logFileCompleted(int id, QString path);
    // A log file could not be created, written or renamed: the log, the path and the system's reason.
    // The download stopped and the queue was emptied (the next log would meet the same disk).
    void logFileFailed(int id, QString path, QString reason);
    // The unit answered the log list with "no logs" (the link also posts "机载日志为空").
    void logListEmpty();
    // A text of the link about the unit ("Uav<remote id>: " and the text), posted with the bus's own id.
    void linkTextPosted(QString text);
    // A text posted with this link's id (unit texts, command results).
    void ownTextPosted(QString text);

public slots:
    void update_send();
    void update_receive();
    void update_10Hz();
    void handle_DMMM_event(int ev, int linkid);
    void handle_DMMM_event(int ev);

private slots:
    void log_list_timer_callback();
    bool log_file_start(quint16 index);
    void log_file_timer_callback();

private:
    class Locker;
    friend class Locker;

    quint32 now() const;
    bool sendCommand(const QByteArray &payload, const QString &text);
    void later(std::function<void()> f);
    void event(int ev, const QVariant &var = QVariant(int(0)));
    void runInLinkThread(std::function<void()> f);

    struct Route;
    static const Route kRoutes[];

    void dispatch(const FlyFrame &frame);
    void linkAlive(const FlyFrame &frame);
    void storeEntry(const QByteArray &payload, int base, int size, int countOffset, int growEvent);
    void handleHeartbeat(const FlyFrame &frame);
    void handleNavState(const FlyFrame &frame);
    void handleOrigin(const FlyFrame &frame);
    void handleMagProgress(const FlyFrame &frame);
    void handleStatus51(const FlyFrame &frame);
    void handleText(const FlyFrame &frame);
    void handleSysStatus(const FlyFrame &frame);
    void handleHome(const FlyFrame &frame);
    void handleParamGroup(const FlyFrame &frame);
    void handleRoute(const FlyFrame &frame);
    void handleParamValue(const FlyFrame &frame);
    void handleAck(const FlyFrame &frame);
    void handleLogEntry(const FlyFrame &frame);
    void handleLogData(const FlyFrame &frame);
    void paramFetchRetry();
    void commonParamStep();
    void stopListTimer();
    void stopFileTimer();
    void closeLogFile();
    // Renames the whole log's file to its name (another free one if that was taken meanwhile); false
    // when that failed (reported by failLogFile).
    bool finishLogFile(quint16 id);
    // A download given up: its part file stays, DMMM_GCSEvent_Log_timeout.
    void abandonLogFile();
    // The log file failed: the download and the queue stop, logFileFailed.
    void failLogFile(quint16 id);
    void startNextQueuedFile();
    void sendLogRequest(const FlyLogDownload::Request &request);
    void releaseTimers();

    // Receive path (worker thread).
    FlyParser m_parser;
    bool m_inReceive = false;

    // Sending.
    // Standard mutexes (pthread based), so that ThreadSanitizer sees the ordering they give.
    std::mutex m_sendMutex;
    quint8 m_sequence = 0;
    const quint8 m_ownSystemId;
    std::function<void(const QByteArray &)> m_tap;
    std::atomic<quint32> m_framesSent{0};

    // State shared with other threads, under m_state.
    mutable std::recursive_mutex m_state;
    int m_lockDepth = 0;
    QList<std::function<void()>> m_deferred;
    std::function<quint32()> m_clock;
    bool m_connected = false;
    quint32 m_lastReceive = 0;
    TelemetryRecord m_record;
    uchar m_groupBlocks[424] = {};
    quint8 m_groupMaskA = 0;
    quint8 m_groupMaskB = 0;
    quint32 m_framesOk = 0;
    quint32 m_checksumErrors = 0;

    // Route bookkeeping (the program never starts a transfer; the unit's messages are answered).
    quint16 m_routeCount = 0;

    // Common parameters and the all-parameter fetch.
    FlyCommonParams m_common;
    FlyParamFetch m_fetch;

    // Logs: the engines, their 100 ms timers and the file of the log being downloaded (open from the
    // start of the log to its end, written block by block under "<name>.part", renamed when whole).
    FlyLogListing m_listing;
    FlyLogDownload m_download;
    QTimer *m_listTimer = nullptr;
    QTimer *m_fileTimer = nullptr;
    LogFileWriter *m_file = nullptr; // created on the link's thread
    quint32 m_logTimeUtc = 0;
};

Q_DECLARE_METATYPE(FlyLink::CommonParamState)
