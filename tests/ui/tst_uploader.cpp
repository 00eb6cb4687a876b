// The upgrade window and the firmware generator, offscreen; the window flashes a simulated unit.
#include "link/SerialPortList.h"
#include "support/SimProcess.h"
#include "ui/firmware/UploaderBatch.h"
#include "support/TestFiles.h"
#include "support/TestPorts.h"
#include "ZtResources.h"
#include "ui/widgets/TimedPopup.h"
#include "ui/firmware/Generate_KVF.h"
#include "ui/firmware/Uploader.h"
#include "core/kvf/KvfContainer.h"
#include "ui/widgets/myComboBox.h"

#include <QComboBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTableWidget>
#include <QtTest>

namespace {
QByteArray pattern(int size)
{
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i)
        b[i] = char((i * 31 + i / 256) & 0xFF);
    return b;
}

} // namespace

class TestUploader : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { ZtResources::init(); }
    void init();
    void cleanup();
    void firstStartWritesDefaults();
    void secondInstanceStaysEmpty();
    void fileLoading_data();
    void fileLoading();
    void manualModeArming();
    void flashesSimulatedUnit_data();
    void flashesSimulatedUnit();
    void cancelWhileProbing();
    void batchModeFlashesEveryUnit();
    void containerForAnotherBoard();
    void chineseCaptions();
    void generatorBoardChoice();
    void generatorWritesContainer();

private:
    QPushButton *startButton(Uploader &u)
    {
        return button(u, {"StartUpgrade", "WaitStart", "CancelUpgrade", "Upgrading"});
    }
    static QPushButton *button(QWidget &w, const QStringList &captions);
    QList<TimedPopup::Shown> m_popups;
    QTemporaryDir m_dir;
};

void TestUploader::init()
{
    QDir("cfg").removeRecursively();
    m_popups.clear();
    TimedPopup::setInterceptor([this](const TimedPopup::Shown &shown) { m_popups.append(shown); });
}

void TestUploader::cleanup()
{
    TimedPopup::setInterceptor({});
    qunsetenv(SerialPortList::ExtraPortsVariable);
    QLocale::setDefault(QLocale::c());
}

QPushButton *TestUploader::button(QWidget &w, const QStringList &captions)
{
    const auto buttons = w.findChildren<QPushButton *>();
    for (QPushButton *b : buttons)
        if (captions.contains(b->text()))
            return b;
    return nullptr;
}

void TestUploader::firstStartWritesDefaults()
{
    auto u2 = std::make_unique<Uploader>(nullptr);
    Uploader &u = *u2;
    QCOMPARE(Uploader::instance(), &u);
    QCOMPARE(u.windowTitle(), QString("FirmwareUpgradeV1.0.3"));
    QVERIFY(u.logText().contains("]:initialize"));
    QCOMPARE(u.statusText(), QString("initialize"));
    QCOMPARE(int(u.engine().state()), 0);
    QCOMPARE(startButton(u)->text(), QString("WaitStart"));
    QVERIFY(!startButton(u)->isEnabled());
    QSettings ini("cfg/uploader.ini", QSettings::IniFormat);
    ini.setIniCodec("UTF-8");
    QCOMPARE(ini.value("ConnectType").toInt(), 0);
    QCOMPARE(ini.value("UploadPort/1").toString(), QString("USB"));
    QCOMPARE(ini.value("UploadPort/3").toString(), QString("PX4"));
    QCOMPARE(ini.value("PortName/1").toString(), QString("Virutal"));
    QCOMPARE(ini.value("PortName/3").toString(), QString("蓝牙"));
    // The include defaults are used at once, the exclude defaults only from the next start on.
    QCOMPARE(u.engine().includeKeywords(), (QStringList{"USB", "ArduPilot", "PX4"}));
    QVERIFY(u.engine().excludeKeywords().isEmpty());
    const QStringList menus{"ConnectConfiguration", "DebuggingTool"};
    QStringList shown;
    for (QAction *a : u.menuBar()->actions())
        shown << a->text();
    QCOMPARE(shown, menus);
    // The next start reads both groups from the file.
    u2.reset();
    Uploader next(nullptr);
    QCOMPARE(next.engine().excludeKeywords(), (QStringList{"Virutal", "bluetooth", "蓝牙"}));
}

