// The factory log path as FlyLink runs it, without threads or I/O: a FlyLogListing lists the logs of
// a simulated unit and a FlyLogDownload fetches them, queued or started from the list, against a fake
// clock that may start just before the quint32 wrap and jumps ahead by the fuzz bytes' choice.
//
// The unit is honest or hostile. An honest unit answers list requests with its own entries and data
// requests with its own bytes (whole, short or empty blocks), late, twice or not at all; a hostile one
// also sends entries and blocks with any id, offset, count and content. The model beside the engines
// holds what their headers promise, and any break of it aborts.
#include "core/flylink/FlyLogDownload.h"
#include "core/flylink/FlyLogListing.h"
#include "FuzzReader.h"

#include <QByteArray>
#include <QList>

#include <cstdint>

namespace {
// The byte at offset of log id, as an honest unit stores it.
uchar logByte(quint16 id, quint32 offset)
{
    return uchar(id * 131u + offset * 7u + (offset >> 8) * 13u + (offset >> 16));
}

struct UnitLog
{
    quint16 id;
    quint32 size;
};

struct Run
{
    explicit Run(const FuzzReader &input) : in(input) {}

    FuzzReader in;
    bool honest = false;
    QList<UnitLog> logs; // the unit's logs, ids in a row
    quint32 clockBase = 0;
    quint64 t = 0; // time since the run began; the engines see quint32(clockBase + t)

    FlyLogListing listing;
    quint64 listStart = 0;
    quint64 listLastResend = 0;
    QList<quint16> firstArrival; // ids in the order the listing first stored them
    quint16 lastListRequest = 0;
    bool listRequested = false;
    quint16 listFirst = 0; // the id of the listing's first answer

    FlyLogDownload download;
    QList<quint16> queue;
    bool active = false;
    quint16 id = 0;
    quint32 size = 0;
    quint32 offset = 0;
    QByteArray file;
    FlyLogDownload::Request sent; // the last request sent
    quint64 lastProgress = 0;
    quint64 lastSend = 0;
    int emptyInARow = 0;

    quint32 now() const { return quint32(clockBase + t); }

    const UnitLog *unitLog(quint16 logId) const
    {
        for (const UnitLog &l : logs) {
            if (l.id == logId)
                return &l;
        }
        return nullptr;
    }

    FlyLogInfo entryOf(const UnitLog &l) const
    {
        return FlyLogInfo::make(l.id, 1700000000u + l.id, l.size, quint16(logs.size()), logs.last().id);
    }

    // ---- the listing ----

    void checkListing() const
    {
        const QList<FlyLogInfo> &entries = listing.entries();
        fuzzExpect(entries.size() == firstArrival.size());
        for (int i = 0; i < entries.size(); ++i) {
            fuzzExpect(entries[i].id() == firstArrival[i]);
            fuzzExpect(listing.entry(entries[i].id()) == &entries[i]);
        }
    }

    void listStartOp()
    {
        fuzzExpect(listing.start(now()) == 0);
        fuzzExpect(listing.isListing() && listing.entries().isEmpty() && listing.nextId() == 0);
        listStart = listLastResend = t;
        firstArrival.clear();
        lastListRequest = 0;
        listRequested = true;
    }

