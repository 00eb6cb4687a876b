// The Param page offscreen: the list transfer (progress, buttons, clearing), descriptions, the
// search and the presets, and the parameter write with its question.
#include "link/IOHandler.h"
#include "support/SimProcess.h"
#include "support/TestPorts.h"
#include "link/MavlinkHandler.h"
#include "link/TApp.h"
#include "ui/widgets/TimedPopup.h"
#include "ui/maintenance/MavlinkPageDevice.h"
#include "ui/maintenance/MavlinkUnitLabel.h"
#include "ui/maintenance/ParamManagerWidget.h"
#include "ui/widgets/TComboBox.h"
#include "ui/widgets/TPushButton.h"

#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QLabel>
#include <QtTest>

#include "support/TestFiles.h"

namespace {
// The shared link on a free loopback port; the simulator's port is filled in once it has started.
IOHandler::DeviceInfo loopbackLink()
{
    IOHandler::DeviceInfo d;
    d.id = 6;
    d.conType = IOHandler::ConUdp;
    d.localIp = QHostAddress(QHostAddress::LocalHost);
    d.localPort = TestPorts::freeUdpPort();
    d.targetIp = QHostAddress(QHostAddress::LocalHost);
    return d;
}

// The page with its question answered by the test.
class Page : public ParamManagerWidget
{
public:
    bool answer = true;
    QStringList questions;
    bool questionBox(const QString &title, const QString &text) override
    {
        questions << title + "|" + text;
        return answer;
    }
};

struct Param
{
    const char *name;
    float value;
    int type;
};

IOHandler::DeviceInfo record(int id, const QString &name = QString())
{
    IOHandler::DeviceInfo d;
    d.id = id;
    d.name = name;
    return d;
}
} // namespace

class TestParamPage : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void layoutAndEditors();
    void linkEventsSwitchControls();
    void listTransfer();
    void descriptions();
    void search_data();
    void search();
    void filterFollowsArrivalsAndEdits();
    void presets();
    void setParam();
    void setParamRefusals();
    void setParamTypeRules_data();
    void setParamTypeRules();
    void lostValuesAskedForByIndex();
    void againstSimulator_data();
    void againstSimulator();

private:
    void feed(Page &page, const QList<Param> &params);
    MavlinkHandler *sharedLink() const;
    QTemporaryDir m_dir;
    QList<TimedPopup::Shown> m_popups;
};

void TestParamPage::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QDir().mkpath("cfg");
    QFile ini("cfg/param.ini");
    QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ini.write("[General]\nCompass=COMPASS_\nNone=\nRates=_RATE\n");
    ini.close();
    static TApp app(QStringLiteral("./cfg/param.ini"));
    TimedPopup::setInterceptor([this](const TimedPopup::Shown &shown) { m_popups << shown; });
}

void TestParamPage::init()
{
    m_popups.clear();
}

void TestParamPage::cleanupTestCase()
{
    TimedPopup::setInterceptor({});
}

MavlinkHandler *TestParamPage::sharedLink() const
{
    return qobject_cast<MavlinkHandler *>(TApp::instance()->links()->find(6));
}

void TestParamPage::feed(Page &page, const QList<Param> &params)
{
    for (int i = 0; i < params.size(); ++i)
        page.recParamInfo(params[i].value, ushort(params.size()), ushort(i), params[i].name, uchar(params[i].type));
}

void TestParamPage::layoutAndEditors()
{
    Page page;
    QTableWidget *table = page.tableWidget();
    QCOMPARE(table->columnCount(), 6);
    QCOMPARE(table->horizontalHeaderItem(5)->text(), QString("Description"));
    QCOMPARE(table->columnWidth(0), 250);
    QCOMPARE(table->columnWidth(1), 60);
    QCOMPARE(page.presets()->currentText(), QString("None"));
    QCOMPARE(page.searchLine()->text(), QString());
    QCOMPARE(page.linkKind()->count(), 2);
    QStyleOptionViewItem option;
    for (int c : {0, 2, 3, 4})
        QVERIFY(table->itemDelegateForColumn(c)->createEditor(table, option, QModelIndex()) == nullptr);
    QVERIFY(table->itemDelegateForColumn(1) == nullptr);
    QVERIFY(table->itemDelegateForColumn(5) == nullptr);
    QVERIFY(!page.getListBtn()->isEnabled());
    QVERIFY(page.connectBtn()->isEnabled());

    // The row numbers keep room for their longest number as the table grows.
    QHeaderView *rows = table->verticalHeader();
    QVERIFY(rows->sectionsClickable());
    for (int i = 0; i < 1000; ++i)
        page.recParamInfo(1, 1000, ushort(i), "P", 9);
    const int fourDigits = rows->fontMetrics().horizontalAdvance("1000");
    QVERIFY2(rows->sizeHint().width() > fourDigits, qPrintable(QString::number(rows->sizeHint().width())));
    QCOMPARE(table->model()->headerData(999, Qt::Vertical).toString(), QString("1000"));
}

