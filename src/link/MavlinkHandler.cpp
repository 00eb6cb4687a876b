#include "link/MavlinkHandler.h"

#include "core/util/LogFileName.h"
#include "core/util/LogFileWriter.h"

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
    // The handler may already live on its thread: the writer joins it there as its child.
    m_logFile = new LogFileWriter;
    m_logFile->moveToThread(thread());
    m_logFile->setParent(this);
    connect(this, &IOHandler::recIoBuff, this,
            [this](const QByteArray &bytes, const QVariant &) { decodeMavlinkData(bytes); });
    // A new connection may reach another vehicle: the unit is found again.
    connect(this, &IOHandler::openDeviceSignal, this, [this](IOHandler::DeviceInfo, bool) {
        m_engine.resetUnit();
        std::lock_guard<std::mutex> lock(m_countersMutex);
        m_unit = m_engine.unit();
    });
    // The handler already lives on its worker thread; its report lives there too.
    m_unitReport.moveToThread(thread());
    // Last: the link's thread starts (and init() runs there) only now that the handler is whole.
    startLink();
}

MavlinkHandler::~MavlinkHandler() = default;

MavlinkLinkCounters MavlinkHandler::counters() const
{
    std::lock_guard<std::mutex> lock(m_countersMutex);
    return m_counters;
}

MavlinkLinkEngine::Unit MavlinkHandler::unit() const
{
    std::lock_guard<std::mutex> lock(m_countersMutex);
    return m_unit;
}

void MavlinkHandler::setOwnIds(quint8 sysid, quint8 compid)
{
    QMetaObject::invokeMethod(
        this, [this, sysid, compid] { m_engine.setOwnIds(sysid, compid); }, Qt::QueuedConnection);
}

void MavlinkHandler::requestParamRead(quint16 index)
{
    QMetaObject::invokeMethod(
        this, [this, index] { sendFrame(m_engine.paramRequestRead(index)); }, Qt::QueuedConnection);
}

void MavlinkHandler::sendGcsHeartbeat()
{
    QMetaObject::invokeMethod(
        this, [this] { sendFrame(m_engine.gcsHeartbeat()); }, Qt::QueuedConnection);
}

void MavlinkHandler::decodeMavlinkData(QByteArray data)
{
    m_engine.feed(data, [this](const mavlink_message_t &msg) { handleMessage(msg); });
    std::lock_guard<std::mutex> lock(m_countersMutex);
    m_counters = m_engine.counters();
    m_counters.otherComponents = m_otherComponents;
}

void MavlinkHandler::noteUnit(const mavlink_message_t &msg)
{
    const MavlinkLinkEngine::UnitNote note = m_engine.noteUnit(msg);
    if (note == MavlinkLinkEngine::UnitNote::Unchanged)
        return;
    const MavlinkLinkEngine::Unit unit = m_engine.unit();
    {
        std::lock_guard<std::mutex> lock(m_countersMutex);
        m_unit = unit;
    }
    if (note != MavlinkLinkEngine::UnitNote::Changed)
        return;
    qDebug() << "mavlink unit:" << unit.sysid << unit.compid << unit.autopilot;
    // A unit that announced itself as an autopilot is asked once how it encodes integer parameters.
    if (unit.fromHeartbeat)
        sendFrame(m_engine.requestAutopilotVersion());
    emit m_unitReport.unitChanged(unit.sysid, unit.compid);
}

void MavlinkHandler::handleMessage(const mavlink_message_t &msg)
{
    noteUnit(msg);
    switch (msg.msgid) {
    case mavlink_param_value_t::MSG_ID:
    case mavlink_log_entry_t::MSG_ID:
    case mavlink_log_data_t::MSG_ID:
    case mavlink_log_erase_t::MSG_ID:
        if (!m_engine.isFromUnit(msg)) { // another component of the vehicle (a gimbal, a camera)
            ++m_otherComponents;
            return;
        }
        break;
    default:
        break;
    }
    switch (msg.msgid) {
    case mavlink_param_value_t::MSG_ID: {
        const MavlinkLinkEngine::ParamValue p = m_engine.decodeUnitParamValue(msg);
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

void MavlinkHandler::setParamValue(QByteArray name, double value, ushort type)
{
    qDebug() << "set param value:" << name << QString::number(value, 'g', 17) << type;
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
    if (!m_download) { // no download running
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
        if (!m_logFile->commit()) {
            logFileFailed();
            break;
        }
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
    if (m_logFile->append(bytes))
        return true;
    qDebug() << "打开文件错误" << m_logFile->partName();
    logFileFailed();
    return false;
}

void MavlinkHandler::logFileFailed()
{
    // The writer has reported the path and the reason; the logs still queued would meet the same
    // directory or disk, so they are dropped too.
    logFileStop();
    downloadIds.clear();
}

LogFileWriter *MavlinkHandler::logFiles() const
{
    return m_logFile;
}

void MavlinkHandler::log_list_start()
{
    logEntries.clear();
    sendFrame(m_engine.logRequestList(0, 0xFFFF));
}

void MavlinkHandler::requestDownloads(const QList<ushort> &ids)
{
    QMetaObject::invokeMethod(
        this,
        [this, ids] {
            for (ushort id : ids)
                addDownloadIdToList(id);
            log_download_start();
        },
        Qt::QueuedConnection);
}

void MavlinkHandler::cancelDownloads()
{
    QMetaObject::invokeMethod(
        this, [this] { log_download_cancel_all(); }, Qt::QueuedConnection);
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

    if (m_download)
        logFileStop(); // a new start replaces the download in progress
    const QString dir = QLatin1String(LogFileName::Dir);
    // Only whole files take a name: a ".part" left by an unfinished download is overwritten.
    const QString path =
        LogFileName::path(entry.id, entry.time_utc, [](const QString &candidate) { return QFile::exists(candidate); });
    qDebug().noquote() << "log save path:" << path;
    // The bytes go to "<path>.part" until the log is whole.
    if (!m_logFile->open(entry.id, dir, path)) {
        logFileFailed();
        return false;
    }
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
    const bool wasDownloading = currentId != 0xFFFF;
    m_download.reset();
    m_logFile->discard(); // no-op once the file is whole and renamed
    currentId = 0xFFFF;
    // Finished, cancelled or given up: the unit may stop sending and resume its own logging.
    if (wasDownloading)
        sendFrame(m_engine.logRequestEnd());
}
