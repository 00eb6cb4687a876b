#include "link/MavlinkHandler.h"

#include "core/util/LogFileName.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QTimer>

#include <algorithm>

MavlinkHandler::MavlinkHandler(int id, bool ownThread, QObject *parent)
    : IOHandler(id, ownThread, parent, DeferredStart())
{
    qDebug() << "mavlink creat";
    qRegisterMetaType<mavlink_log_data_t>("mavlink_log_data_t");
    qRegisterMetaType<mavlink_message_t>("mavlink_message_t");
    qRegisterMetaType<log_request_data_t>("log_request_data_t");

    // Automatic connections to itself: a request emitted on another thread runs queued on the link's.
    connect(this, &MavlinkHandler::log_list_start_signal, this, &MavlinkHandler::log_list_start);
    connect(this, &MavlinkHandler::clearLogSignal, this, &MavlinkHandler::clearAllLog);
    connect(this, &MavlinkHandler::requestParamListSignal, this, &MavlinkHandler::requestParamList);
    connect(this, &MavlinkHandler::setParamValueSignal, this, &MavlinkHandler::setParamValue);
    connect(this, &MavlinkHandler::sendMavlinkMsgSignal, this, &MavlinkHandler::sendMavlinkMsg);
    connect(this, &IOHandler::recIoBuff, this,
            [this](const QByteArray &bytes, const QVariant &) { decodeMavlinkData(bytes); });
    // Last: the link's thread starts (and init() runs there) only now that the handler is whole.
    startLink();
}

MavlinkHandler::~MavlinkHandler() = default;

MavlinkLinkCounters MavlinkHandler::counters() const
{
    std::lock_guard<std::mutex> lock(m_countersMutex);
    return m_counters;
}

void MavlinkHandler::decodeMavlinkData(QByteArray data)
{
    m_engine.feed(data, [this](const mavlink_message_t &msg) { handleMessage(msg); });
    std::lock_guard<std::mutex> lock(m_countersMutex);
    m_counters = m_engine.counters();
}

void MavlinkHandler::handleMessage(const mavlink_message_t &msg)
{
    switch (msg.msgid) {
    case mavlink_param_value_t::MSG_ID: {
        const MavlinkLinkEngine::ParamValue p = MavlinkLinkEngine::decodeParamValue(msg);
        emit recParamInfo(p.value, p.count, p.index, p.name, p.type);
        break;
    }
    case mavlink_heartbeat_t::MSG_ID:
    case mavlink_param_set_t::MSG_ID:
    case mavlink_attitude_t::MSG_ID:
        // Decoded and discarded: the link does not supervise the unit's heartbeat.
        break;
    case mavlink_log_entry_t::MSG_ID:
        handleLogEntry(msg);
        break;
    case mavlink_log_data_t::MSG_ID:
        handleLogData(msg);
        break;
    case mavlink_log_erase_t::MSG_ID: {
        const mavlink_log_erase_t erase = mavlink_log_erase_t::decode(msg);
        qDebug() << "log erase:" << int(erase.target_system) << int(erase.target_component);
        break;
    }
    default:
        break;
    }
}

void MavlinkHandler::requestParamList()
{
    sendFrame(m_engine.paramRequestList());
}

void MavlinkHandler::setParamValue(QByteArray name, float value, ushort type)
{
    qDebug() << "set param value:" << name << value << type;
    sendFrame(m_engine.paramSet(name, value, quint8(type)));
}

void MavlinkHandler::sendMavlinkMsg(mavlink_message_t msg)
{
    sendFrame(MavlinkFrame::serialize(msg));
}

void MavlinkHandler::sendFrame(const QByteArray &frame)
{
    sendData(frame, QVariant(0));
}

// ---- Log service ----

QString MavlinkHandler::logFilePath(ushort id) const
{
    std::lock_guard<std::mutex> lock(m_pathsMutex);
    return m_logPaths.value(id);
}

quint32 MavlinkHandler::logNowMs() const
{
    if (m_logClock)
        return m_logClock();
    return quint32(QDateTime::currentMSecsSinceEpoch());
}

void MavlinkHandler::handleLogEntry(const mavlink_message_t &msg)
{
    const mavlink_log_entry_t e = mavlink_log_entry_t::decode(msg);
    qDebug() << "log entry:" << e.id << e.size << e.time_utc << e.num_logs;
    LogEntry entry;
    entry.time_utc = e.time_utc;
    entry.size = e.size;
    entry.id = e.id;
    entry.num_logs = e.num_logs;
    entry.last_log_num = e.last_log_num;
    logEntries.append(entry);
    emit recLogInfo(e.id, e.size, e.time_utc, e.num_logs);
}

