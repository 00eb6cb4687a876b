#include "sim/FmuLogs.h"

#include "sim/FmuUnit.h"
#include "sim/SimEndpoint.h"

#include "core/formats/LogSizeList.h"
#include "core/mavlink/LogPattern.h"
#include "core/mavlink/MavlinkMessages.h"

#include <QSet>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <cstring>

namespace {
constexpr quint32 kChunk = 90;
constexpr int kUdpBurst = 32;              // chunks per millisecond tick on UDP (about 2.9 MB/s)
constexpr int kTerminalBurst = 64;         // chunks per turn on a terminal, while it drains
constexpr qint64 kTerminalBacklog = 4096;  // bytes the terminal may hold before the stream waits
constexpr quint32 kFirstTime = 1740819907; // 2025-03-01 09:05:07 UTC
constexpr int kTunnelEvery = 50;           // chunks between phantoms of the tunnel knob
} // namespace

FmuLogService::FmuLogService(FmuUnit *unit, SimEndpoint *endpoint, const QVector<FmuLog> &logs, const Options &options,
                             QObject *parent)
    : QObject(parent), m_unit(unit), m_endpoint(endpoint), m_logs(logs), m_options(options),
      m_random(options.seed * 7919u + 17u), m_streamTimer(new QTimer(this))
{
    m_unit->handle(mavlink_log_request_list_t::MSG_ID, [this](const mavlink_message_t &m) { requestList(m); });
    m_unit->handle(mavlink_log_request_data_t::MSG_ID, [this](const mavlink_message_t &m) { requestData(m); });
    m_unit->handle(mavlink_log_erase_t::MSG_ID, [this](const mavlink_message_t &) { erase(); });
    m_unit->handle(mavlink_log_request_end_t::MSG_ID, [this](const mavlink_message_t &) { requestEnd(); });
    m_streamTimer->setTimerType(Qt::PreciseTimer);
    m_streamTimer->setInterval(m_endpoint->isUdp() ? 1 : 0);
    connect(m_streamTimer, &QTimer::timeout, this, &FmuLogService::streamSome);
}

QVector<FmuLog> FmuLogService::defaultLogs()
{
    QVector<FmuLog> logs;
    QString error;
    parseLogList(QStringLiteral("1:100000,2:0,3:46080,4:250000,5:1048576"), logs, error);
    return logs;
}

bool FmuLogService::parseLogList(const QString &list, QVector<FmuLog> &out, QString &error)
{
    QVector<LogSizeList::Log> logs;
    out.clear();
    if (!LogSizeList::parse(list, logs, error))
        return false;
    for (const LogSizeList::Log &log : logs)
        out.append(FmuLog{log.id, log.size, kFirstTime + 3600u * log.id});
    return true;
}

const FmuLog *FmuLogService::find(quint16 id) const
{
    for (const FmuLog &log : m_logs) {
        if (log.id == id)
            return &log;
    }
    return nullptr;
}

void FmuLogService::requestList(const mavlink_message_t &msg)
{
    const mavlink_log_request_list_t req = mavlink_log_request_list_t::decode(msg);
    const quint16 last = m_logs.isEmpty() ? 0 : m_logs.last().id;
    if (m_logs.isEmpty()) {
        m_unit->send(mavlink_log_entry_t()); // no logs: one entry with id 0 and num_logs 0
        return;
    }
    for (const FmuLog &log : m_logs) {
        if (log.id < req.start || log.id > req.end)
            continue;
        mavlink_log_entry_t e;
        e.id = log.id;
        e.size = log.size;
        e.time_utc = log.timeUtc;
        e.num_logs = quint16(m_logs.size());
        e.last_log_num = last;
        m_unit->send(e);
    }
}

void FmuLogService::requestData(const mavlink_message_t &msg)
{
    const mavlink_log_request_data_t req = mavlink_log_request_data_t::decode(msg);
    const FmuLog *log = find(req.id);
    if (!log)
        return;
    // A new request replaces the range still being sent, as the firmware does.
    m_id = req.id;
    m_next = req.ofs;
    m_end = quint32(std::min<quint64>(quint64(req.ofs) + req.count, log->size));
    if (m_next >= m_end) {
        m_streaming = false;
        sendChunk(m_id, req.ofs, 0); // at or past the end: one empty chunk
        return;
    }
    m_streaming = true;
    if (!m_streamTimer->isActive())
        m_streamTimer->start();
    streamSome(); // the first burst at once
}

void FmuLogService::requestEnd()
{
    // The transfer is over: stop sending, and tell whoever watches the simulator.
    m_streaming = false;
    QTextStream out(stdout);
    out << "log request end" << Qt::endl;
}

void FmuLogService::erase()
{
    m_logs.clear();
    m_streaming = false;
}

void FmuLogService::streamSome()
{
    if (!m_streaming) {
        m_streamTimer->stop();
        return;
    }
    const int quota = m_endpoint->isUdp() ? kUdpBurst : kTerminalBurst;
    for (int i = 0; i < quota && m_next < m_end; ++i) {
        if (!m_endpoint->isUdp() && m_endpoint->pendingBytes() > kTerminalBacklog)
            return; // the reader is behind: wait for the terminal to drain
        const quint32 count = std::min(kChunk, m_end - m_next);
        sendChunk(m_id, m_next, count);
        m_next += count;
    }
    if (m_next >= m_end) {
        m_streaming = false;
        if (m_held) { // nothing follows the held chunk any more
            m_held = false;
            emitFrame(m_heldFrame);
        }
    }
}

void FmuLogService::sendChunk(quint16 id, quint32 ofs, quint32 count)
{
    // Framed now, so a frame sent late, twice or after its successor keeps its sequence number.
    const QByteArray frame = chunkFrame(id, ofs, count);
    std::uniform_real_distribution<double> percent(0, 100);
    if (m_options.lateMs > 0 && count > 0 && percent(m_random) < 2.0) {
        QTimer::singleShot(m_options.lateMs, this, [this, frame] { emitFrame(frame); });
        return;
    }
    if (m_options.reorder && count > 0) {
        if (m_held) {
            m_held = false;
            emitFrame(frame);
            emitFrame(m_heldFrame);
            return;
        }
        if (percent(m_random) < 5.0) {
            m_held = true;
            m_heldFrame = frame;
            return;
        }
    }
    emitFrame(frame);
}

QByteArray FmuLogService::chunkFrame(quint16 id, quint32 ofs, quint32 count)
{
    mavlink_log_data_t d;
    d.id = id;
    d.ofs = ofs;
    d.count = quint8(count);
    const QByteArray bytes = LogPattern::bytes(id, ofs, count);
    std::memcpy(d.data, bytes.constData(), size_t(bytes.size()));
    if (m_unit->options().tunnel && count > 0 && m_chunksSent++ % kTunnelEvery == 0) {
        // A phantom of this chunk with other bytes, inside a frame of an unknown id.
        mavlink_log_data_t phantom = d;
        std::memset(phantom.data, 0xEE, sizeof phantom.data);
        MavlinkTxChannel other;
        m_unit->sendTunnelled(MavlinkMessages::frame(phantom, other, FmuPersonality::SysId, FmuPersonality::CompId));
    }
    return m_unit->pack(d);
}

void FmuLogService::emitFrame(const QByteArray &frame)
{
    m_unit->write(frame);
    if (m_options.dupPercent > 0 && std::uniform_real_distribution<double>(0, 100)(m_random) < m_options.dupPercent)
        m_unit->write(frame);
}
