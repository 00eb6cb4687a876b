#include "core/flylink/FlyLogListing.h"

quint16 FlyLogListing::start(quint32 nowMs)
{
    m_entries.clear();
    m_listing = true;
    m_startMs = m_lastResendMs = nowMs;
    m_nextId = 0;
    m_lastLogId = 0;
    return 0;
}

void FlyLogListing::stop()
{
    m_listing = false;
}

FlyLogListing::FeedResult FlyLogListing::feed(const FlyLogInfo &info)
{
    FeedResult result;
    if (info.numLogs() == 0) {
        stop();
        m_entries.clear();
        m_nextId = 0;
        m_logCount = 0;
        m_lastLogId = 0;
        result.noLogs = true;
        return result;
    }
    bool replaced = false;
    for (FlyLogInfo &e : m_entries) {
        if (e.id() == info.id()) {
            e = info;
            replaced = true;
            break;
        }
    }
    if (!replaced)
        m_entries.append(info);
    result.stored = true;
    m_logCount = info.numLogs();
    m_lastLogId = info.lastLogId();
    if (m_nextId == 0)
        m_nextId = info.id();
    if (info.id() != m_nextId)
        return result;
    if (info.id() == m_lastLogId) {
        result.complete = true;
        stop();
    } else {
        ++m_nextId;
        result.request = true;
        result.requestId = m_nextId;
    }
    return result;
}

FlyLogListing::TickResult FlyLogListing::tick(quint32 nowMs)
{
    TickResult result;
    if (!m_listing)
        return result;
    if (quint32(nowMs - m_startMs) >= BudgetMs) {
        stop();
        result.gaveUp = true;
    } else if (quint32(nowMs - m_lastResendMs) >= ResendMs) {
        m_lastResendMs = nowMs;
        result.request = true;
        result.requestId = m_nextId;
    }
    return result;
}

const FlyLogInfo *FlyLogListing::entry(quint16 id) const
{
    for (const FlyLogInfo &e : m_entries) {
        if (e.id() == id)
            return &e;
    }
    return nullptr;
}