void TestUploader::secondInstanceStaysEmpty()
{
    Uploader first(nullptr);
    QTest::ignoreMessage(QtDebugMsg, "Uploader must be singleton");
    Uploader second(nullptr);
    QCOMPARE(Uploader::instance(), &first);
    QVERIFY(second.findChildren<QPushButton *>().isEmpty());
}

void TestUploader::fileLoading_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("armed");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("popup");
    QByteArray kvf;
    Kvf::build("Kavo-ORVE", 10013, pattern(77), kvf);
    QTest::newRow("upper-case .BIN") << "FW.BIN" << pattern(10) << true << "FW.BIN Size of Firmware:10 Bytes" << false;
    QTest::newRow(".bin.kvf is raw") << "a.bin.kvf" << kvf << true
                                     << QString("a.bin.kvf Size of Firmware:%1 Bytes").arg(kvf.size()) << false;
    // An empty image would erase the unit and leave it without firmware: refused when loaded.
    QTest::newRow("empty .bin refused") << "zero.bin" << QByteArray() << false
                                        << "Unable to upgrade, the firmware is empty" << true;
    QTest::newRow("container") << "ok.kvf" << kvf << true << "ok.kvf Size of Firmware:77 Bytes" << false;
    QTest::newRow("container one byte long") << "long.kvf" << kvf + "!" << false << "firmware size err" << true;
    QTest::newRow("unsupported") << "fw.hex" << pattern(10) << false << "Unsupported firmware types" << true;
    QTest::newRow("unreadable") << "missing.bin" << QByteArray("(absent)") << false << "Firmware.open_Wrong!" << true;
}

void TestUploader::fileLoading()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(bool, armed);
    QFETCH(QString, message);
    QFETCH(bool, popup);
    const QString path = m_dir.filePath(name);
    QFile::remove(path);
    if (content != "(absent)")
        QVERIFY(TestFiles::write(path, content));
    Uploader u(nullptr);
    u.loadFirmwareFile(path);
    QVERIFY2(u.logText().contains("]:" + message), qPrintable(u.logText()));
    QCOMPARE(m_popups.size(), popup ? 1 : 0);
    if (popup) {
        QCOMPARE(m_popups[0].text, message);
        QCOMPARE(m_popups[0].title, QString("Warning"));
        QCOMPARE(m_popups[0].closeAfterMs, 800);
        QCOMPARE(m_popups[0].icon, QMessageBox::Information);
    }
    QCOMPARE(QSettings("cfg/uploader.ini", QSettings::IniFormat).value("LastFilePath").toString(), path);
    QTRY_COMPARE_WITH_TIMEOUT(startButton(u)->text(), QString(armed ? "StartUpgrade" : "WaitStart"), 2000);
    QCOMPARE(startButton(u)->isEnabled(), armed);
}

void TestUploader::manualModeArming()
{
    QVERIFY(TestFiles::write(m_dir.filePath("m.bin"), pattern(10)));
    Uploader u(nullptr);
    u.loadFirmwareFile(m_dir.filePath("m.bin"));
    QTRY_COMPARE_WITH_TIMEOUT(startButton(u)->text(), QString("StartUpgrade"), 2000);
    auto *box = u.findChild<myComboBox *>();
    QVERIFY(!box->isEnabled()); // automatic scan
    u.handleactManualSelection();
    QVERIFY(box->isEnabled());
    QCOMPARE(QSettings("cfg/uploader.ini", QSettings::IniFormat).value("ConnectType").toInt(), 1);
    QVERIFY(u.logText().contains("ScanMode:Manual"));
    QCOMPARE(startButton(u)->text(), QString("WaitStart"));
    box->setCurrentText("COM3");
    QTRY_COMPARE_WITH_TIMEOUT(startButton(u)->text(), QString("StartUpgrade"), 2000);
    box->setCurrentText("");
    QTRY_COMPARE_WITH_TIMEOUT(startButton(u)->text(), QString("WaitStart"), 2000);
    box->setCurrentText("/dev/ttyACM0");
    QTRY_COMPARE_WITH_TIMEOUT(startButton(u)->text(), QString("StartUpgrade"), 2000);
}

void TestUploader::flashesSimulatedUnit_data()
{
    QTest::addColumn<bool>("manual");
    QTest::addColumn<bool>("container");
    QTest::addColumn<int>("size");
    QTest::addColumn<QStringList>("simArgs");
    QTest::newRow("manual port, kvf") << true << true << 24000 << QStringList{"--nak-every", "40"};
    QTest::newRow("automatic scan of ZORVAN_EXTRA_PORTS, bin")
        << false << false << 24000 << QStringList{"--nak-every", "40"};
    // A stock bootloader: split replies, whole-flash CRC, odd image size, one corrupted byte on the line.
    QTest::newRow("manual port, stock bootloader, bin")
        << true << false << 24001
        << QStringList{"--stock", "--flash-size", "2080768", "--packet-gap-us", "500", "--dup-byte-at", "9000"};
}

