#include "factory/link/FlyLink.h"

#include "core/flylink/FlySerialNumber.h"
#include "core/util/IniSettings.h"
#include "core/util/LogFileName.h"
#include "core/util/LogFileWriter.h"
#include "factory/link/DmmmEvent.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QThread>
#include <QTimer>

#include <array>
#include <cstring>

// Holds the state lock; what handlers schedule with later() (events, texts) runs after the outermost
// unlock, so listeners called directly never run under the lock.
class FlyLink::Locker
{
public:
    explicit Locker(const FlyLink *link) : m_link(const_cast<FlyLink *>(link))
    {
        m_link->m_state.lock();
        ++m_link->m_lockDepth;
    }
    ~Locker()
    {
        QList<std::function<void()>> todo;
        if (--m_link->m_lockDepth == 0)
            todo.swap(m_link->m_deferred);
        m_link->m_state.unlock();
        for (const auto &f : todo)
            f();
    }
    Locker(const Locker &) = delete;
    Locker &operator=(const Locker &) = delete;

private:
    FlyLink *m_link;
};

namespace {
// Parameter-group blocks kept after the record: message id, length, offset in the block storage.
struct GroupSlot
{
    quint8 id;
    int length;
    int offset;
    int event;
    const char *debugText;
};

constexpr GroupSlot kGroups[] = {
    {80, 17, 0, DMMM_GCSEvent_ParamGroup_80, nullptr},
    {81, 33, 17, DMMM_GCSEvent_ParamGroup_81, nullptr},
    {82, 10, 50, DMMM_GCSEvent_ParamGroup_82, nullptr},
    {83, 7, 60, DMMM_GCSEvent_ParamGroup_83, nullptr}, // two 7-byte slots at 60 and 67
    {84, 69, 74, DMMM_GCSEvent_ParamGroup_84, nullptr},
    {85, 19, 143, DMMM_GCSEvent_ParamGroup_85, nullptr},
    {86, 19, 162, DMMM_GCSEvent_ParamGroup_86, nullptr},
    {87, 37, 181, DMMM_GCSEvent_ParamGroup_87, "handle_Param_RollControl"},
    {88, 37, 218, DMMM_GCSEvent_ParamGroup_88, "handle_Param_PitchControl"},
    {89, 41, 255, DMMM_GCSEvent_ParamGroup_89, "handle_Param_YawControl"},
    {90, 53, 296, DMMM_GCSEvent_ParamGroup_90, "handle_Param_PosZControl"},
    {91, 29, 349, DMMM_GCSEvent_ParamGroup_91, "handle_Param_PosXYControl"},
    {50, 41, 378, DMMM_GCSEvent_ParamGroup_50, "handle_Param_SerialPort"},
};
} // namespace

FlyLink::FlyLink(quint8 ownSystemId, bool ownThread) : DeviceCommunication(ownThread), m_ownSystemId(ownSystemId)
{
    qRegisterMetaType<CommonParam_t>("FlyLink::CommonParam_t");
    qRegisterMetaType<log_info_t>("FlyLink::log_info_t");
    qRegisterMetaType<log_data_t>("FlyLink::log_data_t");
    m_record.clear();
    if (m_record.remoteSysId() != 255) {
        m_record.set<quint32>(TelemetryRecord::RemoteSysId, 255);
        emitEvent(DMMM_GCSEvent_Remote_id_changed);
    }
    connect(this, &DeviceCommunication::readyRead, this, &FlyLink::update_receive);
    qDebug() << "flylink" << QThread::currentThreadId();
}

FlyLink::~FlyLink()
{
    stopWorker([this] { releaseTimers(); });
}

void FlyLink::releaseTimers()
{
    delete m_listTimer;
    m_listTimer = nullptr;
    delete m_fileTimer;
    m_fileTimer = nullptr;
    closeLogFile();
}

quint32 FlyLink::now() const
{
    if (m_clock)
        return m_clock();
    return quint32(QDateTime::currentMSecsSinceEpoch() & 0xFFFFFFFFu);
}

void FlyLink::setClock(std::function<quint32()> clock)
{
    Locker lock(this);
    m_clock = std::move(clock);
}

void FlyLink::setFrameTap(std::function<void(const QByteArray &)> tap)
{
    std::lock_guard<std::mutex> lock(m_sendMutex);
    m_tap = std::move(tap);
}

void FlyLink::later(std::function<void()> f)
{
    m_deferred.append(std::move(f));
}

void FlyLink::event(int ev, const QVariant &var)
{
    later([this, ev, var] { emitEvent(ev, var); });
}

void FlyLink::runInLinkThread(std::function<void()> f)
{
    postToWorker(std::move(f), false);
}

TelemetryRecord FlyLink::record() const
{
    Locker lock(this);
    return m_record;
}

bool FlyLink::isConnected() const
{
    Locker lock(this);
    return m_connected;
}

