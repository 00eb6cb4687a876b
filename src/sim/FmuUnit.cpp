#include "sim/FmuUnit.h"

#include "sim/SimEndpoint.h"

#include "core/mavlink/MavlinkDialect.h"

#include <QTimer>

#include <cmath>
#include <iterator>

namespace {
constexpr uint8_t kSysId = FmuPersonality::SysId;
constexpr uint8_t kCompId = FmuPersonality::CompId;
constexpr uint8_t kTunnelCrcExtra = 0x33; // the seed of the unknown id's checksum
constexpr int kTunnelEvery = 50;
constexpr int kComponentParams = 25;

// A gimbal's or camera's own parameters: 25 of them, named after the component.
QVector<FmuParam> componentParams(quint8 compid)
{
    QVector<FmuParam> params;
    const QByteArray prefix = compid == 154 ? "MNT_" : "CAM" + QByteArray::number(compid) + "_";
    for (int i = 0; i < kComponentParams; ++i)
        params.append(FmuParam{prefix + "P" + QByteArray::number(i), float(i), 9});
    return params;
}
constexpr int kBurst = 32; // PARAM_VALUEs per event-loop turn when unpaced on a terminal
// Unpaced on UDP, where nothing pushes back: bursts of this many per millisecond (about 8000 values
// a second), so the receiver's socket buffer is not overrun by the whole list at once.
constexpr int kUdpBurst = 8;
constexpr qint64 kTerminalBacklog = 4096; // bytes the terminal may hold before the stream waits
} // namespace

FmuUnit::FmuUnit(SimEndpoint *endpoint, const QVector<FmuParam> &params, const Options &options, QObject *parent)
    : QObject(parent), m_endpoint(endpoint), m_params(params), m_options(options), m_random(options.seed),
      m_heartbeatTimer(new QTimer(this)), m_streamTimer(new QTimer(this))
{
    connect(m_endpoint, &SimEndpoint::received, this, &FmuUnit::received);
    handle(mavlink_param_request_list_t::MSG_ID, [this](const mavlink_message_t &m) { paramRequestList(m); });
    handle(mavlink_param_request_read_t::MSG_ID, [this](const mavlink_message_t &m) { paramRequestRead(m); });
    handle(mavlink_param_set_t::MSG_ID, [this](const mavlink_message_t &m) { paramSet(m); });
    handle(mavlink_command_long_t::MSG_ID, [this](const mavlink_message_t &m) { commandLong(m); });
    for (int i = 0; i < std::min<int>(m_options.components, int(std::size(ComponentIds))); ++i) {
        m_componentParams.append(componentParams(ComponentIds[i]));
        m_componentTx.append(MavlinkTxChannel());
    }

    m_heartbeatTimer->setInterval(1000);
    connect(m_heartbeatTimer, &QTimer::timeout, this, &FmuUnit::sendHeartbeat);
    m_heartbeatTimer->start();

    m_streamTimer->setTimerType(Qt::PreciseTimer);
    if (m_options.rateHz > 0)
        m_streamTimer->setInterval(std::max(1, int(1000.0 / m_options.rateHz)));
    else
        m_streamTimer->setInterval(m_endpoint->isUdp() ? 1 : 0);
    connect(m_streamTimer, &QTimer::timeout, this, &FmuUnit::streamSome);
}

void FmuUnit::received(const QByteArray &bytes)
{
    m_parser.feed(bytes, [this](const mavlink_message_t &msg) { dispatch(msg); });
}

bool FmuUnit::forAutopilot(const mavlink_message_t &msg) const
{
    if (!m_options.personality.accepts(msg))
        return false;
    const MavlinkDialect::MessageInfo *info = MavlinkDialect::find(msg.msgid);
    if (!info || !(info->flags & 2))
        return true;
    const quint8 target = msg.payload[info->targetComponentOfs];
    return target == 0 || target == kCompId;
}