void TestParamPage::linkEventsSwitchControls()
{
    Page page;
    QSignalSpy open(sharedLink(), &IOHandler::openDeviceSignal);
    page.linkKind()->setCurrentText("UDP");
    page.connectBtn()->click();
    QCOMPARE(open.size(), 1);
    const auto udp = open.first().at(0).value<IOHandler::DeviceInfo>();
    QCOMPARE(udp.id, 6);
    QCOMPARE(udp.conType, int(IOHandler::ConUdp));
    QCOMPARE(udp.localPort, quint16(7001));
    QCOMPARE(udp.targetPort, quint16(7000));
    QCOMPARE(udp.targetIp, QHostAddress(QHostAddress::LocalHost));
    QVERIFY(open.first().at(1).toBool());

    // Controls change only on the hub's report, and only for link 6.
    QVERIFY(!page.getListBtn()->isEnabled());
    emit TApp::instance()->TAppEvent(1, 5, QVariant::fromValue(record(5)));
    QVERIFY(!page.getListBtn()->isEnabled());
    emit TApp::instance()->TAppEvent(1, 6, QVariant::fromValue(record(6)));
    QVERIFY(page.getListBtn()->isEnabled());
    QVERIFY(page.disconnectBtn()->isEnabled());
    QVERIFY(!page.connectBtn()->isEnabled());
    page.disconnectBtn()->click();
    QCOMPARE(open.size(), 2);
    QVERIFY(!open.at(1).at(1).toBool());
    emit TApp::instance()->TAppEvent(0, 6, QVariant("open serial failed:ResourceError")); // text only: ignored
    QVERIFY(page.disconnectBtn()->isEnabled());
    emit TApp::instance()->TAppEvent(3, 6, QVariant::fromValue(record(6)));
    QVERIFY(!page.getListBtn()->isEnabled());
    QVERIFY(page.connectBtn()->isEnabled());

    page.linkKind()->setCurrentText("USB");
    page.connectBtn()->click();
    const auto usb = open.last().at(0).value<IOHandler::DeviceInfo>();
    QCOMPARE(usb.conType, int(IOHandler::ConSerial));
    QCOMPARE(usb.baudRate, 9600);
    QCOMPARE(usb.dataBits, 8);
    QCOMPARE(usb.stopBits, 1);
    QCOMPARE(usb.parity, 0);
}