FlyLink::Counters FlyLink::counters() const
{
    Counters c;
    {
        Locker lock(this);
        c.framesOk = m_framesOk;
        c.checksumErrors = m_checksumErrors;
    }
    c.framesSent = m_framesSent;
    c.rxBytes = rxBytes();
    c.txBytes = txBytes();
    return c;
}

// ---- sending ----

bool FlyLink::sendFrame(quint8 id, const char *payload, quint8 n)
{
    std::lock_guard<std::mutex> lock(m_sendMutex);
    if (deviceState() != StateOpen || (payload == nullptr && n != 0))
        return false;
    const QByteArray frame = FlyFrame::build(m_ownSystemId, m_sequence, id, QByteArray(payload, n));
    ++m_sequence;
    if (m_tap)
        m_tap(frame);
    ++m_framesSent;
    writeBytes(frame.constData(), frame.size());
    return true;
}

void FlyLink::sendPacket(quint8 id, const QByteArray &payload)
{
    if (payload.size() > FlyFrame::MaxPayload) {
        qDebug() << "SendPacketByID QByteArray > 255";
        return;
    }
    sendFrame(id, payload.constData(), quint8(payload.size()));
}

void FlyLink::postLinkText(const QString &text)
{
    quint32 remote;
    {
        Locker lock(this);
        remote = m_record.remoteSysId();
    }
    emit linkTextPosted(QStringLiteral("Uav") + QString::number(remote) + QStringLiteral(": ") + text);
}

void FlyLink::postOwnText(const QString &text)
{
    emit ownTextPosted(text);
}

// ---- receive path ----

void FlyLink::update_send()
{}

void FlyLink::update_receive()
{
    if (m_inReceive)
        return;
    m_inReceive = true;
    // Every pending datagram is drained: a socket does not signal again for datagrams left behind.
    for (int guard = 0; guard < 1000; ++guard) {
        const qint64 n = bytesAvailable();
        if (n <= 0)
            break;
        const QByteArray bytes = readBytes(n);
        if (bytes.isEmpty())
            break;
        feedBytes(bytes);
        if (deviceKind() != KindUdp)
            break;
    }
    m_inReceive = false;
}

void FlyLink::feedBytes(const QByteArray &bytes)
{
    for (char c : bytes) {
        const quint32 errorsBefore = m_parser.checksumErrors();
        const bool complete = m_parser.push(quint8(c));
        if (complete) {
            Locker lock(this);
            ++m_framesOk;
            dispatch(m_parser.frame());
        } else if (m_parser.checksumErrors() != errorsBefore) {
            Locker lock(this);
            ++m_checksumErrors;
        }
    }
}

void FlyLink::linkAlive(const FlyFrame &frame)
{
    m_lastReceive = now();
    if (frame.sender != m_record.remoteSysId()) {
        m_record.set<quint32>(TelemetryRecord::RemoteSysId, frame.sender);
        event(DMMM_GCSEvent_Remote_id_changed);
    }
    if (!m_connected) {
        event(DMMM_GCSEvent_Protocol_Actived);
        later([this] { postLinkText(tr("Communication established")); });
        m_connected = true;
        requestMessage(0);
        requestMessage(FlyMsg::BoardInfo);
    }
}

void FlyLink::storeEntry(const QByteArray &payload, int base, int size, int countOffset, int growEvent)
{
    const quint8 index = quint8(payload[0]);
    if (index > 2)
        return;
    m_record.write(base + size * index, payload);
    if (m_record.byte(countOffset) < index + 1) {
        m_record.setByte(countOffset, quint8(index + 1));
        if (growEvent >= 0)
            event(growEvent);
    }
}

// ---- dispatch ----

namespace {
constexpr int AnyLength = -1; // the handler checks the length
constexpr int NoOffset = -1;  // nothing stored by the table
constexpr int NoEvent = -1;
constexpr int NoCount = -1;
} // namespace

// One row per message id, applied in this order: a payload of another length than `length` is
// ignored; the payload is stored in the record at `recordOffset` (for indexed entries, index in
// byte 0 and three slots, at slot index, with the entry count at `countOffset`); the handler runs;
// `event` is emitted (for indexed entries only when the entry count grew).
struct FlyLink::Route
{
    quint8 id;
    int length;
    int recordOffset;
    int event;
    int countOffset;
    void (FlyLink::*handler)(const FlyFrame &);
};

