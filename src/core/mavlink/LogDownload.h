#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <vector>

// One log download over the MAVLink log service, without I/O: the caller sends the requests it
// returns, feeds every LOG_DATA of the log and ticks it with the time; it returns the bytes to append
// to the file, window by window.
//
// The log moves in windows of up to 46080 bytes; one LOG_REQUEST_DATA asks for a window (or for
// what is missing of it) and the unit answers with chunks of up to 90 bytes. Every chunk is placed
// by its offset, so loss, duplicates, reordering and late chunks of an earlier request never corrupt
// the file: bytes outside the current window are ignored, bytes already held are kept. After
// StallMs without a new byte the rest of the window is asked for again, from its first missing byte;
// after MaxFruitlessRetries such re-requests in a row without a new byte the download gives up.
// A chunk that brings new bytes up to the end of the last request while the window still has gaps
// means the unit has sent all it was asked for: the gaps are asked for again at once (result
// rerequest), without waiting out StallMs, so a steady loss costs a round trip, not a second.
class LogDownload
{
public:
    static constexpr quint32 WindowBytes = 46080;
    static constexpr quint32 ChunkBytes = 90;
    static constexpr quint32 StallMs = 1000;
    static constexpr int MaxFruitlessRetries = 6;

    struct Request
    {
        quint32 ofs = 0;
        quint32 count = 0;
        quint16 id = 0;
        bool operator==(const Request &o) const { return ofs == o.ofs && count == o.count && id == o.id; }
    };

    enum class Fed {
        OtherLog,       // a chunk of another log: nothing changed
        Ignored,        // no byte inside the current window, or the download has ended
        Duplicate,      // inside the window, but every byte was already held
        Accepted,       // new bytes placed; the window is still incomplete
        WindowComplete, // the window is complete: append windowBytes, send the next request
        Finished        // the last window is complete: append windowBytes; the log is whole
    };

    struct FeedResult
    {
        Fed fed = Fed::Ignored;
        QByteArray windowBytes; // WindowComplete and Finished: the window's bytes, in file order
        Request next;           // WindowComplete: the request for the next window; rerequest: the gaps
        bool rerequest = false; // the last request is served but gaps remain: send next now
    };

    enum class Ticked {
        Waiting, // nothing to do
        Retry,   // send request again; retry numbers the re-requests since the last new byte
        GiveUp   // stop the download: MaxFruitlessRetries re-requests brought nothing
    };

    struct TickResult
    {
        Ticked ticked = Ticked::Waiting;
        Request request;
        int retry = 0;
    };

    // Starts the download of log id of total bytes at nowMs; firstRequest() is to be sent now.
    LogDownload(quint16 id, quint32 total, quint32 nowMs);

    Request firstRequest() const { return m_firstRequest; }
    FeedResult feed(quint16 id, quint32 ofs, const QByteArray &bytes, quint32 nowMs);
    TickResult tick(quint32 nowMs);

    quint16 id() const { return m_id; }
    quint32 total() const { return m_total; }
    // Bytes of completed windows (already handed out for the file).
    quint32 written() const { return m_windowStart; }
    // Bytes held so far: completed windows plus what the current window has.
    quint32 received() const { return m_windowStart + m_windowFilled; }
    quint32 windowStart() const { return m_windowStart; }
    quint32 windowSize() const { return m_windowSize; }
    bool isFinished() const { return m_finished; }
    bool hasGivenUp() const { return m_gaveUp; }

    // Statistics of this download.
    quint32 chunksAccepted() const { return m_chunksAccepted; }
    quint32 chunksDuplicate() const { return m_chunksDuplicate; }
    quint32 chunksIgnored() const { return m_chunksIgnored; }
    quint32 retries() const { return m_retriesTotal; }

private:
    void openWindow(quint32 start);
    Request missingRequest(); // also notes the request's end
    void renewIfServed(FeedResult &result, quint32 ofs, int size);

    quint16 m_id;
    quint32 m_total;
    quint32 m_windowStart = 0;
    quint32 m_windowSize = 0;
    quint32 m_windowFilled = 0;
    QByteArray m_window;
    std::vector<bool> m_have; // per byte of the current window
    Request m_firstRequest;
    quint32 m_requestEnd = 0;       // end of the range of the last request handed out
    bool m_newSinceRequest = false; // new bytes arrived since that request
    quint32 m_lastProgressMs;
    int m_retriesSinceProgress = 0; // re-requests sent since the last new byte
    bool m_finished = false;
    bool m_gaveUp = false;
    quint32 m_chunksAccepted = 0;
    quint32 m_chunksDuplicate = 0;
    quint32 m_chunksIgnored = 0;
    quint32 m_retriesTotal = 0;
    quint32 m_gapRequests = 0;

public:
    // Re-requests of gaps sent at once because the last request had been served.
    quint32 gapRequests() const { return m_gapRequests; }
};
