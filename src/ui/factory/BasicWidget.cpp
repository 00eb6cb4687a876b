#include "ui/factory/BasicWidget.h"

#include "core/util/IniSettings.h"
#include "ui/factory/G_CFG_AccCali.h"
#include "ui/factory/G_CFG_CommonParam.h"
#include "ui/factory/G_CFG_IMUTemp_Cali.h"
#include "ui/factory/G_CFG_LogManager.h"
#include "ui/factory/G_CFG_MagCali.h"
#include "ui/factory/G_CFG_SerialNumber.h"
#include "ui/widgets/UiTheme.h"

#include "factory/link/DmmmEvent.h"
#include "factory/link/FlyLink.h"
#include "factory/link/Q_DMMM.h"
#include "link/SerialPortList.h"
#include "ui/hud/WidgetADI.h"
#include "ui/hud/WidgetHSI.h"
#include "ui/hud/qfi_ADI.h"
#include "ui/hud/qfi_HSI.h"
#include "ui/widgets/LightButton.h"
#include "ui/widgets/OrveMyComboBox.h"
#include "ui/widgets/TimedPopup.h"

#include <QComboBox>
#include <QDebug>
#include <QGridLayout>
#include <QGroupBox>
#include <QHostAddress>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QSettings>
#include <QTextEdit>
#include <QThread>
#include <QTimer>

namespace {
const char *const GroupStyle = "QGroupBox {                              border: 1px solid gray;                     "
                               "        border-radius: 5px;                             margin-top: 2.3ex;           "
                               "                  }                              QGroupBox::title {                  "
                               "            subcontrol-origin:margin;                            left:10px}";

// The sensor bit of each SystemStatus light, in the order of the lights.
constexpr quint32 StatusLightBits[] = {0x2, 0x1, 0x4, 0x20, 0x8, 0x10, 0x200000};

// Port descriptions the automatic connection tries (case-sensitive containment).
const char *const AutoConKeywords[] = {"USB", "ArduPilot", "MAVLink", "SLCAN"};

QString settingsPath()
{
    return QStringLiteral("./cfg/Setting.ini");
}

QString number(double v, int precision)
{
    return QString::number(v, 'f', precision);
}
} // namespace

BasicWidget::BasicWidget(int linkid, QWidget *parent, const QString *title) : QWidget(parent), m_linkId(linkid)
{
    qDebug() << "BasicWidget" << QThread::currentThreadId();
    if (!Q_DMMM::instance())
        m_ownBus = new Q_DMMM(-1);
    setAttribute(Qt::WA_QuitOnClose, false);
    titleLabel = new QLabel(title ? *title : tr("INS_Tools-") + QString::number(linkid));
    initUi();
    initSlots();
    loadSetting();
}

BasicWidget::~BasicWidget()
{
    stopAutoCon();
    for (QWidget *&page : pages) {
        delete page;
        page = nullptr;
    }
    delete titleLabel;
    // The panel that made the bus takes it and its links down with it (the program's end, or a test).
    if (m_ownBus) {
        m_ownBus->releaseLinks();
        delete m_ownBus;
    }
}

QSize BasicWidget::sizeHint() const
{
    // The whole panel: the main window opens at this size when the screen has room for it.
    return scrollPage ? scrollPage->sizeHint() : QWidget::sizeHint();
}

bool BasicWidget::autoConnecting() const
{
    return autoConTimer && autoConTimer->isActive();
}

QString BasicWidget::messageText() const
{
    return msgEdit->toPlainText();
}

QGroupBox *BasicWidget::makeGroup(const QString &title)
{
    auto *group = new QGroupBox(title, this);
    group->setStyleSheet(QLatin1String(GroupStyle));
    return group;
}