const FlyLink::Route FlyLink::kRoutes[] = {
    {FlyMsg::Heartbeat, FlyMsg::HeartbeatLen, TelemetryRecord::StatusWord, DMMM_GCSEvent_Heartbeat_received, NoCount,
     &FlyLink::handleHeartbeat},
    {FlyMsg::NavState, FlyMsg::NavStateLen, TelemetryRecord::NavState, NoEvent, NoCount, &FlyLink::handleNavState},
    {FlyMsg::Gnss, FlyMsg::GnssLen, TelemetryRecord::GnssEntries, NoEvent, TelemetryRecord::GnssCount, nullptr},
    {FlyMsg::Imu, FlyMsg::ImuLen, TelemetryRecord::ImuEntries, NoEvent, TelemetryRecord::ImuCount, nullptr},
    {FlyMsg::Compass, FlyMsg::CompassLen, TelemetryRecord::CompassEntries, DMMM_GCSEvent_Compass_count,
     TelemetryRecord::CompassCount, nullptr},
    {FlyMsg::Baro, FlyMsg::BaroLen, TelemetryRecord::BaroEntries, NoEvent, TelemetryRecord::BaroCount, nullptr},
    {FlyMsg::Block7, FlyMsg::Block7Len, TelemetryRecord::Block7, DMMM_GCSEvent_Block7_received, NoCount, nullptr},
    {FlyMsg::Home, FlyMsg::HomeLen, TelemetryRecord::Home, NoEvent, NoCount, &FlyLink::handleHome},
    {FlyMsg::Origin, FlyMsg::OriginLen, TelemetryRecord::Origin, DMMM_GCSEvent_Origin_received, NoCount,
     &FlyLink::handleOrigin},
    {FlyMsg::Block10, FlyMsg::Block10Len, TelemetryRecord::Block10, NoEvent, NoCount, nullptr},
    {FlyMsg::Block11, FlyMsg::Block11Len, TelemetryRecord::Block11, NoEvent, NoCount, nullptr},
    {FlyMsg::BoardInfo, FlyMsg::BoardInfoLen, TelemetryRecord::BoardInfo, DMMM_GCSEvent_GetBoardInfo, NoCount, nullptr},
    {FlyMsg::Block13, FlyMsg::Block13Len, TelemetryRecord::Block13, NoEvent, NoCount, nullptr},
    {FlyMsg::SysStatus, FlyMsg::SysStatusLen, TelemetryRecord::SysStatus, NoEvent, NoCount, &FlyLink::handleSysStatus},
    {FlyMsg::Block15, FlyMsg::Block15Len, TelemetryRecord::Block15, NoEvent, NoCount, nullptr},
    {FlyMsg::Discard31, AnyLength, NoOffset, NoEvent, NoCount, nullptr},
    {FlyMsg::Text, FlyMsg::TextLen, NoOffset, NoEvent, NoCount, &FlyLink::handleText},
    {FlyMsg::AccCaliState, FlyMsg::AccCaliStateLen, TelemetryRecord::AccCaliState, DMMM_GCSEvent_AccCali_state, NoCount,
     nullptr},
    {FlyMsg::MagCaliProgress, FlyMsg::MagCaliProgressLen, NoOffset, NoEvent, NoCount, &FlyLink::handleMagProgress},
    {FlyMsg::ParamValue, FlyMsg::ParamValueLen, NoOffset, NoEvent, NoCount, &FlyLink::handleParamValue},
    {FlyMsg::LogEntry, FlyMsg::LogEntryLen, NoOffset, NoEvent, NoCount, &FlyLink::handleLogEntry},
    {FlyMsg::LogData, FlyMsg::LogDataLen, NoOffset, NoEvent, NoCount, &FlyLink::handleLogData},
    {FlyMsg::CommandAck, FlyMsg::CommandAckLen, NoOffset, NoEvent, NoCount, &FlyLink::handleAck},
    {FlyMsg::RouteCount, AnyLength, NoOffset, NoEvent, NoCount, &FlyLink::handleRoute},
    {FlyMsg::RouteItem, AnyLength, NoOffset, NoEvent, NoCount, &FlyLink::handleRoute},
    {FlyMsg::RouteRequest, AnyLength, NoOffset, NoEvent, NoCount, &FlyLink::handleRoute},
    {FlyMsg::RouteAck, AnyLength, NoOffset, NoEvent, NoCount, &FlyLink::handleRoute},
    {FlyMsg::Status51, FlyMsg::Status51Len, NoOffset, NoEvent, NoCount, &FlyLink::handleStatus51},
    // Parameter groups: the lengths and places are those of kGroups.
    {FlyMsg::ParamGroupSerial, AnyLength, NoOffset, NoEvent, NoCount, &FlyLink::handleParamGroup},
    {80, AnyLength, NoOffset, NoEvent, NoCount, &FlyLink::handleParamGroup},
    {81, AnyLength, NoOffset, NoEvent, NoCount, &FlyLink::handleParamGroup},
    {82, AnyLength, NoOffset, NoEvent, NoCount, &FlyLink::handleParamGroup},
    {83, AnyLength, NoOffset, NoEvent, NoCount, &FlyLink::handleParamGroup},
    {84, AnyLength, NoOffset, NoEvent, NoCount, &FlyLink::handleParamGroup},
    {85, AnyLength, NoOffset, NoEvent, NoCount, &FlyLink::handleParamGroup},
    {86, AnyLength, NoOffset, NoEvent, NoCount, &FlyLink::handleParamGroup},
    {87, AnyLength, NoOffset, NoEvent, NoCount, &FlyLink::handleParamGroup},
    {88, AnyLength, NoOffset, NoEvent, NoCount, &FlyLink::handleParamGroup},
    {89, AnyLength, NoOffset, NoEvent, NoCount, &FlyLink::handleParamGroup},
    {90, AnyLength, NoOffset, NoEvent, NoCount, &FlyLink::handleParamGroup},
    {91, AnyLength, NoOffset, NoEvent, NoCount, &FlyLink::handleParamGroup},
};