    void feedEntry(const FlyLogInfo &info)
    {
        const bool wasListing = listing.isListing();
        const quint16 awaitedBefore = listing.nextId();
        const FlyLogListing::FeedResult r = listing.feed(info);
        if (info.numLogs() == 0) {
            fuzzExpect(r.noLogs && !r.stored && !r.request && !r.complete);
            fuzzExpect(!listing.isListing() && listing.entries().isEmpty());
            firstArrival.clear();
        } else {
            fuzzExpect(r.stored && !r.noLogs);
            if (!firstArrival.contains(info.id()))
                firstArrival.append(info.id());
            const FlyLogInfo *stored = listing.entry(info.id());
            fuzzExpect(stored && stored->toPayload() == info.toPayload());
            fuzzExpect(listing.logCount() == info.numLogs() && listing.lastLogId() == info.lastLogId());
        }
        fuzzExpect(!(r.request && r.complete));
        if (r.request) {
            fuzzExpect(r.requestId == listing.nextId());
            lastListRequest = r.requestId;
            listRequested = true;
        }
        if (wasListing && awaitedBefore == 0 && r.stored)
            listFirst = info.id();
        if (r.complete) {
            fuzzExpect(info.id() == info.lastLogId() && !listing.isListing());
            // An honest unit's list is whole, from the first answer on, when the listing says so. (An
            // entry outside a listing may complete the list kept from before: that is no new list.)
            if (honest && wasListing) {
                for (const UnitLog &l : logs)
                    fuzzExpect(l.id < listFirst || listing.entry(l.id) != nullptr);
            }
        }
        if (!wasListing)
            fuzzExpect(!listing.isListing());
        checkListing();
    }

    void listTick()
    {
        const bool wasListing = listing.isListing();
        const quint16 awaited = listing.nextId();
        const FlyLogListing::TickResult r = listing.tick(now());
        if (!wasListing) {
            fuzzExpect(!r.request && !r.gaveUp && !listing.isListing());
            return;
        }
        const quint64 elapsed = t - listStart;
        fuzzExpect(r.gaveUp == (elapsed >= FlyLogListing::BudgetMs));
        fuzzExpect(listing.isListing() == !r.gaveUp);
        // The resend rhythm: never sooner than ResendMs after the last one, never missed.
        fuzzExpect(r.request == (!r.gaveUp && t - listLastResend >= FlyLogListing::ResendMs));
        if (r.request) {
            fuzzExpect(r.requestId == awaited && r.requestId == listing.nextId());
            listLastResend = t;
            lastListRequest = r.requestId;
            listRequested = true;
        }
    }

    // The unit's answer to the last list request (id 0 names its first log).
    void answerListRequest()
    {
        if (!listRequested)
            return;
        if (logs.isEmpty()) {
            feedEntry(FlyLogInfo::make(0, 0, 0, 0, 0));
            return;
        }
        const UnitLog *l = lastListRequest == 0 ? &logs.first() : unitLog(lastListRequest);
        if (l)
            feedEntry(entryOf(*l));
    }

    // ---- the download ----

    void checkDownload() const
    {
        fuzzExpect(download.isActive() == active);
        fuzzExpect(download.queue() == queue);
        fuzzExpect(download.offset() <= download.size());
        if (!active) {
            fuzzExpect(download.currentId() == FlyLogDownload::NoLog && download.offset() == 0);
            return;
        }
        fuzzExpect(download.currentId() == id && download.size() == size && download.offset() == offset);
        fuzzExpect(quint32(file.size()) == offset);
        const FlyLogDownload::Request r = download.currentRequest();
        fuzzExpect(r.id == id && r.offset == offset && r.count <= FlyLogDownload::BlockBytes);
        fuzzExpect(quint64(r.offset) + r.count <= size);
        fuzzExpect(r.count > 0 || size == 0);
    }

    void noteSent(const FlyLogDownload::Request &r)
    {
        fuzzExpect(r == download.currentRequest());
        sent = r;
        lastSend = t;
    }

    void startLog(quint16 logId, quint32 logSize)
    {
        const FlyLogDownload::Request first = download.start(logId, logSize, now());
        active = true;
        id = logId;
        size = logSize;
        offset = 0;
        file.clear();
        lastProgress = t;
        emptyInARow = 0;
        checkDownload();
        noteSent(first);
    }

    // As FlyLink: only a listed log is started.
    void startListed(quint16 logId)
    {
        const FlyLogInfo *e = listing.entry(logId);
        if (e)
            startLog(logId, e->size());
    }

    void endLog()
    {
        active = false;
        file.clear();
    }

