#include "ui/maintenance/InsTransport.h"

#include "core/flylink/TransportCommand.h"
#include "core/mavlink/ParamList.h"
#include "factory/link/FactoryLinkIds.h"
#include "factory/link/FlyLink.h"
#include "factory/link/Q_DMMM.h"
#include "link/TApp.h"
#include "ui/widgets/TLabel.h"
#include "ui/widgets/TPushButton.h"
#include "ui/widgets/TimedPopup.h"
#include "ui/widgets/UiTheme.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHostAddress>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>
#include <QUdpSocket>


namespace {
constexpr quint8 OwnSystemId = 2;
constexpr int ModeNone = 0;
constexpr int ModeKavoLink = 1;
constexpr int ModeMavlink = 2;
constexpr int PopupMs = 3000;

// A port from its text; false when it is not a whole number within [minPort, 65535].
bool parsePort(const QString &text, int minPort, quint16 &port)
{
    bool ok = false;
    const uint v = text.trimmed().toUInt(&ok);
    if (!ok || v < uint(minPort) || v > 65535)
        return false;
    port = quint16(v);
    return true;
}
} // namespace

InsTransport::InsTransport(QWidget *parent) : QWidget(parent)
{
    // The link reaches the bus when it is built (ticks, events), so the bus must exist first.
    if (!Q_DMMM::instance())
        m_ownBus = new Q_DMMM(-1);
    link = new FlyLink(OwnSystemId, true);
    link->setLinkId(FactoryLinkIds::Transport);
    // The bus owns no link of this page: it relays this one's events and texts like its own links'.
    Q_DMMM::instance()->relayLink(link);
    initUi();
    initSlots();
    applyProtocolMode();
}

InsTransport::~InsTransport()
{
    delete link;
    delete m_ownBus;
}

