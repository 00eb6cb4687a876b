#include "core/flylink/FlyParamFetch.h"

void FlyParamFetch::start()
{
    m_fetching = true;
    m_requested = false;
    m_next = 0;
    m_count = 0;
    m_lastRequestMs = 0;
}

FlyParamFetch::FeedResult FlyParamFetch::feed(qint16 index, qint16 count, quint32 nowMs)
{
    FeedResult result;
    if (!m_fetching)
        return result;
    m_count = count;
    if (index == m_next) {
        ++m_next;
        if (m_next < m_count) {
            m_lastRequestMs = nowMs;
            m_requested = true;
            result.request = true;
            result.index = qint16(m_next);
        }
    }
    // The count may fall below the index asked for (a unit that now holds fewer parameters, or a
    // wrong count): nothing is left to ask, so the fetch ends instead of asking without end.
    if (m_next >= m_count) {
        m_fetching = false;
        result.done = true;
    }
    return result;
}

bool FlyParamFetch::tick(quint32 nowMs)
{
    if (!m_fetching)
        return false;
    if (m_requested && quint32(nowMs - m_lastRequestMs) <= RetryMs)
        return false;
    m_requested = true;
    m_lastRequestMs = nowMs;
    return true;
}