QLabel *BasicWidget::valueLabel(const QString &text)
{
    auto *label = new QLabel(text);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

void BasicWidget::initUi()
{
    // The groups sit on a page inside a scroll area: on a small screen (a 1280 x 720 window) the page
    // scrolls instead of making the main window taller than the screen.
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto *scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    outer->addWidget(scroll);
    auto *page = new QWidget(scroll);
    scroll->setWidget(page);
    scrollPage = page;
    // The page fills itself with the window colour of the theme, so a repainted value paints no more
    // than the page beneath it.
    scroll->viewport()->setAutoFillBackground(false);
    page->setBackgroundRole(QPalette::Window);
    page->setAutoFillBackground(true);
    if (UiTheme::style() == UiTheme::DarkStyle) {
        // The dark theme's window colour: the page's labels are white.
        QPalette pal = page->palette();
        pal.setColor(QPalette::Window, QColor(0x22, 0x22, 0x22));
        page->setPalette(pal);
    }
    mainLayout = new QGridLayout(page);
    // Narrow margins: on a 1600 x 1000 screen the whole panel fits the main window without scrolling.
    mainLayout->setContentsMargins(6, 4, 6, 4);

    // Serial.
    QGroupBox *serialGroup = makeGroup(tr("Serial"));
    auto *serialLayout = new QHBoxLayout(serialGroup);
    linkTypeBox = new QComboBox(serialGroup);
    linkTypeBox->addItems({QStringLiteral("Serial"), QStringLiteral("UDP")});
    portBox = new ORVE::myComboBox(serialGroup);
    portBox->setMinimumWidth(260);
    baudBox = new QComboBox(serialGroup);
    for (int baud : {9600, 38400, 57600, 115200, 230400})
        baudBox->addItem(QString::number(baud), baud);
    baudBox->setCurrentText(QStringLiteral("115200"));
    for (QComboBox *box : {linkTypeBox, static_cast<QComboBox *>(portBox), baudBox})
        box->setFixedHeight(40);
    openButton = new QPushButton(tr("Open"), serialGroup);
    autoConButton = new QPushButton(tr("AutoCon"), serialGroup);
    rxTxLabel = new QLabel(QStringLiteral("Rx:0/Tx:0"), serialGroup);
    serialLayout->addWidget(linkTypeBox);
    serialLayout->addWidget(portBox, 1);
    serialLayout->addWidget(baudBox);
    serialLayout->addWidget(openButton);
    serialLayout->addWidget(autoConButton);
    serialLayout->addWidget(rxTxLabel);

    // HardWareInfo.
    QGroupBox *hwGroup = makeGroup(tr("HardWareInfo"));
    auto *hwLayout = new QGridLayout(hwGroup);
    hwValue = valueLabel();
    fwValue = valueLabel();
    ptlValue = valueLabel();
    uuidValue = valueLabel();
    snCaption = new QLabel(tr("SN:"), this);
    snCaption->hide();
    snValue = valueLabel();
    snValue->setParent(this);
    snValue->hide();
    hwLight = new LightButton(hwGroup);
    hwLight->setMaximumSize(25, 25);
    hwLight->setMinimumSize(25, 25);
    hwLayout->addWidget(new QLabel(tr("HW:")), 0, 0);
    hwLayout->addWidget(hwValue, 0, 1);
    hwLayout->addWidget(new QLabel(tr("FW:")), 0, 2);
    hwLayout->addWidget(fwValue, 0, 3);
    hwLayout->addWidget(hwLight, 0, 4);
    hwLayout->addWidget(new QLabel(tr("PTL:")), 1, 0);
    hwLayout->addWidget(ptlValue, 1, 1);
    hwLayout->addWidget(new QLabel(QStringLiteral("UUID:")), 1, 2);
    hwLayout->addWidget(uuidValue, 1, 3);

    // SensorInfo.
    QGroupBox *sensorGroup = makeGroup(tr("SensorInfo"));
    auto *sensorLayout = new QGridLayout(sensorGroup);
    sensorLayout->addWidget(new QLabel(tr("ATT(°)")), 0, 0);
    sensorLayout->addWidget(valueLabel(tr("Roll")), 0, 1);
    sensorLayout->addWidget(valueLabel(tr("Pitch")), 0, 2);
    sensorLayout->addWidget(valueLabel(tr("Yaw")), 0, 3);
    rollValue = valueLabel();
    pitchValue = valueLabel();
    yawValue = valueLabel();
    sensorLayout->addWidget(rollValue, 1, 1);
    sensorLayout->addWidget(pitchValue, 1, 2);
    sensorLayout->addWidget(yawValue, 1, 3);
    const QString axes[] = {QStringLiteral("X: "), QStringLiteral("Y: "), QStringLiteral("Z: ")};
    sensorLayout->addWidget(new QLabel(tr("ACC(m/ss)")), 2, 0);
    sensorLayout->addWidget(new QLabel(tr("GYRO(°/s)")), 3, 0);
    for (int i = 0; i < 3; ++i) {
        accValue[i] = valueLabel();
        gyroValue[i] = valueLabel();
        auto *accRow = new QHBoxLayout;
        accRow->addWidget(new QLabel(axes[i]));
        accRow->addWidget(accValue[i], 1);
        sensorLayout->addLayout(accRow, 2, i + 1);
        auto *gyroRow = new QHBoxLayout;
        gyroRow->addWidget(new QLabel(axes[i]));
        gyroRow->addWidget(gyroValue[i], 1);
        sensorLayout->addLayout(gyroRow, 3, i + 1);
    }
    auto *gnssRow = new QHBoxLayout;
    gnssLight = new LightButton(sensorGroup);
    gnssLight->setMaximumSize(25, 25);
    gnssLight->setMinimumSize(25, 25);
    fixTypeLabel = valueLabel(FlyLink::gpsFixText(0));
    numLabel = valueLabel(tr("NUM:"));
    latLabel = valueLabel(QStringLiteral("Lat:"));
    lngLabel = valueLabel(QStringLiteral("Lng:"));
    gnssRow->addWidget(gnssLight);
    gnssRow->addWidget(fixTypeLabel, 1);
    gnssRow->addWidget(numLabel, 1);
    gnssRow->addWidget(latLabel, 2);
    gnssRow->addWidget(lngLabel, 2);
    sensorLayout->addLayout(gnssRow, 4, 0, 1, 4);
    auto *dopRow = new QHBoxLayout;
    QLabel **dopValues[] = {&hdopValue, &vdopValue, &saccValue, &aslValue, &altValue, &baroValue};
    const char *dopCaptions[] = {"hdop:", "vdop:", "sacc:", "asl:", "alt:", "baro:"};
    for (int i = 0; i < 6; ++i) {
        *dopValues[i] = valueLabel();
        dopRow->addWidget(new QLabel(QLatin1String(dopCaptions[i])));
        dopRow->addWidget(*dopValues[i], 1);
    }
    sensorLayout->addLayout(dopRow, 5, 0, 1, 4);

    // SystemStatus.
    QGroupBox *statusGroup = makeGroup(tr("SystemStatus"));
    auto *statusLayout = new QGridLayout(statusGroup);
    const QString lightCaptions[LightCount] = {tr("Acc"),  tr("Gyro"),     tr("Compass"), tr("Satellite"),
                                               tr("Baro"), tr("Airspeed"), tr("Posture")};
    for (int i = 0; i < LightCount; ++i) {
        statusLights[i] = new LightButton(statusGroup);
        statusLights[i]->setMinimumSize(30, 30);
        statusLights[i]->setMaximumSize(40, 40);
        statusLayout->addWidget(statusLights[i], 0, i, Qt::AlignCenter);
        statusLayout->addWidget(valueLabel(lightCaptions[i]), 1, i);
    }

    // Temperature.
    QGroupBox *tempGroup = makeGroup(tr("Temperature"));
    auto *tempLayout = new QHBoxLayout(tempGroup);
    for (int i = 0; i < 3; ++i) {
        imuTemp[i] = valueLabel();
        tempLayout->addWidget(new QLabel(QStringLiteral("IMU%1:").arg(i + 1)));
        tempLayout->addWidget(imuTemp[i], 1);
    }
    for (int i = 0; i < 3; ++i) {
        baroTemp[i] = valueLabel();
        tempLayout->addWidget(new QLabel(QStringLiteral("Baro%1:").arg(i + 1)));
        tempLayout->addWidget(baroTemp[i], 1);
    }

    // Tools. AccCali sits in the last row so the accelerometer window is reachable from the panel.
    QGroupBox *toolsGroup = makeGroup(tr("Tools"));
    auto *toolsLayout = new QGridLayout(toolsGroup);
    gyroCaliButton = new QPushButton(tr("GyroCali"));
    baroCaliButton = new QPushButton(tr("BaroCali"));
    magCaliButton = new QPushButton(tr("MagCali"));
    levelCaliButton = new QPushButton(tr("LevelCali"));
    tempCaliButton = new QPushButton(tr("TempCali"));
    rebootButton = new QPushButton(tr("Reboot"));
    factoryButton = new QPushButton(tr("Factory"));
    bootloaderButton = new QPushButton(tr("Bootloader"));
    paramButton = new QPushButton(tr("Param"));
    logButton = new QPushButton(tr("Log"));
    setSnButton = new QPushButton(tr("SetSN"));
    accCaliButton = new QPushButton(tr("AccCali"));
    QPushButton *grid[3][4] = {{gyroCaliButton, baroCaliButton, magCaliButton, levelCaliButton},
                               {tempCaliButton, rebootButton, factoryButton, bootloaderButton},
                               {paramButton, logButton, setSnButton, accCaliButton}};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 4; ++c)
            toolsLayout->addWidget(grid[r][c], r, c);
    }
    IniSettings settings(settingsPath());
    settings.setIniCodec("UTF-8");
    setSnButton->setVisible(settings.value(QStringLiteral("ORVE/SN")).toString() == QLatin1String("EnableWriteSN"));

    // Msg.
    QGroupBox *msgGroup = makeGroup(tr("Msg"));
    auto *msgLayout = new QVBoxLayout(msgGroup);
    msgEdit = new QTextEdit(msgGroup);
    msgEdit->setStyleSheet(QStringLiteral("background-color: #333333;"));
    msgEdit->setReadOnly(true);
    msgLayout->addWidget(msgEdit);

    // HUD: the live attitude and heading beside the groups.
    hudGroup = makeGroup(tr("HUD"));
    auto *hudLayout = new QVBoxLayout(hudGroup);
    adi = new WidgetADI(hudGroup);
    hsi = new WidgetHSI(hudGroup);
    // The artwork's design size: drawn 1:1 from the layer caches, and no more pixels per frame than
    // needed.
    for (QWidget *instrument : {static_cast<QWidget *>(adi), static_cast<QWidget *>(hsi)}) {
        instrument->setFixedSize(240, 240);
        hudLayout->addWidget(instrument, 0, Qt::AlignHCenter);
    }
    hudLayout->addStretch(1);

    mainLayout->addWidget(serialGroup, 1, 0);
    mainLayout->addWidget(hwGroup, 2, 0);
    mainLayout->addWidget(sensorGroup, 4, 0);
    mainLayout->addWidget(statusGroup, 5, 0);
    mainLayout->addWidget(tempGroup, 6, 0);
    mainLayout->addWidget(toolsGroup, 7, 0);
    mainLayout->addWidget(msgGroup, 9, 0);
    // The live attitude and heading beside the groups.
    mainLayout->addWidget(hudGroup, 1, 1, 9, 1);
    mainLayout->setColumnStretch(0, 3);
    mainLayout->setColumnStretch(1, 1);
    mainLayout->setRowStretch(9, 1);
}