void MavlinkHandler::handleLogData(const mavlink_message_t &msg)
{
    const mavlink_log_data_t d = mavlink_log_data_t::decode(msg);
    if (d.id != currentId) {
        qDebug() << "logid_err" << d.id << currentId;
        emit recLogData(d);
        return;
    }
    if (!m_download) { // a failed file write stalled this download until cancel or the next start
        emit recLogData(d);
        return;
    }
    const int count = std::min<int>(d.count, int(sizeof d.data));
    const quint32 now = logNowMs();
    const LogDownload::FeedResult r =
        m_download->feed(d.id, d.ofs, QByteArray::fromRawData(reinterpret_cast<const char *>(d.data), count), now);
    if (r.rerequest) { // the unit sent all it was asked for, but chunks were lost on the way
        qDebug() << "request gaps" << r.next.ofs << r.next.count;
        send_log_req_data({r.next.ofs, r.next.count, r.next.id});
    }
    switch (r.fed) {
    case LogDownload::Fed::OtherLog:
    case LogDownload::Fed::Ignored:
    case LogDownload::Fed::Duplicate:
        break;
    case LogDownload::Fed::Accepted:
        // At most one report per ProgressIntervalMs: a report per chunk (tens of thousands a second
        // on a fast link) costs the link's thread more than the transfer itself.
        if (!m_progressReported || quint32(now - m_lastProgressMs) >= ProgressIntervalMs) {
            m_progressReported = true;
            m_lastProgressMs = now;
            emit logDownloadProgress(currentId, d.ofs, m_download->total());
        }
        break;
    case LogDownload::Fed::WindowComplete:
        // The next window is asked for first: the unit sends while the file is written.
        send_log_req_data({r.next.ofs, r.next.count, r.next.id});
        emit logDownloadProgress(currentId, d.ofs, m_download->total());
        appendWindow(r.windowBytes);
        break;
    case LogDownload::Fed::Finished: {
        if (!appendWindow(r.windowBytes))
            break;
        const quint16 id = currentId;
        const quint32 total = m_download->total();
        qDebug() << "rec finished" << m_download->written() << total;
        logFileStop();
        // The page learns of completion from a report whose currentSize is the log's size.
        emit logDownloadProgress(id, total, total);
        log_download_do_next_start();
        break;
    }
    }
    emit recLogData(d);
}

bool MavlinkHandler::appendWindow(const QByteArray &bytes)
{
    QFile file(logFile);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(bytes) != bytes.size()) {
        qDebug() << "打开文件错误" << logFile << file.errorString();
        if (logTimer)
            logTimer->stop();
        m_download.reset(); // stalled until cancel or the next start
        return false;
    }
    return true;
}

void MavlinkHandler::log_list_start()
{
    logEntries.clear();
    sendFrame(m_engine.logRequestList(0, 0xFFFF));
}

void MavlinkHandler::addDownloadIdToList(ushort id)
{
    // A log being downloaded is not queued again: it would be fetched twice.
    if (downloadIds.contains(id) || (m_download && id == currentId))
        return;
    downloadIds.append(id);
}

void MavlinkHandler::log_download_start()
{
    if (!downloadIds.isEmpty() && !m_download)
        log_download_do_next_start();
}

void MavlinkHandler::log_download_do_next_start()
{
    while (!downloadIds.isEmpty()) {
        const quint16 id = downloadIds.takeFirst();
        const bool known =
            std::any_of(logEntries.cbegin(), logEntries.cend(), [id](const LogEntry &e) { return e.id == id; });
        if (!known) {
            qDebug() << "no log entry for" << id;
            continue;
        }
        if (log_file_start(id)) {
            qDebug() << "start new file:" << id;
            return;
        }
    }
}

bool MavlinkHandler::log_file_start(uint16_t index)
{
    // The first entry of that id: duplicates of an entry describe the same log.
    const auto it =
        std::find_if(logEntries.cbegin(), logEntries.cend(), [index](const LogEntry &e) { return e.id == index; });
    if (it == logEntries.cend())
        return true;
    const LogEntry entry = *it;

    QDir dir(QDir::currentPath());
    if (!dir.mkpath(LogFileName::Dir)) {
        qDebug() << "log save path:" << dir.filePath(LogFileName::Dir) << "cannot be created";
        return false;
    }
    const QString path =
        LogFileName::path(entry.id, entry.time_utc, [](const QString &candidate) { return QFile::exists(candidate); });
    qDebug().noquote() << "log save path:" << path;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        qDebug() << "打开文件错误" << path << file.errorString();
        return false;
    }
    file.close();

    if (m_download)
        logFileStop(); // a new start replaces the download in progress
    logFile = path;
    {
        std::lock_guard<std::mutex> lock(m_pathsMutex);
        m_logPaths.insert(entry.id, QDir::current().absoluteFilePath(path));
    }
    currentId = entry.id;
    m_download.reset(new LogDownload(entry.id, entry.size, logNowMs()));
    m_progressReported = false;
    if (!logTimer) {
        logTimer = new QTimer(this); // on the link's thread, like the handler
        logTimer->setInterval(100);
        connect(logTimer, &QTimer::timeout, this, &MavlinkHandler::log_file_timer_callback);
    }
    const LogDownload::Request first = m_download->firstRequest();
    send_log_req_data({first.ofs, first.count, first.id});
    return true;
}

bool MavlinkHandler::send_log_req_data(log_request_data_t datainfo)
{
    if (logTimer)
        logTimer->start();
    sendFrame(m_engine.logRequestData(datainfo.ofs, datainfo.count, datainfo.id));
    return true;
}

void MavlinkHandler::log_download_cancel_all()
{
    logFileStop();
    downloadIds.clear();
}

void MavlinkHandler::clearAllLog()
{
    sendFrame(m_engine.logErase());
}

void MavlinkHandler::log_file_timer_callback()
{
    if (!m_download) {
        if (logTimer)
            logTimer->stop();
        return;
    }
    const LogDownload::TickResult t = m_download->tick(logNowMs());
    if (t.ticked == LogDownload::Ticked::Retry) {
        send_log_req_data({t.request.ofs, t.request.count, t.request.id});
        qDebug() << "retry" << t.retry;
    } else if (t.ticked == LogDownload::Ticked::GiveUp) {
        logFileStop();
        qDebug() << "log file stop";
    }
}

void MavlinkHandler::logFileStop()
{
    qDebug() << "log_file_stop" << (m_download ? m_download->written() : 0u) << (m_download ? m_download->total() : 0u);
    if (logTimer)
        logTimer->stop();
    m_download.reset();
    currentId = 0xFFFF;
}