    void feedBlock(const FlyLogData &block, const QByteArray &bytes)
    {
        const FlyLogDownload::Check c = download.check(block);
        const bool acceptable =
            active && block.id() == id && block.offset() == offset && block.count() <= FlyLogDownload::BlockBytes;
        fuzzExpect((c == FlyLogDownload::Check::Accept) == acceptable);
        if (!acceptable) {
            checkDownload();
            return;
        }
        // As the link does: only the bytes that belong to the log are written and accepted.
        const quint8 n = quint8(qMin<quint32>(block.count(), size - offset));
        fuzzExpect(download.usableBytes(block) == n);
        file += bytes.left(n);
        const FlyLogDownload::AcceptResult r = download.accept(n, now());
        offset += n;
        lastProgress = t;
        const bool empty = n == 0 && offset < size;
        emptyInARow = empty ? emptyInARow + 1 : 0;
        fuzzExpect(!(r.finished && r.gaveUp));
        if (r.gaveUp) {
            // Only MaxEmptyAnswers empty answers in a row give up.
            fuzzExpect(emptyInARow == FlyLogDownload::MaxEmptyAnswers);
            endLog();
        } else if (r.finished) {
            fuzzExpect(offset >= size && quint32(file.size()) == size);
            if (honest) {
                for (quint32 i = 0; i < size; ++i)
                    fuzzExpect(uchar(file[int(i)]) == logByte(id, i));
            }
            endLog();
        } else {
            fuzzExpect(emptyInARow < FlyLogDownload::MaxEmptyAnswers && offset < size);
            noteSent(r.next);
        }
        checkDownload();
    }

    // A block answering the last request, honest or not.
    void sendBlock(uint8_t op)
    {
        quint16 blockId = sent.id;
        quint32 blockOffset = sent.offset;
        int count = sent.count;
        switch ((op >> 3) & 7) {
        case 0:
        case 1: // whole
            break;
        case 2: // short
            count = count > 0 ? in.byte() % count : 0;
            break;
        case 3: // empty
            count = 0;
            break;
        case 4: // another log
            blockId = quint16(blockId + 1 + in.byte());
            break;
        case 5: // another offset, or a stale one
            blockOffset = (op & 0x40) ? in.u32() : blockOffset - quint32(in.byte());
            break;
        case 6: // a count the block cannot carry
            count = FlyLogDownload::BlockBytes + 1 + in.byte() % 15;
            break;
        case 7: // more than asked for
            count = qMin<int>(FlyLogDownload::BlockBytes, count + 1 + in.byte());
            break;
        }
        QByteArray bytes(FlyLogDownload::BlockBytes, '\0');
        for (int i = 0; i < bytes.size(); ++i)
            bytes[i] = char(honest ? logByte(blockId, blockOffset + quint32(i)) : in.byte());
        FlyLogData block = FlyLogData::make(blockId, blockOffset, bytes);
        block.raw[6] = quint8(count);
        // An honest unit only sends what it holds: never past the end of its log.
        if (honest && (op & 0x38) == 0x38) {
            const UnitLog *l = unitLog(blockId);
            if (!l || quint64(blockOffset) + quint32(count) > l->size)
                return;
        }
        feedBlock(block, bytes);
    }

    void downloadTick()
    {
        const FlyLogDownload::TickResult r = download.tick(now());
        if (!active) {
            fuzzExpect(!r.resend && !r.gaveUp);
            checkDownload();
            return;
        }
        // Without progress the log gives up after GiveUpMs; before that it asks again every ResendMs.
        fuzzExpect(r.gaveUp == (t - lastProgress >= FlyLogDownload::GiveUpMs));
        fuzzExpect(r.resend == (!r.gaveUp && t - lastSend >= FlyLogDownload::ResendMs));
        if (r.gaveUp)
            endLog();
        if (r.resend) {
            fuzzExpect(r.request == sent);
            noteSent(r.request);
        }
        checkDownload();
    }

