// The log service of MavlinkHandler on the test's thread with a test clock: the requests it sends
// (read from a UDP socket that plays the unit), placement of chunks by offset across re-requests,
// late chunks of an abandoned request, give-up, completion report, queue, file names and cancel.
#include "core/util/LogFileWriter.h"
#include "link/MavlinkHandler.h"
#include "link/TApp.h"
#include "support/TestFiles.h"
#include "support/TestPorts.h"

#include "core/mavlink/LogPattern.h"
#include "core/mavlink/MavlinkMessages.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSignalSpy>
#include <QUdpSocket>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <mutex>

namespace {
constexpr int Wait = 10000;
constexpr quint32 Time = 1740819907; // 2025-03-01 09:05:07 UTC

// The debug lines recorded so far. The hub's shared link writes debug lines on its own thread too,
// so the record is locked.
std::mutex g_debugMutex;
QStringList g_debugLines;

QStringList debugLines()
{
    std::lock_guard<std::mutex> lock(g_debugMutex);
    return g_debugLines;
}

void clearDebugLines()
{
    std::lock_guard<std::mutex> lock(g_debugMutex);
    g_debugLines.clear();
}

void recordDebug(QtMsgType, const QMessageLogContext &, const QString &text)
{
    std::lock_guard<std::mutex> lock(g_debugMutex);
    g_debugLines << text;
}

using Request = LogDownload::Request;

// A MavlinkHandler without a worker thread (its slots are called directly here) on UDP to a socket
// that plays the unit; its log clock is the test's.
struct Fixture
{
    MavlinkHandler *link = new MavlinkHandler(6, false);
    QUdpSocket unit;
    quint16 linkPort = 0;
    quint32 now = 100000;
    MavlinkTxChannel tx;
    MavlinkParser parser;

    Fixture()
    {
        link->setLogClock([this] { return now; });
        clearDebugLines();
        QFile::remove("log"); // left by a failed file-fault case
        QDir("log").removeRecursively();
    }
    ~Fixture() { IOHandler::destroy(link); }

    bool open()
    {
        if (!unit.bind(QHostAddress(QHostAddress::LocalHost), 0))
            return false;
        linkPort = TestPorts::freeUdpPort();
        IOHandler::DeviceInfo d;
        d.id = 6;
        d.conType = IOHandler::ConUdp;
        d.localIp = QHostAddress(QHostAddress::LocalHost);
        d.localPort = linkPort;
        d.targetIp = QHostAddress(QHostAddress::LocalHost);
        d.targetPort = unit.localPort();
        QSignalSpy events(TApp::instance(), QOverload<int, int, QVariant>::of(&TApp::TAppEvent));
        emit link->openDeviceSignal(d, true);
        return QTest::qWaitFor([&] { return !events.isEmpty(); }, Wait) && events.first().at(0).toInt() == 1;
    }

    // Every frame the link sent since the last call, as (msgid, frame).
    QList<mavlink_message_t> sent(int expected)
    {
        QList<mavlink_message_t> frames;
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < Wait) {
            while (unit.hasPendingDatagrams()) {
                QByteArray data(int(unit.pendingDatagramSize()), Qt::Uninitialized);
                unit.readDatagram(data.data(), data.size());
                parser.feed(data, [&](const mavlink_message_t &m) { frames << m; });
            }
            if (frames.size() >= expected)
                break;
            unit.waitForReadyRead(20);
        }
        // Anything more than expected arrives at once on loopback.
        unit.waitForReadyRead(expected == 0 ? 200 : 20);
        while (unit.hasPendingDatagrams()) {
            QByteArray data(int(unit.pendingDatagramSize()), Qt::Uninitialized);
            unit.readDatagram(data.data(), data.size());
            parser.feed(data, [&](const mavlink_message_t &m) { frames << m; });
        }
        return frames;
    }
    // The LOG_REQUEST_DATA frames sent since the last call (exactly expected of them).
    QList<Request> requests(int expected)
    {
        QList<Request> out;
        for (const mavlink_message_t &m : sent(expected)) {
            if (m.msgid == mavlink_log_request_data_t::MSG_ID) {
                const auto r = mavlink_log_request_data_t::decode(m);
                out << Request{r.ofs, r.count, r.id};
            }
        }
        return out;
    }

