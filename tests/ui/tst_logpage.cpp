// The Log page offscreen: rows from log entries, progress texts, the connected look, the erase
// question, and downloads of ticked rows over the shared link against zorvan-sim fmu with duplicates
// and reordering (completion unticks the row and starts the next, nothing is fetched twice, cancel).
// Loss and its stall re-requests are tested on the download engine with a test clock
// (core/tst_logdownload) and end to end through the command-line tool (integration/tst_logs).
#include "link/IOHandler.h"
#include "link/MavlinkHandler.h"
#include "support/SimProcess.h"
#include "link/TApp.h"
#include "support/TestFiles.h"
#include "support/TestPorts.h"
#include "ZtResources.h"
#include "ui/app/AppTranslation.h"
#include "ui/widgets/TimedPopup.h"
#include "ui/maintenance/LogManagerWidget.h"
#include "core/mavlink/LogPattern.h"
#include "core/mavlink/MavlinkMessages.h"
#include "ui/widgets/TCellWidget.h"
#include "ui/widgets/TPushButton.h"

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTranslator>
#include <QtTest>

#include <cerrno>
#include <cstring>

namespace {
constexpr int Wait = 20000;
constexpr quint32 Time = 1740819907;

class Page : public LogManagerWidget
{
public:
    bool answer = true;
    QStringList questions;
    bool questionBox(const QString &title, const QString &text) override
    {
        questions << title + "|" + text;
        return answer;
    }
    TPushButton *button(const QString &text) const
    {
        for (TPushButton *b : findChildren<TPushButton *>()) {
            if (b->text() == text)
                return b;
        }
        return nullptr;
    }
    QTableWidget *table() const { return findChild<QTableWidget *>(); }
    QString cell(int row, int column) const
    {
        const QTableWidgetItem *item = table()->item(row, column);
        return item ? item->text() : QStringLiteral("<none>");
    }
    bool ticked(int row) const { return rowCheckBox(row) && rowCheckBox(row)->isChecked(); }
    void tick(int row) { rowCheckBox(row)->setCheckState(Qt::Checked); }
};

IOHandler::DeviceInfo record(int id)
{
    IOHandler::DeviceInfo d;
    d.id = id;
    return d;
}

MavlinkHandler *sharedLink()
{
    return qobject_cast<MavlinkHandler *>(TApp::instance()->links()->find(6));
}

// A value of the link's state read on its own thread.
template <class F> auto onLinkThread(F f) -> decltype(f())
{
    decltype(f()) value{};
    QMetaObject::invokeMethod(
        sharedLink(), [&] { value = f(); }, Qt::BlockingQueuedConnection);
    return value;
}
} // namespace

class TestLogPage : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void layoutAndConnect();
    void rowsFromEntries_data();
    void rowsFromEntries();
    void progressAndCancelButtons();
    void eraseAsksFirst();
    void downloadAgainAfterTheLinkDroppedAnId();
    void downloadsAgainstSimulator_data();
    void downloadsAgainstSimulator();
    void fileErrorShownAtOnce();
    void chineseTexts();

private:
    QList<TimedPopup::Shown> m_popups;
};

void TestLogPage::initTestCase()
{
    static TApp app(QStringLiteral("./cfg/param.ini"));
    TimedPopup::setInterceptor([this](const TimedPopup::Shown &shown) { m_popups << shown; });
    QDir("log").removeRecursively();
}

void TestLogPage::cleanupTestCase()
{
    TimedPopup::setInterceptor({});
    QDir("log").removeRecursively();
}

