#include "ui/factory/G_CFG_AccCali.h"

#include "factory/link/FlyLink.h"
#include "factory/link/Q_DMMM.h"
#include "core/flylink/TelemetryRecord.h"
#include "ui/factory/FactoryPageWindow.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpacerItem>

namespace {
constexpr quint8 FirstFace = 1;
constexpr quint8 LastFace = 6;
} // namespace

G_CFG_AccCali::G_CFG_AccCali(int linkid, QWidget *parent) : QWidget(parent)
{
    initUi();
    initSlots();
    FactoryPageWindow::setUp(this, tr("AccCali"));
    m_linkId = linkid;
}

QString G_CFG_AccCali::caliStateText(quint8 state)
{
    return tr(FlyText::accCaliStateSource(state));
}

QString G_CFG_AccCali::statusText() const
{
    return m_statusLabel->text();
}

QString G_CFG_AccCali::startButtonText() const
{
    return m_startButton->text();
}

void G_CFG_AccCali::initUi()
{
    m_titleLabel = new QLabel(tr("AccCali"), this);
    m_titleLabel->setObjectName(QStringLiteral("CfgWIdgetTitle"));
    m_titleLabel->setAlignment(Qt::AlignCenter);
    m_mainGrid = new QGridLayout(this);

    m_statusLabel = new QLabel(tr("WaitingForStart"), this);
    m_statusLabel->setObjectName(QStringLiteral("widgetNameLabel"));
    m_instruction3D = new QLabel(
        QStringLiteral("When the accelerometer is 3D calibrated, please follow the instructions below to place "
                       "Aircraft, please make sure the aircraft is stable and click the operation button."),
        this);
    m_instructionBasic = new QLabel(tr("Add the basic calibration, position the aircraft horizontally,Calibration "
                                       "shall be performed after the aircraft is stabilized."),
                                    this);
    for (QLabel *l : {m_instruction3D, m_instructionBasic}) {
        l->setObjectName(QStringLiteral("infomationLabel"));
        l->setAlignment(Qt::AlignCenter);
        l->setFixedWidth(500);
        l->setWordWrap(true);
    }

    m_group3D = new QGroupBox(tr("3D Cali"), this);
    m_groupBasic = new QGroupBox(tr("BasicCali"), this);
    for (QGroupBox *g : {m_group3D, m_groupBasic}) {
        g->setObjectName(QStringLiteral("SystemConfigWidgetSubGroupBox"));
        g->setAlignment(Qt::AlignHCenter);
    }
    m_grid3D = new QGridLayout(m_group3D);
    m_gridBasic = new QGridLayout(m_groupBasic);

    m_startButton = new QPushButton(tr("3D Cali"), this);
    m_basicButton = new QPushButton(tr("BasicCali"), this);
    m_stopButton = new QPushButton(tr("StopCali"), this);
    for (QPushButton *b : {m_startButton, m_basicButton, m_stopButton})
        b->setObjectName(QStringLiteral("WidgetCMD_Action"));

    m_grid3D->addWidget(m_instruction3D, 0, 0, 1, 20, Qt::AlignCenter);
    m_grid3D->addWidget(m_statusLabel, 1, 0, 1, 20, Qt::AlignCenter);
    m_grid3D->addWidget(m_startButton, 2, 9, 1, 1, Qt::AlignCenter);
    m_grid3D->addWidget(m_stopButton, 2, 10, 1, 1, Qt::AlignCenter);
    m_grid3D->setRowMinimumHeight(0, 50);
    m_grid3D->setRowMinimumHeight(1, 25);
    m_grid3D->setRowMinimumHeight(2, 30);

    m_gridBasic->addWidget(m_instructionBasic, 0, 0, 2, 20, Qt::AlignCenter);
    m_gridBasic->addWidget(m_basicButton, 2, 9, 1, 2, Qt::AlignCenter);

    m_mainGrid->addWidget(m_titleLabel, 0, 0, 1, 4);
    m_mainGrid->addWidget(m_group3D, 2, 1);
    m_mainGrid->addWidget(m_groupBasic, 2, 2);
    m_mainGrid->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Expanding), 3, 3);
    m_mainGrid->setContentsMargins(10, 20, 10, 20);
}