    void entry(quint16 id, quint32 size, quint16 nums = 5)
    {
        mavlink_log_entry_t e;
        e.id = id;
        e.size = size;
        e.time_utc = Time;
        e.num_logs = nums;
        e.last_log_num = nums;
        link->decodeMavlinkData(MavlinkMessages::frame(e, tx, 1, 1));
    }
    void chunk(quint16 id, quint32 ofs, quint32 count, quint16 contentId = 0)
    {
        mavlink_log_data_t d;
        d.id = id;
        d.ofs = ofs;
        d.count = quint8(count);
        const QByteArray bytes = LogPattern::bytes(contentId ? contentId : id, ofs, count);
        std::memcpy(d.data, bytes.constData(), size_t(bytes.size()));
        link->decodeMavlinkData(MavlinkMessages::frame(d, tx, 1, 1));
    }
    // Chunks of log id covering [from, to), skipping the offsets in lost.
    void chunks(quint16 id, quint32 from, quint32 to, const QList<quint32> &lost = {})
    {
        for (quint32 ofs = from; ofs < to; ofs += 90) {
            if (!lost.contains(ofs))
                chunk(id, ofs, std::min<quint32>(90, to - ofs));
        }
    }
    void tickAfter(quint32 ms)
    {
        now += ms;
        link->log_file_timer_callback();
    }
};

QString plainName(quint16 id)
{
    return QStringLiteral("log/flight/%1_%2.bin")
        .arg(id)
        .arg(QDateTime::fromSecsSinceEpoch(Time).toString("yyyyMMdd_hhmmss"));
}
} // namespace

class TestLogHandler : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void metaObjectOrder();
    void listRequestAndEntries();
    void downloadAcrossGapsAndLateChunks();
    void givesUpAfterSixFruitlessReRequests();
    void emptyLogAndNameFallback();
    void queueAndCancel();
    void typedCallsRunQueuedOnTheLinkThread();
    void requestEndAfterEveryDownload_data();
    void requestEndAfterEveryDownload();
    void partialDownloadLeavesNoFinalFile_data();
    void partialDownloadLeavesNoFinalFile();
    void staleLeftoverIsOverwritten();
    void fileErrorsReportedAtOnce_data();
    void fileErrorsReportedAtOnce();
};

void TestLogHandler::initTestCase()
{
    static TApp app(QStringLiteral("./cfg/param.ini"));
    qInstallMessageHandler(recordDebug);
}

void TestLogHandler::cleanupTestCase()
{
    qInstallMessageHandler(nullptr);
    QDir("log").removeRecursively();
}

void TestLogHandler::metaObjectOrder()
{
    // Callers invoke the link's slots by name and index: signals first, then the slots in this order.
    const QMetaObject &mo = MavlinkHandler::staticMetaObject;
    QStringList names;
    for (int i = mo.methodOffset(); i < mo.methodCount(); ++i)
        names << QString::fromLatin1(mo.method(i).name());
    QCOMPARE(names, (QStringList{"log_list_start_signal",
                                 "recLogInfo",
                                 "recLogData",
                                 "clearLogSignal",
                                 "logDownloadProgress",
                                 "requestParamListSignal",
                                 "setParamValueSignal",
                                 "recParamInfo",
                                 "sendMavlinkMsgSignal",
                                 "decodeMavlinkData",
                                 "log_list_start",
                                 "addDownloadIdToList",
                                 "log_download_start",
                                 "log_download_do_next_start",
                                 "log_file_start",
                                 "send_log_req_data",
                                 "log_download_cancel_all",
                                 "clearAllLog",
                                 "log_file_timer_callback",
                                 "requestParamList",
                                 "setParamValue",
                                 "sendMavlinkMsg"}));
}

void TestLogHandler::listRequestAndEntries()
{
    Fixture f;
    QVERIFY(f.open());
    QSignalSpy info(f.link, &MavlinkHandler::recLogInfo);
    f.link->log_list_start();
    const auto frames = f.sent(1);
    QCOMPARE(frames.size(), 1);
    QCOMPARE(frames[0].msgid, mavlink_log_request_list_t::MSG_ID);
    QCOMPARE(mavlink_log_request_list_t::decode(frames[0]).end, uint16_t(0xFFFF));
    f.entry(1, 100, 2);
    f.entry(2, 0, 2);
    QCOMPARE(info.size(), 2);
    QCOMPARE(info[0], (QList<QVariant>{ushort(1), 100u, Time, ushort(2)}));

    // A new list request forgets the entries: their ids can no longer be downloaded.
    f.link->log_list_start();
    f.link->addDownloadIdToList(1);
    f.link->log_download_start();
    QCOMPARE(f.requests(0).size(), 0);
    QVERIFY(debugLines().contains("no log entry for 1"));

    emit f.link->clearLogSignal();
    const auto erase = f.sent(1);
    QCOMPARE(erase.size(), 1);
    QCOMPARE(erase[0].msgid, mavlink_log_erase_t::MSG_ID);
}