void TestLogPage::layoutAndConnect()
{
    Page page;
    QTableWidget *table = page.table();
    QCOMPARE(table->columnCount(), 6);
    QStringList headers;
    for (int c = 0; c < 6; ++c)
        headers << table->horizontalHeaderItem(c)->text();
    QCOMPARE(headers, (QStringList{"Select", "ID", "Size", "Download", "Progress", "DateTime"}));
    QCOMPARE(table->columnWidth(0), 50);
    QCOMPARE(table->columnWidth(2), 150);
    QCOMPARE(table->editTriggers(), QAbstractItemView::NoEditTriggers);
    QVERIFY(page.button("Conncet"));
    QVERIFY(page.button("Conncet")->isEnabled());
    QVERIFY(!page.button("GetLogList")->isEnabled());
    QVERIFY(!page.button("ClearLog")->isEnabled());

    QSignalSpy open(sharedLink(), &IOHandler::openDeviceSignal);
    page.findChild<QComboBox *>()->setCurrentText("USB");
    page.button("Conncet")->click();
    QCOMPARE(open.size(), 1);
    const auto usb = open.first().at(0).value<IOHandler::DeviceInfo>();
    QCOMPARE(usb.id, 6);
    QCOMPARE(usb.conType, int(IOHandler::ConSerial));
    QCOMPARE(usb.baudRate, 9600);
    QVERIFY(open.first().at(1).toBool());

    // The look follows the hub's reports for link 6 only.
    emit TApp::instance()->TAppEvent(1, 5, QVariant::fromValue(record(5)));
    QVERIFY(!page.button("GetLogList")->isEnabled());
    emit TApp::instance()->TAppEvent(1, 6, QVariant::fromValue(record(6)));
    for (const char *b : {"DisConnect", "GetLogList", "Download", "Cancel", "ClearLog"})
        QVERIFY2(page.button(b)->isEnabled(), b);
    QVERIFY(!page.button("Conncet")->isEnabled());
    emit TApp::instance()->TAppEvent(2, 6, QVariant::fromValue(record(6)));
    QVERIFY(page.button("Conncet")->isEnabled());
    QVERIFY(!page.button("Download")->isEnabled());
}

void TestLogPage::rowsFromEntries_data()
{
    QTest::addColumn<int>("firstId");
    QTest::newRow("ids from 1") << 1;
    QTest::newRow("ids from 0") << 0;
}

void TestLogPage::rowsFromEntries()
{
    QFETCH(int, firstId);
    const ushort a = ushort(firstId), b = ushort(firstId + 1), c = ushort(firstId + 2);
    Page page;
    emit TApp::instance()->TAppEvent(1, 6, QVariant::fromValue(record(6)));
    page.onRecLogInfo(b, 0, Time + 60, 3); // out of order: rows are found by id, not placed by it
    QVERIFY(!page.button("GetLogList")->isEnabled());
    QVERIFY(!page.button("Download")->isEnabled());
    page.onRecLogInfo(b, 0, Time + 60, 3); // repeated: the same row
    page.onRecLogInfo(c, 92160, Time + 120, 3);
    QVERIFY(!page.button("GetLogList")->isEnabled());
    page.onRecLogInfo(a, 1000, Time, 3);
    QVERIFY(page.button("GetLogList")->isEnabled());
    QVERIFY(page.button("Download")->isEnabled());

    QCOMPARE(page.table()->rowCount(), 3);
    for (int r = 0; r < 3; ++r) {
        QCOMPARE(page.cell(r, 1), QString::number(firstId + r));
        QVERIFY(page.rowCheckBox(r));
        QVERIFY(!page.ticked(r));
        QCOMPARE(page.cell(r, 3), QString("0"));
        QCOMPARE(page.cell(r, 4), QString("0%"));
    }
    QCOMPARE(page.cell(2, 2), QString("92160"));
    QCOMPARE(page.cell(2, 5), QDateTime::fromSecsSinceEpoch(Time + 120).toString("yyyy-MM-dd hh-mm-ss"));
    QCOMPARE(int(page.table()->item(2, 5)->textAlignment()), int(Qt::AlignCenter));

    // Progress reaches the row of its id.
    page.logDownloadProgress(c, 46080, 92160);
    QCOMPARE(page.cell(2, 4), QString("50.0%"));
    page.button("Cancel")->click();

    // The list button empties the table before the new list arrives.
    QSignalSpy list(sharedLink(), &MavlinkHandler::log_list_start_signal);
    page.button("GetLogList")->click();
    QCOMPARE(list.size(), 1);
    QCOMPARE(page.table()->rowCount(), 0);
    // A unit without logs answers one entry with num_logs 0: no row, the list is done.
    page.onRecLogInfo(0, 0, 0, 0);
    QCOMPARE(page.table()->rowCount(), 0);
    QVERIFY(page.button("GetLogList")->isEnabled());
}