void FlyLink::dispatch(const FlyFrame &frame)
{
    // The row of each message id, looked up once.
    static const std::array<const Route *, 256> byId = [] {
        std::array<const Route *, 256> table{};
        for (const Route &r : kRoutes)
            table[r.id] = &r;
        return table;
    }();

    linkAlive(frame);
    const Route *route = byId[frame.id];
    if (!route)
        return;
    const QByteArray &p = frame.payload;
    if (route->length != AnyLength && p.size() != route->length)
        return;
    if (route->countOffset != NoCount) {
        storeEntry(p, route->recordOffset, route->length, route->countOffset, route->event);
        return;
    }
    if (route->recordOffset != NoOffset)
        m_record.write(route->recordOffset, p);
    if (route->handler)
        (this->*route->handler)(frame);
    if (route->event != NoEvent)
        event(route->event);
}

void FlyLink::handleHeartbeat(const FlyFrame &)
{
    const quint8 type = m_record.statusWord() & 0x0F;
    if (type != m_record.vehicleType()) {
        m_record.setByte(TelemetryRecord::VehicleType, type);
        event(DMMM_GCSEvent_Vehicle_type);
    }
}

void FlyLink::handleNavState(const FlyFrame &)
{
    if (!m_record.positionReported() && (m_record.navigation().latE7() || m_record.navigation().lonE7())) {
        event(DMMM_GCSEvent_Position_valid);
        m_record.setByte(TelemetryRecord::PositionReported, 1);
    }
}

void FlyLink::handleOrigin(const FlyFrame &)
{
    m_record.setByte(TelemetryRecord::OriginReceived, 1);
}

void FlyLink::handleText(const FlyFrame &frame)
{
    const QString text = FlyMsg::textOf(frame.payload);
    later([this, text] { postOwnText(text); });
}

void FlyLink::handleMagProgress(const FlyFrame &frame)
{
    const QByteArray &p = frame.payload;
    if (quint8(p[0]) > 2)
        return;
    storeEntry(p, TelemetryRecord::MagProgressEntries, FlyMsg::MagCaliProgressLen, TelemetryRecord::MagProgressCount,
               NoEvent);
    event(DMMM_GCSEvent_MagCali_progress);
}

void FlyLink::handleStatus51(const FlyFrame &frame)
{
    const QByteArray &p = frame.payload;
    if (quint8(p[0]) != 1)
        return;
    m_record.write(TelemetryRecord::Status51, p.left(8));
    m_record.write(TelemetryRecord::Status51 + 8, p.mid(8, 8));
    m_record.setByte(TelemetryRecord::Status51Stored, 1);
    event(DMMM_GCSEvent_Status51_received);
}

void FlyLink::handleSysStatus(const FlyFrame &frame)
{
    const quint8 motors = FlyText::motorCountForLayout(quint8(frame.payload[0]));
    if (motors != m_record.motorCount()) {
        m_record.setByte(TelemetryRecord::MotorCount, motors);
        event(DMMM_GCSEvent_Motor_count);
    }
}

void FlyLink::handleHome(const FlyFrame &)
{
    if (!m_record.homeReceived())
        event(DMMM_GCSEvent_Home_first_received);
    m_record.setByte(TelemetryRecord::HomeReceived, 1);
    event(DMMM_GCSEvent_Home_received);
    const qint32 lat = m_record.homeLatE7();
    const qint32 lng = m_record.homeLonE7();
    later([lat, lng] {
        IniSettings settings(QStringLiteral("./cfg/Setting.ini"));
        settings.setValue(QStringLiteral("home/lat"), lat);
        settings.setValue(QStringLiteral("home/lng"), lng);
    });
}