void G_CFG_AccCali::initSlots()
{
    if (Q_DMMM *bus = Q_DMMM::instance())
        connect(bus, qOverload<int, int, QVariant>(&Q_DMMM::DMMM_Event), this,
                [this](int ev, int linkid, const QVariant &) { handle_DMMM_event(ev, linkid); });
    connect(m_startButton, &QPushButton::released, this, &G_CFG_AccCali::start_or_continue_acc_cali);
    connect(m_stopButton, &QPushButton::released, this, &G_CFG_AccCali::cancel_acc_cali);
    connect(m_basicButton, &QPushButton::released, this, &G_CFG_AccCali::startBasicCali);
}

void G_CFG_AccCali::handle_DMMM_event(int ev, int linkid)
{
    if (linkid != m_linkId)
        return;
    if (ev == DMMM_GCSEvent_AccCali_state) {
        refreshCaliState();
    } else if (ev == DMMM_GCSEvent_Protocol_Lost && (m_waiting || m_startButton->text() == tr("ContinueCali"))) {
        // The unit went silent in the middle of a calibration: say so, and let the operator start over.
        setWaiting(false);
        m_lastFaceState = 0;
        m_startButton->setText(tr("3D Cali"));
        m_statusLabel->setText(tr("Communication disconnected"));
    }
}

void G_CFG_AccCali::refreshCaliState()
{
    Q_DMMM *bus = Q_DMMM::instance();
    if (!bus)
        return;
    // The state of this window's own link (not whichever link was opened last).
    showCaliState(bus->poolSnapshot(m_linkId).accCaliState(), false);
}

void G_CFG_AccCali::showCaliState(quint8 state, bool force)
{
    // A report while the button waits is the unit's answer: the button takes presses again, and the
    // state is shown even when it is the one shown before.
    const bool answered = m_waiting;
    setWaiting(false);
    if (state == m_lastFaceState && !force && !answered)
        return;
    if (state >= FirstFace && state <= LastFace) {
        m_lastFaceState = state;
        m_startButton->setText(tr("ContinueCali"));
    } else {
        m_lastFaceState = 0;
        m_startButton->setText(tr("3D Cali"));
    }
    m_statusLabel->setText(caliStateText(state));
}

void G_CFG_AccCali::start_or_continue_acc_cali()
{
    FlyLink *link = Q_DMMM::instance() ? Q_DMMM::instance()->linkById(m_linkId) : nullptr;
    // Until the unit reports the next placement a further press is ignored: with the last placement
    // cleared it would send the start command and restart the calibration.
    if (!link || m_waiting)
        return;
    const bool nextFace = m_lastFaceState != 0;
    if (nextFace)
        link->StartAcc3DCaliNextFace();
    else
        link->StartAcc3DCali();
    // The status text stays until the unit reports again; a repeated report of the same placement is
    // shown.
    m_lastFaceState = 0;
    if (nextFace)
        setWaiting(true);
}

void G_CFG_AccCali::setWaiting(bool waiting)
{
    if (m_waiting == waiting)
        return;
    m_waiting = waiting;
    m_startButton->setEnabled(!waiting);
    if (waiting)
        m_startButton->setText(tr("Waiting for the unit"));
}

void G_CFG_AccCali::cancel_acc_cali()
{
    FlyLink *link = Q_DMMM::instance() ? Q_DMMM::instance()->linkById(m_linkId) : nullptr;
    if (!link)
        return;
    link->StopAcc3DCali();
    // Stopped while the button waited: the window shows the stop like any other (start again).
    const bool wasWaiting = m_waiting;
    setWaiting(false);
    showCaliState(0, wasWaiting);
}

void G_CFG_AccCali::startBasicCali()
{
    // The window's own link: a calibration command never goes to another unit.
    if (FlyLink *link = Q_DMMM::instance() ? Q_DMMM::instance()->linkById(m_linkId) : nullptr)
        link->StartAccBasicCali();
}