void TestLogHandler::downloadAcrossGapsAndLateChunks()
{
    Fixture f;
    QVERIFY(f.open());
    f.entry(4, 100000);
    f.entry(2, 0);
    QSignalSpy progress(f.link, &MavlinkHandler::logDownloadProgress);
    f.link->addDownloadIdToList(4);
    f.link->addDownloadIdToList(2);
    f.link->addDownloadIdToList(4);
    QCOMPARE(f.link->queuedLogIds(), (QList<quint16>{4, 2}));
    f.link->log_download_start();
    QCOMPARE(f.requests(1), (QList<Request>{{0, 46080, 4}}));
    QVERIFY(debugLines().contains("start new file: 4"));
    f.link->addDownloadIdToList(4); // being downloaded: not queued again
    QCOMPARE(f.link->queuedLogIds(), (QList<quint16>{2}));

    // Chunk 900 is lost; a chunk of the next window and one of another log change nothing.
    f.chunks(4, 0, 9000, {900});
    // The first accepted chunk is reported, then at most one every ProgressIntervalMs.
    QCOMPARE(progress.size(), 1);
    QCOMPARE(progress[0], (QList<QVariant>{4, 0u, 100000u}));
    f.now += MavlinkHandler::ProgressIntervalMs;
    f.chunk(4, 9000, 90);
    QCOMPARE(progress.size(), 2);
    QCOMPARE(progress[1], (QList<QVariant>{4, 9000u, 100000u}));
    const int reports = progress.size();
    f.chunk(4, 46080, 90);
    f.chunk(7, 990, 90);
    QCOMPARE(progress.size(), reports);
    QVERIFY(debugLines().contains("logid_err 7 4"));
    QCOMPARE(f.requests(0).size(), 0);

    // A second without a new byte: the rest of the window from the first gap.
    f.tickAfter(999);
    QCOMPARE(f.requests(0).size(), 0);
    f.tickAfter(1);
    QCOMPARE(f.requests(1), (QList<Request>{{900, 46080 - 900, 4}}));
    QVERIFY(debugLines().contains("retry 1"));

    // The late chunk of the abandoned request still lands in its place; the re-request is served.
    f.chunk(4, 900, 90);
    f.chunks(4, 900, 46080);
    QCOMPARE(f.requests(1), (QList<Request>{{46080, 46080, 4}}));
    QCOMPARE(progress.last(), (QList<QVariant>{4, 45990u, 100000u}));

    // Second window: the chunk at its end arrives while 50000 is missing: the gap is asked for at once.
    f.chunks(4, 46080, 92160, {50040});
    QCOMPARE(f.requests(1), (QList<Request>{{50040, 92160 - 50040, 4}}));
    f.chunks(4, 50040, 92160);
    QCOMPARE(f.requests(1), (QList<Request>{{92160, 7840, 4}}));
    f.chunks(4, 92160, 100000);

    // Complete: a last report with the size, the file byte for byte, then the next queued log.
    QCOMPARE(progress.last(), (QList<QVariant>{4, 100000u, 100000u}));
    QVERIFY(debugLines().contains("rec finished 100000 100000"));
    QFile file(plainName(4));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll() == LogPattern::bytes(4, 0, 100000));
    QCOMPARE(f.link->logFilePath(4), QFileInfo(plainName(4)).absoluteFilePath());
    QCOMPARE(f.requests(1), (QList<Request>{{0, 0, 2}}));
    QCOMPARE(f.link->currentLogId(), quint16(2));
}