void FmuUnit::dispatch(const mavlink_message_t &msg)
{
    if (msg.msgid == mavlink_param_request_list_t::MSG_ID)
        componentsAnswerList(msg); // the other components answer first, at once
    if (!forAutopilot(msg))
        return;
    const auto it = m_handlers.constFind(msg.msgid);
    if (it != m_handlers.constEnd())
        it.value()(msg);
}

void FmuUnit::sendPayload(uint32_t msgid, const uint8_t *payload, int len, bool droppable)
{
    write(packPayload(msgid, payload, len, droppable, kCompId));
}

QByteArray FmuUnit::packPayload(uint32_t msgid, const uint8_t *payload, int len, bool droppable, quint8 compid)
{
    int component = -1;
    for (int i = 0; i < m_componentTx.size(); ++i) {
        if (ComponentIds[i] == compid)
            component = i;
    }
    MavlinkTxChannel &tx = component >= 0 ? m_componentTx[component] : m_tx;
    mavlink_message_t msg;
    const bool ok = m_options.v1 ? MavlinkFrame::finalizeV1(msg, msgid, payload, len, tx, kSysId, compid)
                                 : MavlinkFrame::finalize(msg, msgid, payload, len, tx, kSysId, compid);
    if (!ok)
        return QByteArray();
    // The sequence number is spent even when the frame is dropped, as on a lossy radio link.
    if (droppable && m_options.dropPercent > 0 &&
        std::uniform_real_distribution<double>(0, 100)(m_random) < m_options.dropPercent)
        return QByteArray();
    return MavlinkFrame::serialize(msg);
}

void FmuUnit::sendTunnelled(const QByteArray &inner)
{
    // Framed by hand: the framing code knows only ids of the dialect.
    QByteArray frame;
    frame.append(char(Mavlink::kStxV2));
    frame.append(char(inner.size()));
    frame.append(char(0)).append(char(0));
    frame.append(char(m_tx.sequence++));
    frame.append(char(kSysId)).append(char(kCompId));
    frame.append(char(TunnelMsgId & 0xFF)).append(char((TunnelMsgId >> 8) & 0xFF)).append(char(TunnelMsgId >> 16));
    frame.append(inner);
    uint16_t crc =
        MavlinkCrc::calculate(reinterpret_cast<const uint8_t *>(frame.constData()) + 1, size_t(frame.size() - 1));
    MavlinkCrc::accumulate(kTunnelCrcExtra, crc);
    frame.append(char(crc & 0xFF)).append(char(crc >> 8));
    write(frame);
}

void FmuUnit::write(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    if (m_options.split && bytes.size() > 1) {
        const int cut = 1 + int(m_splitCounter++ % quint32(bytes.size() - 1));
        m_endpoint->send(bytes.left(cut));
        m_endpoint->send(bytes.mid(cut));
    } else {
        m_endpoint->send(bytes);
    }
}

void FmuUnit::sendHeartbeat()
{
    mavlink_heartbeat_t hb;
    hb.type = 2; // quadrotor
    hb.autopilot = m_options.personality.heartbeatAutopilot();
    hb.base_mode = 81;    // custom mode, stabilise, armed-capable
    hb.system_status = 3; // standby
    hb.mavlink_version = 3;
    send(hb, false);
    for (int i = 0; i < m_componentTx.size(); ++i) {
        mavlink_heartbeat_t other;
        other.type = ComponentIds[i] == 154 ? 26 : 30; // gimbal, camera
        other.autopilot = 8;                           // not a flight controller
        other.mavlink_version = 3;
        write(pack(other, false, ComponentIds[i]));
    }
}

void FmuUnit::commandLong(const mavlink_message_t &msg)
{
    const mavlink_command_long_t command = mavlink_command_long_t::decode(msg);
    if (command.command != mavlink_command_long_t::MAV_CMD_REQUEST_MESSAGE ||
        int(command.param[0]) != int(mavlink_autopilot_version_t::MSG_ID))
        return;
    mavlink_autopilot_version_t version;
    version.capabilities = m_options.personality.capabilities();
    version.flight_sw_version = 0x040500FF;
    version.uid = 0x5A4F5256414E0001ull;
    send(version);
}