void BasicWidget::initSlots()
{
    connect(openButton, &QAbstractButton::released, this, &BasicWidget::Slot_qCom_PB);
    connect(autoConButton, &QAbstractButton::released, this, &BasicWidget::btnAutoConSlot);
    connect(paramButton, &QAbstractButton::released, this, &BasicWidget::qParam_Edit_Slot);
    connect(logButton, &QAbstractButton::released, this, &BasicWidget::pb_logManager_slot);
    connect(setSnButton, &QAbstractButton::released, this, &BasicWidget::pb_serialnum_slots);
    connect(magCaliButton, &QAbstractButton::released, this, &BasicWidget::pb_Mag_cali_slots);
    connect(tempCaliButton, &QAbstractButton::released, this, &BasicWidget::pb_IMU_Temp_cali_slots);
    connect(accCaliButton, &QAbstractButton::released, this, &BasicWidget::pb_acc_cali_slots);

    const struct
    {
        QPushButton *button;
        const char *text;
        bool (*command)(FlyLink *);
    } confirmed[] = {
        {gyroCaliButton, "gyro cali",
         [](FlyLink *l) {
             return l->DoGyroZeroCali();
         }},
        {baroCaliButton, "baro cali",
         [](FlyLink *l) {
             return l->DoBaroCali();
         }},
        {bootloaderButton, "update bootloader",
         [](FlyLink *l) {
             return l->WriteFactoryData();
         }},
        {levelCaliButton, "level cali",
         [](FlyLink *l) {
             return l->StartAccLevelCali();
         }},
        {rebootButton, "reboot",
         [](FlyLink *l) {
             return l->rebootUnit();
         }},
        {factoryButton, "factory",
         [](FlyLink *l) {
             return l->factoryReset();
         }},
    };
    for (const auto &c : confirmed) {
        const QString text = QLatin1String(c.text);
        auto command = c.command;
        connect(c.button, &QAbstractButton::released, this, [this, text, command] { runConfirmed(text, command); });
    }

    if (Q_DMMM *bus = Q_DMMM::instance())
        connect(bus, qOverload<int, int, QVariant>(&Q_DMMM::DMMM_Event), this, &BasicWidget::handle_DMMM_event);
}

