// Log download windows: placement by offset, re-requests from the first gap, give-up, and a whole
// download through a lossy, duplicating, reordering channel that must still give the exact log.
#include "core/mavlink/LogDownload.h"

#include <QRandomGenerator>
#include <QtTest>

#include <deque>

namespace {
QByteArray logContent(quint16 id, quint32 size)
{
    QByteArray data(int(size), '\0');
    for (quint32 i = 0; i < size; ++i)
        data[int(i)] = char((i * 31u + id * 7u + (i >> 8)) & 0xff);
    return data;
}

struct Chunk
{
    quint32 deliverAt;
    quint16 id;
    quint32 ofs;
    QByteArray bytes;
};
} // namespace

class TestLogDownload : public QObject
{
    Q_OBJECT
private slots:
    void windowsOfALog_data();
    void windowsOfALog();
    void emptyLog();
    void otherLogChangesNothing();
    void chunkPlacedByOffsetAndClipped();
    void reRequestFromFirstGap();
    void servedRequestWithGapsIsRenewedAtOnce();
    void givesUpAfterSixFruitlessReRequests();
    void progressResetsTheRetryCount();
    void lossyChannelGivesExactLog_data();
    void lossyChannelGivesExactLog();
};

void TestLogDownload::windowsOfALog_data()
{
    QTest::addColumn<quint32>("size");
    QTest::addColumn<QList<quint32>>("windows"); // ofs, count pairs
    QTest::newRow("100000 bytes") << 100000u << QList<quint32>{0, 46080, 46080, 46080, 92160, 7840};
    QTest::newRow("one window exactly") << 46080u << QList<quint32>{0, 46080};
    QTest::newRow("one byte more") << 46081u << QList<quint32>{0, 46080, 46080, 1};
    QTest::newRow("under a chunk") << 17u << QList<quint32>{0, 17};
}

void TestLogDownload::windowsOfALog()
{
    QFETCH(quint32, size);
    QFETCH(QList<quint32>, windows);
    const QByteArray content = logContent(3, size);
    LogDownload download(3, size, 0);
    QList<quint32> requested;
    QByteArray file;
    LogDownload::Request request = download.firstRequest();
    for (;;) {
        requested << request.ofs << request.count;
        QCOMPARE(request.id, quint16(3));
        LogDownload::FeedResult result;
        for (quint32 ofs = request.ofs; ofs < request.ofs + request.count; ofs += LogDownload::ChunkBytes) {
            const quint32 n = std::min(LogDownload::ChunkBytes, request.ofs + request.count - ofs);
            result = download.feed(3, ofs, content.mid(int(ofs), int(n)), 10);
        }
        file += result.windowBytes;
        if (result.fed == LogDownload::Fed::Finished)
            break;
        QCOMPARE(int(result.fed), int(LogDownload::Fed::WindowComplete));
        request = result.next;
    }
    QCOMPARE(requested, windows);
    QCOMPARE(file, content);
    QVERIFY(download.isFinished());
}

void TestLogDownload::emptyLog()
{
    LogDownload download(2, 0, 0);
    QCOMPARE(download.firstRequest(), (LogDownload::Request{0, 0, 2}));
    const auto result = download.feed(2, 0, QByteArray(), 5);
    QCOMPARE(int(result.fed), int(LogDownload::Fed::Finished));
    QVERIFY(result.windowBytes.isEmpty());

    // Without any chunk it is asked for again and then given up.
    LogDownload silent(2, 0, 0);
    int retries = 0;
    quint32 now = 0;
    LogDownload::TickResult tick;
    do {
        now += 100;
        tick = silent.tick(now);
        if (tick.ticked == LogDownload::Ticked::Retry) {
            ++retries;
            QCOMPARE(tick.request, (LogDownload::Request{0, 0, 2}));
        }
    } while (tick.ticked != LogDownload::Ticked::GiveUp);
    QCOMPARE(retries, 6);
    QVERIFY(silent.hasGivenUp());
}

void TestLogDownload::otherLogChangesNothing()
{
    LogDownload download(3, 1000, 0);
    const auto result = download.feed(4, 0, QByteArray(90, 'x'), 10);
    QCOMPARE(int(result.fed), int(LogDownload::Fed::OtherLog));
    QCOMPARE(download.received(), 0u);
    QCOMPARE(download.chunksAccepted() + download.chunksIgnored() + download.chunksDuplicate(), 0u);
}