void TestLogPage::progressAndCancelButtons()
{
    Page page;
    emit TApp::instance()->TAppEvent(1, 6, QVariant::fromValue(record(6)));
    page.onRecLogInfo(1, 100, Time, 2);
    page.onRecLogInfo(2, 92160, Time, 2);
    page.logDownloadProgress(2, 46080, 92160);
    QCOMPARE(page.cell(1, 3), QString("46080"));
    QCOMPARE(page.cell(1, 4), QString("50.0%"));
    QVERIFY(!page.button("Download")->isEnabled());
    QVERIFY(!page.button("GetLogList")->isEnabled());
    QVERIFY(page.button("Cancel")->isEnabled());
    page.logDownloadProgress(0, 5, 10); // no such rows: ignored
    page.logDownloadProgress(3, 5, 10);
    QCOMPARE(page.cell(0, 3), QString("0"));

    page.button("Cancel")->click();
    QVERIFY(page.button("Download")->isEnabled());
    QVERIFY(page.button("GetLogList")->isEnabled());
    QVERIFY(!page.button("Cancel")->isEnabled());

    // An empty log is complete at once: 100%, not a division by zero.
    page.tick(0);
    page.logDownloadProgress(1, 0, 0);
    QCOMPARE(page.cell(0, 4), QString("100.0%"));
    QVERIFY(!page.ticked(0));
}

void TestLogPage::eraseAsksFirst()
{
    Page page;
    emit TApp::instance()->TAppEvent(1, 6, QVariant::fromValue(record(6)));
    QSignalSpy erase(sharedLink(), &MavlinkHandler::clearLogSignal);
    page.answer = false;
    page.button("ClearLog")->click();
    QCOMPARE(page.questions, QStringList{"warning|you're deleting all the logs of INS, continue?"});
    QCOMPARE(erase.size(), 0);
    page.answer = true;
    page.button("ClearLog")->click();
    QCOMPARE(erase.size(), 1);
}

QStringList &debugLines()
{
    static QStringList lines;
    return lines;
}

void TestLogPage::downloadAgainAfterTheLinkDroppedAnId()
{
    // The page lists log 1, the link's own list does not hold it (a newer list lost it): the link
    // drops the id; pressing Download again asks again instead of doing nothing.
    Page page;
    emit TApp::instance()->TAppEvent(1, 6, QVariant::fromValue(record(6)));
    page.onRecLogInfo(1, 100, Time, 1);
    page.tick(0);
    debugLines().clear();
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &text) { debugLines() << text; });
    page.button("Download")->click();
    QTRY_COMPARE_WITH_TIMEOUT(debugLines().count("no log entry for 1"), 1, Wait);
    page.button("Download")->click();
    QTRY_COMPARE_WITH_TIMEOUT(debugLines().count("no log entry for 1"), 2, Wait);
    qInstallMessageHandler(nullptr);
}

void TestLogPage::downloadsAgainstSimulator_data()
{
    QTest::addColumn<QStringList>("knobs");
    QTest::addColumn<int>("firstId");
    QTest::newRow("ardupilot") << QStringList() << 1;
    // Logs from 0, answers only to addressed requests; a gimbal beside it; phantom LOG_DATA frames
    // inside frames of an unknown id.
    QTest::newRow("px4 with a gimbal") << QStringList{"--autopilot", "px4", "--components", "1", "--tunnel"} << 0;
}