void InsTransport::initUi()
{
    pageLayout = new QGridLayout(this);

    connectGroup = new QGroupBox(tr("Connect"), this);
    auto *connectLayout = new QGridLayout(connectGroup);
    localIpEdit = new QLineEdit(QStringLiteral("127.0.0.1"), connectGroup);
    localPortEdit = new QLineEdit(QStringLiteral("7001"), connectGroup);
    remoteIpEdit = new QLineEdit(QStringLiteral("127.0.0.1"), connectGroup);
    remotePortEdit = new QLineEdit(QStringLiteral("7000"), connectGroup);
    localIpLabel = new TLabel(tr("LocalIp"), connectGroup);
    localPortLabel = new TLabel(tr("LocalPort"), connectGroup);
    remoteIpLabel = new TLabel(tr("RemoteIp"), connectGroup);
    remotePortLabel = new TLabel(tr("RemotePort"), connectGroup);
    connectButton = new TPushButton(tr("Connect"), connectGroup);
    disconnectButton = new TPushButton(tr("DisConnect"), connectGroup);
    for (TPushButton *b : {connectButton, disconnectButton}) {
        b->setFixedHeight(rowHeight);
        b->setFixedWidth(buttonWidth);
    }
    connectLayout->addWidget(localIpLabel, 0, 0);
    connectLayout->addWidget(localIpEdit, 0, 1);
    connectLayout->addWidget(localPortLabel, 0, 2);
    connectLayout->addWidget(localPortEdit, 0, 3);
    connectLayout->addWidget(connectButton, 0, 4);
    connectLayout->addWidget(remoteIpLabel, 1, 0);
    connectLayout->addWidget(remoteIpEdit, 1, 1);
    connectLayout->addWidget(remotePortLabel, 1, 2);
    connectLayout->addWidget(remotePortEdit, 1, 3);
    connectLayout->addWidget(disconnectButton, 1, 4);
    unitStateLabel = new QLabel(connectGroup);
    unitStateLabel->setObjectName(QStringLiteral("unitStateLabel"));
    connectLayout->addWidget(unitStateLabel, 2, 0, 1, 5);

    protocolGroup = new QGroupBox(tr("Ptl"), this);
    auto *protocolLayout = new QGridLayout(protocolGroup);
    mavlinkButton = new TPushButton(tr("Mavlink"), protocolGroup);
    kavoLinkButton = new TPushButton(tr("KavoLink"), protocolGroup);
    rebootButton = new TPushButton(tr("Reboot"), protocolGroup);
    protocolLayout->addWidget(mavlinkButton, 0, 0);
    protocolLayout->addWidget(kavoLinkButton, 0, 1);
    protocolLayout->addWidget(rebootButton, 0, 2);

    paramGroup = new QGroupBox(tr("Param"), this);
    auto *paramLayout = new QGridLayout(paramGroup);
    paramPicker = new QComboBox(paramGroup);
    nameLabel = new TLabel(tr("Name"), paramGroup);
    nameEdit = new QLineEdit(paramGroup);
    currLabel = new TLabel(tr("Curr"), paramGroup);
    currEdit = new QLineEdit(paramGroup);
    currEdit->setEnabled(false);
    queryButton = new TPushButton(tr("Query"), paramGroup);
    valueLabel = new TLabel(tr("Value"), paramGroup);
    valueEdit = new QLineEdit(paramGroup);
    setButton = new TPushButton(tr("Set"), paramGroup);
    paramLayout->addWidget(nameLabel, 0, 0);
    paramLayout->addWidget(nameEdit, 0, 1);
    paramLayout->addWidget(paramPicker, 0, 2);
    paramLayout->addWidget(currLabel, 1, 0);
    paramLayout->addWidget(currEdit, 1, 1);
    paramLayout->addWidget(queryButton, 1, 2);
    paramLayout->addWidget(valueLabel, 2, 0);
    paramLayout->addWidget(valueEdit, 2, 1);
    paramLayout->addWidget(setButton, 2, 2);

    magCaliGroup = new QGroupBox(tr("MagCali"), this);
    auto *magLayout = new QGridLayout(magCaliGroup);
    currentMagLabel = new TLabel(tr("CurrentMag"), magCaliGroup);
    currentMagEdit = new QLineEdit(magCaliGroup);
    currentMagEdit->setEnabled(false);
    realMagLabel = new TLabel(tr("RealMag"), magCaliGroup);
    realMagEdit = new QLineEdit(magCaliGroup);
    caliButton = new TPushButton(tr("Cali"), magCaliGroup);
    magLayout->addWidget(currentMagLabel, 0, 0);
    magLayout->addWidget(currentMagEdit, 0, 1);
    magLayout->addWidget(realMagLabel, 1, 0);
    magLayout->addWidget(realMagEdit, 1, 1);
    magLayout->addWidget(caliButton, 1, 2);

    logView = new QPlainTextEdit(this);
    logView->setReadOnly(true);

    pageLayout->addWidget(connectGroup, 0, 0);
    pageLayout->addWidget(protocolGroup, 1, 0);
    pageLayout->addWidget(paramGroup, 2, 0);
    pageLayout->addWidget(magCaliGroup, 3, 0);
    pageLayout->addWidget(logView, 4, 0);

    // The picker lists the presets' keys in key order; the name starts as the first key's value.
    if (TApp *app = TApp::instance()) {
        const QMap<QString, QString> presets = app->params();
        paramPicker->addItems(presets.keys());
        if (!presets.isEmpty())
            nameEdit->setText(presets.first());
    }

    // Object names as the members, for style sheets and tests.
    const QList<QPair<QObject *, const char *>> names = {{connectGroup, "connectGroup"},
                                                         {localIpEdit, "localIpEdit"},
                                                         {localPortEdit, "localPortEdit"},
                                                         {remoteIpEdit, "remoteIpEdit"},
                                                         {remotePortEdit, "remotePortEdit"},
                                                         {connectButton, "connectButton"},
                                                         {disconnectButton, "disconnectButton"},
                                                         {protocolGroup, "protocolGroup"},
                                                         {mavlinkButton, "mavlinkButton"},
                                                         {kavoLinkButton, "kavoLinkButton"},
                                                         {rebootButton, "rebootButton"},
                                                         {paramGroup, "paramGroup"},
                                                         {paramPicker, "paramPicker"},
                                                         {nameEdit, "nameEdit"},
                                                         {currEdit, "currEdit"},
                                                         {queryButton, "queryButton"},
                                                         {valueEdit, "valueEdit"},
                                                         {setButton, "setButton"},
                                                         {magCaliGroup, "magCaliGroup"},
                                                         {currentMagEdit, "currentMagEdit"},
                                                         {realMagEdit, "realMagEdit"},
                                                         {caliButton, "caliButton"},
                                                         {logView, "logView"}};
    for (const auto &n : names)
        n.first->setObjectName(QLatin1String(n.second));

    if (UiTheme::style() == UiTheme::DarkStyle)
        setStyleSheet(UiTheme::readStyleSheet(QStringLiteral(":/common.qss")));
    setConnectedLook(false);
}