void FlyLink::handleParamGroup(const FlyFrame &frame)
{
    for (int i = 0; i < int(sizeof kGroups / sizeof kGroups[0]); ++i) {
        const GroupSlot &g = kGroups[i];
        if (g.id != frame.id)
            continue;
        if (frame.payload.size() != g.length)
            return;
        int offset = g.offset;
        int bit = i; // bits A0..A7 for 80..86 (83 takes A3 or A4), B0..B5 for 87..91 and 50
        if (g.id == 83) {
            const quint8 slot = quint8(frame.payload[0]);
            if (slot > 3)
                return;
            offset += slot < 2 ? 0 : g.length;
            bit = slot < 2 ? 3 : 4;
        } else if (g.id > 83) {
            bit = i + 1;
        }
        std::memcpy(m_groupBlocks + offset, frame.payload.constData(), size_t(g.length));
        if (bit < 8)
            m_groupMaskA |= quint8(1u << bit);
        else
            m_groupMaskB |= quint8(1u << (bit - 8));
        event(g.event);
        if (g.debugText) {
            qDebug() << g.debugText;
            if (g.id == FlyMsg::ParamGroupSerial) {
                for (int e = 0; e < 8; ++e) {
                    const uchar *entry = reinterpret_cast<const uchar *>(frame.payload.constData()) + 1 + 5 * e;
                    qDebug() << FlyLe::get<quint32>(entry + 1) << entry[0];
                }
            }
        }
        return;
    }
}

void FlyLink::handleRoute(const FlyFrame &frame)
{
    // The program never starts a route transfer; a unit that offers or asks for one is answered so
    // that it does not wait: offered items are fetched and acknowledged, requested items refused.
    const QByteArray &p = frame.payload;
    switch (frame.id) {
    case FlyMsg::RouteCount:
        if (p.size() != 2)
            return;
        m_routeCount = FlyLe::get<quint16>(reinterpret_cast<const uchar *>(p.constData()));
        event(DMMM_GCSEvent_Mission_Download_get_item_count);
        if (m_routeCount > 0) {
            const char req[2] = {0, 0};
            sendFrame(FlyMsg::RouteRequest, req, 2);
            event(DMMM_GCSEvent_Mission_Download_request_item);
        } else {
            event(DMMM_GCSEvent_Mission_download_Succeed);
        }
        break;
    case FlyMsg::RouteItem: {
        if (p.size() != 33)
            return;
        const quint16 index = FlyLe::get<quint16>(reinterpret_cast<const uchar *>(p.constData()));
        event(DMMM_GCSEvent_Mission_Download_get_item);
        if (index + 1 < m_routeCount) {
            uchar req[2];
            FlyLe::put<quint16>(req, quint16(index + 1));
            sendFrame(FlyMsg::RouteRequest, reinterpret_cast<const char *>(req), 2);
            event(DMMM_GCSEvent_Mission_Download_request_item);
        } else {
            const char ack = 0;
            sendFrame(FlyMsg::RouteAck, &ack, 1);
            event(DMMM_GCSEvent_Mission_download_Succeed);
        }
        break;
    }
    case FlyMsg::RouteRequest:
        if (p.size() != 2)
            return;
        event(DMMM_GCSEvent_Mission_Upload_Failed);
        break;
    case FlyMsg::RouteAck:
        if (p.size() != 1)
            return;
        event(p[0] == 0 ? DMMM_GCSEvent_Mission_Upload_Succeed : DMMM_GCSEvent_Mission_Upload_Failed);
        break;
    default:
        break;
    }
}

// ---- link state and ticks ----

void FlyLink::update_10Hz()
{
    Locker lock(this);
    if (m_connected && quint32(now() - m_lastReceive) > LinkTimeoutMs) {
        later([this] { postLinkText(tr("Communication disconnect")); });
        event(DMMM_GCSEvent_Protocol_Lost);
        m_record.setByte(TelemetryRecord::HomeReceived, 0);
        m_connected = false;
    }
}

void FlyLink::handle_DMMM_event(int ev, int linkid)
{
    if (ev == DMMM_GCSEvent_Device_opened && linkid == linkId()) {
        Locker lock(this);
        m_record.clear();
        std::memset(m_groupBlocks, 0, sizeof m_groupBlocks);
        m_groupMaskA = m_groupMaskB = 0;
        return;
    }
    if (ev == DMMM_GCSEvent_Timer_10Hz || ev == DMMM_GCSEvent_Timer_100Hz) {
        update_10Hz();
        Locker lock(this);
        paramFetchRetry();
        if (m_connected)
            commonParamStep();
    }
}

void FlyLink::handle_DMMM_event(int ev)
{
    handle_DMMM_event(ev, 0);
}

// ---- commands ----

bool FlyLink::sendCommand(const QByteArray &payload, const QString &text)
{
    if (!text.isEmpty())
        postLinkText(text);
    sendFrame(FlyMsg::Command, payload.constData(), quint8(payload.size()));
    return true;
}

bool FlyLink::requestMessage(quint8 id)
{
    return sendCommand(FlyCmd::requestMessage(id), QString());
}

bool FlyLink::requestBoardInfo()
{
    return requestMessage(FlyMsg::BoardInfo);
}

bool FlyLink::factoryReset()
{
    return sendCommand(FlyCmd::payload(FlyCmd::FactoryReset), QStringLiteral("恢复出厂设置"));
}

bool FlyLink::rebootUnit()
{
    return sendCommand(FlyCmd::payload(FlyCmd::Reboot), QStringLiteral("重启飞控系统"));
}

