#pragma once

#include "core/flylink/FlyMessages.h"

#include <QList>
#include <QtGlobal>

// The log downloads of a FlyLink unit, without I/O: a queue of log ids and the one log being
// downloaded. The caller sends the data requests (message 38) it returns, checks every data block
// (message 40) with check(), writes an accepted block's usable bytes to the log's file and reports them
// with accept(), and ticks it with the time while a log is downloading.
//
// A log moves in blocks of up to BlockBytes, one request per block, strictly in order: a block of
// another log, at another offset or with a count above BlockBytes is dropped. Bytes a block carries
// past the log's size are not the log's: they are left out, so the file holds the log's size exactly.
// Without an accepted block the current request is sent again every ResendMs, and after GiveUpMs the
// download gives up (the queue is not advanced by a give-up). A unit that answers the current offset
// with no bytes before the end (count 0) has nothing more to give: it is asked again at once, and after
// MaxEmptyAnswers such answers in a row the download gives up as well, instead of asking without end.
// When a log is whole the next queued id may be started.
class FlyLogDownload
{
public:
    static constexpr quint32 BlockBytes = FlyMsg::LogBlockBytes;
    static constexpr quint32 ResendMs = 600;
    static constexpr quint32 GiveUpMs = 3100;
    static constexpr int MaxEmptyAnswers = 3;
    static constexpr quint16 NoLog = 0xFFFF;

    struct Request
    {
        quint32 offset = 0;
        quint8 count = 0;
        quint16 id = NoLog;
        bool operator==(const Request &o) const { return offset == o.offset && count == o.count && id == o.id; }
    };

    enum class Check {
        OtherLog,    // not the log being downloaded (or none is)
        OtherOffset, // not the offset asked for
        BadCount,    // count above BlockBytes
        Accept       // write the block's usableBytes(), then accept() them
    };

    struct AcceptResult
    {
        bool finished = false; // the log is whole; the engine is idle again
        bool gaveUp = false;   // MaxEmptyAnswers empty answers in a row: the engine is idle again
        Request next;          // neither: the request to send now
    };

    struct TickResult
    {
        bool resend = false; // send request again
        Request request;
        bool gaveUp = false; // GiveUpMs without an accepted block: the engine is idle again
    };

    // The queue.
    void enqueue(quint16 id) { m_queue.append(id); }
    bool hasQueued() const { return !m_queue.isEmpty(); }
    // Takes the first queued id (false when the queue is empty).
    bool takeQueued(quint16 *id);
    const QList<quint16> &queue() const { return m_queue; }

    // Starts the log id of size bytes at nowMs; returns the first request, to be sent now.
    Request start(quint16 id, quint32 size, quint32 nowMs);
    Check check(const FlyLogData &block) const;
    // The bytes of an accepted block that belong to the log: its count, cut at the log's size.
    quint8 usableBytes(const FlyLogData &block) const;
    // count bytes of the checked block were written (cut at the log's size, like usableBytes()).
    AcceptResult accept(quint8 count, quint32 nowMs);
    // While downloading: the resend rhythm and the give-up. Does nothing when idle.
    TickResult tick(quint32 nowMs);
    // Stops the current log and empties the queue.
    void cancel();

    bool isActive() const { return m_active; }
    // The log being downloaded (NoLog when idle: isActive() tells a log numbered NoLog apart), the
    // bytes written and its size.
    quint16 currentId() const { return m_id; }
    quint32 offset() const { return m_offset; }
    quint32 size() const { return m_size; }
    Request currentRequest() const;

private:
    void stop();

    QList<quint16> m_queue;
    // Apart from the id: a unit may have a log numbered NoLog, and it downloads like any other.
    bool m_active = false;
    quint16 m_id = NoLog;
    quint32 m_offset = 0;
    quint32 m_size = 0;
    quint32 m_lastProgressMs = 0;
    quint32 m_lastRequestMs = 0;
    int m_emptyAnswers = 0; // empty answers before the end since the last bytes
};