void TestLogPage::downloadsAgainstSimulator()
{
    QFETCH(QStringList, knobs);
    QFETCH(int, firstId);
    const quint16 id1 = quint16(firstId), id3 = quint16(firstId + 2);
    QDir("log").removeRecursively();
    // No loss here: loss and its stall re-requests are covered by the download engine's test-clock
    // tests and the command-line integration test; duplicates and reordering stay.
    const QHostAddress local(QHostAddress::LocalHost);
    const quint16 localPort = TestPorts::freeUdpPort();
    SimProcess sim;
    QVERIFY(sim.start(ZT_SIM_PATH,
                      QStringList{"fmu", "--udp", "0", "--target", QStringLiteral("127.0.0.1:%1").arg(localPort),
                                  "--logs",
                                  QStringLiteral("%1:50000,%2:0,%3:120000,%4:4000000")
                                      .arg(firstId)
                                      .arg(firstId + 1)
                                      .arg(firstId + 2)
                                      .arg(firstId + 3),
                                  "--dup", "5", "--reorder", "--seed", "9"} +
                          knobs));
    const IOHandler::DeviceInfo d = IOHandler::DeviceInfo::udp(6, local, localPort, local,
                                                               quint16(sim.firstLine().section(':', -1).toUInt()));
    Page page;
    emit sharedLink()->openDeviceSignal(d, true);
    QTRY_VERIFY_WITH_TIMEOUT(page.button("GetLogList")->isEnabled(), Wait);
    // Requests are addressed once the unit's heartbeat is in.
    QTRY_VERIFY_WITH_TIMEOUT(onLinkThread([] { return sharedLink()->unit().fromHeartbeat; }), Wait);

    // The list may lose an entry on the way: ask again until it is whole.
    for (int attempt = 0; attempt < 5 && page.table()->rowCount() < 4; ++attempt) {
        page.button("GetLogList")->click();
        (void)QTest::qWaitFor([&] { return page.table()->rowCount() == 4; }, 3000);
    }
    QCOMPARE(page.table()->rowCount(), 4);

    // Rows 1 and 3 ticked; Download pressed twice: each log is fetched once, one after the other.
    page.tick(0);
    page.tick(2);
    page.button("Download")->click();
    page.button("Download")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!page.ticked(0) && !page.ticked(2), Wait);
    QCOMPARE(page.cell(0, 4), QString("100.0%"));
    QCOMPARE(page.cell(2, 3), QString("120000"));
    QCOMPARE(page.cell(2, 4), QString("100.0%"));
    QVERIFY(page.button("Download")->isEnabled());
    QVERIFY(!page.button("Cancel")->isEnabled());
    QTest::qWait(300);
    const QStringList files = QDir("log/flight").entryList(QDir::Files, QDir::Name);
    QCOMPARE(files.size(), 2);
    QVERIFY(TestFiles::read(sharedLink()->logFilePath(id1)) == LogPattern::bytes(id1, 0, 50000));
    QVERIFY(TestFiles::read(sharedLink()->logFilePath(id3)) == LogPattern::bytes(id3, 0, 120000));

    // Cancel during the big log: the buttons come back at once, the link stops.
    page.tick(3);
    page.button("Download")->click();
    QTRY_VERIFY_WITH_TIMEOUT(page.button("Cancel")->isEnabled(), Wait);
    page.button("Cancel")->click();
    QVERIFY(page.button("Download")->isEnabled());
    QVERIFY(page.button("GetLogList")->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(onLinkThread([] { return sharedLink()->currentLogId(); }), quint16(0xFFFF), Wait);
    QVERIFY(page.ticked(3)); // not finished: still ticked

    emit sharedLink()->openDeviceSignal(d, false);
    QTRY_VERIFY_WITH_TIMEOUT(page.button("Conncet")->isEnabled(), Wait);
}

void TestLogPage::fileErrorShownAtOnce()
{
    // A log file that cannot be created: a message with the path and the system's reason at once,
    // and the page is ready for the next try (the row stays ticked).
    Page page;
    emit TApp::instance()->TAppEvent(1, 6, QVariant::fromValue(record(6)));
    mavlink_log_entry_t e;
    e.id = 1;
    e.size = 100;
    e.time_utc = Time;
    e.num_logs = 1;
    e.last_log_num = 1;
    MavlinkTxChannel tx;
    QMetaObject::invokeMethod(sharedLink(), "decodeMavlinkData", Qt::QueuedConnection,
                              Q_ARG(QByteArray, MavlinkMessages::frame(e, tx, 1, 1)));
    QTRY_COMPARE_WITH_TIMEOUT(page.table()->rowCount(), 1, Wait);
    QDir("log").removeRecursively();
    QFile blocker("log"); // a file where the directory should be
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    m_popups.clear();
    page.tick(0);
    page.button("Download")->click();
    QTRY_COMPARE_WITH_TIMEOUT(m_popups.size(), 1, Wait);
    QCOMPARE(m_popups[0].title, QString("Warning"));
    QCOMPARE(m_popups[0].text, QStringLiteral("Cannot write the log file %1: %2")
                                   .arg(QDir::toNativeSeparators(QDir::current().absoluteFilePath("log/flight")),
                                        QString::fromLocal8Bit(std::strerror(ENOTDIR))));
    QVERIFY(page.button("Download")->isEnabled());
    QVERIFY(page.button("GetLogList")->isEnabled());
    QVERIFY(!page.button("Cancel")->isEnabled());
    QVERIFY(page.ticked(0));
    QFile::remove("log");
}

void TestLogPage::chineseTexts()
{
    ZtResources::init();
    QTranslator translator;
    QVERIFY(AppTranslation::installForLocale(QStringLiteral("zh_CN"), &translator));
    Page page;
    QCoreApplication::removeTranslator(&translator);
    for (const char *text : {"连接", "断开", "获取日志列表", "下载", "取消", "清除日志"})
        QVERIFY2(page.button(QString::fromUtf8(text)), text);
    QCOMPARE(page.table()->horizontalHeaderItem(4)->text(), QString::fromUtf8("进度"));
}

QTEST_MAIN(TestLogPage)
#include "tst_logpage.moc"