void TestLogDownload::chunkPlacedByOffsetAndClipped()
{
    const QByteArray content = logContent(1, 200);
    LogDownload download(1, 200, 0);
    // Out of order: the middle first, then the end, then the start.
    QCOMPARE(int(download.feed(1, 90, content.mid(90, 90), 1).fed), int(LogDownload::Fed::Accepted));
    QCOMPARE(int(download.feed(1, 90, content.mid(90, 90), 2).fed), int(LogDownload::Fed::Duplicate));
    // A chunk running past the log's end is clipped, never written past the window.
    QByteArray tail = content.mid(180, 20) + QByteArray(70, '\xee');
    QCOMPARE(int(download.feed(1, 180, tail, 3).fed), int(LogDownload::Fed::Accepted));
    QCOMPARE(int(download.feed(1, 250, QByteArray(90, 'x'), 4).fed), int(LogDownload::Fed::Ignored));
    const auto result = download.feed(1, 0, content.left(90), 5);
    QCOMPARE(int(result.fed), int(LogDownload::Fed::Finished));
    QCOMPARE(result.windowBytes, content);
}

void TestLogDownload::reRequestFromFirstGap()
{
    const QByteArray content = logContent(5, 100000);
    LogDownload download(5, 100000, 0);
    download.feed(5, 0, content.mid(0, 90), 100);
    download.feed(5, 90, content.mid(90, 90), 200);
    download.feed(5, 270, content.mid(270, 90), 300); // 180..269 lost
    QCOMPARE(int(download.tick(1299).ticked), int(LogDownload::Ticked::Waiting));
    const auto tick = download.tick(1300);
    QCOMPARE(int(tick.ticked), int(LogDownload::Ticked::Retry));
    QCOMPARE(tick.retry, 1);
    QCOMPARE(tick.request, (LogDownload::Request{180, 46080 - 180, 5}));
    QCOMPARE(download.received(), 270u); // what was held is kept

    // A late chunk of the first request lands in its place; the gap closes.
    download.feed(5, 180, content.mid(180, 90), 1400);
    for (quint32 ofs = 360; ofs < 46080; ofs += 90)
        download.feed(5, ofs, content.mid(int(ofs), 90), 1500);
    QCOMPARE(download.written(), 46080u);
}

void TestLogDownload::servedRequestWithGapsIsRenewedAtOnce()
{
    const QByteArray content = logContent(6, 100000);
    LogDownload download(6, 100000, 0);
    for (quint32 ofs = 0; ofs + 90 < 46080; ofs += 90) {
        if (ofs == 900 || ofs == 9000)
            continue; // lost
        QVERIFY(!download.feed(6, ofs, content.mid(int(ofs), 90), 10).rerequest);
    }
    // The last chunk of the window: the request is served, two gaps remain.
    const auto last = download.feed(6, 45990, content.mid(45990, 90), 20);
    QCOMPARE(int(last.fed), int(LogDownload::Fed::Accepted));
    QVERIFY(last.rerequest);
    QCOMPARE(last.next, (LogDownload::Request{900, 46080 - 900, 6}));
    // Served again (a duplicate of a held chunk asks for nothing); the window completes.
    QVERIFY(!download.feed(6, 45990, content.mid(45990, 90), 25).rerequest);
    download.feed(6, 900, content.mid(900, 90), 30);
    const auto done = download.feed(6, 9000, content.mid(9000, 90), 30);
    QCOMPARE(int(done.fed), int(LogDownload::Fed::WindowComplete));
    QVERIFY(done.windowBytes == content.left(46080));
    QCOMPARE(int(download.tick(900).ticked), int(LogDownload::Ticked::Waiting));
}

void TestLogDownload::givesUpAfterSixFruitlessReRequests()
{
    LogDownload download(7, 5000, 0);
    QList<int> retries;
    quint32 now = 0;
    for (;;) {
        now += 100;
        const auto tick = download.tick(now);
        if (tick.ticked == LogDownload::Ticked::Retry)
            retries << tick.retry;
        if (tick.ticked == LogDownload::Ticked::GiveUp)
            break;
        QVERIFY(now < 60000);
    }
    QCOMPARE(retries, (QList<int>{1, 2, 3, 4, 5, 6}));
    QCOMPARE(now, 7000u);
    // After giving up nothing more happens.
    QCOMPARE(int(download.feed(7, 0, QByteArray(90, 'a'), now).fed), int(LogDownload::Fed::Ignored));
    QCOMPARE(int(download.tick(now + 5000).ticked), int(LogDownload::Ticked::Waiting));
}

