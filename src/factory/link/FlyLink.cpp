#include "factory/link/FlyLink.h"

#include "factory/link/Q_DMMM.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QThread>
#include <QTimer>

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
    {80, 17, 0, 29, nullptr},
    {81, 33, 17, 30, nullptr},
    {82, 10, 50, 31, nullptr},
    {83, 7, 60, 32, nullptr}, // two 7-byte slots at 60 and 67
    {84, 69, 74, 34, nullptr},
    {85, 19, 143, 35, nullptr},
    {86, 19, 162, 36, nullptr},
    {87, 37, 181, 37, "handle_Param_RollControl"},
    {88, 37, 218, 38, "handle_Param_PitchControl"},
    {89, 41, 255, 39, "handle_Param_YawControl"},
    {90, 53, 296, 40, "handle_Param_PosZControl"},
    {91, 29, 349, 41, "handle_Param_PosXYControl"},
    {50, 41, 378, 42, "handle_Param_SerialPort"},
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
        emitEvent(46);
    }
    connect(this, &DeviceCommunication::readyRead, this, &FlyLink::update_receive);
    if (Q_DMMM *bus = Q_DMMM::instance())
        connect(bus, qOverload<int, int, QVariant>(&Q_DMMM::DMMM_Event), this,
                qOverload<int, int>(&FlyLink::handle_DMMM_event));
    m_common.insert(QStringLiteral("SYSID_THISMAV"), CommonParamState());
    qDebug() << "flylink" << QThread::currentThreadId();
}

FlyLink::~FlyLink()
{
    if (Q_DMMM *bus = Q_DMMM::instance())
        bus->disconnect(this);
    stopWorker([this] { releaseTimers(); });
    qDeleteAll(m_logList);
}

void FlyLink::releaseTimers()
{
    delete m_listTimer;
    m_listTimer = nullptr;
    delete m_fileTimer;
    m_fileTimer = nullptr;
    delete m_file;
    m_file = nullptr;
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
    if (Q_DMMM *bus = Q_DMMM::instance())
        bus->postText(bus->ownId(), QStringLiteral("Uav") + QString::number(remote) + QStringLiteral(": ") + text);
}