bool BasicWidget::questionBox(const QString &title, const QString &text)
{
    return QMessageBox::question(this, title, text, QMessageBox::Yes | QMessageBox::No) != QMessageBox::No;
}

void BasicWidget::runConfirmed(const QString &text, bool (*command)(FlyLink *))
{
    if (!questionBox(QStringLiteral("confirm?"), text))
        return;
    Q_DMMM *bus = Q_DMMM::instance();
    if (FlyLink *link = bus ? bus->linkById(m_linkId) : nullptr)
        command(link);
}

void BasicWidget::showTimedWarning(const QString &text, int ms)
{
    TimedPopup::exec(QMessageBox::Information, tr("Warning"), text, ms);
}

void BasicWidget::Slot_qCom_PB()
{
    Q_DMMM *bus = Q_DMMM::instance();
    if (!bus)
        return;
    if (connected) {
        closeLink(bus);
        setComLinkState(false);
        autoConButton->setEnabled(true);
        closePages({PageAccCali, PageMagCali, PageTempCali});
        return;
    }
    QVariantMap map;
    if (linkTypeBox->currentIndex() == 0) {
        map.insert(QStringLiteral("SerialPortName"), portBox->currentText().section(QLatin1Char(':'), 0, 0));
        bool ok = false;
        const int baud = baudBox->currentText().toInt(&ok);
        map.insert(QStringLiteral("SerialPort_baudRate"), ok ? baud : 115200);
    } else {
        qRegisterMetaType<QHostAddress>("QHostAddress");
        map.insert(QStringLiteral("SocketUDP_IP"), QVariant::fromValue(QHostAddress(QStringLiteral("127.0.0.1"))));
        map.insert(QStringLiteral("SocketUDP_Port"), 7001);
        map.insert(QStringLiteral("SocketUDP_TargetIP"),
                   QVariant::fromValue(QHostAddress(QStringLiteral("127.0.0.1"))));
        map.insert(QStringLiteral("SocketUDP_TargetPort"), 7000);
    }
    openRequested = true;
    bus->openLink(map, m_linkId);
}