bool FlyLink::writeSerialNumber(quint32 sn)
{
    const QString text = QStringLiteral("设置飞控SN：") + FlySerialNumber::fromValue(sn).monthSequenceText();
    return sendCommand(FlyCmd::serialNumber(sn), text);
}

bool FlyLink::WriteFactoryData()
{
    return sendCommand(FlyCmd::payload(FlyCmd::WriteFactoryData), QStringLiteral("WriteFactoryData"));
}

bool FlyLink::StartAcc3DCali()
{
    return sendCommand(FlyCmd::calibrate(FlyCmd::Acc3D), QStringLiteral("StartAcc3DCali"));
}

bool FlyLink::StopAcc3DCali()
{
    return sendCommand(FlyCmd::calibrate(FlyCmd::Acc3D, FlyCmd::Stop), QStringLiteral("StopAcc3DCali"));
}

bool FlyLink::StartAcc3DCaliNextFace()
{
    return sendCommand(FlyCmd::calibrate(FlyCmd::Acc3D, FlyCmd::NextFace), QStringLiteral("StartAcc3DCaliNextFace"));
}

bool FlyLink::StartAccLevelCali()
{
    return sendCommand(FlyCmd::calibrate(FlyCmd::AccLevel), QStringLiteral("StartAccLevelCali"));
}

bool FlyLink::StartAccBasicCali()
{
    return sendCommand(FlyCmd::calibrate(FlyCmd::AccBasic), QStringLiteral("StartAccBasicCali"));
}

bool FlyLink::DoBaroCali()
{
    return sendCommand(FlyCmd::calibrate(FlyCmd::Baro), QStringLiteral("DoBaroCali"));
}

bool FlyLink::DoGyroZeroCali()
{
    return sendCommand(FlyCmd::calibrate(FlyCmd::GyroZero), QStringLiteral("DoGyroZeroCali"));
}

bool FlyLink::DoAirspeedCali()
{
    return sendCommand(FlyCmd::calibrate(FlyCmd::Airspeed), QStringLiteral("DoAirspeedCali"));
}

bool FlyLink::DoMagCali()
{
    return sendCommand(FlyCmd::calibrate(FlyCmd::Mag), QStringLiteral("DoMagCali"));
}

bool FlyLink::StopMagCali()
{
    return sendCommand(FlyCmd::calibrate(FlyCmd::Mag, FlyCmd::Stop), QStringLiteral("StopMagCali"));
}

bool FlyLink::DoMagInflightCali()
{
    return sendCommand(FlyCmd::calibrate(FlyCmd::MagInflight), QStringLiteral("DoMagIn-flightCali"));
}

bool FlyLink::CancelMagInflightCali()
{
    return sendCommand(FlyCmd::calibrate(FlyCmd::MagInflight, FlyCmd::Stop), QStringLiteral("CancelMagIn-flightCali"));
}

bool FlyLink::DoMagSimpleCali(quint16 arg)
{
    return sendCommand(FlyCmd::magSimple(arg), QStringLiteral("DoMagSimpleCali"));
}

void FlyLink::handleAck(const FlyFrame &frame)
{
    const QByteArray &p = frame.payload;
    const quint16 v = FlyLe::get<quint16>(reinterpret_cast<const uchar *>(p.constData()));
    const QString text = FlyCmd::ackText(v);
    later([this, v, text] {
        postOwnText(text);
        emit commandAcknowledged(v & 0xFF, v >> 8, text);
    });
}

// ---- parameters ----

void FlyLink::requestParam(const QString &name)
{
    sendPacket(FlyMsg::ParamRead, FlyMsg::paramReadByName(name));
}

void FlyLink::requestParamIndex(qint16 index)
{
    sendPacket(FlyMsg::ParamRead, FlyMsg::paramReadByIndex(index));
}

void FlyLink::sendParamSet(const QString &name, float value)
{
    sendPacket(FlyMsg::ParamValue, FlyMsg::paramSet(name, value));
}

bool FlyLink::setCommonParam(const QString &name, float value)
{
    {
        Locker lock(this);
        if (!m_common.markForReread(name))
            return false;
    }
    sendParamSet(name, value);
    return true;
}

quint8 FlyLink::getCommonParam(const QString &name, float *value, bool reread)
{
    Locker lock(this);
    return m_common.get(name, value, reread);
}

QMap<QString, FlyLink::CommonParamState> FlyLink::commonParams() const
{
    Locker lock(this);
    return m_common.table();
}

bool FlyLink::allCommonReceived() const
{
    Locker lock(this);
    return m_common.allReceived();
}