void InsTransport::initSlots()
{
    if (Q_DMMM *bus = Q_DMMM::instance())
        connect(bus, qOverload<int, int, QVariant>(&Q_DMMM::DMMM_Event), this, &InsTransport::handle_DMMM_event);
    connect(connectButton, &QPushButton::released, this, &InsTransport::conBtnSlot);
    connect(disconnectButton, &QPushButton::released, this, &InsTransport::disconBtnSlot);
    connect(mavlinkButton, &QPushButton::released, this, &InsTransport::mavlinkBtnSlot);
    connect(kavoLinkButton, &QPushButton::released, this, &InsTransport::kavoLinkBtnSlot);
    connect(rebootButton, &QPushButton::released, this, &InsTransport::rebootBtnSlot);
    connect(queryButton, &QPushButton::released, this, &InsTransport::queryBtnSlot);
    connect(setButton, &QPushButton::released, this, &InsTransport::setBtnSlot);
    connect(caliButton, &QPushButton::released, this, &InsTransport::caliBtnSlot);
    connect(paramPicker, &QComboBox::currentTextChanged, this, &InsTransport::paramPickerSlot);
}

void InsTransport::setConnectedLook(bool connected)
{
    m_deviceOpen = connected;
    connectButton->setEnabled(!connected);
    for (QLineEdit *e : {localIpEdit, localPortEdit, remoteIpEdit, remotePortEdit})
        e->setEnabled(!connected);
    for (QWidget *w :
         {static_cast<QWidget *>(disconnectButton), static_cast<QWidget *>(queryButton),
          static_cast<QWidget *>(setButton), static_cast<QWidget *>(caliButton), static_cast<QWidget *>(protocolGroup)})
        w->setEnabled(connected);
    m_unitAnswering = false;
    m_lastRxBytes = link->rxBytes();
    m_sinceRx.start();
    unitStateLabel->setText(connected ? tr("Waiting for the unit") : tr("Not connected"));
}

void InsTransport::applyProtocolMode()
{
    mavlinkButton->setEnabled(true);
    kavoLinkButton->setEnabled(true);
    paramGroup->setEnabled(protocolMode != ModeNone);
    magCaliGroup->setEnabled(protocolMode == ModeKavoLink);
}

void InsTransport::appendLog(const QString &line)
{
    logView->appendPlainText(line);
}

void InsTransport::refuse(const QString &text)
{
    appendLog(QStringLiteral("[TOOLS] ") + text);
    TimedPopup::exec(QMessageBox::Warning, QStringLiteral("Warning"), text, PopupMs);
}

void InsTransport::conBtnSlot()
{
    QHostAddress localIp, remoteIp;
    quint16 localPort = 0, remotePort = 0;
    // Refused before opening: an address or port that does not parse would bind or send nowhere.
    if (!localIp.setAddress(localIpEdit->text().trimmed()) || !parsePort(localPortEdit->text(), 0, localPort)) {
        refuse(tr("Not a valid local address: %1:%2").arg(localIpEdit->text(), localPortEdit->text()));
        return;
    }
    if (!remoteIp.setAddress(remoteIpEdit->text().trimmed()) || !parsePort(remotePortEdit->text(), 1, remotePort)) {
        refuse(tr("Not a valid remote address: %1:%2").arg(remoteIpEdit->text(), remotePortEdit->text()));
        return;
    }
    // Another link of this program (the Param and Log tabs bind the same address by default) may hold
    // the local address; say so instead of a silent failure.
    if (!localIp.isMulticast()) {
        QUdpSocket probe;
        if (!probe.bind(localIp, localPort) && probe.error() == QAbstractSocket::AddressInUseError) {
            refuse(tr("The local address %1:%2 is in use").arg(localIp.toString()).arg(localPort));
            return;
        }
    }
    QVariantMap map;
    map.insert(QStringLiteral("SocketUDP_IP"), QVariant::fromValue(localIp));
    map.insert(QStringLiteral("SocketUDP_Port"), int(localPort));
    map.insert(QStringLiteral("SocketUDP_TargetIP"), QVariant::fromValue(remoteIp));
    map.insert(QStringLiteral("SocketUDP_TargetPort"), int(remotePort));
    emit link->OpenProtocolDevice(map);
}

void InsTransport::disconBtnSlot()
{
    emit link->CloseProtocolDevice();
}

void InsTransport::sendCommandFrame(quint8 payload)
{
    const QByteArray frame = TransportCommand::control(payload);
    link->writeBytes(frame.constData(), frame.size());
}

void InsTransport::switchProtocol(int mode, quint8 payload)
{
    protocolMode = mode;
    applyProtocolMode();
    sendCommandFrame(payload);
    QTimer::singleShot(TransportCommand::RebootAfterSwitchMs, this,
                       [this] { sendCommandFrame(TransportCommand::Reboot); });
}

