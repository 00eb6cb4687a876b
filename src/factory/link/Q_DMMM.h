#pragma once

#include "core/flylink/TelemetryRecord.h"
#include "core/formats/ParaCfgCsv.h"

#include <QDateTime>
#include <QHash>
#include <QMap>
#include <QObject>
#include <QVariant>
#include <QVariantMap>

class FlyLink;
class QTimer;

// The hub of the factory side: owner of the factory links (one FlyLink per link id, kept until the
// end of the program), the data pool (consistent copies of each link's TelemetryRecord), the event
// bus (DMMM_Event) with the 100/10/1 Hz ticks of a 10 ms timer, and the lookups of ./cfg/paracfg.csv.
//
// Event numbers (linkid is the link concerned unless noted):
//   0-3, 6-15 route transfer; 4 a user text (var: QString); 5 heartbeat; 16 home; 17 first home;
//   18 position valid; 19 origin; 20 message 51; 21 link established; 22 link lost; 24 accelerometer
//   calibration state; 25 compass calibration progress; 26 compass count; 27 motor count; 28 block 7;
//   29-32, 34-42 parameter groups; 33 AHRS_ORIENTATION; 43 parameter value (var: FlyLink::CommonParam_t);
//   44 all parameters done; 45 board information; 46 remote system id changed; 47 log request gave up;
//   48 log entry (var: FlyLink::log_info_t); 49 log list done; 51 log data (var: FlyLink::log_data_t);
//   52 log file done; 54 device error; 55 device opened; 56 open failed; 57 device closed;
//   60 1 Hz, 61 10 Hz, 62 100 Hz (linkid -1); 63 vehicle type changed.
class Q_DMMM : public QObject
{
    Q_OBJECT
public:
    enum Event {
        DMMM_GCSEvent_new_textmsg = 4,
        DMMM_GCSEvent_Heartbeat_received = 5,
        DMMM_GCSEvent_Protocol_Actived = 21,
        DMMM_GCSEvent_Protocol_Lost = 22,
        DMMM_GCSEvent_Param_value = 43,
        DMMM_GCSEvent_Param_all_done = 44,
        DMMM_GCSEvent_GetBoardInfo = 45,
        DMMM_GCSEvent_Log_timeout = 47,
        DMMM_GCSEvent_Log_entry = 48,
        DMMM_GCSEvent_Log_list_done = 49,
        DMMM_GCSEvent_Log_data = 51,
        DMMM_GCSEvent_Log_file_done = 52,
        DMMM_GCSEvent_Device_error = 54,
        DMMM_GCSEvent_Device_opened = 55,
        DMMM_GCSEvent_Device_open_failed = 56,
        DMMM_GCSEvent_Device_closed = 57,
        DMMM_GCSEvent_Timer_1Hz = 60,
        DMMM_GCSEvent_Timer_10Hz = 61,
        DMMM_GCSEvent_Timer_100Hz = 62,
    };

    explicit Q_DMMM(int ownId);
    ~Q_DMMM() override;

    static Q_DMMM *instance();
    int ownId() const { return m_ownId; }

    // Creates the link of linkid on first use (FlyLink(1, true)) and asks it to open the device.
    void openLink(const QVariantMap &params, int linkid);
    FlyLink *linkById(int linkid) const;
    FlyLink *currentLink() const { return linkById(m_currentLinkId); }
    int currentLinkId() const { return m_currentLinkId; }

    // A whole, consistent copy of the link's record; 624 zero bytes when there is no such link.
    TelemetryRecord poolSnapshot(int linkid);
    TelemetryRecord currentPoolSnapshot() { return poolSnapshot(m_currentLinkId); }

    // Emits event 4 with the text (any thread).
    void postText(int linkid, const QString &text);

    // Unit, range and description of a parameter of paracfg.csv; "/" for an unknown name.
    QString paramCfgUnit(const QString &name) const;
    QString paramCfgRange(const QString &name) const;
    QString paramCfgDescription(const QString &name) const;
    int paramCfgCount() const { return m_paramCfg.size(); }

    quint64 tickCount() const { return m_tickCount; }

    // Deletes every link (closing its device and stopping its thread). Programs that end on their own
    // (the command-line tool, tests) call it before they return; the GUI keeps its links to the end.
    void releaseLinks();

signals:
    void DMMM_Event(int ev, int linkid, QVariant var);
    void DMMM_Event(int ev, int linkid);
    void DMMM_Event(int ev);
    void replayDataWriteSignal(int linkid, QDateTime time, QByteArray array);
    void close(int linkid);

public slots:
    void update_datapool();
    void handle_DMMM_event(int ev, int linkid);
    void handle_DMMM_event(int ev);
    void handle_close(int linkid);
    void Slot_Timer100Hz();

private:
    struct PoolEntry
    {
        FlyLink *link = nullptr;
        TelemetryRecord data;
        quint8 ownSystemId = 0;
    };

    void loadParamCfg();
    void copyFromLink(PoolEntry &entry);

    QHash<QString, ParamCfg> m_paramCfg;
    QMap<int, PoolEntry> m_links;
    int m_currentLinkId = -1;
    int m_ownId = -1;
    quint64 m_tickCount = 0;
    QTimer *m_timer = nullptr;
};