void BasicWidget::closeLink(Q_DMMM *bus)
{
    openRequested = false;
    emit bus->close(m_linkId);
}

void BasicWidget::setComLinkState(bool state)
{
    connected = state;
    openButton->setText(state ? tr("Close") : tr("Open"));
    portBox->setEnabled(!state);
    baudBox->setEnabled(!state);
    linkTypeBox->setEnabled(!state);
    if (!state)
        return;
    autoConButton->setEnabled(false);
    IniSettings settings(settingsPath());
    settings.setIniCodec("UTF-8");
    const QString group = QStringLiteral("FlyLink") + QString::number(m_linkId);
    settings.setValue(group + QStringLiteral("/SerialPort"), portBox->currentText().section(QLatin1Char(':'), 0, 0));
    settings.setValue(group + QStringLiteral("/baud"), baudBox->currentText().toInt());
}

void BasicWidget::loadSetting()
{
    IniSettings settings(settingsPath());
    settings.setIniCodec("UTF-8");
    const QString group = QStringLiteral("FlyLink") + QString::number(m_linkId);
    const QString portKey = group + QStringLiteral("/SerialPort");
    if (settings.contains(portKey)) {
        const QString name = settings.value(portKey).toString();
        for (int i = 0; i < portBox->count(); ++i) {
            if (portBox->itemText(i).contains(name)) {
                portBox->setCurrentIndex(i);
                break;
            }
        }
    }
    const QString baudKey = group + QStringLiteral("/baud");
    if (settings.contains(baudKey))
        baudBox->setCurrentText(settings.value(baudKey).toString());
}