void TestLogHandler::givesUpAfterSixFruitlessReRequests()
{
    Fixture f;
    QVERIFY(f.open());
    f.entry(3, 5000);
    f.entry(5, 100);
    QSignalSpy progress(f.link, &MavlinkHandler::logDownloadProgress);
    f.link->addDownloadIdToList(3);
    f.link->addDownloadIdToList(5);
    f.link->log_download_start();
    QCOMPARE(f.requests(1), (QList<Request>{{0, 5000, 3}}));
    f.chunks(3, 0, 180); // some bytes, then nothing
    for (int retry = 1; retry <= 6; ++retry) {
        for (int t = 0; t < 9; ++t)
            f.tickAfter(100);
        QCOMPARE(f.requests(0).size(), 0);
        f.tickAfter(100);
        QCOMPARE(f.requests(1), (QList<Request>{{180, 5000 - 180, 3}}));
        QVERIFY(debugLines().contains(QStringLiteral("retry %1").arg(retry)));
    }
    f.tickAfter(1000);
    QVERIFY(debugLines().contains("log file stop"));
    QVERIFY(debugLines().contains("log_file_stop 0 5000"));
    QCOMPARE(f.link->currentLogId(), quint16(0xFFFF));
    // Nothing more is asked for, nothing reported, and the queue waits for the user.
    f.tickAfter(5000);
    QCOMPARE(f.requests(0).size(), 0);
    QCOMPARE(f.link->queuedLogIds(), (QList<quint16>{5}));
    const int reports = progress.size();
    f.chunks(3, 180, 5000);
    QCOMPARE(progress.size(), reports);
}

void TestLogHandler::emptyLogAndNameFallback()
{
    Fixture f;
    QVERIFY(f.open());
    f.entry(2, 0);
    f.entry(2, 0); // a repeated entry: still one file per start
    QSignalSpy progress(f.link, &MavlinkHandler::logDownloadProgress);
    const QString stamp = QDateTime::fromSecsSinceEpoch(Time).toString("yyyyMMdd_hhmmss");
    const QStringList names = {plainName(2), QStringLiteral("log/flight/ID2_%1_1.bin").arg(stamp),
                               QStringLiteral("log/flight/ID2_%1_2.bin").arg(stamp)};
    for (const QString &name : names) {
        f.link->addDownloadIdToList(2);
        f.link->log_download_start();
        QCOMPARE(f.requests(1), (QList<Request>{{0, 0, 2}}));
        QVERIFY(debugLines().contains("log save path: " + name));
        f.chunk(2, 0, 0);
        QCOMPARE(progress.last(), (QList<QVariant>{2, 0u, 0u}));
        QVERIFY(QFileInfo(name).exists());
        QCOMPARE(QFileInfo(name).size(), 0);
        QCOMPARE(f.link->currentLogId(), quint16(0xFFFF));
    }
    QCOMPARE(QDir("log/flight").entryList(QDir::Files).size(), 3);
}

void TestLogHandler::queueAndCancel()
{
    Fixture f;
    QVERIFY(f.open());
    f.entry(1, 90000);
    f.entry(2, 90);
    f.link->addDownloadIdToList(1);
    f.link->addDownloadIdToList(2);
    f.link->log_download_start();
    f.link->log_download_start(); // while one runs: nothing more
    QCOMPARE(f.requests(1), (QList<Request>{{0, 46080, 1}}));
    f.chunks(1, 0, 900);
    f.link->log_download_cancel_all();
    QCOMPARE(f.link->currentLogId(), quint16(0xFFFF));
    QVERIFY(f.link->queuedLogIds().isEmpty());
    QSignalSpy progress(f.link, &MavlinkHandler::logDownloadProgress);
    f.chunks(1, 900, 1800);
    QCOMPARE(progress.size(), 0);
    f.tickAfter(5000);
    QCOMPARE(f.requests(0).size(), 0);
}

void TestLogHandler::typedCallsRunQueuedOnTheLinkThread()
{
    // requestDownloads and cancelDownloads may be called from any thread: they only post the work.
    Fixture f;
    QVERIFY(f.open());
    f.entry(1, 90000);
    f.entry(2, 90);
    f.link->requestDownloads({1, 2, 1});
    QCOMPARE(f.link->currentLogId(), quint16(0xFFFF)); // nothing ran yet
    QTRY_COMPARE(f.link->currentLogId(), quint16(1));
    QCOMPARE(f.link->queuedLogIds(), QList<quint16>{2});
    QCOMPARE(f.requests(1), (QList<Request>{{0, 46080, 1}}));
    f.link->cancelDownloads();
    QCOMPARE(f.link->currentLogId(), quint16(1));
    QTRY_COMPARE(f.link->currentLogId(), quint16(0xFFFF));
    QVERIFY(f.link->queuedLogIds().isEmpty());
}

