#include "core/mavlink/LogDownload.h"

#include <algorithm>

LogDownload::LogDownload(quint16 id, quint32 total, quint32 nowMs) : m_id(id), m_total(total), m_lastProgressMs(nowMs)
{
    openWindow(0);
    m_firstRequest = missingRequest();
}

void LogDownload::openWindow(quint32 start)
{
    m_windowStart = start;
    m_windowSize = std::min(m_total - start, WindowBytes);
    m_windowFilled = 0;
    m_window = QByteArray(int(m_windowSize), '\0');
    m_have.assign(m_windowSize, false);
}

LogDownload::Request LogDownload::missingRequest()
{
    const auto first = std::find(m_have.begin(), m_have.end(), false);
    const quint32 offset = quint32(first - m_have.begin());
    const Request request{m_windowStart + offset, m_windowSize - offset, m_id};
    m_requestEnd = request.ofs + request.count;
    m_newSinceRequest = false;
    return request;
}

LogDownload::FeedResult LogDownload::feed(quint16 id, quint32 ofs, const QByteArray &bytes, quint32 nowMs)
{
    FeedResult result;
    if (id != m_id) {
        result.fed = Fed::OtherLog;
        return result;
    }
    if (m_finished || m_gaveUp) {
        ++m_chunksIgnored;
        return result;
    }

    // An empty log (or an empty last window) completes on the first chunk of the log.
    bool placedNew = false;
    if (m_windowSize > 0) {
        const quint64 windowEnd = quint64(m_windowStart) + m_windowSize;
        const quint64 from = std::max<quint64>(ofs, m_windowStart);
        const quint64 to = std::min<quint64>(quint64(ofs) + quint64(bytes.size()), windowEnd);
        if (from >= to) {
            ++m_chunksIgnored;
            return result;
        }
        const char *src = bytes.constData();
        char *dst = m_window.data();
        for (quint64 pos = from; pos < to; ++pos) {
            const quint32 i = quint32(pos - m_windowStart);
            if (!m_have[i]) {
                m_have[i] = true;
                dst[i] = src[pos - ofs];
                ++m_windowFilled;
                placedNew = true;
            }
        }
        if (!placedNew) {
            ++m_chunksDuplicate;
            result.fed = Fed::Duplicate;
            renewIfServed(result, ofs, bytes.size());
            return result;
        }
        m_newSinceRequest = true;
    }

    ++m_chunksAccepted;
    m_lastProgressMs = nowMs;
    m_retriesSinceProgress = 0;
    if (m_windowFilled < m_windowSize) {
        result.fed = Fed::Accepted;
        renewIfServed(result, ofs, bytes.size());
        return result;
    }

    result.windowBytes = m_window;
    const quint32 next = m_windowStart + m_windowSize;
    if (next >= m_total) {
        m_finished = true;
        m_windowStart = m_total;
        m_windowSize = m_windowFilled = 0;
        m_window.clear();
        m_have.clear();
        result.fed = Fed::Finished;
        return result;
    }
    openWindow(next);
    result.fed = Fed::WindowComplete;
    result.next = missingRequest();
    return result;
}

void LogDownload::renewIfServed(FeedResult &result, quint32 ofs, int size)
{
    // Only when the request brought new bytes: a gap the unit never fills falls back to the
    // stall re-requests, which are counted and end in a give-up.
    if (m_newSinceRequest && quint64(ofs) + quint64(size) >= m_requestEnd) {
        result.rerequest = true;
        result.next = missingRequest();
        ++m_gapRequests;
    }
}

LogDownload::TickResult LogDownload::tick(quint32 nowMs)
{
    TickResult result;
    if (m_finished || m_gaveUp || quint32(nowMs - m_lastProgressMs) < StallMs)
        return result;
    if (m_retriesSinceProgress >= MaxFruitlessRetries) {
        m_gaveUp = true;
        result.ticked = Ticked::GiveUp;
        result.retry = m_retriesSinceProgress;
        return result;
    }
    ++m_retriesSinceProgress;
    ++m_retriesTotal;
    m_lastProgressMs = nowMs; // the re-request gets its own StallMs
    result.ticked = Ticked::Retry;
    result.request = missingRequest();
    result.retry = m_retriesSinceProgress;
    return result;
}