void InsTransport::mavlinkBtnSlot()
{
    switchProtocol(ModeMavlink, TransportCommand::SwitchToMavlink);
}

void InsTransport::kavoLinkBtnSlot()
{
    switchProtocol(ModeKavoLink, TransportCommand::SwitchToFlyLink);
}

void InsTransport::rebootBtnSlot()
{
    // Without a chosen protocol the transport frame; in KavoLink the link's own reboot command; in
    // MAVLink nothing (the unit takes no reboot this page could send).
    if (protocolMode == ModeNone)
        sendCommandFrame(TransportCommand::Reboot);
    else if (protocolMode == ModeKavoLink)
        link->rebootUnit();
}

void InsTransport::queryBtnSlot()
{
    if (!nameEdit->text().isEmpty())
        link->requestParam(nameEdit->text());
}

void InsTransport::setBtnSlot()
{
    const QString name = nameEdit->text();
    if (name.isEmpty() || valueEdit->text().isEmpty())
        return;
    float v = 0;
    // A value that does not read as a number is refused, never written as 0.
    if (!ParamText::parseFloat(valueEdit->text(), v)) {
        refuse(tr("Not a number: %1").arg(valueEdit->text()));
        return;
    }
    link->sendParamSet(name, v);
    appendLog(QStringLiteral("[TOOLS] ") + tr("set param: %1, value:%2").arg(name, ParamText::formatFloat(v)));
    link->requestParam(name);
}

void InsTransport::caliBtnSlot()
{
    if (realMagEdit->text().isEmpty())
        return;
    bool ok = false;
    const double heading = realMagEdit->text().trimmed().toDouble(&ok);
    // The heading travels as an unsigned 16-bit whole number: anything else would arrive changed.
    if (!ok || !(heading >= 0 && heading < 65536)) {
        refuse(tr("Not a heading in degrees: %1").arg(realMagEdit->text()));
        return;
    }
    link->DoMagSimpleCali(quint16(heading));
}

void InsTransport::paramPickerSlot(const QString &key)
{
    const QMap<QString, QString> presets = TApp::instance() ? TApp::instance()->params() : QMap<QString, QString>();
    nameEdit->setText(presets.value(key));
    queryButton->click();
}

void InsTransport::watchUnit()
{
    if (!m_deviceOpen)
        return;
    const quint32 rx = link->rxBytes();
    if (rx != m_lastRxBytes) {
        m_lastRxBytes = rx;
        m_sinceRx.start();
        if (!m_unitAnswering) {
            m_unitAnswering = true;
            unitStateLabel->setText(tr("Unit answering"));
        }
    } else if (m_unitAnswering && m_sinceRx.elapsed() > UnitSilentMs) {
        m_unitAnswering = false;
        unitStateLabel->setText(tr("Unit not answering"));
        appendLog(QStringLiteral("[TOOLS] ") + tr("The unit stopped answering"));
    }
}

void InsTransport::handle_DMMM_event(int ev, int linkid, QVariant var)
{
    const int own = link->linkId();
    switch (ev) {
    case DMMM_GCSEvent_new_textmsg:
        if (linkid == own)
            appendLog(QStringLiteral("[INS] ") + var.toString());
        break;
    case DMMM_GCSEvent_Param_value:
        if (linkid == own) {
            const FlyLink::CommonParam_t p = var.value<FlyLink::CommonParam_t>();
            const QString name = p.name();
            if (name == nameEdit->text())
                currEdit->setText(QString::number(double(p.value()), 'g', 6));
            appendLog(QStringLiteral("[INS] ") + tr("rec param: %1, value:%2").arg(name, ParamText::formatFloat(p.value())));
        }
        break;
    case DMMM_GCSEvent_Device_opened:
        if (linkid == own)
            setConnectedLook(true);
        break;
    case DMMM_GCSEvent_Device_open_failed:
        if (linkid == own)
            appendLog(QStringLiteral("[TOOLS] ") +
                      tr("Cannot open %1:%2").arg(localIpEdit->text(), localPortEdit->text()));
        Q_FALLTHROUGH();
    case DMMM_GCSEvent_Device_error:
    case DMMM_GCSEvent_Device_closed:
        if (linkid == own)
            setConnectedLook(false);
        break;
    case DMMM_GCSEvent_Timer_10Hz:
        currentMagEdit->setText(QString::number(link->record().navigation().yawCentiDeg() * 0.01, 'g', 6));
        watchUnit();
        break;
    default:
        break;
    }
}
