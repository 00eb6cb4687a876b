// The ORVE panel against zorvan-sim ins on pseudo-terminals (offscreen): identity, sensors, lights,
// temperatures, instruments, Msg filtering, Open/Close, commands, page buttons and settings.
#include "core/flylink/FlyFrame.h"
#include "core/flylink/FlyMessages.h"
#include "factory/link/DmmmEvent.h"
#include "factory/link/FlyLink.h"
#include "factory/link/Q_DMMM.h"
#include "support/OrvePanelFixture.h"
#include "ui/factory/BasicWidget.h"
#include "ui/hud/WidgetADI.h"
#include "ui/hud/WidgetHSI.h"
#include "ui/hud/qfi_ADI.h"
#include "ui/hud/qfi_HSI.h"
#include "ui/widgets/LightButton.h"
#include "ui/widgets/OrveMyComboBox.h"
#include "ui/widgets/TimedPopup.h"

#include <QComboBox>
#include <QGroupBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSettings>
#include <QTextEdit>
#include <QtTest>

#include <memory>

using namespace OrvePanel;

class TestBasicWidget : public QObject, private OrvePanelFixture
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void liveUnitShown();
    void lightsFollowSensorMasks_data();
    void lightsFollowSensorMasks();
    void msgShowsOnlyOwnLink();
    void pageButtonsOpenWindows();
    void confirmedCommands();
    void settingsRoundTrip();
};

void TestBasicWidget::init()
{
    setUpTest();
}

void TestBasicWidget::cleanup()
{
    tearDownTest();
}

void TestBasicWidget::liveUnitShown()
{
    SimProcess sim;
    QVERIFY(startUnit(sim, {"--attitude", "12.5,-7.3", "--gnss-fix", "3"}));
    Panel panel;
    panel.resize(1280, 900);
    panel.show();
    selectPort(panel, sim.firstLine());
    QVERIFY(openAndWaitForBoard(panel));
    QCOMPARE(panel.openButton->text(), QString("Close"));
    QVERIFY(!panel.portBox->isEnabled());
    QVERIFY(!panel.baudBox->isEnabled());
    QVERIFY(!panel.linkTypeBox->isEnabled());
    QVERIFY(!panel.autoConButton->isEnabled());

    // Identity in the display formats.
    QCOMPARE(panel.hwValue->text(), QString("ORVE-Nano-202501-0001"));
    QCOMPARE(panel.fwValue->text(), QString("1.4.2.3"));
    QCOMPARE(panel.ptlValue->text(), QString("2.1.0-ORVE"));
    QCOMPARE(panel.uuidValue->text(), QString("0035002B3138510735383733"));
    QCOMPARE(panel.snValue->text(), QString("202501-0001"));

    // Live values from the 10 Hz refresh.
    QTRY_COMPARE_WITH_TIMEOUT(panel.rollValue->text(), QString("12.5"), LinkTimeoutMs);
    QCOMPARE(panel.pitchValue->text(), QString("-7.3"));
    QVERIFY(panel.yawValue->text().contains(QRegularExpression("^\\d+\\.\\d$")));
    QCOMPARE(panel.accValue[2]->text(), QString("-9.8"));
    QCOMPARE(panel.fixTypeLabel->text(), QString("3D_FIX"));
    QCOMPARE(panel.gnssLight->getBgColor(), Green);
    QVERIFY(panel.numLabel->text().contains(QRegularExpression("^Num:1[789]$")));
    QVERIFY(panel.latLabel->text().contains(QRegularExpression("^Lat:30\\.\\d{7}$")));
    QVERIFY(panel.lngLabel->text().contains(QRegularExpression("^Lng:120\\.\\d{7}$")));
    QCOMPARE(panel.hdopValue->text(), QString("0.8"));
    QCOMPARE(panel.vdopValue->text(), QString("1.2"));
    QCOMPARE(panel.saccValue->text(), QString("0.4")); // 35 x 0.01
    // Three IMUs, from ambient (25 degrees) warming under the unit's heater.
    for (int i = 0; i < 3; ++i) {
        const double imu = panel.imuTemp[i]->text().toDouble();
        QVERIFY2(imu > 24 && imu < 70, qPrintable(panel.imuTemp[i]->text()));
    }
    QVERIFY(panel.baroTemp[0]->text().toDouble() > 33);
    QTRY_COMPARE_WITH_TIMEOUT(panel.hwLight->getBgColor(), Green, LinkTimeoutMs);
    QVERIFY(panel.rxTxLabel->text().contains(QRegularExpression("^Rx:[1-9]\\d*/Tx:[1-9]\\d*$")));

    // The instruments follow.
    QCOMPARE(panel.adi->adiView->rollAngle(), 12.5f);
    QCOMPARE(panel.adi->adiView->pitchAngle(), -7.3f);
    QVERIFY(panel.hsi->hsiView->headingAngle() > 0);
    QVERIFY(panel.hudGroup->isVisible());
    QVERIFY(panel.accCaliButton->isVisible());
    QVERIFY(!panel.setSnButton->isVisible());

    // Close returns to the closed state.
    panel.openButton->click();
    QVERIFY(closedState(panel));
    FlyLink *link = Q_DMMM::instance()->linkById(1);
    QVERIFY(link);
    QTRY_COMPARE_WITH_TIMEOUT(link->deviceState(), int(DeviceCommunication::StateClosed), LinkTimeoutMs);
}