void FmuUnit::componentsAnswerList(const mavlink_message_t &msg)
{
    const mavlink_param_request_list_t request = mavlink_param_request_list_t::decode(msg);
    if (request.target_system != 0 && request.target_system != kSysId)
        return;
    for (int c = 0; c < m_componentParams.size(); ++c) {
        if (request.target_component != 0 && request.target_component != ComponentIds[c])
            continue;
        const QVector<FmuParam> &params = m_componentParams[c];
        for (int i = 0; i < params.size(); ++i) {
            mavlink_param_value_t value;
            value.param_value = float(params[i].value);
            value.param_count = uint16_t(params.size());
            value.param_index = uint16_t(i);
            MavlinkMessages::setParamId(value.param_id, params[i].name);
            value.param_type = params[i].type;
            write(pack(value, true, ComponentIds[c]));
        }
    }
}

void FmuUnit::paramRequestList(const mavlink_message_t &)
{
    // A new request restarts the transfer from index 0.
    m_streamNext = 0;
    m_streamSent = 0;
    m_streamClock.start();
    if (!m_streamTimer->isActive())
        m_streamTimer->start();
}

void FmuUnit::streamSome()
{
    if (m_streamNext < 0 || m_streamNext >= m_params.size()) {
        m_streamNext = -1;
        m_streamTimer->stop();
        return;
    }
    int quota = m_endpoint->isUdp() ? kUdpBurst : kBurst;
    if (m_options.rateHz > 0) {
        const qint64 due = qint64(std::floor(double(m_streamClock.elapsed()) * m_options.rateHz / 1000.0)) + 1;
        quota = int(std::max<qint64>(0, due - m_streamSent));
    }
    for (int i = 0; i < quota && m_streamNext < m_params.size(); ++i) {
        if (!m_endpoint->isUdp() && m_endpoint->pendingBytes() > kTerminalBacklog)
            break; // the reader is behind: wait for the terminal to drain
        sendParam(m_streamNext++);
        ++m_streamSent;
    }
}

void FmuUnit::sendParam(int index)
{
    if (m_options.tunnel && m_paramsSent++ % kTunnelEvery == 0) {
        mavlink_param_value_t phantom;
        phantom.param_value = 666;
        phantom.param_count = uint16_t(m_params.size());
        MavlinkMessages::setParamId(phantom.param_id, "PHANTOM_PARAM");
        phantom.param_type = 9;
        MavlinkTxChannel other;
        sendTunnelled(MavlinkMessages::frame(phantom, other, kSysId, kCompId));
    }
    const FmuParam &p = m_params.at(index);
    mavlink_param_value_t value;
    value.param_value = m_options.personality.encodeField(p.value, p.type);
    value.param_count = uint16_t(m_params.size());
    value.param_index = uint16_t(index);
    MavlinkMessages::setParamId(value.param_id, p.name);
    value.param_type = p.type;
    send(value);
}

int FmuUnit::indexOf(const QString &name) const
{
    const QByteArray key = name.toLatin1();
    for (int i = 0; i < m_params.size(); ++i) {
        if (m_params[i].name == key)
            return i;
    }
    return -1;
}

void FmuUnit::paramRequestRead(const mavlink_message_t &msg)
{
    const mavlink_param_request_read_t read = mavlink_param_request_read_t::decode(msg);
    const int index = read.param_index >= 0 ? read.param_index : indexOf(MavlinkMessages::paramName(read.param_id));
    if (index >= 0 && index < m_params.size())
        sendParam(index);
}

void FmuUnit::paramSet(const mavlink_message_t &msg)
{
    const mavlink_param_set_t set = mavlink_param_set_t::decode(msg);
    const int index = indexOf(MavlinkMessages::paramName(set.param_id));
    if (index < 0)
        return; // unknown names are ignored, as the firmware does
    const double value = m_options.personality.decodeField(set.param_value, m_params[index].type);
    if (std::isfinite(value))
        m_params[index].value = FmuParams::storedValue(value, m_params[index].type);
    sendParam(index);
}