void FlyLink::handleParamValue(const FlyFrame &frame)
{
    const CommonParam_t msg = CommonParam_t::fromPayload(frame.payload);
    const QString name = msg.name();
    const float value = msg.value();
    m_common.received(name, value);

    const FlyParamFetch::FeedResult fetch = m_fetch.feed(msg.index(), msg.count(), now());
    if (fetch.request)
        requestParamIndex(fetch.index);
    if (fetch.done)
        qDebug() << "All ID Param ok" << m_fetch.index() << m_fetch.count();

    if (name.contains(QLatin1String("AHRS_ORIENTATION"))) {
        m_record.setByte(TelemetryRecord::AhrsOrientation, quint8(int(value)));
        event(DMMM_GCSEvent_AhrsOrientation);
    }
    event(DMMM_GCSEvent_Param_value, QVariant::fromValue(msg));
    // The end of the fetch is announced after the last value itself, so that a listener that acts on
    // the end already has every value.
    if (fetch.done)
        event(DMMM_GCSEvent_Param_all_done);
    qDebug() << msg.index() << name << value;
}

void FlyLink::startAllParamFetch()
{
    Locker lock(this);
    qDebug() << "ID_Param_All_Start";
    m_fetch.start();
}

void FlyLink::stopAllParamFetch()
{
    Locker lock(this);
    event(DMMM_GCSEvent_Param_all_done);
    m_fetch.stop();
}

bool FlyLink::allParamFetching() const
{
    Locker lock(this);
    return m_fetch.isFetching();
}

int FlyLink::allParamIndex() const
{
    Locker lock(this);
    return m_fetch.index();
}

int FlyLink::allParamCount() const
{
    Locker lock(this);
    return m_fetch.count();
}

void FlyLink::paramFetchRetry()
{
    if (!m_connected || !m_fetch.tick(now()))
        return;
    qDebug() << "req param index :" << m_fetch.index();
    requestParamIndex(qint16(m_fetch.index()));
}

void FlyLink::commonParamStep()
{
    const QString name = m_common.step();
    if (!name.isEmpty())
        requestParam(name);
}

// ---- logs ----

QList<FlyLink::log_info_t> FlyLink::logList() const
{
    Locker lock(this);
    return m_listing.entries();
}

void FlyLink::requestLogList()
{
    runInLinkThread([this] {
        Locker lock(this);
        const quint16 first = m_listing.start(now());
        if (!m_listTimer)
            m_listTimer = new QTimer;
        m_listTimer->start(LogTimerMs);
        connect(m_listTimer, &QTimer::timeout, this, &FlyLink::log_list_timer_callback, Qt::UniqueConnection);
        sendPacket(FlyMsg::LogListRequest, FlyMsg::logListRequest(first));
        qDebug() << "req list id:" << first;
    });
}

void FlyLink::stopListTimer()
{
    if (m_listTimer) {
        m_listTimer->stop();
        disconnect(m_listTimer, &QTimer::timeout, this, &FlyLink::log_list_timer_callback);
    }
}

void FlyLink::handleLogEntry(const FlyFrame &frame)
{
    const log_info_t info = log_info_t::fromPayload(frame.payload);
    qDebug() << "handle_log_info" << info.id() << info.timeUtc() << info.size() << info.numLogs() << info.lastLogId();
    const FlyLogListing::FeedResult fed = m_listing.feed(info);
    if (fed.noLogs) {
        stopListTimer();
        later([this] {
            postOwnText(QStringLiteral("机载日志为空"));
            emit logListEmpty();
        });
        return;
    }
    qDebug() << "log_info:" << info.id() << info.size() << info.timeUtc();
    event(DMMM_GCSEvent_Log_entry, QVariant::fromValue(info));
    if (fed.complete) {
        event(DMMM_GCSEvent_Log_list_done);
        stopListTimer();
    } else if (fed.request) {
        sendPacket(FlyMsg::LogListRequest, FlyMsg::logListRequest(fed.requestId));
        qDebug() << "req list id:" << fed.requestId;
    }
}

void FlyLink::log_list_timer_callback()
{
    Locker lock(this);
    const FlyLogListing::TickResult ticked = m_listing.tick(now());
    if (ticked.request) {
        sendPacket(FlyMsg::LogListRequest, FlyMsg::logListRequest(ticked.requestId));
        qDebug() << "req list id:" << ticked.requestId;
    }
    if (ticked.gaveUp) {
        stopListTimer();
        event(DMMM_GCSEvent_Log_timeout);
    }
}

void FlyLink::queueLogDownload(quint16 id)
{
    Locker lock(this);
    m_download.enqueue(id);
}

void FlyLink::startLogDownloads()
{
    bool empty;
    {
        Locker lock(this);
        empty = !m_download.hasQueued();
    }
    if (empty) {
        postLinkText(QStringLiteral("无下载列表"));
        return;
    }
    runInLinkThread([this] {
        Locker lock(this);
        startNextQueuedFile();
    });
}

void FlyLink::startNextQueuedFile()
{
    quint16 id;
    if (!m_download.takeQueued(&id))
        return;
    qDebug() << "start new file:" << id;
    log_file_start(id);
}

void FlyLink::sendLogRequest(const FlyLogDownload::Request &request)
{
    sendPacket(FlyMsg::LogDataRequest, FlyMsg::logDataRequest(request.offset, request.count, request.id));
}