void TestParamPage::listTransfer()
{
    Page page;
    emit TApp::instance()->TAppEvent(1, 6, QVariant::fromValue(record(6)));
    QSignalSpy requests(sharedLink(), &MavlinkHandler::requestParamListSignal);
    page.getListBtn()->click();
    QCOMPARE(requests.size(), 1);
    QVERIFY(!page.getListBtn()->isEnabled());

    page.recParamInfo(1, 3, 0, "A_ONE", 9);
    QCOMPARE(page.progress()->maximum(), 3);
    QCOMPARE(page.progress()->value(), 1);
    QCOMPARE(page.changedRow(), 0); // filling a row moves the changed row
    QVERIFY(!page.getListBtn()->isEnabled());
    page.recParamInfo(2.5f, 3, 1, "B_TWO", 4);
    page.searchLine()->setText("two"); // searching while the rows stream in
    page.searchLine()->clear();
    page.recParamInfo(0.1234567f, 3, 2, "C_THREE", 9);
    QCOMPARE(page.progress()->value(), 3);
    QVERIFY(page.getListBtn()->isEnabled());
    QCOMPARE(page.changedRow(), -1);
    QTableWidget *table = page.tableWidget();
    QCOMPARE(table->rowCount(), 3);
    QCOMPARE(table->item(1, 1)->text(), QString("2.5"));
    QCOMPARE(table->item(1, 2)->text(), QString("4"));
    QCOMPARE(table->item(2, 1)->text(), QString("0.123457")); // six significant digits
    QCOMPARE(table->item(0, 3)->text(), QString("/"));
    QCOMPARE(table->item(0, 0)->textAlignment(), int(Qt::AlignCenter));
    // Painting is gathered while rows stream in and resumes by itself.
    QTRY_VERIFY_WITH_TIMEOUT(page.updatesEnabled(), 5000);
    QVERIFY(table->updatesEnabled());
    QVERIFY(table->viewport()->updatesEnabled());

    // A second list starts from an empty table and a fresh count.
    page.getListBtn()->click();
    QCOMPARE(requests.size(), 2);
    QCOMPARE(table->rowCount(), 0);
    page.recParamInfo(7, 2, 0, "Z_NEW", 9);
    QCOMPARE(page.progress()->value(), 1);
    QCOMPARE(page.progress()->maximum(), 2);
    QCOMPARE(table->rowCount(), 1);
    // A duplicate is listed again.
    page.recParamInfo(7, 2, 0, "Z_NEW", 9);
    QCOMPARE(table->rowCount(), 2);
}

void TestParamPage::descriptions()
{
    const QString path = m_dir.filePath("paracfg.xlsx");
    QVERIFY(TestFiles::writeWorkbook(path,
                                     {{"ACRO_RP_RATE", "x", "deg/s", "10 500", "Roll and pitch rate in Acro mode"},
                                      {},
                                      {"SERIAL0_PROTOCOL", "", "", "1:MAVlink1 2:MAVLink2", "Protocol of serial 0"}}));
    Page page;
    page.loadParamInfo(path);
    feed(page, {{"ACRO_RP_RATE", 360, 9}, {"SERIAL0_PROTOCOL", 2, 2}, {"acro_rp_rate", 1, 9}});
    QTableWidget *table = page.tableWidget();
    QCOMPARE(table->item(0, 3)->text(), QString("10 500"));
    QCOMPARE(table->item(0, 4)->text(), QString("deg/s"));
    QCOMPARE(table->item(0, 5)->text(), QString("Roll and pitch rate in Acro mode"));
    QCOMPARE(table->item(1, 3)->text(), QString("1:MAVlink1 2:MAVLink2"));
    QCOMPARE(table->item(1, 4)->text(), QString());
    QCOMPARE(table->item(2, 3)->text(), QString("/")); // lookup is case-sensitive

    // Without the file every parameter still lists, with "/".
    QTest::ignoreMessage(QtDebugMsg, "paracfg not exist");
    page.loadParamInfo(m_dir.filePath("absent.xlsx"));
    page.recParamInfo(1, 1, 0, "ACRO_RP_RATE", 9);
    QCOMPARE(table->item(3, 5)->text(), QString("/"));
    QVERIFY(!page.descriptionNote()->isVisibleTo(&page));

    // A workbook over the reader's bounds is refused with a note; the list goes on without descriptions.
    const QString big = m_dir.filePath("big.xlsx");
    QVERIFY(TestFiles::writeWorkbook(big, {{"ACRO_RP_RATE", "", "deg/s", "10 500", QString(40000, QLatin1Char('x'))}}));
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^paracfg refused: "));
    page.loadParamInfo(big);
    QVERIFY(page.paramDescriptions().isEmpty());
    QVERIFY(page.descriptionNote()->isVisibleTo(&page));
    QVERIFY(page.descriptionNote()->text().startsWith("paracfg.xlsx refused"));
    page.recParamInfo(1, 1, 0, "ACRO_RP_RATE", 9);
    QCOMPARE(table->item(4, 4)->text(), QString("/"));

    // A readable one again clears the note.
    page.loadParamInfo(path);
    QVERIFY(!page.descriptionNote()->isVisibleTo(&page));
}