void TestBasicWidget::lightsFollowSensorMasks_data()
{
    // Lights in order: Acc, Gyro, Compass, Satellite, Baro, Airspeed (absent on this unit), Posture.
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QList<QColor>>("lights");
    QTest::addColumn<QColor>("gnssLight");
    QTest::newRow("all healthy") << QStringList{"--gnss-fix", "6"}
                                 << QList<QColor>{Green, Green, Green, Green, Green, Gray, Green} << Green;
    QTest::newRow("absent, disabled, unhealthy")
        << QStringList{"--sensor-absent",    "compass",   "--sensor-disabled", "baro,acc",
                       "--sensor-unhealthy", "gyro,gnss", "--gnss-fix",        "1"}
        << QList<QColor>{Yellow, Red, Gray, Red, Yellow, Gray, Green} << Red;
}

void TestBasicWidget::lightsFollowSensorMasks()
{
    QFETCH(QStringList, options);
    QFETCH(QList<QColor>, lights);
    QFETCH(QColor, gnssLight);
    SimProcess sim;
    QVERIFY(startUnit(sim, options));
    Panel panel;
    selectPort(panel, sim.firstLine());
    QVERIFY(openAndWaitForBoard(panel));
    // Hidden (another tab in front) the panel draws nothing; shown, it catches up at once.
    QTest::qWait(300);
    QCOMPARE(panel.rollValue->text(), QString());
    panel.show();
    QVERIFY(!panel.rollValue->text().isEmpty());
    // The system status comes once a second.
    QTRY_COMPARE_WITH_TIMEOUT(panel.statusLights[1]->getBgColor(), lights[1], LinkTimeoutMs);
    for (int i = 0; i < lights.size(); ++i)
        QVERIFY2(panel.statusLights[i]->getBgColor() == lights[i], qPrintable(QString::number(i)));
    QCOMPARE(panel.gnssLight->getBgColor(), gnssLight);
}

void TestBasicWidget::msgShowsOnlyOwnLink()
{
    SimProcess sim;
    QVERIFY(startUnit(sim, {}));
    Panel panel;
    selectPort(panel, sim.firstLine());
    QVERIFY(openAndWaitForBoard(panel));
    Q_DMMM *bus = Q_DMMM::instance();
    bus->postText(1, QStringLiteral("own link text"));
    bus->postText(-1, QStringLiteral("bus text"));
    bus->postText(2, QStringLiteral("transport link text"));
    QTRY_VERIFY(panel.messageText().contains("own link text"));
    QVERIFY(!panel.messageText().contains("bus text"));
    QVERIFY(!panel.messageText().contains("transport link text"));
    // The link's own "Uav..." texts go out with the bus id; the unit's acknowledgements with the link's.
    QVERIFY(!panel.messageText().contains("Communication established"));
    panel.gyroCaliButton->click();
    QTRY_VERIFY_WITH_TIMEOUT(panel.messageText().contains("calibrate cmd accepted"), LinkTimeoutMs);
}