void BasicWidget::btnAutoConSlot()
{
    setComLinkState(true);
    autoConButton->setEnabled(false);
    candidatePorts.clear();
    attempts = 0;
    if (!autoConTimer) {
        autoConTimer = new QTimer(this);
        autoConTimer->setInterval(autoConIntervalMs);
        connect(autoConTimer, &QTimer::timeout, this, &BasicWidget::autoConTick);
    }
    if (!autoConTimer->isActive())
        autoConTimer->start();
}

void BasicWidget::stopAutoCon()
{
    if (autoConTimer)
        autoConTimer->stop();
}

void BasicWidget::autoConTick()
{
    Q_DMMM *bus = Q_DMMM::instance();
    if (!bus)
        return;
    if (++attempts > AutoConMaxTicks) {
        // Give up: close what is open and hand the controls back. The tick ends here, so no further
        // port is opened after the reset.
        // Closed whether or not the open of the last candidate has been confirmed yet.
        closeLink(bus);
        setComLinkState(false);
        autoConButton->setEnabled(true);
        stopAutoCon();
        attempts = 0;
        qDebug() << "could not connect to ins";
        return;
    }
    if (candidatePorts.isEmpty()) {
        for (const SerialPortEntry &port : SerialPortList::availablePorts()) {
            const QString text = SerialPortList::entryText(port);
            for (const char *keyword : AutoConKeywords) {
                if (text.contains(QLatin1String(keyword))) {
                    if (!candidatePorts.contains(text))
                        candidatePorts.append(text);
                    break;
                }
            }
        }
    }
    if (candidatePorts.isEmpty())
        return;
    const QString candidate = candidatePorts.takeFirst();
    portBox->refreshPorts();
    portBox->setCurrentText(candidate);
    if (connected)
        closeLink(bus);
    connected = false;
    Slot_qCom_PB();
}

void BasicWidget::handle_DMMM_event(int ev, int linkid, QVariant var)
{
    Q_DMMM *bus = Q_DMMM::instance();
    switch (ev) {
    case DMMM_GCSEvent_new_textmsg:
        if (linkid == m_linkId)
            msgEdit->append(var.toString());
        break;
    case DMMM_GCSEvent_Protocol_Actived:
        // Another link coming up must not end the hunt on whatever port this panel has open.
        if (linkid != m_linkId)
            break;
        stopAutoCon();
        autoConButton->setEnabled(false);
        qDebug() << "DMMM_GCSEvent_Protocol_Actived";
        break;
    case DMMM_GCSEvent_GetBoardInfo:
        // Only this link's board information: another link's must not stop the requests of this one.
        if (linkid != m_linkId || !bus || !bus->linkById(m_linkId))
            break;
        qDebug() << "DMMM_GCSEvent_GetBoardInfo";
        pool = bus->linkById(m_linkId)->record();
        boardInfo = pool.toByteArray().mid(TelemetryRecord::BoardInfo, FlyMsg::BoardInfoLen);
        showBoardInfo();
        boardInfoReceived = true;
        break;
    case DMMM_GCSEvent_Device_error:
    case DMMM_GCSEvent_Device_open_failed:
        if (linkid != m_linkId)
            break;
        setComLinkState(false);
        if (bus)
            closeLink(bus);
        closePages({PageAccCali, PageMagCali, PageTempCali, PageCommonParam});
        // Outside a hunt the user gets AutoCon back; during one the next tick tries the next port.
        if (!autoConnecting())
            autoConButton->setEnabled(true);
        break;
    case DMMM_GCSEvent_Device_opened:
        // An open that completes after the panel closed the link again (a hunt that gave up or moved
        // on) must not show the closed link as open.
        if (linkid == m_linkId && openRequested)
            setComLinkState(true);
        break;
    case DMMM_GCSEvent_Timer_1Hz:
        if (!boardInfoReceived)
            req_boardinfo();
        break;
    case DMMM_GCSEvent_Timer_10Hz:
        // Behind another tab nothing is drawn: the displays catch up when the panel shows again.
        if (isVisible())
            refreshFromLink();
        break;
    default:
        break;
    }
}