    void step(uint8_t op)
    {
        switch (op & 7) {
        case 0: // time passes (now and then a long way)
            t += (op & 0x80) ? quint64(in.byte()) * 1000 : quint64(in.byte()) * 20;
            listTick();
            downloadTick();
            break;
        case 1:
            if (op & 0x80)
                listStartOp();
            else
                answerListRequest();
            break;
        case 2: { // an entry out of turn: one of the unit's, or any (from a hostile unit)
            if (!honest && (op & 0x80)) {
                const quint16 e = in.u16();
                const quint32 s = in.u32() % 5000;
                const quint16 n = quint16(in.byte() % 4);
                const quint16 last = quint16(e + in.byte() % 8 - 2);
                feedEntry(FlyLogInfo::make(e, 0, s, n, last));
            } else if (!logs.isEmpty()) {
                feedEntry(entryOf(logs[in.byte() % logs.size()]));
            }
            break;
        }
        case 3:
        case 4:
            sendBlock(op);
            break;
        case 5: // the queue: add a listed (or any) id, or start the first one
            if (op & 0x80) {
                quint16 logId;
                const bool took = download.takeQueued(&logId);
                fuzzExpect(took == !queue.isEmpty());
                if (took) {
                    fuzzExpect(logId == queue.takeFirst());
                    startListed(logId);
                }
            } else {
                const QList<FlyLogInfo> &entries = listing.entries();
                const quint16 logId =
                    (entries.isEmpty() || (op & 0x40)) ? in.u16() : entries[in.byte() % entries.size()].id();
                download.enqueue(logId);
                queue.append(logId);
            }
            checkDownload();
            break;
        case 6: // start a listed log at once, or any id and size (a new start replaces the log)
            if (op & 0x80) {
                const quint16 logId = in.u16();
                startLog(logId, honest && unitLog(logId) ? unitLog(logId)->size : in.u32() % 4000);
            } else if (!listing.entries().isEmpty()) {
                startListed(listing.entries()[in.byte() % listing.entries().size()].id());
            }
            break;
        case 7:
            if ((op & 0xC0) == 0xC0) {
                download.cancel();
                queue.clear();
                endLog();
                checkDownload();
            } else {
                downloadTick();
            }
            break;
        }
    }

    // Every listing and every download ends, given the time.
    void finish()
    {
        t += FlyLogListing::BudgetMs;
        listTick();
        fuzzExpect(!listing.isListing());
        for (int i = 0; i <= int(FlyLogDownload::GiveUpMs / FlyLogDownload::ResendMs) + 1 && active; ++i) {
            t += FlyLogDownload::ResendMs;
            downloadTick();
        }
        fuzzExpect(!active);
    }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Run run(FuzzReader{data, size});
    const uint8_t mode = run.in.byte();
    run.honest = (mode & 1) != 0;
    run.clockBase = run.in.clockStart((mode & 2) != 0);
    // Up to seven logs with ids in a row, the first anywhere (also 0, the last also 0xFFFF).
    const int count = (mode >> 2) & 7;
    const quint16 highest = quint16(0x10000 - qMax(count, 1));
    quint16 first;
    switch ((mode >> 5) & 3) {
    case 0:
        first = 1;
        break;
    case 1:
        first = 0;
        break;
    case 2:
        first = highest;
        break;
    default:
        first = qMin<quint16>(run.in.u16(), highest);
        break;
    }
    for (int i = 0; i < count; ++i) {
        const uint8_t s = run.in.byte();
        // Empty logs, logs of a few blocks and logs of many, ending inside a block or on its edge.
        const quint32 size = s < 16 ? 0 : s < 128 ? quint32(s) * 7 : quint32(s) * FlyLogDownload::BlockBytes / 8;
        run.logs.append(UnitLog{quint16(first + i), size});
    }
    int steps = 0;
    while (!run.in.empty() && ++steps < 3000)
        run.step(run.in.byte());
    run.finish();
    return 0;
}