void TestParamPage::search_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("visible");
    QTest::newRow("name in lower case") << "acro" << QList<int>{0, 1, 3};
    QTest::newRow("value") << "2.5" << QList<int>{2};
    QTest::newRow("type column") << "4" << QList<int>{2};
    QTest::newRow("nothing") << "zzz" << QList<int>{};
    QTest::newRow("empty shows all") << "" << QList<int>{0, 1, 2, 3};
}

void TestParamPage::search()
{
    QFETCH(QString, text);
    QFETCH(QList<int>, visible);
    const QString path = m_dir.filePath("search.xlsx");
    QVERIFY(TestFiles::writeWorkbook(path, {{"THR_MID", "", "", "", "Throttle in ACRO mode"}}));
    Page page;
    page.loadParamInfo(path);
    feed(page, {{"ACRO_RP_RATE", 360, 9}, {"Acro_Y_Rate", 90, 9}, {"BATT_LOW", 2.5f, 4}, {"THR_MID", 0.5f, 9}});
    page.searchLine()->setText("x"); // a filter in place first
    page.searchLine()->setText(text);
    QList<int> shown;
    for (int r = 0; r < page.tableWidget()->rowCount(); ++r) {
        if (!page.tableWidget()->isRowHidden(r))
            shown << r;
    }
    QCOMPARE(shown, visible);
}

void TestParamPage::filterFollowsArrivalsAndEdits()
{
    // Rows arriving under a filter, and a row edited meanwhile, end as a full re-filter would leave them.
    Page page;
    page.searchLine()->setText("compass");
    QList<Param> params;
    for (int i = 0; i < 40; ++i)
        params.append({i % 4 == 0 ? "COMPASS_OFS_X" : "INS_GYR_ID", float(i), 9});
    for (int i = 0; i < 20; ++i)
        page.recParamInfo(params[i].value, 40, ushort(i), params[i].name, 9);
    page.tableWidget()->item(1, 5)->setText("see compass"); // edited description now matches
    page.tableWidget()->item(4, 0)->setText("RENAMED");     // no longer matches
    for (int i = 20; i < 40; ++i)
        page.recParamInfo(params[i].value, 40, ushort(i), params[i].name, 9);
    QList<bool> incremental;
    for (int r = 0; r < 40; ++r)
        incremental << page.tableWidget()->isRowHidden(r);
    page.findParam(page.searchLine()->text());
    for (int r = 0; r < 40; ++r)
        QCOMPARE(page.tableWidget()->isRowHidden(r), incremental[r]);
    QVERIFY(!page.tableWidget()->isRowHidden(1));
    QVERIFY(page.tableWidget()->isRowHidden(4));
    QVERIFY(!page.tableWidget()->isRowHidden(8));
}

void TestParamPage::presets()
{
    Page page;
    QCOMPARE(page.presets()->count(), 3);
    QCOMPARE(page.presets()->itemText(0), QString("Compass"));
    feed(page, {{"COMPASS_OFS_X", 1, 9}, {"ACRO_RP_RATE", 2, 9}, {"COMPASS_USE", 1, 2}});
    page.presets()->setCurrentText("Compass");
    QCOMPARE(page.searchLine()->text(), QString("COMPASS_"));
    QVERIFY(!page.tableWidget()->isRowHidden(0));
    QVERIFY(page.tableWidget()->isRowHidden(1));
    QVERIFY(!page.tableWidget()->isRowHidden(2));
    page.presets()->setCurrentText("Rates");
    QCOMPARE(page.searchLine()->text(), QString("_RATE"));
    // A text that is not a key clears the filter.
    page.presets()->addItem("Not a key");
    page.presets()->setCurrentText("Not a key");
    QCOMPARE(page.searchLine()->text(), QString());
    QVERIFY(!page.tableWidget()->isRowHidden(1));
}