bool FlyLink::log_file_start(quint16 index)
{
    Locker lock(this);
    const log_info_t *entry = m_listing.entry(index);
    if (!entry)
        return false;
    const QString path = LogFileName::path(index, entry->timeUtc(), [](const QString &p) { return QFile::exists(p); });
    // Written under "<name>.part" and renamed when whole: a log cut short never looks complete.
    if (!m_file)
        m_file = new LogFileWriter;
    m_file->close(); // a log still open keeps its part file
    if (!m_file->open(index, LogFileName::Dir, path)) {
        failLogFile(index);
        return false;
    }
    m_logTimeUtc = entry->timeUtc();
    const FlyLogDownload::Request first = m_download.start(index, entry->size(), now());
    if (!m_fileTimer)
        m_fileTimer = new QTimer;
    m_fileTimer->start(LogTimerMs);
    connect(m_fileTimer, &QTimer::timeout, this, &FlyLink::log_file_timer_callback, Qt::UniqueConnection);
    sendLogRequest(first);
    return true;
}

void FlyLink::stopFileTimer()
{
    if (m_fileTimer) {
        m_fileTimer->stop();
        disconnect(m_fileTimer, &QTimer::timeout, this, &FlyLink::log_file_timer_callback);
    }
}

void FlyLink::closeLogFile()
{
    // What arrived of an unfinished log stays in its part file.
    if (m_file)
        m_file->close();
    delete m_file;
    m_file = nullptr;
}

bool FlyLink::finishLogFile(quint16 id)
{
    if (QFile::exists(m_file->finalName()))
        m_file->setFinalName(
            LogFileName::path(id, m_logTimeUtc, [](const QString &p) { return QFile::exists(p); }));
    if (!m_file->commit()) {
        failLogFile(id);
        return false;
    }
    return true;
}

void FlyLink::abandonLogFile()
{
    stopFileTimer();
    if (m_file)
        m_file->close();
    event(DMMM_GCSEvent_Log_timeout);
}

void FlyLink::failLogFile(quint16 id)
{
    stopFileTimer();
    m_download.cancel();
    const QString path = m_file ? m_file->failedPath() : QString();
    const QString reason = m_file ? m_file->failedReason() : QStringLiteral("the file is not open");
    later([this, id, path, reason] { emit logFileFailed(id, path, reason); });
}

void FlyLink::handleLogData(const FlyFrame &frame)
{
    const log_data_t block = log_data_t::fromPayload(frame.payload);
    switch (m_download.check(block)) {
    case FlyLogDownload::Check::OtherLog:
        qDebug() << "logid_err" << block.id();
        break;
    case FlyLogDownload::Check::OtherOffset:
        qDebug() << "logofs_err" << block.offset();
        break;
    case FlyLogDownload::Check::BadCount:
        qDebug() << "logcnt_err" << block.count();
        break;
    case FlyLogDownload::Check::Accept: {
        // A disk that is full or gone ends the download at once, with its reason.
        const quint8 count = m_download.usableBytes(block);
        if (!m_file || !m_file->append(QByteArray(reinterpret_cast<const char *>(block.data()), count))) {
            qDebug() << "打开文件错误";
            failLogFile(block.id());
            break;
        }
        const FlyLogDownload::AcceptResult accepted = m_download.accept(count, now());
        if (accepted.gaveUp) {
            qDebug() << "log" << block.id() << "no more data at" << block.offset();
            abandonLogFile();
            break;
        }
        if (!accepted.finished) {
            sendLogRequest(accepted.next);
            break;
        }
        const quint16 done = block.id();
        if (!finishLogFile(done))
            break;
        const QString path = m_file->finalName();
        stopFileTimer();
        startNextQueuedFile();
        event(DMMM_GCSEvent_Log_file_done);
        later([this, done, path] { emit logFileCompleted(done, path); });
        break;
    }
    }
    event(DMMM_GCSEvent_Log_data, QVariant::fromValue(block));
}

void FlyLink::log_file_timer_callback()
{
    Locker lock(this);
    const FlyLogDownload::TickResult ticked = m_download.tick(now());
    if (ticked.resend)
        sendLogRequest(ticked.request);
    if (ticked.gaveUp)
        abandonLogFile();
}

void FlyLink::cancelLogDownload()
{
    runInLinkThread([this] {
        Locker lock(this);
        stopFileTimer();
        closeLogFile();
        m_download.cancel();
    });
}

bool FlyLink::logDownloadProgress(quint16 *id, quint32 *offset) const
{
    Locker lock(this);
    if (id)
        *id = m_download.currentId();
    if (offset)
        *offset = m_download.offset();
    return m_download.isActive();
}

void FlyLink::eraseLogs()
{
    sendFrame(FlyMsg::LogErase, nullptr, 0);
    postLinkText(QStringLiteral("清除机载日志"));
}