void TestLogHandler::partialDownloadLeavesNoFinalFile_data()
{
    QTest::addColumn<QString>("end");
    QTest::newRow("cancel") << "cancel";
    QTest::newRow("give up") << "give up";
    QTest::newRow("replaced by a new start") << "restart";
}

void TestLogHandler::partialDownloadLeavesNoFinalFile()
{
    // Until the log is whole its bytes are only in "<name>.part"; a download that ends early leaves
    // neither file, and the next download of the log takes the plain name.
    QFETCH(QString, end);
    Fixture f;
    QVERIFY(f.open());
    f.entry(1, 100000);
    const QString part = plainName(1) + ".part";
    f.link->addDownloadIdToList(1);
    f.link->log_download_start();
    QCOMPARE(f.requests(1), (QList<Request>{{0, 46080, 1}}));
    f.chunks(1, 0, 46080);
    QCOMPARE(f.requests(1), (QList<Request>{{46080, 46080, 1}}));
    QCOMPARE(QFileInfo(part).size(), 46080);
    QVERIFY(!QFileInfo::exists(plainName(1)));

    if (end == "cancel") {
        f.link->log_download_cancel_all();
    } else if (end == "give up") {
        for (int t = 0; t < 7; ++t)
            f.tickAfter(1000);
        QVERIFY(debugLines().contains("log file stop"));
    } else {
        QVERIFY(f.link->log_file_start(1));
        QCOMPARE(f.requests(1), (QList<Request>{{0, 46080, 1}}));
        QCOMPARE(QFileInfo(part).size(), 0); // the new download starts the same name afresh
        f.link->log_download_cancel_all();
    }
    QCOMPARE(f.link->currentLogId(), quint16(0xFFFF));
    QCOMPARE(QDir("log/flight").entryList(QDir::Files), QStringList());

    // The rerun: plain name, whole, no leftover.
    QSignalSpy progress(f.link, &MavlinkHandler::logDownloadProgress);
    f.link->addDownloadIdToList(1);
    f.link->log_download_start();
    f.requests(1);
    f.chunks(1, 0, 46080);
    f.requests(1);
    f.chunks(1, 46080, 92160);
    f.requests(1);
    f.chunks(1, 92160, 100000);
    QCOMPARE(progress.last(), (QList<QVariant>{1, 100000u, 100000u}));
    QCOMPARE(QDir("log/flight").entryList(QDir::Files), QStringList{QFileInfo(plainName(1)).fileName()});
    QVERIFY(TestFiles::read(plainName(1)) == LogPattern::bytes(1, 0, 100000));
}

void TestLogHandler::staleLeftoverIsOverwritten()
{
    // A killed program leaves "<name>.part": it takes no name and the next download overwrites it.
    Fixture f;
    QVERIFY(f.open());
    f.entry(5, 100);
    QVERIFY(QDir().mkpath("log/flight"));
    QFile stale(plainName(5) + ".part");
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.write(QByteArray(500, 'x'));
    stale.close();
    f.link->addDownloadIdToList(5);
    f.link->log_download_start();
    QVERIFY(debugLines().contains("log save path: " + plainName(5)));
    f.chunks(5, 0, 100);
    QCOMPARE(QDir("log/flight").entryList(QDir::Files), QStringList{QFileInfo(plainName(5)).fileName()});
    QVERIFY(TestFiles::read(plainName(5)) == LogPattern::bytes(5, 0, 100));
}

void TestLogHandler::fileErrorsReportedAtOnce_data()
{
    // Tests run as root, which may write any directory: the faults are ones root meets too.
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("path");    // reported path, relative to the working directory
    QTest::addColumn<int>("error");       // the system's error behind the reason
    QTest::addColumn<quint32>("written"); // bytes the unit sends before the fault shows
    QTest::newRow("log is a file") << "log"
                                   << "log/flight" << ENOTDIR << 0u;
    QTest::newRow("log/flight is a file") << "log/flight"
                                          << "log/flight" << ENOTDIR << 0u;
    QTest::newRow("disk full in the first window") << "full" << plainName(1) + ".part" << ENOSPC << 46080u;
}