void TestLogDownload::progressResetsTheRetryCount()
{
    // A slow link: a chunk now and then, each after a re-request, never gives up.
    const QByteArray content = logContent(9, 900);
    LogDownload download(9, 900, 0);
    quint32 now = 0;
    for (quint32 ofs = 0; ofs < 900; ofs += 90) {
        for (int stall = 0; stall < 5; ++stall) {
            now += 1000;
            QCOMPARE(int(download.tick(now).ticked), int(LogDownload::Ticked::Retry));
        }
        download.feed(9, ofs, content.mid(int(ofs), 90), now);
    }
    QVERIFY(download.isFinished());
}

void TestLogDownload::lossyChannelGivesExactLog_data()
{
    QTest::addColumn<quint32>("size");
    QTest::addColumn<int>("dropPercent");
    QTest::addColumn<int>("dupPercent");
    QTest::addColumn<int>("maxDelayMs"); // reordering and late chunks
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<quint32>("maxMs"); // checked when withinMs
    QTest::addColumn<bool>("withinMs");
    QTest::newRow("clean") << 100000u << 0 << 0 << 0 << 1u << 1000u << true;
    QTest::newRow("5% loss") << 300000u << 5 << 0 << 0 << 2u << 3000u << true;
    QTest::newRow("5% loss, dup, reorder") << 300000u << 5 << 5 << 40 << 3u << 6000u << true;
    QTest::newRow("heavy loss, late chunks") << 120000u << 30 << 10 << 1500 << 4u << 0u << false;
    QTest::newRow("odd size") << 46081u << 10 << 10 << 200 << 5u << 0u << false;
}

void TestLogDownload::lossyChannelGivesExactLog()
{
    QFETCH(quint32, size);
    QFETCH(int, dropPercent);
    QFETCH(int, dupPercent);
    QFETCH(int, maxDelayMs);
    QFETCH(quint32, seed);
    QFETCH(quint32, maxMs);
    const QByteArray content = logContent(4, size);
    QRandomGenerator rng(seed);
    std::deque<Chunk> inFlight;
    auto serve = [&](const LogDownload::Request &r, quint32 now) {
        for (quint32 ofs = r.ofs; ofs < r.ofs + r.count; ofs += LogDownload::ChunkBytes) {
            const quint32 n = std::min(LogDownload::ChunkBytes, r.ofs + r.count - ofs);
            const int copies = int(rng.bounded(100)) < dupPercent ? 2 : 1;
            for (int c = 0; c < copies; ++c) {
                if (int(rng.bounded(100)) < dropPercent)
                    continue;
                const quint32 delay = maxDelayMs ? rng.bounded(quint32(maxDelayMs)) : 0;
                inFlight.push_back({now + 1 + delay + ofs / 2000, r.id, ofs, content.mid(int(ofs), int(n))});
            }
        }
    };

    LogDownload download(4, size, 0);
    QByteArray file;
    serve(download.firstRequest(), 0);
    quint32 now = 0;
    while (!download.isFinished() && !download.hasGivenUp() && now < 600000) {
        now += 1;
        std::vector<Chunk> due;
        for (auto it = inFlight.begin(); it != inFlight.end();) {
            if (it->deliverAt <= now) {
                due.push_back(*it);
                it = inFlight.erase(it);
            } else {
                ++it;
            }
        }
        std::sort(due.begin(), due.end(), [](const Chunk &a, const Chunk &b) { return a.deliverAt < b.deliverAt; });
        for (const Chunk &c : due) {
            const auto result = download.feed(c.id, c.ofs, c.bytes, now);
            file += result.windowBytes;
            if (result.fed == LogDownload::Fed::WindowComplete || result.rerequest)
                serve(result.next, now);
        }
        if (now % 100 == 0) {
            const auto tick = download.tick(now);
            if (tick.ticked == LogDownload::Ticked::Retry)
                serve(tick.request, now);
        }
    }
    QVERIFY2(download.isFinished(), qPrintable(QString("held %1 of %2").arg(download.received()).arg(size)));
    QCOMPARE(file.size(), content.size());
    QVERIFY(file == content);
    // Gaps are asked for again as soon as a request has been served: steady loss costs round
    // trips, not a stall of a second per window.
    QTEST(now < maxMs, "withinMs");
}

QTEST_GUILESS_MAIN(TestLogDownload)
#include "tst_logdownload.moc"
