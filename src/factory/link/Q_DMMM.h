#pragma once

#include "core/flylink/TelemetryRecord.h"
#include "factory/link/DmmmEvent.h"
#include "core/formats/ParaCfgCsv.h"

#include <QDateTime>
#include <QHash>
#include <QMap>
#include <QObject>
#include <QVariant>
#include <QVariantMap>

class DeviceCommunication;
class FlyLink;
class QTimer;

// The hub of the factory side: owner of the factory links (one FlyLink per link id, kept until the
// end of the program), the data pool (consistent copies of each link's TelemetryRecord), the event
// bus (DMMM_Event) with the 100/10/1 Hz ticks of a 10 ms timer, and the lookups of ./cfg/paracfg.csv.
//
// Event numbers and their meaning: factory/link/DmmmEvent.h. The links know no bus: they emit their
// own events and texts, and the bus relays them (and feeds the links its events, ticks included) for
// every link it owns and every link handed to relayLink.
class Q_DMMM : public QObject
{
    Q_OBJECT
public:
    explicit Q_DMMM(int ownId);
    ~Q_DMMM() override;

    static Q_DMMM *instance();
    int ownId() const { return m_ownId; }

    // Creates the link of linkid on first use (FlyLink(1, true)) and asks it to open the device.
    void openLink(const QVariantMap &params, int linkid);
    FlyLink *linkById(int linkid) const;
    // Relays the events and texts of a link the bus does not own (the Transport page's link, id 2)
    // onto the bus and hands the link the bus's events; the links of openLink are relayed already.
    // A plain DeviceCommunication gets its device events relayed. A second call for a link does nothing.
    void relayLink(DeviceCommunication *link);
    FlyLink *currentLink() const { return linkById(m_currentLinkId); }
    int currentLinkId() const { return m_currentLinkId; }

    // A whole, consistent copy of the link's record; 624 zero bytes when there is no such link.
    TelemetryRecord poolSnapshot(int linkid);
    TelemetryRecord currentPoolSnapshot() { return poolSnapshot(m_currentLinkId); }

    // Emits DMMM_GCSEvent_new_textmsg with the text (any thread).
    void postText(int linkid, const QString &text);

    // Unit, range and description of a parameter of paracfg.csv; "/" for an unknown name.
    QString paramCfgUnit(const QString &name) const;
    QString paramCfgRange(const QString &name) const;
    QString paramCfgDescription(const QString &name) const;
    int paramCfgCount() const { return m_paramCfg.size(); }
    // Adds a row for name, or replaces the three texts of its row (the common-parameter window adds
    // the rows of the parameter description workbook).
    void setParamCfgTexts(const QString &name, const QString &unit, const QString &range, const QString &description);

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