void TestBasicWidget::pageButtonsOpenWindows()
{
    Panel panel;
    // Without a link: the timed warning of 3 s, and no window.
    panel.magCaliButton->click();
    QCOMPARE(m_popups.size(), 1);
    QCOMPARE(m_popups[0].title, QString("Warning"));
    QCOMPARE(m_popups[0].text, QString("Communication disconnected"));
    QCOMPARE(m_popups[0].closeAfterMs, 3000);
    QVERIFY(!panel.pages[BasicWidget::PageMagCali]);
    // The log window needs no link.
    panel.logButton->click();
    QCOMPARE(m_popups.size(), 1);
    QVERIFY(panel.pages[BasicWidget::PageLogManager] && panel.pages[BasicWidget::PageLogManager]->isVisible());
    QCOMPARE(panel.pages[BasicWidget::PageLogManager]->metaObject()->className(), "G_CFG_LogManager");
    // AccCali asks first and does nothing on No.
    panel.answer = false;
    panel.accCaliButton->click();
    QCOMPARE(panel.asked, QStringList{"confirm?/acc cali"});
    QVERIFY(!panel.pages[BasicWidget::PageAccCali]);
    panel.answer = true;

    SimProcess sim;
    QVERIFY(startUnit(sim, {}));
    selectPort(panel, sim.firstLine());
    QVERIFY(openAndWaitForBoard(panel));
    QTRY_VERIFY_WITH_TIMEOUT(Q_DMMM::instance()->linkById(1)->isConnected(), LinkTimeoutMs);
    const struct {
        QPushButton *button;
        BasicWidget::Page page;
        const char *className;
    } windows[] = {{panel.accCaliButton, BasicWidget::PageAccCali, "G_CFG_AccCali"},
                   {panel.magCaliButton, BasicWidget::PageMagCali, "G_CFG_MagCali"},
                   {panel.tempCaliButton, BasicWidget::PageTempCali, "G_CFG_IMUTemp_Cali"},
                   {panel.paramButton, BasicWidget::PageCommonParam, "G_CFG_CommonParam"},
                   {panel.setSnButton, BasicWidget::PageSerialNumber, "G_CFG_SerialNumber"}};
    for (const auto &w : windows) {
        m_popups.clear();
        w.button->click();
        QVERIFY2(m_popups.isEmpty(), w.className);
        QWidget *page = panel.pages[w.page];
        QVERIFY2(page && page->isVisible(), w.className);
        QCOMPARE(page->metaObject()->className(), w.className);
        // Titled with the link id and the unit's UUID once the board information is known.
        QVERIFY2(page->windowTitle().contains("-1-UUID:"), qPrintable(page->windowTitle()));
    }
    // Closing the link closes the calibration windows; the log window stays.
    panel.openButton->click();
    QTRY_VERIFY(!panel.pages[BasicWidget::PageMagCali]->isVisible());
    QVERIFY(!panel.pages[BasicWidget::PageAccCali]->isVisible());
    QVERIFY(!panel.pages[BasicWidget::PageTempCali]->isVisible());
    QVERIFY(panel.pages[BasicWidget::PageLogManager]->isVisible());
}

void TestBasicWidget::confirmedCommands()
{
    Panel panel;
    // Without a link a confirmed command asks and then does nothing.
    panel.rebootButton->click();
    QCOMPARE(panel.asked, QStringList{"confirm?/reboot"});

    SimProcess sim;
    QVERIFY(startUnit(sim, {}));
    selectPort(panel, sim.firstLine());
    QVERIFY(openAndWaitForBoard(panel));
    FlyLink *link = Q_DMMM::instance()->linkById(1);
    QList<int> acked;
    connect(link, &FlyLink::commandAcknowledged, this, [&](int command, int, QString) { acked << command; });
    panel.asked.clear();
    panel.answer = false;
    panel.factoryButton->click();
    panel.answer = true;
    for (QPushButton *b : {panel.baroCaliButton, panel.levelCaliButton, panel.bootloaderButton})
        b->click();
    QCOMPARE(panel.asked, (QStringList{"confirm?/factory", "confirm?/baro cali", "confirm?/level cali",
                                       "confirm?/update bootloader"}));
    QTRY_COMPARE_WITH_TIMEOUT(acked.size(), 3, LinkTimeoutMs);
    QVERIFY(!acked.contains(int(FlyCmd::FactoryReset)));
    QVERIFY(acked.contains(int(FlyCmd::WriteFactoryData)));
}

void TestBasicWidget::settingsRoundTrip()
{
    SimProcess sim;
    QVERIFY(startUnit(sim, {}));
    {
        Panel panel;
        selectPort(panel, sim.firstLine());
        panel.baudBox->setCurrentText(QStringLiteral("57600"));
        panel.openButton->click();
        QTRY_VERIFY_WITH_TIMEOUT(panel.connected, LinkTimeoutMs);
        panel.openButton->click();
    }
    QSettings settings(QStringLiteral("./cfg/Setting.ini"), QSettings::IniFormat);
    QCOMPARE(settings.value("FlyLink1/SerialPort").toString(), sim.firstLine());
    QCOMPARE(settings.value("FlyLink1/baud").toInt(), 57600);
    settings.setValue("ORVE/SN", "EnableWriteSN");
    settings.sync();

    qputenv("ZORVAN_EXTRA_PORTS",
            ("/dev/zorvan-first=First USB;" + sim.firstLine() + "=Simulated ORVE inertial unit (USB)").toUtf8());
    Panel again;
    QVERIFY(again.portBox->currentText().startsWith(sim.firstLine() + ":"));
    QCOMPARE(again.baudBox->currentText(), QString("57600"));
    again.show();
    QVERIFY(again.setSnButton->isVisible());
}

QTEST_MAIN(TestBasicWidget)
#include "tst_basicwidget.moc"