void BasicWidget::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    refreshFromLink();
}

void BasicWidget::refreshFromLink()
{
    Q_DMMM *bus = Q_DMMM::instance();
    FlyLink *link = bus ? bus->linkById(m_linkId) : nullptr;
    if (connected && link) {
        const FlyLink::Counters c = link->counters();
        rxTxLabel->setText(QStringLiteral("Rx:%1/Tx:%2").arg(c.rxBytes).arg(c.txBytes));
    }
    if (boardInfoReceived && link) {
        pool = bus->poolSnapshot(m_linkId);
        refreshDisplays();
        if (pool.sysStatus().hardwareOk())
            hwLight->setGreen();
        else
            hwLight->setRed();
    }
}

void BasicWidget::req_boardinfo()
{
    Q_DMMM *bus = Q_DMMM::instance();
    if (FlyLink *link = bus ? bus->linkById(m_linkId) : nullptr)
        link->requestBoardInfo();
}

void BasicWidget::showBoardInfo()
{
    const FlyBoardInfoView board(reinterpret_cast<const uchar *>(boardInfo.constData()));
    m_uuidText = FlyText::uuidText(board);
    uuidValue->setText(m_uuidText);
    hwValue->setText(FlyText::boardTypeName(board.boardType()) + QLatin1Char('-') +
                     FlyText::serialNumberText(board.serialNumber()));
    fwValue->setText(FlyText::firmwareText(board.firmwareVersion()));
    snValue->setText(FlyText::serialNumberText(board.serialNumber()));
    ptlValue->setText(FlyText::protocolText(board.protocolWord()));
    setPageTitles();
}

void BasicWidget::refreshDisplays()
{
    const FlyNavView nav = pool.navigation();
    const double roll = nav.rollCentiDeg() * 0.01;
    const double pitch = nav.pitchCentiDeg() * 0.01;
    const double yaw = nav.yawCentiDeg() * 0.01;
    rollValue->setText(number(roll, 1));
    pitchValue->setText(number(pitch, 1));
    yawValue->setText(number(yaw, 1));
    const float acc[3] = {nav.accX(), nav.accY(), nav.accZ()};
    const float gyro[3] = {nav.gyroX(), nav.gyroY(), nav.gyroZ()};
    for (int i = 0; i < 3; ++i) {
        accValue[i]->setText(number(acc[i], 1));
        gyroValue[i]->setText(number(gyro[i], 1));
    }

    const FlyGnssView gnss = pool.gnss(0);
    fixTypeLabel->setText(FlyLink::gpsFixText(gnss.fixType()));
    if (gnss.fixType() <= 1)
        gnssLight->setRed();
    else
        gnssLight->setGreen();
    numLabel->setText(tr("Num:") + QString::number(gnss.satellites()));
    latLabel->setText(QStringLiteral("Lat:") + number(nav.latE7() * 1e-7, 7));
    lngLabel->setText(QStringLiteral("Lng:") + number(nav.lonE7() * 1e-7, 7));
    hdopValue->setText(number(gnss.hdopCenti() * 0.01, 1));
    vdopValue->setText(number(gnss.vdopCenti() * 0.01, 1));
    saccValue->setText(number(gnss.speedAccCenti() * 0.01, 1));
    aslValue->setText(number(nav.altitudeAsl(), 1));
    altValue->setText(number(-nav.positionDown(), 1));
    baroValue->setText(number(nav.baroAltitude(), 1));

    adi->adiView->setRollAngle(float(roll));
    adi->adiView->setPitchAngle(float(pitch));
    adi->adiView->applyAttitude();
    hsi->hsiView->setHeadingAngle(float(yaw));
    hsi->hsiView->redraw();

    for (int i = 0; i < 3; ++i) {
        imuTemp[i]->setText(number(pool.imu(i).temperatureCenti() * 0.01, 1));
        baroTemp[i]->setText(number(pool.baro(i).temperatureCenti() * 0.01, 1));
    }
    refreshLights(pool.sysStatus());
}