void TestParamPage::setParam()
{
    Page page;
    emit TApp::instance()->TAppEvent(1, 6, QVariant::fromValue(record(6)));
    QList<Param> params;
    for (int i = 0; i < 8; ++i)
        params.append({i == 5 ? "LOG_BACKEND_TYPE" : "OTHER", float(i), i == 5 ? 9 : 2});
    feed(page, params);
    QSignalSpy sets(sharedLink(), &MavlinkHandler::setParamValueSignal);

    page.tableWidget()->item(5, 1)->setText("2.5");
    QCOMPARE(page.changedRow(), 5);
    page.answer = false;
    page.setParamBtn()->click();
    QCOMPARE(page.questions, QStringList{"info|change value of LOG_BACKEND_TYPE to 2.5"});
    QCOMPARE(sets.size(), 0);

    page.answer = true;
    page.setParamBtn()->click();
    QCOMPARE(sets.size(), 1);
    QCOMPARE(sets.first().at(0).toByteArray(), QByteArray("LOG_BACKEND_TYPE"));
    QCOMPARE(sets.first().at(1).toFloat(), 2.5f);
    QCOMPARE(sets.first().at(2).value<ushort>(), ushort(9));
    QCOMPARE(page.changedRow(), 5); // kept
    QVERIFY(m_popups.isEmpty());

    // The echo is appended as a new row.
    page.recParamInfo(2.5f, 8, 5, "LOG_BACKEND_TYPE", 9);
    QCOMPARE(page.tableWidget()->rowCount(), 9);
}

void TestParamPage::setParamRefusals()
{
    Page page;
    emit TApp::instance()->TAppEvent(1, 6, QVariant::fromValue(record(6)));
    feed(page, {{"A", 1, 9}, {"B", 2, 9}});
    QSignalSpy sets(sharedLink(), &MavlinkHandler::setParamValueSignal);
    page.setParamBtn()->click();
    QCOMPARE(m_popups.size(), 1);
    QCOMPARE(m_popups[0].title, QString("Warning"));
    QCOMPARE(m_popups[0].text, QString("no change"));
    QCOMPARE(m_popups[0].closeAfterMs, 1000);
    QCOMPARE(m_popups[0].icon, QMessageBox::Information);
    QVERIFY(page.questions.isEmpty());

    // A value that is not a number is not written as 0.
    page.tableWidget()->item(1, 1)->setText("fast");
    page.setParamBtn()->click();
    QCOMPARE(page.questions.size(), 1);
    QCOMPARE(sets.size(), 0);
    QCOMPARE(m_popups.size(), 2);
    QCOMPARE(m_popups[1].text, QString("fast is not a number"));
}

void TestParamPage::setParamTypeRules_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("sent");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("popup"); // "" for none
    QTest::addColumn<bool>("bytewise"); // the unit copies integers bytewise (a PX4 heartbeat came)
    QTest::newRow("uint8 in range") << "A" << 1 << "255" << true << 255.0 << "" << false;
    QTest::newRow("uint8 300") << "A" << 1 << "300" << false << 0.0 << "300 is outside the range of uint8 (0..255)"
                               << false;
    QTest::newRow("int32 fraction") << "A" << 6 << "2.5" << false << 0.0
                                    << "2.5 is not a whole number, as int32 requires" << false;
    QTest::newRow("int32 2^24+1") << "A" << 6 << "16777217" << false << 0.0
                                  << "16777217 cannot travel exactly in a parameter's 32-bit float (the nearest is "
                                     "16777216)"
                                  << false;
    QTest::newRow("float rounded") << "A" << 9 << "0.123456791" << true << double(0.123456791f)
                                   << "0.123456791 travels as 0.12345679, the nearest 32-bit float" << false;
    QTest::newRow("non-ASCII name") << QString::fromUtf8("GAIN_\xC3\x89") << 9 << "2" << false << 0.0
                                    << "the name must have 1 to 16 ASCII characters" << false;
    // A unit that copies integers bytewise (PX4) carries every int32 exactly, NaN bit patterns too.
    QTest::newRow("int32 2^24+1 bytewise") << "A" << 6 << "16777217" << true << 16777217.0 << "" << true;
    QTest::newRow("int32 NaN pattern bytewise") << "A" << 6 << "2139095041" << true << 2139095041.0 << "" << true;
    QTest::newRow("int32 2^31 bytewise") << "A" << 6 << "2147483648" << false << 0.0
                                         << "2147483648 is outside the range of int32 (-2147483648..2147483647)"
                                         << true;
}

