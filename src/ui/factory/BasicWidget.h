#pragma once

#include "core/flylink/TelemetryRecord.h"

#include <QByteArray>
#include <QPointer>
#include <QStringList>
#include <QVariant>
#include <QWidget>

class LightButton;
class Q_DMMM;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QPushButton;
class QTextEdit;
class QTimer;
class WidgetADI;
class WidgetHSI;
namespace ORVE {
class myComboBox;
}

// ORVE tab: the factory panel of the inertial unit on one factory link. Opens the link (serial port
// or local UDP) through Q_DMMM, can hunt for the unit over the serial ports (AutoCon), shows the
// unit's identity, live sensor values, health lights, temperatures, attitude and heading, prints the
// link's own texts, and offers the one-shot commands and the factory windows.
//
// Everything runs in the GUI thread; what it shows comes from DMMM_Event and from consistent copies
// of the link's record. Settings: ./cfg/Setting.ini ("FlyLink"N"/SerialPort", "FlyLink"N"/baud",
// "ORVE/SN").
class BasicWidget : public QWidget
{
    Q_OBJECT
public:
    // The factory windows the panel opens; each is created in one place (createPage).
    enum Page { PageAccCali, PageMagCali, PageTempCali, PageCommonParam, PageSerialNumber, PageLogManager, PageCount };

    static constexpr int AutoConIntervalMs = 400;
    static constexpr int AutoConMaxTicks = 20;
    static constexpr int WarningMs = 3000;

    explicit BasicWidget(int linkid, QWidget *parent = nullptr, const QString *title = nullptr);
    ~BasicWidget() override;

    int linkId() const { return m_linkId; }
    // The main window's name for the link id.
    int mode() const { return m_linkId; }
    bool isLinkConnected() const { return connected; }
    bool autoConnecting() const;
    // Interval of the automatic connection's ticks (400 ms; tests shorten it).
    void setAutoConInterval(int ms) { autoConIntervalMs = ms; }

    // The text the Msg box holds (tests, bench).
    QString messageText() const;
    // The size of the whole panel, without scrolling (the scroll area's own hint is much smaller).
    QSize sizeHint() const override;

protected:
    // The "confirm?" question of the tool buttons; true unless the answer is No (tests replace it).
    virtual bool questionBox(const QString &title, const QString &text);
    void showEvent(QShowEvent *event) override;

private slots:
    void Slot_qCom_PB();
    void btnAutoConSlot();
    void setComLinkState(bool state);
    void loadSetting();
    void handle_DMMM_event(int ev, int linkid, QVariant var);
    void req_boardinfo();
    void qParam_Edit_Slot();
    void pb_logManager_slot();
    void pb_acc_cali_slots();
    void pb_serialnum_slots();
    void pb_Mag_cali_slots();
    void pb_IMU_Temp_cali_slots();

private:
    void initUi();
    void initSlots();
    QGroupBox *makeGroup(const QString &title);
    QLabel *valueLabel(const QString &text = QString());
    void autoConTick();
    // Asks the bus to close the link; a later "opened" of an earlier request is then ignored.
    void closeLink(Q_DMMM *bus);
    void stopAutoCon();
    void runConfirmed(const QString &text, bool (*command)(class FlyLink *));
    void showTimedWarning(const QString &text, int ms);

    // Factory windows.
    QWidget *createPage(Page page);
    void showPage(Page page, bool needsLink);
    void closePages(std::initializer_list<Page> pages);
    void setPageTitles();

    // Displays.
    void showBoardInfo();
    // The 10 Hz work: counters, then (once the board information is known) the record's values.
    void refreshFromLink();
    void refreshDisplays();
    void refreshLights(const FlySysStatusView &status);

    int m_linkId;
    bool connected = false;
    bool openRequested = false; // an open was asked for and not closed since
    bool boardInfoReceived = false;
    QByteArray boardInfo; // the 34 bytes of the last board information shown
    QString m_uuidText;
    TelemetryRecord pool;
    QPointer<QTimer> autoConTimer;
    QStringList candidatePorts;
    int attempts = 0;
    int autoConIntervalMs = AutoConIntervalMs;
    Q_DMMM *m_ownBus = nullptr;
    QWidget *pages[PageCount] = {};

    QGridLayout *mainLayout = nullptr;
    QLabel *titleLabel = nullptr;

    // Serial.
    QComboBox *linkTypeBox = nullptr;
    ORVE::myComboBox *portBox = nullptr;
    QComboBox *baudBox = nullptr;
    QPushButton *openButton = nullptr;
    QPushButton *autoConButton = nullptr;
    QLabel *rxTxLabel = nullptr;

    // HardWareInfo.
    QLabel *hwValue = nullptr;
    QLabel *fwValue = nullptr;
    QLabel *ptlValue = nullptr;
    QLabel *uuidValue = nullptr;
    QLabel *snCaption = nullptr;
    QLabel *snValue = nullptr;
    LightButton *hwLight = nullptr;

    // SensorInfo.
    QLabel *rollValue = nullptr, *pitchValue = nullptr, *yawValue = nullptr;
    QLabel *accValue[3] = {};
    QLabel *gyroValue[3] = {};
    LightButton *gnssLight = nullptr;
    QLabel *fixTypeLabel = nullptr;
    QLabel *numLabel = nullptr;
    QLabel *latLabel = nullptr;
    QLabel *lngLabel = nullptr;
    QLabel *hdopValue = nullptr, *vdopValue = nullptr, *saccValue = nullptr;
    QLabel *aslValue = nullptr, *altValue = nullptr, *baroValue = nullptr;

    // SystemStatus: Acc, Gyro, Compass, Satellite, Baro, Airspeed, Posture.
    static constexpr int LightCount = 7;
    LightButton *statusLights[LightCount] = {};

    // Temperature: IMU1-3, Baro1-3.
    QLabel *imuTemp[3] = {};
    QLabel *baroTemp[3] = {};

    // Tools.
    QPushButton *gyroCaliButton = nullptr, *baroCaliButton = nullptr, *magCaliButton = nullptr;
    QPushButton *levelCaliButton = nullptr, *tempCaliButton = nullptr, *rebootButton = nullptr;
    QPushButton *factoryButton = nullptr, *bootloaderButton = nullptr, *paramButton = nullptr;
    QPushButton *logButton = nullptr, *setSnButton = nullptr, *accCaliButton = nullptr;

    // Msg and HUD.
    QTextEdit *msgEdit = nullptr;
    QWidget *scrollPage = nullptr; // the groups, inside the scroll area
    QGroupBox *hudGroup = nullptr;
    WidgetADI *adi = nullptr;
    WidgetHSI *hsi = nullptr;

    // Test suites of the panel read its controls and state directly.
    friend class OrvePanelFixture;
    friend class TestBasicWidget;
    friend class TestOrvePanelLink;
};
