#pragma once

#include "core/flylink/FlyMessages.h"

#include <QList>
#include <QtGlobal>

// The log list of a FlyLink unit, without I/O: the caller sends the list requests (message 37) it
// returns, feeds every list entry (message 39) and ticks it with the time while it is listing.
//
// The listing asks for id 0 first; the unit answers with an entry that names the number of logs and
// the id of the last one. The entry being waited for (the first answer's id, then one more each time)
// advances the listing; the last id ends it. The awaited id is asked again every ResendMs counted from
// the start (arriving entries do not shift that rhythm), and the whole list must be in within BudgetMs
// of the start, or the listing gives up. An entry with a log count of 0 means the unit has no logs: the
// list is emptied and the listing ends. Entries are kept in order of first arrival, one per id; a
// later entry with a known id overwrites it.
class FlyLogListing
{
public:
    static constexpr quint32 ResendMs = 500;
    static constexpr quint32 BudgetMs = 2600;

    struct FeedResult
    {
        bool noLogs = false;  // the unit has no logs: the list was emptied and the listing ended
        bool stored = false;  // the entry was stored (publish it)
        bool request = false; // send a list request for requestId now
        quint16 requestId = 0;
        bool complete = false; // the last entry arrived: the list is complete
    };

    struct TickResult
    {
        bool request = false; // send a list request for requestId again
        quint16 requestId = 0;
        bool gaveUp = false; // BudgetMs ran out: the listing ended incomplete
    };

    // Empties the list and starts listing at nowMs; returns the id to ask for now (0).
    quint16 start(quint32 nowMs);
    // Every entry of the unit, also outside a listing (it is stored and may still advance the list).
    FeedResult feed(const FlyLogInfo &info);
    // While listing: the resend rhythm and the budget. Does nothing when not listing.
    TickResult tick(quint32 nowMs);

    bool isListing() const { return m_listing; }
    // The entry being waited for (0 before the first answer).
    quint16 nextId() const { return m_nextId; }
    quint16 logCount() const { return m_logCount; }
    quint16 lastLogId() const { return m_lastLogId; }
    const QList<FlyLogInfo> &entries() const { return m_entries; }
    // The stored entry of id, or nullptr.
    const FlyLogInfo *entry(quint16 id) const;

private:
    void stop();

    QList<FlyLogInfo> m_entries;
    bool m_listing = false;
    quint32 m_startMs = 0;
    quint32 m_lastResendMs = 0;
    quint16 m_nextId = 0;
    quint16 m_logCount = 0;
    quint16 m_lastLogId = 0;
};
