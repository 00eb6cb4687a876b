// The FlyLink log list and log download engines driven by scripts against a test clock: list order,
// gaps, resends and the list budget; block order, stray and lost blocks, resends, give-up, queue and
// cancel.
#include "core/flylink/FlyLogDownload.h"
#include "core/flylink/FlyLogListing.h"

#include <QtTest>

namespace {
// A script is a list of steps, each a line of words; the engines' answers are collected as words too.
QStringList words(const QString &line)
{
    return line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// Runs a listing script. Steps: "start" (at the current time), "e ID COUNT LAST" (an entry, at the
// current time), "t MS" (the clock moves to MS and the engine ticks). Answers: "req ID", "stored ID",
// "done", "no logs", "gave up".
QStringList runListing(FlyLogListing &listing, const QStringList &script)
{
    QStringList out;
    quint32 now = 0;
    for (const QString &line : script) {
        const QStringList w = words(line);
        if (w[0] == QLatin1String("start")) {
            out << QStringLiteral("req %1").arg(listing.start(now));
        } else if (w[0] == QLatin1String("e")) {
            const FlyLogListing::FeedResult r = listing.feed(FlyLogInfo::make(
                quint16(w[1].toUInt()), 1700000000u, 100, quint16(w[2].toUInt()), quint16(w[3].toUInt())));
            if (r.noLogs)
                out << QStringLiteral("no logs");
            if (r.stored)
                out << QStringLiteral("stored %1").arg(w[1]);
            if (r.request)
                out << QStringLiteral("req %1").arg(r.requestId);
            if (r.complete)
                out << QStringLiteral("done");
        } else if (w[0] == QLatin1String("t")) {
            now = w[1].toUInt();
            const FlyLogListing::TickResult r = listing.tick(now);
            if (r.request)
                out << QStringLiteral("req %1").arg(r.requestId);
            if (r.gaveUp)
                out << QStringLiteral("gave up");
        }
    }
    return out;
}

QString req(const FlyLogDownload::Request &r)
{
    return QStringLiteral("req %1 %2 %3").arg(r.offset).arg(r.count).arg(r.id);
}

// Runs a download script. Steps: "start ID SIZE", "b ID OFFSET COUNT" (a block, accepted when the
// engine's check says so), "t MS" (clock and tick), "q ID" (queue), "next SIZE" (start the first
// queued id with that size), "cancel". Answers: "req OFFSET COUNT ID", "other log", "other offset",
// "bad count", "cut N" (only N bytes of the block are the log's), "finished", "gave up", "start ID",
// "queue empty".
QStringList runDownload(FlyLogDownload &d, const QStringList &script)
{
    QStringList out;
    quint32 now = 0;
    for (const QString &line : script) {
        const QStringList w = words(line);
        if (w[0] == QLatin1String("start")) {
            out << req(d.start(quint16(w[1].toUInt()), w[2].toUInt(), now));
        } else if (w[0] == QLatin1String("b")) {
            FlyLogData block = FlyLogData::make(quint16(w[1].toUInt()), w[2].toUInt(), QByteArray(240, 'x'));
            block.raw[6] = uchar(w[3].toUInt());
            switch (d.check(block)) {
            case FlyLogDownload::Check::OtherLog:
                out << QStringLiteral("other log");
                break;
            case FlyLogDownload::Check::OtherOffset:
                out << QStringLiteral("other offset");
                break;
            case FlyLogDownload::Check::BadCount:
                out << QStringLiteral("bad count");
                break;
            case FlyLogDownload::Check::Accept: {
                // As the link does: only the bytes that belong to the log are written and accepted.
                const quint8 usable = d.usableBytes(block);
                if (usable != block.count())
                    out << QStringLiteral("cut %1").arg(usable);
                const FlyLogDownload::AcceptResult r = d.accept(usable, now);
                out << (r.finished ? QStringLiteral("finished") : r.gaveUp ? QStringLiteral("gave up") : req(r.next));
                break;
            }
            }
        } else if (w[0] == QLatin1String("t")) {
            now = w[1].toUInt();
            const FlyLogDownload::TickResult r = d.tick(now);
            if (r.resend)
                out << req(r.request);
            if (r.gaveUp)
                out << QStringLiteral("gave up");
        } else if (w[0] == QLatin1String("q")) {
            d.enqueue(quint16(w[1].toUInt()));
        } else if (w[0] == QLatin1String("next")) {
            quint16 id;
            if (d.takeQueued(&id))
                out << QStringLiteral("start %1").arg(id) << req(d.start(id, w[1].toUInt(), now));
            else
                out << QStringLiteral("queue empty");
        } else if (w[0] == QLatin1String("cancel")) {
            d.cancel();
        }
    }
    return out;
}

// The ticks of a 100 ms timer from (exclusive) to (inclusive).
QStringList ticks(quint32 from, quint32 to)
{
    QStringList out;
    for (quint32 t = from + 100; t <= to; t += 100)
        out << QStringLiteral("t %1").arg(t);
    return out;
}
} // namespace

class TestFlyLogTransfer : public QObject
{
    Q_OBJECT
private slots:
    void listing_data();
    void listing();
    void listKeepsOneEntryPerId();
    void download_data();
    void download();
    void downloadProgress();
};

void TestFlyLogTransfer::listing_data()
{
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("in order") << QStringList{"start", "e 1 3 3", "e 2 3 3", "e 3 3 3"}
                              << QStringList{"req 0", "stored 1", "req 2", "stored 2", "req 3", "stored 3", "done"};
    QTest::newRow("one log") << QStringList{"start", "e 1 1 1"} << QStringList{"req 0", "stored 1", "done"};
    QTest::newRow("ids from 5") << QStringList{"start", "e 5 2 6", "e 6 2 6"}
                                << QStringList{"req 0", "stored 5", "req 6", "stored 6", "done"};
    QTest::newRow("repeated entry stored, no advance")
        << QStringList{"start", "e 1 3 3", "e 1 3 3"} << QStringList{"req 0", "stored 1", "req 2", "stored 1"};
    QTest::newRow("gap: a later entry waits for the resend")
        << QStringList{"start", "e 1 3 3", "e 3 3 3", "t 100", "t 500", "e 2 3 3", "e 3 3 3"}
        << QStringList{"req 0", "stored 1", "req 2", "stored 3", "req 2", "stored 2", "req 3", "stored 3", "done"};
    QTest::newRow("lost answer: resent every 500 ms, given up at 2.6 s")
        << (QStringList{"start", "e 1 2 2"} + ticks(0, 2700))
        << QStringList{"req 0", "stored 1", "req 2", "req 2", "req 2", "req 2", "req 2", "req 2", "gave up"};
    QTest::newRow("entries do not shift the rhythm or the budget")
        << QStringList{"start", "t 400", "e 1 9 9", "t 500", "t 900", "e 2 9 9", "t 1000", "t 2599", "t 2600", "t 3000"}
        << QStringList{"req 0", "stored 1", "req 2", "req 2", "stored 2", "req 3", "req 3", "req 3", "gave up"};
    QTest::newRow("no answer at all") << (QStringList{"start"} + ticks(0, 600)) << QStringList{"req 0", "req 0"};
    QTest::newRow("no logs ends the listing")
        << QStringList{"start", "e 0 0 0", "t 500", "t 3000"} << QStringList{"req 0", "no logs"};
    QTest::newRow("complete list stops the ticks")
        << QStringList{"start", "e 1 1 1", "t 500", "t 3000"} << QStringList{"req 0", "stored 1", "done"};
    QTest::newRow("late entry after give-up is stored")
        << QStringList{"start", "t 2600", "e 1 2 2"} << QStringList{"req 0", "gave up", "stored 1", "req 2"};
}

void TestFlyLogTransfer::listing()
{
    QFETCH(QStringList, script);
    QFETCH(QStringList, expected);
    FlyLogListing listing;
    QCOMPARE(runListing(listing, script), expected);
}

void TestFlyLogTransfer::listKeepsOneEntryPerId()
{
    FlyLogListing listing;
    listing.start(0);
    listing.feed(FlyLogInfo::make(1, 10, 500, 2, 2));
    listing.feed(FlyLogInfo::make(2, 20, 0, 2, 2));
    listing.feed(FlyLogInfo::make(1, 30, 700, 2, 2)); // newer facts of log 1 overwrite it in place
    QCOMPARE(listing.entries().size(), 2);
    QCOMPARE(listing.entries()[0].id(), quint16(1));
    QCOMPARE(listing.entries()[0].size(), 700u);
    QCOMPARE(listing.entry(2)->timeUtc(), 20u);
    QVERIFY(!listing.entry(3));
    QCOMPARE(listing.logCount(), quint16(2));
    // A new listing starts empty; "no logs" empties the list.
    listing.start(100);
    QVERIFY(listing.entries().isEmpty());
    listing.feed(FlyLogInfo::make(1, 10, 500, 2, 2));
    listing.feed(FlyLogInfo::make(0, 0, 0, 0, 0));
    QVERIFY(listing.entries().isEmpty());
    QVERIFY(!listing.isListing());
}

void TestFlyLogTransfer::download_data()
{
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("500 bytes: 240, 240, 20") << QStringList{"start 4 500", "b 4 0 240", "b 4 240 240", "b 4 480 20"}
                                             << QStringList{"req 0 240 4", "req 240 240 4", "req 480 20 4", "finished"};
    QTest::newRow("two whole blocks") << QStringList{"start 1 480", "b 1 0 240", "b 1 240 240"}
                                      << QStringList{"req 0 240 1", "req 240 240 1", "finished"};
    QTest::newRow("size 0: asks for 0 bytes, done at once")
        << QStringList{"start 2 0", "b 2 0 0"} << QStringList{"req 0 0 2", "finished"};
    QTest::newRow("stray blocks dropped")
        << QStringList{"start 1 480", "b 2 0 240", "b 1 240 240", "b 1 0 241", "b 1 0 240"}
        << QStringList{"req 0 240 1", "other log", "other offset", "bad count", "req 240 240 1"};
    QTest::newRow("a short block asks for the rest") << QStringList{"start 1 300", "b 1 0 100", "b 1 100 200"}
                                                     << QStringList{"req 0 240 1", "req 100 200 1", "finished"};
    QTest::newRow("duplicate of an accepted block dropped")
        << QStringList{"start 1 480", "b 1 0 240", "b 1 0 240"}
        << QStringList{"req 0 240 1", "req 240 240 1", "other offset"};
    QTest::newRow("lost block: resent every 600 ms, given up at 3.1 s")
        << (QStringList{"start 1 1000", "b 1 0 240"} + ticks(0, 3200))
        << QStringList{"req 0 240 1",   "req 240 240 1", "req 240 240 1", "req 240 240 1",
                       "req 240 240 1", "req 240 240 1", "req 240 240 1", "gave up"};
    QTest::newRow("an accepted block restarts the count")
        << QStringList{"start 1 1000", "t 600", "t 1000", "b 1 0 240", "t 1599", "t 1600", "t 4000", "t 4099", "t 4100"}
        << QStringList{"req 0 240 1", "req 0 240 1", "req 240 240 1", "req 240 240 1", "req 240 240 1", "gave up"};
    QTest::newRow("late block after give-up ignored") << QStringList{"start 1 1000", "t 3100", "b 1 0 240", "t 3700"}
                                                      << QStringList{"req 0 240 1", "gave up", "other log"};
    QTest::newRow("idle: nothing to accept, nothing to resend")
        << QStringList{"b 65535 0 0", "t 5000"} << QStringList{"other log"};
    QTest::newRow("empty answers: asked again at once, given up at the third")
        << QStringList{"start 1 500", "b 1 0 240", "b 1 240 0", "b 1 240 0", "b 1 240 0", "t 600", "b 1 240 240"}
        << QStringList{"req 0 240 1", "req 240 240 1", "req 240 240 1", "req 240 240 1", "gave up", "other log"};
    QTest::newRow("bytes between empty answers restart their count")
        << QStringList{"start 1 500", "b 1 0 0", "b 1 0 0", "b 1 0 240", "b 1 240 0", "b 1 240 0", "b 1 240 241"}
        << QStringList{"req 0 240 1",   "req 0 240 1",   "req 0 240 1", "req 240 240 1",
                       "req 240 240 1", "req 240 240 1", "bad count"};
    QTest::newRow("queue in order") << QStringList{"q 1",      "q 2",       "next 100",   "b 1 0 100",
                                                   "next 300", "b 2 0 240", "b 2 240 60", "next 5"}
                                    << QStringList{"start 1",     "req 0 100 1",  "finished", "start 2",
                                                   "req 0 240 2", "req 240 60 2", "finished", "queue empty"};
    QTest::newRow("give-up leaves the queue")
        << QStringList{"q 1", "q 2", "next 100", "t 3100", "next 10"}
        << QStringList{"start 1", "req 0 100 1", "gave up", "start 2", "req 0 10 2"};
    QTest::newRow("cancel stops the log and empties the queue")
        << QStringList{"q 1", "q 2", "next 1000", "cancel", "t 600", "b 1 0 240", "next 10"}
        << QStringList{"start 1", "req 0 240 1", "other log", "queue empty"};
    QTest::newRow("bytes past the end of the log are left out")
        << QStringList{"start 1 300", "b 1 0 240", "b 1 240 200"}
        << QStringList{"req 0 240 1", "req 240 60 1", "cut 60", "finished"};
    QTest::newRow("size 0: a block with bytes writes none")
        << QStringList{"start 2 0", "b 2 0 240"} << QStringList{"req 0 0 2", "cut 0", "finished"};
    QTest::newRow("a log numbered 65535 downloads like any other")
        << QStringList{"start 65535 300", "b 65535 0 240", "t 600", "b 65535 240 60"}
        << QStringList{"req 0 240 65535", "req 240 60 65535", "req 240 60 65535", "finished"};
    QTest::newRow("log 65535 without answers gives up") << QStringList{"start 65535 300", "t 3100", "b 65535 0 240"}
                                                        << QStringList{"req 0 240 65535", "gave up", "other log"};
    QTest::newRow("a new start replaces the log") << QStringList{"start 1 1000", "start 2 10", "b 1 0 240", "b 2 0 10"}
                                                  << QStringList{"req 0 240 1", "req 0 10 2", "other log", "finished"};
}

void TestFlyLogTransfer::download()
{
    QFETCH(QStringList, script);
    QFETCH(QStringList, expected);
    FlyLogDownload d;
    QCOMPARE(runDownload(d, script), expected);
}

void TestFlyLogTransfer::downloadProgress()
{
    FlyLogDownload d;
    QVERIFY(!d.isActive());
    QCOMPARE(d.currentId(), FlyLogDownload::NoLog);
    runDownload(d, {"start 7 500", "b 7 0 240"});
    QVERIFY(d.isActive());
    QCOMPARE(d.currentId(), quint16(7));
    QCOMPARE(d.offset(), 240u);
    QCOMPARE(d.size(), 500u);
    QCOMPARE(d.currentRequest(), (FlyLogDownload::Request{240, 240, 7}));
    runDownload(d, {"b 7 240 240", "b 7 480 20"});
    QVERIFY(!d.isActive());
    QCOMPARE(d.offset(), 0u);
}

QTEST_APPLESS_MAIN(TestFlyLogTransfer)
#include "tst_flylogtransfer.moc"