void TestLogHandler::fileErrorsReportedAtOnce()
{
    // A log file that cannot be created or written stops the download at once and says why, with
    // the path; the queue is emptied (the next log would meet the same fault); no file is left.
    QFETCH(QString, fault);
    QFETCH(QString, path);
    QFETCH(int, error);
    QFETCH(quint32, written);
    Fixture f;
    QVERIFY(f.open());
    f.entry(1, 50000);
    f.entry(2, 100);
    if (fault == "full") { // the part file leads to a device that is always full
        QVERIFY(QDir().mkpath("log/flight"));
        QVERIFY(QFile::link("/dev/full", plainName(1) + ".part"));
    } else {
        QVERIFY(QDir().mkpath(QFileInfo(fault).path()));
        QFile blocker(fault); // a file where a directory should be
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    }
    QSignalSpy failed(f.link->logFiles(), &LogFileWriter::failed);
    f.link->addDownloadIdToList(1);
    f.link->addDownloadIdToList(2);
    f.link->log_download_start();
    if (written > 0) {
        QCOMPARE(f.requests(1), (QList<Request>{{0, 46080, 1}}));
        QCOMPARE(failed.size(), 0);
        f.chunks(1, 0, written);
    }
    QCOMPARE(failed.size(), 1);
    QCOMPARE(failed[0], (QList<QVariant>{ushort(1), QDir::current().absoluteFilePath(path),
                                         QString::fromLocal8Bit(std::strerror(error))}));
    QCOMPARE(f.link->currentLogId(), quint16(0xFFFF));
    QVERIFY(f.link->queuedLogIds().isEmpty());
    const QList<Request> after = f.requests(written > 0 ? 1 : 0); // the next window, asked for before the write
    QVERIFY(std::none_of(after.cbegin(), after.cend(), [](const Request &r) { return r.id == 2; }));
    if (written == 0) {
        QVERIFY(after.isEmpty());
        QVERIFY(!f.link->log_file_start(1));
        QCOMPARE(f.requests(0).size(), 0);
    }
    f.tickAfter(5000);
    QCOMPARE(f.requests(0).size(), 0);
    QVERIFY(!QFileInfo::exists(plainName(1)));
    QVERIFY(!QFileInfo(plainName(1) + ".part").isSymLink());
}

void TestLogHandler::requestEndAfterEveryDownload_data()
{
    QTest::addColumn<QString>("ending");
    QTest::newRow("finished") << "finished";
    QTest::newRow("cancelled") << "cancelled";
    QTest::newRow("given up") << "given up";
}

void TestLogHandler::requestEndAfterEveryDownload()
{
    // ArduPilot resumes its own logging on LOG_REQUEST_END: it follows every download, however it
    // ends, addressed to the unit; nothing is sent when no download runs.
    QFETCH(QString, ending);
    Fixture f;
    QVERIFY(f.open());
    mavlink_heartbeat_t hb;
    hb.autopilot = 3;
    f.link->decodeMavlinkData(MavlinkMessages::frame(hb, f.tx, 1, 1));
    f.entry(0, 180); // numbered from 0
    f.link->addDownloadIdToList(0);
    f.link->log_download_start();
    QCOMPARE(f.requests(2), (QList<Request>{{0, 180, 0}})); // after the AUTOPILOT_VERSION request
    if (ending == "finished") {
        f.chunks(0, 0, 180);
        QVERIFY(QFileInfo(plainName(0)).exists());
        QCOMPARE(QFileInfo(plainName(0)).size(), 180);
    } else if (ending == "cancelled") {
        f.chunks(0, 0, 90);
        f.link->log_download_cancel_all();
    } else {
        for (int t = 0; t < 70; ++t)
            f.tickAfter(100);
        QVERIFY(debugLines().contains("log file stop"));
    }
    int ends = 0;
    for (const mavlink_message_t &m : f.sent(1)) {
        if (m.msgid == mavlink_log_request_end_t::MSG_ID) {
            ++ends;
            const mavlink_log_request_end_t end = mavlink_log_request_end_t::decode(m);
            QCOMPARE(int(end.target_system), 1);
            QCOMPARE(int(end.target_component), 1);
        }
    }
    QCOMPARE(ends, 1);
    f.link->log_download_cancel_all(); // idle: nothing more
    for (const mavlink_message_t &m : f.sent(0))
        QVERIFY(m.msgid != mavlink_log_request_end_t::MSG_ID);
}

QTEST_GUILESS_MAIN(TestLogHandler)
#include "tst_loghandler.moc"
