#include "core/flylink/FlyLogDownload.h"

bool FlyLogDownload::takeQueued(quint16 *id)
{
    if (m_queue.isEmpty())
        return false;
    *id = m_queue.takeFirst();
    return true;
}

FlyLogDownload::Request FlyLogDownload::currentRequest() const
{
    Request r;
    r.offset = m_offset;
    r.count = quint8(qMin<quint32>(m_size - m_offset, BlockBytes));
    r.id = m_id;
    return r;
}

FlyLogDownload::Request FlyLogDownload::start(quint16 id, quint32 size, quint32 nowMs)
{
    m_active = true;
    m_id = id;
    m_offset = 0;
    m_size = size;
    m_lastProgressMs = m_lastRequestMs = nowMs;
    m_emptyAnswers = 0;
    return currentRequest();
}

FlyLogDownload::Check FlyLogDownload::check(const FlyLogData &block) const
{
    if (!m_active || block.id() != m_id)
        return Check::OtherLog;
    if (block.offset() != m_offset)
        return Check::OtherOffset;
    if (block.count() > BlockBytes)
        return Check::BadCount;
    return Check::Accept;
}

quint8 FlyLogDownload::usableBytes(const FlyLogData &block) const
{
    return quint8(qMin<quint32>(block.count(), m_size - m_offset));
}

FlyLogDownload::AcceptResult FlyLogDownload::accept(quint8 count, quint32 nowMs)
{
    AcceptResult result;
    count = quint8(qMin<quint32>(count, m_size - m_offset));
    m_offset += count;
    m_lastProgressMs = m_lastRequestMs = nowMs;
    if (count == 0 && m_offset < m_size) {
        if (++m_emptyAnswers >= MaxEmptyAnswers) {
            result.gaveUp = true;
            stop();
            return result;
        }
    } else {
        m_emptyAnswers = 0;
    }
    if (m_offset < m_size) {
        result.next = currentRequest();
    } else {
        result.finished = true;
        stop();
    }
    return result;
}

FlyLogDownload::TickResult FlyLogDownload::tick(quint32 nowMs)
{
    TickResult result;
    if (!isActive())
        return result;
    if (quint32(nowMs - m_lastProgressMs) >= GiveUpMs) {
        stop();
        result.gaveUp = true;
    } else if (quint32(nowMs - m_lastRequestMs) >= ResendMs) {
        m_lastRequestMs = nowMs;
        result.resend = true;
        result.request = currentRequest();
    }
    return result;
}

void FlyLogDownload::stop()
{
    m_active = false;
    m_id = NoLog;
    m_offset = 0;
    m_size = 0;
}

void FlyLogDownload::cancel()
{
    stop();
    m_queue.clear();
}
