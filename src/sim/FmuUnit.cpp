#include "sim/FmuUnit.h"

#include "sim/SimEndpoint.h"

#include <QTimer>

#include <cmath>

namespace {
constexpr uint8_t kSysId = 1;
constexpr uint8_t kCompId = 1;
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

void FmuUnit::dispatch(const mavlink_message_t &msg)
{
    const auto it = m_handlers.constFind(msg.msgid);
    if (it != m_handlers.constEnd())
        it.value()(msg);
}

void FmuUnit::sendPayload(uint32_t msgid, const uint8_t *payload, int len, bool droppable)
{
    mavlink_message_t msg;
    const bool ok = m_options.v1 ? MavlinkFrame::finalizeV1(msg, msgid, payload, len, m_tx, kSysId, kCompId)
                                 : MavlinkFrame::finalize(msg, msgid, payload, len, m_tx, kSysId, kCompId);
    if (!ok)
        return;
    // The sequence number is spent even when the frame is dropped, as on a lossy radio link.
    if (droppable && m_options.dropPercent > 0 &&
        std::uniform_real_distribution<double>(0, 100)(m_random) < m_options.dropPercent)
        return;
    const QByteArray bytes = MavlinkFrame::serialize(msg);
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
    hb.type = 2;          // quadrotor
    hb.autopilot = 3;     // ArduPilot-style firmware
    hb.base_mode = 81;    // custom mode, stabilise, armed-capable
    hb.system_status = 3; // standby
    hb.mavlink_version = 3;
    send(hb, false);
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
    const FmuParam &p = m_params.at(index);
    mavlink_param_value_t value;
    value.param_value = p.value;
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
    if (std::isfinite(set.param_value))
        m_params[index].value = FmuParams::storedValue(set.param_value, m_params[index].type);
    sendParam(index);
}