// Batch mode: Start flashes every bootloader the scan finds, one row per port, until Stop.
void TestUploader::batchModeFlashesEveryUnit()
{
    const QByteArray image = pattern(40001);
    const QString file = m_dir.filePath("batch.bin");
    QVERIFY(TestFiles::write(file, image));
    SimProcess stock, plain;
    const QString stockDump = m_dir.filePath("batch-stock.dump"), plainDump = m_dir.filePath("batch-plain.dump");
    QVERIFY(stock.start(ZT_SIM_PATH, {"bootloader", "--stock", "--uid", "0123456789ABCDEF00000001", "--dump", stockDump,
                                      "--packet-gap-us", "1000"}));
    QVERIFY(plain.start(ZT_SIM_PATH, {"bootloader", "--dump", plainDump}));
    qputenv(SerialPortList::ExtraPortsVariable,
            (stock.firstLine() + "=Simulated USB bootloader;" + plain.firstLine() + "=Simulated USB bootloader 2;" +
             "/dev/zorvan-unplugged=Simulated USB, not there")
                .toUtf8());
    Uploader u(nullptr);
    u.resize(1200, 700);
    u.show();
    u.handleactBatchMode();
    QVERIFY(u.batch()->isVisible());
    QVERIFY(!startButton(u)->isVisible());
    u.loadFirmwareFile(file);
    QTest::mouseClick(u.batch()->startStopButton(), Qt::LeftButton);
    QVERIFY(u.batch()->running());
    QCOMPARE(u.batch()->startStopButton()->text(), QString("Stop"));
    QTableWidget *table = u.batch()->table();
    auto cell = [table](int row, int column) {
        QTableWidgetItem *item = table->item(row, column);
        return item ? item->text() : QString();
    };
    auto rowOf = [&](const QString &port) {
        for (int row = 0; row < table->rowCount(); ++row)
            if (cell(row, UploaderBatch::ColPort) == port)
                return row;
        return -1;
    };
    QTRY_VERIFY2_WITH_TIMEOUT(rowOf(stock.firstLine()) >= 0 && rowOf(plain.firstLine()) >= 0 &&
                                  cell(rowOf(stock.firstLine()), UploaderBatch::ColResult).startsWith("ok") &&
                                  cell(rowOf(plain.firstLine()), UploaderBatch::ColResult).startsWith("ok"),
                              qPrintable(u.logText()), 30000);
    QCOMPARE(table->rowCount(), 2); // the missing port has no row
    QCOMPARE(cell(rowOf(stock.firstLine()), UploaderBatch::ColSerial), QString("0123456789ABCDEF00000001"));
    QCOMPARE(cell(rowOf(plain.firstLine()), UploaderBatch::ColSerial), QString());
    QCOMPARE(cell(rowOf(stock.firstLine()), UploaderBatch::ColProgress), QString("100%"));
    QVERIFY(cell(rowOf(plain.firstLine()), UploaderBatch::ColTime).endsWith(" s"));
    const QByteArray padded = image + QByteArray(3, char(0xFF));
    QTRY_COMPARE_WITH_TIMEOUT(TestFiles::read(stockDump), padded, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(TestFiles::read(plainDump), padded, 5000);
    QVERIFY(u.logText().contains("[" + stock.firstLine() + "] serial       :0123456789ABCDEF00000001"));
    // Still plugged in: not flashed again while the batch runs.
    QTest::qWait(1200);
    QCOMPARE(u.logText().count("Send erase command"), 2);
    QVERIFY(m_popups.isEmpty()); // a line runs without pop-ups
    QTest::mouseClick(u.batch()->startStopButton(), Qt::LeftButton);
    QVERIFY(!u.batch()->running());
    QCOMPARE(table->rowCount(), 2); // the results stay
    // Back to a single-unit mode: its controls return and arm.
    u.handleActAutoScan();
    QVERIFY(startButton(u)->isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(startButton(u)->text(), QString("StartUpgrade"), 2000);
}

void TestUploader::flashesSimulatedUnit()
{
    QFETCH(bool, manual);
    QFETCH(bool, container);
    QFETCH(int, size);
    QFETCH(QStringList, simArgs);
    const QByteArray image = pattern(size);
    const QString dump =
        m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()).replace(QRegularExpression("\\W"), "_") + ".dump");
    QString file = m_dir.filePath("unit.bin");
    QVERIFY(TestFiles::write(file, image));
    if (container) {
        QByteArray kvf;
        QVERIFY(Kvf::build("Kavo-ORVE", 10013, image, kvf));
        file = m_dir.filePath("unit.kvf");
        QVERIFY(TestFiles::write(file, kvf));
    }
    SimProcess sim;
    QVERIFY(sim.start(ZT_SIM_PATH, QStringList{"bootloader", "--dump", dump} + simArgs));
    qputenv(SerialPortList::ExtraPortsVariable, (sim.firstLine() + "=Simulated USB bootloader").toUtf8());

    Uploader u(nullptr);
    if (manual) {
        u.handleactManualSelection();
        u.findChild<myComboBox *>()->setCurrentText(sim.firstLine());
    }
    u.loadFirmwareFile(file);
    QTRY_COMPARE_WITH_TIMEOUT(startButton(u)->text(), QString("StartUpgrade"), 2000);
    QPushButton *start = startButton(u);
    QTest::mouseClick(start, Qt::LeftButton);
    QVERIFY(start->text() == "CancelUpgrade" || start->text() == "Upgrading");
    QVERIFY(!button(u, {"SelectFile"})->isEnabled());
    QTRY_VERIFY2_WITH_TIMEOUT(!m_popups.isEmpty(), qPrintable(u.logText()), 30000);
    QCOMPARE(m_popups.first().text, QString("Firmware upgrade successfully"));
    QCOMPARE(u.statusText(), QString("Firmware upgrade successfully"));
    // The last chunk is padded with 0xFF to a whole word.
    const QByteArray padded = image + QByteArray((4 - size % 4) % 4, char(0xFF));
    QTRY_COMPARE_WITH_TIMEOUT(TestFiles::read(dump), padded, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(start->text(), QString("StartUpgrade"), 2000); // re-armed
    QVERIFY(button(u, {"SelectFile"})->isEnabled());
    if (!manual) {
        QVERIFY(u.logText().contains("PortInfo:" + sim.firstLine() + ": Simulated USB bootloader"));
        QCOMPARE(u.findChild<myComboBox *>()->currentText(), sim.firstLine());
    }
}

void TestUploader::cancelWhileProbing()
{
    PtyPair silent;
    QVERIFY(TestFiles::write(m_dir.filePath("c.bin"), pattern(10)));
    Uploader u(nullptr);
    u.handleactManualSelection();
    u.findChild<myComboBox *>()->setCurrentText(silent.slavePath());
    u.loadFirmwareFile(m_dir.filePath("c.bin"));
    QTRY_COMPARE_WITH_TIMEOUT(startButton(u)->text(), QString("StartUpgrade"), 2000);
    QTest::mouseClick(startButton(u), Qt::LeftButton);
    QCOMPARE(startButton(u)->text(), QString("CancelUpgrade"));
    QByteArray probes; // the event loop must run for the probes to go out
    QTRY_VERIFY_WITH_TIMEOUT((probes += silent.read(1, 10)).contains(QByteArray::fromHex("2120")), 5000);
    QTest::mouseClick(startButton(u), Qt::LeftButton);
    QCOMPARE(int(u.engine().state()), 0);
    QTRY_COMPARE_WITH_TIMEOUT(startButton(u)->text(), QString("StartUpgrade"), 1000);
    QVERIFY(m_popups.isEmpty());
}

void TestUploader::containerForAnotherBoard()
{
    QByteArray kvf;
    QVERIFY(Kvf::build("Kavo-EW47 Max ", 10015, pattern(3000), kvf));
    QVERIFY(TestFiles::write(m_dir.filePath("other.kvf"), kvf));
    const QString dump = m_dir.filePath("other.dump");
    SimProcess sim;
    QVERIFY(sim.start(ZT_SIM_PATH, {"bootloader", "--board-id", "10013", "--dump", dump}));
    Uploader u(nullptr);
    u.handleactManualSelection();
    u.findChild<myComboBox *>()->setCurrentText(sim.firstLine());
    u.loadFirmwareFile(m_dir.filePath("other.kvf"));
    QTRY_COMPARE_WITH_TIMEOUT(startButton(u)->text(), QString("StartUpgrade"), 2000);
    QTest::mouseClick(startButton(u), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!m_popups.isEmpty(), 15000);
    QCOMPARE(m_popups.first().text, QString("Unable to upgrade, firmware does not match hardware"));
    QVERIFY(u.logText().contains("]:kvf:10015-board:10013"));
    QVERIFY(!u.logText().contains("Send erase command"));
    QVERIFY(!QFile::exists(dump));
}

void TestUploader::chineseCaptions()
{
    QLocale::setDefault(QLocale("zh_CN"));
    Uploader u(nullptr);
    QVERIFY2(u.windowTitle().endsWith("V1.0.3") && !u.windowTitle().startsWith("FirmwareUpgrade"),
             qPrintable(u.windowTitle()));
    QVERIFY(button(u, {"SelectFile"}) == nullptr); // translated
    // The start button's caption follows the states in Chinese too, also after construction.
    QPushButton *start = button(u, {"等待开始"});
    QVERIFY(start);
    QVERIFY(TestFiles::write(m_dir.filePath("zh.bin"), pattern(10)));
    u.loadFirmwareFile(m_dir.filePath("zh.bin"));
    QTRY_COMPARE_WITH_TIMEOUT(start->text(), QString("开始升级"), 2000);
    Generate_KVF g(nullptr);
    QCOMPARE(g.windowTitle(), QString("FirmwareGenerator")); // not translated
    QVERIFY(g.findChildren<QPushButton *>().first()->text() != "LoadFirmware");
}

void TestUploader::generatorBoardChoice()
{
    QDir().mkpath("cfg");
    {
        QSettings ini("cfg/generate.ini", QSettings::IniFormat);
        ini.setValue("boardTypeIndex", "CUSTOM");
        ini.setValue("boardID", 4321);
    }
    Generate_KVF g(nullptr);
    auto *type = g.findChild<QComboBox *>();
    auto *id = g.findChild<QSpinBox *>();
    QCOMPARE(type->count(), 8);
    QCOMPARE(type->itemText(0), QString("Kavo-EW47 Max "));
    QCOMPARE(type->itemText(7), QString("custom"));
    QCOMPARE(type->currentText(), QString("custom"));
    QVERIFY(id->isEnabled());
    QCOMPARE(id->value(), 4321);
    type->setCurrentText("Kavo-QB6");
    QVERIFY(!id->isEnabled());
    QCOMPARE(id->value(), 10010);
    QCOMPARE(QSettings("cfg/generate.ini", QSettings::IniFormat).value("boardTypeIndex").toString(),
             QString("Kavo-QB6"));
    type->setCurrentText("custom");
    QVERIFY(id->isEnabled());
    QCOMPARE(id->value(), 4321);
}

void TestUploader::generatorWritesContainer()
{
    Generate_KVF g(nullptr);
    QPushButton *generate = button(g, {"GenerateFirmware"});
    QTest::mouseClick(generate, Qt::LeftButton);
    QCOMPARE(m_popups.size(), 1);
    QCOMPARE(m_popups[0].text, QString("Please load bin firmware first"));
    QCOMPARE(m_popups[0].closeAfterMs, 500);

    QVERIFY(TestFiles::write(m_dir.filePath("gen.bin"), pattern(1000)));
    g.loadBinFile(m_dir.filePath("gen.bin"));
    QVERIFY(g.findChild<QLabel *>()->text().endsWith("gen.bin Size of firmware:1000 Bytes"));
    g.findChild<QComboBox *>()->setCurrentText("Kavo-ORVE");
    QTest::mouseClick(generate, Qt::LeftButton);
    const QString out = g.lastOutput();
    QVERIFY2(QRegularExpression("/KVF/Kavo-ORVE-10013-\\d{8}-\\d{6}\\.kvf$").match(out).hasMatch(), qPrintable(out));
    const QByteArray kvf = TestFiles::read(out);
    QCOMPARE(kvf.size(), 1256);
    QCOMPARE(kvf.mid(128, 6).toHex(' '), QByteArray("1d 27 e8 03 00 00"));
    QVERIFY(Kvf::read(kvf).isValid());
    QCOMPARE(g.findChild<QLabel *>()->text(), "Generate KVF:" + out);
    QCOMPARE(QSettings("cfg/generate.ini", QSettings::IniFormat).value("boardID").toInt(), 10013);
}

QTEST_MAIN(TestUploader)
#include "tst_uploader.moc"