void TestParamPage::setParamTypeRules()
{
    QFETCH(QString, name);
    QFETCH(int, type);
    QFETCH(QString, text);
    QFETCH(bool, sent);
    QFETCH(double, value);
    QFETCH(QString, popup);
    QFETCH(bool, bytewise);
    // The shared link forgets its unit (as on every opening), then follows a PX4 unit when asked.
    emit sharedLink()->openDeviceSignal(record(6), false);
    if (bytewise) {
        mavlink_heartbeat_t hb;
        hb.autopilot = MavlinkLinkEngine::AutopilotPx4;
        MavlinkTxChannel tx;
        QMetaObject::invokeMethod(sharedLink(), "decodeMavlinkData", Qt::QueuedConnection,
                                  Q_ARG(QByteArray, MavlinkMessages::frame(hb, tx, 1, 1)));
        QTRY_COMPARE(int(sharedLink()->paramEncoding()), int(MavlinkLinkEngine::ParamEncoding::Bytewise));
    } else {
        QTRY_COMPARE(int(sharedLink()->paramEncoding()), int(MavlinkLinkEngine::ParamEncoding::CCast));
    }
    Page page;
    emit TApp::instance()->TAppEvent(1, 6, QVariant::fromValue(record(6)));
    const QByteArray utf8 = name.toUtf8();
    feed(page, {{utf8.constData(), 1, type}, {"B", 2, 9}});
    QSignalSpy sets(sharedLink(), &MavlinkHandler::setParamValueSignal);
    page.tableWidget()->item(0, 1)->setText(text);
    page.setParamBtn()->click();
    QCOMPARE(sets.size(), sent ? 1 : 0);
    if (sent) {
        QCOMPARE(sets.first().at(0).toByteArray(), name.toLatin1());
        QCOMPARE(sets.first().at(1).toDouble(), value);
        QCOMPARE(int(sets.first().at(2).value<ushort>()), type);
    }
    QCOMPARE(m_popups.size(), popup.isEmpty() ? 0 : 1);
    if (!popup.isEmpty())
        QCOMPARE(m_popups[0].text, popup);
    emit sharedLink()->openDeviceSignal(record(6), false);
}