void FlyLink::postOwnText(const QString &text)
{
    if (Q_DMMM *bus = Q_DMMM::instance())
        bus->postText(linkId(), text);
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
        event(46);
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

void FlyLink::dispatch(const FlyFrame &frame)
{
    linkAlive(frame);
    const QByteArray &p = frame.payload;
    const int n = p.size();
    switch (frame.id) {
    case FlyMsg::Heartbeat:
        if (n == FlyMsg::HeartbeatLen) {
            m_record.write(TelemetryRecord::StatusWord, p);
            const quint8 type = m_record.statusWord() & 0x0F;
            if (type != m_record.vehicleType()) {
                m_record.setByte(TelemetryRecord::VehicleType, type);
                event(63);
            }
            event(DMMM_GCSEvent_Heartbeat_received);
        }
        break;
    case FlyMsg::NavState:
        if (n == FlyMsg::NavStateLen) {
            m_record.write(TelemetryRecord::NavState, p);
            if (!m_record.positionReported() && (m_record.navigation().latE7() || m_record.navigation().lonE7())) {
                event(18);
                m_record.setByte(TelemetryRecord::PositionReported, 1);
            }
        }
        break;
    case FlyMsg::Gnss:
        if (n == FlyMsg::GnssLen)
            storeEntry(p, TelemetryRecord::GnssEntries, FlyMsg::GnssLen, TelemetryRecord::GnssCount, -1);
        break;
    case FlyMsg::Imu:
        if (n == FlyMsg::ImuLen)
            storeEntry(p, TelemetryRecord::ImuEntries, FlyMsg::ImuLen, TelemetryRecord::ImuCount, -1);
        break;
    case FlyMsg::Compass:
        if (n == FlyMsg::CompassLen)
            storeEntry(p, TelemetryRecord::CompassEntries, FlyMsg::CompassLen, TelemetryRecord::CompassCount, 26);
        break;
    case FlyMsg::Baro:
        if (n == FlyMsg::BaroLen)
            storeEntry(p, TelemetryRecord::BaroEntries, FlyMsg::BaroLen, TelemetryRecord::BaroCount, -1);
        break;
    case FlyMsg::Block7:
        if (n == FlyMsg::Block7Len) {
            m_record.write(TelemetryRecord::Block7, p);
            event(28);
        }
        break;
    case FlyMsg::Home:
        if (n == FlyMsg::HomeLen)
            handleHome(p);
        break;
    case FlyMsg::Origin:
        if (n == FlyMsg::OriginLen) {
            m_record.write(TelemetryRecord::Origin, p);
            m_record.setByte(TelemetryRecord::OriginReceived, 1);
            event(19);
        }
        break;
    case FlyMsg::Block10:
        if (n == FlyMsg::Block10Len)
            m_record.write(TelemetryRecord::Block10, p);
        break;
    case FlyMsg::Block11:
        if (n == FlyMsg::Block11Len)
            m_record.write(TelemetryRecord::Block11, p);
        break;
    case FlyMsg::BoardInfo:
        if (n == FlyMsg::BoardInfoLen) {
            m_record.write(TelemetryRecord::BoardInfo, p);
            event(DMMM_GCSEvent_GetBoardInfo);
        }
        break;
    case FlyMsg::Block13:
        if (n == FlyMsg::Block13Len)
            m_record.write(TelemetryRecord::Block13, p);
        break;
    case FlyMsg::SysStatus:
        if (n == FlyMsg::SysStatusLen)
            handleSysStatus(p);
        break;
    case FlyMsg::Block15:
        if (n == FlyMsg::Block15Len)
            m_record.write(TelemetryRecord::Block15, p);
        break;
    case FlyMsg::Discard31:
        break;
    case FlyMsg::Text:
        if (n == FlyMsg::TextLen) {
            const QString text = FlyMsg::textOf(p);
            later([this, text] { postOwnText(text); });
        }
        break;
    case FlyMsg::AccCaliState:
        if (n == FlyMsg::AccCaliStateLen) {
            m_record.setByte(TelemetryRecord::AccCaliState, quint8(p[0]));
            event(24);
        }
        break;
    case FlyMsg::MagCaliProgress:
        if (n == FlyMsg::MagCaliProgressLen && quint8(p[0]) <= 2) {
            storeEntry(p, TelemetryRecord::MagProgressEntries, FlyMsg::MagCaliProgressLen,
                       TelemetryRecord::MagProgressCount, -1);
            event(25);
        }
        break;
    case FlyMsg::ParamValue:
        if (n == FlyMsg::ParamValueLen)
            handleParamValue(p);
        break;
    case FlyMsg::LogEntry:
        if (n == FlyMsg::LogEntryLen)
            handleLogEntry(p);
        break;
    case FlyMsg::LogData:
        if (n == FlyMsg::LogDataLen)
            handleLogData(p);
        break;
    case FlyMsg::CommandAck:
        if (n == FlyMsg::CommandAckLen)
            handleAck(p);
        break;
    case FlyMsg::RouteCount:
    case FlyMsg::RouteItem:
    case FlyMsg::RouteRequest:
    case FlyMsg::RouteAck:
        handleRoute(frame);
        break;
    case FlyMsg::Status51:
        if (n == FlyMsg::Status51Len && quint8(p[0]) == 1) {
            m_record.write(TelemetryRecord::Status51, p.left(8));
            m_record.write(TelemetryRecord::Status51 + 8, p.mid(8, 8));
            m_record.setByte(TelemetryRecord::Status51Stored, 1);
            event(20);
        }
        break;
    default:
        if (frame.id == FlyMsg::ParamGroupSerial ||
            (frame.id >= FlyMsg::ParamGroupFirst && frame.id <= FlyMsg::ParamGroupLast))
            handleParamGroup(frame);
        break;
    }
}

void FlyLink::handleSysStatus(const QByteArray &p)
{
    m_record.write(TelemetryRecord::SysStatus, p);
    const quint8 motors = FlyText::motorCountForLayout(quint8(p[0]));
    if (motors != m_record.motorCount()) {
        m_record.setByte(TelemetryRecord::MotorCount, motors);
        event(27);
    }
}

void FlyLink::handleHome(const QByteArray &p)
{
    m_record.write(TelemetryRecord::Home, p);
    if (!m_record.homeReceived())
        event(17);
    m_record.setByte(TelemetryRecord::HomeReceived, 1);
    event(16);
    const qint32 lat = m_record.homeLatE7();
    const qint32 lng = m_record.homeLonE7();
    later([lat, lng] {
        QSettings settings(QStringLiteral("./cfg/Setting.ini"), QSettings::IniFormat);
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
        event(11);
        if (m_routeCount > 0) {
            const char req[2] = {0, 0};
            sendFrame(FlyMsg::RouteRequest, req, 2);
            event(10);
        } else {
            event(7);
        }
        break;
    case FlyMsg::RouteItem: {
        if (p.size() != 33)
            return;
        const quint16 index = FlyLe::get<quint16>(reinterpret_cast<const uchar *>(p.constData()));
        event(12);
        if (index + 1 < m_routeCount) {
            uchar req[2];
            FlyLe::put<quint16>(req, quint16(index + 1));
            sendFrame(FlyMsg::RouteRequest, reinterpret_cast<const char *>(req), 2);
            event(10);
        } else {
            const char ack = 0;
            sendFrame(FlyMsg::RouteAck, &ack, 1);
            event(7);
        }
        break;
    }
    case FlyMsg::RouteRequest:
        if (p.size() != 2)
            return;
        event(1);
        break;
    case FlyMsg::RouteAck:
        if (p.size() != 1)
            return;
        event(p[0] == 0 ? 0 : 1);
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
    const QString text = QStringLiteral("设置飞控SN：") +
                         QStringLiteral("%1-%2").arg(sn >> 16).arg(sn & 0xFFFF, 4, 10, QLatin1Char('0'));
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

void FlyLink::handleAck(const QByteArray &p)
{
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
        auto it = m_common.find(name);
        if (it == m_common.end())
            return false;
        it->received = false;
        it->retries = 0;
        m_allCommonReceived = false;
    }
    sendParamSet(name, value);
    return true;
}

quint8 FlyLink::getCommonParam(const QString &name, float *value, bool reread)
{
    Locker lock(this);
    auto it = m_common.find(name);
    if (it == m_common.end()) {
        m_common.insert(name, CommonParamState());
        m_allCommonReceived = false;
        return 0;
    }
    if (reread) {
        it->received = false;
        it->retries = 0;
        m_allCommonReceived = false;
        return 0;
    }
    if (!it->received)
        return 0;
    if (value)
        *value = it->value;
    return 1;
}

QMap<QString, FlyLink::CommonParamState> FlyLink::commonParams() const
{
    Locker lock(this);
    return m_common;
}

bool FlyLink::allCommonReceived() const
{
    Locker lock(this);
    return m_allCommonReceived;
}

void FlyLink::handleParamValue(const QByteArray &p)
{
    const CommonParam_t msg = CommonParam_t::fromPayload(p);
    const QString name = msg.name();
    const float value = msg.value();

    CommonParamState &state = m_common[name];
    state.received = true;
    state.retries = 0;
    state.kind = 4;
    state.value = value;

    bool fetchDone = false;
    if (m_fetching) {
        m_fetchCount = msg.count();
        if (msg.index() == m_fetchNext) {
            ++m_fetchNext;
            if (m_fetchNext < m_fetchCount) {
                m_fetchLastRequest = now();
                requestParamIndex(qint16(m_fetchNext));
            }
        }
        if (m_fetchNext == m_fetchCount) {
            fetchDone = true;
            m_fetching = false;
            qDebug() << "All ID Param ok" << m_fetchNext << m_fetchCount;
        }
    }

    if (name.contains(QLatin1String("AHRS_ORIENTATION"))) {
        m_record.setByte(TelemetryRecord::AhrsOrientation, quint8(int(value)));
        event(33);
    }
    event(DMMM_GCSEvent_Param_value, QVariant::fromValue(msg));
    // The end of the fetch is announced after the last value itself, so that a listener that acts on
    // event 44 already has every value.
    if (fetchDone)
        event(DMMM_GCSEvent_Param_all_done);
    qDebug() << msg.index() << name << value;
}

void FlyLink::startAllParamFetch()
{
    Locker lock(this);
    qDebug() << "ID_Param_All_Start";
    m_fetching = true;
    m_fetchNext = 0;
    m_fetchCount = 0;
    m_fetchLastRequest = 0;
}

void FlyLink::stopAllParamFetch()
{
    Locker lock(this);
    event(DMMM_GCSEvent_Param_all_done);
    m_fetching = false;
}

bool FlyLink::allParamFetching() const
{
    Locker lock(this);
    return m_fetching;
}

int FlyLink::allParamIndex() const
{
    Locker lock(this);
    return m_fetchNext;
}

int FlyLink::allParamCount() const
{
    Locker lock(this);
    return m_fetchCount;
}

void FlyLink::paramFetchRetry()
{
    if (!m_fetching || !m_connected)
        return;
    const quint32 t = now();
    if (quint32(t - m_fetchLastRequest) > ParamFetchRetryMs) {
        m_fetchLastRequest = t;
        qDebug() << "req param index :" << m_fetchNext;
        requestParamIndex(qint16(m_fetchNext));
    }
}

void FlyLink::commonParamStep()
{
    if (m_allCommonReceived || m_common.isEmpty())
        return;
    for (auto it = m_common.begin(); it != m_common.end(); ++it) {
        if (it->retries > 2 && !it.key().contains(QLatin1String("SYSID_THISMAV"))) {
            qDebug() << it.key() << "req failed";
            continue;
        }
        if (it->received)
            continue;
        requestParam(it.key());
        ++it->retries;
        return;
    }
    const CommonParamState &last = m_common.last();
    if (last.retries > 2 || last.received) {
        m_allCommonReceived = true;
        qDebug() << "AllCommonParamGet"
                 << "true";
    }
}

// ---- logs ----

QList<FlyLink::log_info_t> FlyLink::logList() const
{
    Locker lock(this);
    QList<log_info_t> out;
    for (const log_info_t *entry : m_logList)
        out.append(*entry);
    return out;
}

void FlyLink::requestLogList()
{
    runInLinkThread([this] {
        Locker lock(this);
        qDeleteAll(m_logList);
        m_logList.clear();
        m_listTicks = 0;
        m_nextListId = 0;
        m_lastLogId = 0;
        if (!m_listTimer)
            m_listTimer = new QTimer;
        m_listTimer->start(100);
        connect(m_listTimer, &QTimer::timeout, this, &FlyLink::log_list_timer_callback, Qt::UniqueConnection);
        sendPacket(FlyMsg::LogListRequest, FlyMsg::logListRequest(0));
        qDebug() << "req list id:" << 0;
    });
}

void FlyLink::stopListTimer()
{
    if (m_listTimer) {
        m_listTimer->stop();
        disconnect(m_listTimer, &QTimer::timeout, this, &FlyLink::log_list_timer_callback);
    }
}

void FlyLink::handleLogEntry(const QByteArray &p)
{
    const log_info_t info = log_info_t::fromPayload(p);
    qDebug() << "handle_log_info" << info.id() << info.timeUtc() << info.size() << info.numLogs() << info.lastLogId();
    if (info.numLogs() == 0) {
        stopListTimer();
        qDeleteAll(m_logList);
        m_logList.clear();
        m_listTicks = 0;
        m_nextListId = 0;
        m_logCount = 0;
        m_lastLogId = 0;
        later([this] { postOwnText(QStringLiteral("机载日志为空")); });
        return;
    }
    bool stored = false;
    for (log_info_t *entry : m_logList) {
        if (entry->id() == info.id()) {
            *entry = info;
            stored = true;
            break;
        }
    }
    if (!stored)
        m_logList.append(new log_info_t(info));
    qDebug() << "log_info:" << info.id() << info.size() << info.timeUtc();
    event(DMMM_GCSEvent_Log_entry, QVariant::fromValue(info));
    m_logCount = info.numLogs();
    m_lastLogId = info.lastLogId();
    if (m_nextListId == 0)
        m_nextListId = info.id();
    if (info.id() == m_nextListId) {
        if (info.id() == m_lastLogId) {
            event(DMMM_GCSEvent_Log_list_done);
            m_listTicks = 0;
            stopListTimer();
        } else {
            ++m_nextListId;
            sendPacket(FlyMsg::LogListRequest, FlyMsg::logListRequest(m_nextListId));
            qDebug() << "req list id:" << m_nextListId;
        }
    }
}

void FlyLink::log_list_timer_callback()
{
    Locker lock(this);
    ++m_listTicks;
    if (m_listTicks % 5 == 0) {
        sendPacket(FlyMsg::LogListRequest, FlyMsg::logListRequest(m_nextListId));
        qDebug() << "req list id:" << m_nextListId;
    }
    if (m_listTicks > 25) {
        m_listTicks = 0;
        stopListTimer();
        event(DMMM_GCSEvent_Log_timeout);
    }
}

void FlyLink::queueLogDownload(quint16 id)
{
    Locker lock(this);
    m_downloadQueue.append(id);
}

void FlyLink::startLogDownloads()
{
    bool empty;
    {
        Locker lock(this);
        empty = m_downloadQueue.isEmpty();
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
    if (m_downloadQueue.isEmpty())
        return;
    const quint16 id = m_downloadQueue.takeFirst();
    qDebug() << "start new file:" << id;
    log_file_start(id);
}

void FlyLink::requestLogBlock()
{
    const quint8 count = quint8(qMin<quint32>(m_logSize - m_logOffset, FlyMsg::LogBlockBytes));
    sendPacket(FlyMsg::LogDataRequest, FlyMsg::logDataRequest(m_logOffset, count, m_currentLogId));
}

bool FlyLink::log_file_start(quint16 index)
{
    Locker lock(this);
    const log_info_t *entry = nullptr;
    for (const log_info_t *e : m_logList) {
        if (e->id() == index) {
            entry = e;
            break;
        }
    }
    if (!entry)
        return false;
    QDir().mkpath(QStringLiteral("log"));
    QDir().mkpath(QStringLiteral("log/flight"));
    const QString stamp = QDateTime::fromSecsSinceEpoch(entry->timeUtc(), Qt::UTC)
                              .toLocalTime()
                              .toString(QStringLiteral("yyyyMMdd_hhmmss"));
    QString path = QStringLiteral("log/flight/%1_%2.bin").arg(index).arg(stamp);
    for (int counter = 1; QFile::exists(path); ++counter)
        path = QStringLiteral("log/flight/ID%1_%2_%3.bin").arg(index).arg(stamp).arg(counter);
    delete m_file;
    m_file = new QFile(path);
    if (!m_file->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        qDebug() << "log" << index << "cannot create" << path;
        delete m_file;
        m_file = nullptr;
        return false;
    }
    m_file->close();
    m_currentLogId = index;
    m_logOffset = 0;
    m_logSize = entry->size();
    m_fileTicks = 0;
    if (!m_fileTimer)
        m_fileTimer = new QTimer;
    m_fileTimer->start(100);
    connect(m_fileTimer, &QTimer::timeout, this, &FlyLink::log_file_timer_callback, Qt::UniqueConnection);
    requestLogBlock();
    return true;
}

void FlyLink::stopFileTimer()
{
    if (m_fileTimer) {
        m_fileTimer->stop();
        disconnect(m_fileTimer, &QTimer::timeout, this, &FlyLink::log_file_timer_callback);
    }
}

void FlyLink::handleLogData(const QByteArray &p)
{
    const log_data_t block = log_data_t::fromPayload(p);
    if (block.id() != m_currentLogId) {
        qDebug() << "logid_err" << block.id();
    } else if (block.offset() != m_logOffset) {
        qDebug() << "logofs_err" << block.offset();
    } else if (block.count() > FlyMsg::LogBlockBytes) {
        qDebug() << "logcnt_err" << block.count();
    } else if (!m_file || !m_file->open(QIODevice::WriteOnly | QIODevice::Append)) {
        qDebug() << "打开文件错误";
    } else {
        m_file->write(reinterpret_cast<const char *>(block.data()), block.count());
        m_file->close();
        m_fileTicks = 0;
        m_logOffset += block.count();
        if (m_logOffset < m_logSize) {
            requestLogBlock();
        } else {
            const quint16 done = m_currentLogId;
            const QString path = m_file->fileName();
            stopFileTimer();
            m_logOffset = m_logSize = 0;
            m_currentLogId = 0xFFFF;
            startNextQueuedFile();
            event(DMMM_GCSEvent_Log_file_done);
            later([this, done, path] { emit logFileCompleted(done, path); });
        }
    }
    event(DMMM_GCSEvent_Log_data, QVariant::fromValue(block));
}

void FlyLink::log_file_timer_callback()
{
    Locker lock(this);
    ++m_fileTicks;
    if (m_fileTicks % 6 == 0 && m_currentLogId != 0xFFFF)
        requestLogBlock();
    if (m_fileTicks > 30) {
        stopFileTimer();
        m_currentLogId = 0xFFFF;
        m_logOffset = m_logSize = 0;
        event(DMMM_GCSEvent_Log_timeout);
    }
}

void FlyLink::cancelLogDownload()
{
    runInLinkThread([this] {
        Locker lock(this);
        stopFileTimer();
        m_fileTicks = 0;
        m_currentLogId = 0xFFFF;
        m_logOffset = 0;
        m_downloadQueue.clear();
    });
}

bool FlyLink::logDownloadProgress(quint16 *id, quint32 *offset) const
{
    Locker lock(this);
    if (id)
        *id = m_currentLogId;
    if (offset)
        *offset = m_logOffset;
    return m_currentLogId != 0xFFFF;
}

void FlyLink::eraseLogs()
{
    sendFrame(FlyMsg::LogErase, nullptr, 0);
    postLinkText(QStringLiteral("清除机载日志"));
}