void BasicWidget::refreshLights(const FlySysStatusView &status)
{
    const quint32 present = status.sensorsPresent();
    const quint32 enabled = status.sensorsEnabled();
    const quint32 healthy = status.sensorsHealthy();
    for (int i = 0; i < LightCount; ++i) {
        const quint32 bit = StatusLightBits[i];
        if (!(present & bit))
            statusLights[i]->setGray();
        else if (!(enabled & bit))
            statusLights[i]->setYellow();
        else if (healthy & bit)
            statusLights[i]->setGreen();
        else
            statusLights[i]->setRed();
    }
}

// Factory windows ---------------------------------------------------------------------------------

QWidget *BasicWidget::createPage(Page page)
{
    // The one place where each factory window is made: with this panel's link id, hidden, without a
    // parent, so it is a window of its own; the panel deletes it.
    switch (page) {
    case PageAccCali:
        return new G_CFG_AccCali(m_linkId);
    case PageMagCali:
        return new G_CFG_MagCali(m_linkId);
    case PageTempCali:
        return new G_CFG_IMUTemp_Cali(m_linkId);
    case PageCommonParam:
        return new G_CFG_CommonParam(m_linkId);
    case PageSerialNumber:
        return new G_CFG_SerialNumber(m_linkId);
    case PageLogManager:
        return new G_CFG_LogManager(m_linkId);
    case PageCount:
        break;
    }
    return nullptr;
}

void BasicWidget::showPage(Page page, bool needsLink)
{
    if (needsLink) {
        Q_DMMM *bus = Q_DMMM::instance();
        FlyLink *link = bus ? bus->linkById(m_linkId) : nullptr;
        if (!link || !link->isConnected()) {
            showTimedWarning(tr("Communication disconnected"), WarningMs);
            return;
        }
    }
    if (!pages[page]) {
        pages[page] = createPage(page);
        if (pages[page] && !m_uuidText.isEmpty())
            setPageTitles();
    }
    if (!pages[page]) {
        showTimedWarning(tr("This window is not available yet"), WarningMs);
        return;
    }
    pages[page]->showNormal();
}

void BasicWidget::closePages(std::initializer_list<Page> which)
{
    for (Page page : which) {
        if (pages[page])
            pages[page]->close();
    }
}

void BasicWidget::setPageTitles()
{
    const QString titles[PageCount] = {tr("AccCali"), tr("MagCali"), tr("TempCali"),
                                       tr("Param"),   tr("SetSN"),   tr("Log")};
    const QString suffix = QLatin1Char('-') + QString::number(m_linkId) + QStringLiteral("-UUID:") + m_uuidText;
    for (int i = 0; i < PageCount; ++i) {
        if (pages[i])
            pages[i]->setWindowTitle(titles[i] + suffix);
    }
}

void BasicWidget::qParam_Edit_Slot()
{
    showPage(PageCommonParam, true);
}

void BasicWidget::pb_logManager_slot()
{
    showPage(PageLogManager, false);
}

void BasicWidget::pb_acc_cali_slots()
{
    if (!questionBox(QStringLiteral("confirm?"), QStringLiteral("acc cali")))
        return;
    showPage(PageAccCali, true);
}

void BasicWidget::pb_serialnum_slots()
{
    showPage(PageSerialNumber, true);
}

void BasicWidget::pb_Mag_cali_slots()
{
    showPage(PageMagCali, true);
}

void BasicWidget::pb_IMU_Temp_cali_slots()
{
    showPage(PageTempCali, true);
}