void TestParamPage::lostValuesAskedForByIndex()
{
    // A tenth of the built-in list is lost on the way: the page asks for exactly the lost indexes
    // and ends with every parameter once, the progress bar full and the list button back.
    IOHandler::DeviceInfo d = loopbackLink();
    SimProcess sim;
    QVERIFY(sim.start(ZT_SIM_PATH, {"fmu", "--udp", "0", "--target", QStringLiteral("127.0.0.1:%1").arg(d.localPort),
                                    "--drop", "10", "--seed", "6"}));
    d.targetPort = quint16(sim.firstLine().section(':', -1).toUInt());
    Page page;
    emit sharedLink()->openDeviceSignal(d, true);
    QTRY_VERIFY_WITH_TIMEOUT(page.getListBtn()->isEnabled(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(sharedLink()->unit().fromHeartbeat, 10000);
    page.getListBtn()->click();
    QTRY_VERIFY_WITH_TIMEOUT(page.getListBtn()->isEnabled(), 30000);
    QTableWidget *table = page.tableWidget();
    QVERIFY2(table->rowCount() > 1000, qPrintable(QString::number(table->rowCount())));
    QSet<QString> names;
    for (int r = 0; r < table->rowCount(); ++r)
        names.insert(table->item(r, 0)->text());
    QCOMPARE(names.size(), table->rowCount());
    QCOMPARE(page.progress()->maximum(), table->rowCount());
    QCOMPARE(page.progress()->value(), table->rowCount());
    emit sharedLink()->openDeviceSignal(d, false);
    QTRY_VERIFY_WITH_TIMEOUT(page.connectBtn()->isEnabled(), 10000);
}

void TestParamPage::againstSimulator_data()
{
    QTest::addColumn<QStringList>("knobs");
    QTest::addColumn<QByteArray>("ownIds"); // ./cfg/mavlink.ini-style settings for the link
    QTest::newRow("ardupilot, MAVLink 1") << QStringList{"--v1"} << QByteArray();
    // PX4 answers only addressed requests, with integers bytewise; a gimbal answers the list too and
    // phantom frames ride inside frames of an unknown id.
    QTest::newRow("px4 with a gimbal") << QStringList{"--autopilot", "px4", "--components", "1", "--tunnel"}
                                       << QByteArray();
    QTest::newRow("ardupilot enforcing its GCS id")
        << QStringList{"--enforce-gcs-sysid", "255"} << QByteArray("[mavlink]\nsystem_id=255\ncomponent_id=190\n");
}

void TestParamPage::againstSimulator()
{
    // The page over the shared link against zorvan-sim fmu on UDP (the link opened on free ports
    // instead of the page's fixed 7001 -> 7000): list, filter, write, echo.
    QFETCH(QStringList, knobs);
    QFETCH(QByteArray, ownIds);
    const QString file = m_dir.filePath("sim.params");
    QFile params(file);
    QVERIFY(params.open(QIODevice::WriteOnly));
    params.write("ACRO_RP_RATE,360\nCOMPASS_OFS_X,12.5\nSERIAL0_PROTOCOL,-2,2\nCOMPASS_USE,1,2\n");
    params.close();
    const QString idsFile = m_dir.filePath("mavlink.ini");
    QFile::remove(idsFile);
    if (!ownIds.isEmpty())
        QVERIFY(TestFiles::write(idsFile, ownIds));
    applyMavlinkOwnIds(sharedLink(), idsFile); // as the page does on "Connect"
    IOHandler::DeviceInfo d = loopbackLink();
    SimProcess sim;
    QVERIFY(sim.start(ZT_SIM_PATH, QStringList{"fmu", "--udp", "0", "--target",
                                               QStringLiteral("127.0.0.1:%1").arg(d.localPort), "--params", file} +
                                       knobs));
    d.targetPort = quint16(sim.firstLine().section(':', -1).toUInt());
    Page page;
    auto *unitLabel = page.findChild<MavlinkUnitLabel *>();
    QVERIFY(unitLabel);
    emit sharedLink()->openDeviceSignal(d, true);
    QTRY_VERIFY_WITH_TIMEOUT(page.getListBtn()->isEnabled(), 10000);
    // The unit announces itself by heartbeat; requests are then addressed to it.
    QTRY_COMPARE_WITH_TIMEOUT(unitLabel->text(), QString("Unit: system 1, component 1"), 10000);

    page.getListBtn()->click();
    QTRY_VERIFY_WITH_TIMEOUT(page.getListBtn()->isEnabled(), 10000);
    QTableWidget *table = page.tableWidget();
    QCOMPARE(table->rowCount(), 4);
    QCOMPARE(table->item(2, 0)->text(), QString("SERIAL0_PROTOCOL"));
    QCOMPARE(table->item(2, 1)->text(), QString("-2"));
    QCOMPARE(page.progress()->value(), 4);
    page.searchLine()->setText("compass");
    QVERIFY(table->isRowHidden(0));
    QVERIFY(!table->isRowHidden(1));

    table->item(1, 1)->setText("-3.25");
    page.setParamBtn()->click();
    QTRY_COMPARE_WITH_TIMEOUT(table->rowCount(), 5, 10000);
    QCOMPARE(table->item(4, 0)->text(), QString("COMPASS_OFS_X"));
    QCOMPARE(table->item(4, 1)->text(), QString("-3.25"));
    QVERIFY(!table->isRowHidden(4));
    page.searchLine()->clear();
    // An integer written back as the unit encodes it.
    table->item(2, 1)->setText("-7");
    page.setParamBtn()->click();
    QTRY_COMPARE_WITH_TIMEOUT(table->rowCount(), 6, 10000);
    QCOMPARE(table->item(5, 0)->text(), QString("SERIAL0_PROTOCOL"));
    QCOMPARE(table->item(5, 1)->text(), QString("-7"));

    emit sharedLink()->openDeviceSignal(d, false);
    QTRY_VERIFY_WITH_TIMEOUT(page.connectBtn()->isEnabled(), 10000);
    applyMavlinkOwnIds(sharedLink(), m_dir.filePath("none.ini")); // back to 0 and 0
}

QTEST_MAIN(TestParamPage)
#include "tst_parampage.moc"
