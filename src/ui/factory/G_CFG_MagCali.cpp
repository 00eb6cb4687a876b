#include "ui/factory/G_CFG_MagCali.h"

#include "factory/link/FlyLink.h"
#include "factory/link/Q_DMMM.h"
#include "ui/factory/FactoryPageWindow.h"
#include "ui/factory/PercentDial.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

namespace {
FlyLink *linkOf(int linkid)
{
    return Q_DMMM::instance() ? Q_DMMM::instance()->linkById(linkid) : nullptr;
}

// Statuses of a compass that is being calibrated.
bool calibrating(quint8 status)
{
    return status == 2 || status == 3;
}
} // namespace

G_CFG_MagCali::G_CFG_MagCali(int linkid, QWidget *parent) : QWidget(parent), m_linkId(linkid)
{
    initUi();
    initSlots();
    FactoryPageWindow::setUp(this, tr("MagCali"));
}

QString G_CFG_MagCali::magStatusText(quint8 status)
{
    return tr(FlyText::magCaliStatusSource(status));
}

int G_CFG_MagCali::dialPercent(int i) const
{
    return PercentDial::percent(m_dials[i]);
}

bool G_CFG_MagCali::compassShown(int i) const
{
    return !m_dials[i]->isHidden() && !m_statusLabels[i]->isHidden();
}

QString G_CFG_MagCali::compassStatusText(int i) const
{
    return m_statusLabels[i]->text();
}

void G_CFG_MagCali::initUi()
{
    m_titleLabel = new QLabel(tr("MagCali"), this);
    m_titleLabel->setObjectName(QStringLiteral("CfgWIdgetTitle"));
    m_titleLabel->setAlignment(Qt::AlignCenter);
    m_mainGrid = new QGridLayout(this);
    m_mainGrid->setObjectName(QStringLiteral("widgetLayout"));

    m_standardText = new QLabel(
        tr("Magnetic compass calibration: please be carried out in an open field outside, without any ferromagnetic "
           "objects,After the completion of the positioning of the aircraft,rotate along the six axes of the aircraft "
           "respectively."),
        this);
    m_inflightText = new QLabel(
        tr("In-flight magnetic compass calibration:Please perform it in self-stabilizing or fixed altitude mode,Click "
           "the calibration, fly into the air and rotate in a circle, and the flight control will automatically "
           "calibrate,and the flight control will remind the calibration is completed when the calibration is "
           "finished."),
        this);
    m_simpleText = new QLabel(
        tr("Simple calibration: When the size of the aircraft is large and the conventional calibration method cannot "
           "be used for magnetic compass calibration, the simple calibration method can be used. In an outdoor open "
           "field, after the positioning of the aircraft is completed, the aircraft can be horizontally placed in a "
           "fixed position and calibrated using a mobile phone."),
        this);
    for (QLabel *l : {m_standardText, m_inflightText, m_simpleText}) {
        l->setObjectName(QStringLiteral("textLabel"));
        l->setAlignment(Qt::AlignCenter);
        l->setFixedWidth(600);
        l->setWordWrap(true);
    }

    for (int i = 0; i < Compasses; ++i) {
        m_statusLabels[i] = new QLabel(tr("NotStarted"), this);
        m_statusLabels[i]->setObjectName(QStringLiteral("SystemInfoWidgetLabel"));
        m_statusLabels[i]->setWordWrap(true);
        m_dials[i] = PercentDial::create(this);
        m_dials[i]->setMaximumSize(100, 100);
    }

    m_startButton = new QPushButton(tr("StartCali"), this);
    m_stopButton = new QPushButton(tr("StopCali"), this);
    m_inflightStartButton = new QPushButton(tr("StartCali"), this);
    m_inflightCancelButton = new QPushButton(tr("CancelCali"), this);
    m_simpleStartButton = new QPushButton(tr("StartCali"), this);
    for (QPushButton *b :
         {m_startButton, m_stopButton, m_inflightStartButton, m_inflightCancelButton, m_simpleStartButton})
        b->setObjectName(QStringLiteral("WidgetCMD_Action"));

    m_standardGroup = new QGroupBox(tr("Standard calibration"), this);
    m_inflightGroup = new QGroupBox(tr("In-flight calibration"), this);
    m_simpleGroup = new QGroupBox(tr("Simple calibration"), this);
    for (QGroupBox *g : {m_standardGroup, m_inflightGroup, m_simpleGroup}) {
        g->setObjectName(QStringLiteral("SystemConfigWidgetSubGroupBox"));
        g->setAlignment(Qt::AlignHCenter);
    }
    m_standardGrid = new QGridLayout(m_standardGroup);
    m_inflightGrid = new QGridLayout(m_inflightGroup);
    m_simpleGrid = new QGridLayout(m_simpleGroup);
    m_compassGrid = new QGridLayout;

    m_headingBox = new QSpinBox(this);
    m_headingBox->setRange(0, 359);
    m_headingBox->setObjectName(QStringLiteral("widgetSpinBox"));
    m_headingBox->setAlignment(Qt::AlignCenter);

    for (int i = 0; i < Compasses; ++i) {
        m_compassGrid->addWidget(m_dials[i], 0, i, Qt::AlignCenter);
        m_compassGrid->addWidget(m_statusLabels[i], 1, i, Qt::AlignCenter);
    }
    m_compassGrid->setHorizontalSpacing(40);

    m_standardGrid->addWidget(m_standardText, 0, 0, 4, 20, Qt::AlignCenter);
    m_standardGrid->addLayout(m_compassGrid, 4, 2, 1, 16, Qt::AlignCenter);
    m_standardGrid->addWidget(m_startButton, 5, 9, Qt::AlignCenter);
    m_standardGrid->addWidget(m_stopButton, 5, 10, Qt::AlignCenter);
    m_standardGrid->setRowMinimumHeight(0, 100);

    m_inflightGrid->addWidget(m_inflightText, 0, 0, 4, 20, Qt::AlignCenter);
    m_inflightGrid->addWidget(m_inflightStartButton, 4, 9, Qt::AlignCenter);
    m_inflightGrid->addWidget(m_inflightCancelButton, 4, 10, Qt::AlignCenter);

    m_simpleGrid->addWidget(m_simpleText, 0, 0, 4, 20, Qt::AlignCenter);
    m_simpleGrid->addWidget(m_headingBox, 4, 9, 1, 2, Qt::AlignCenter);
    m_simpleGrid->addWidget(m_simpleStartButton, 5, 9, 1, 2, Qt::AlignCenter);
    m_simpleGrid->setRowMinimumHeight(0, 100);

    m_mainGrid->addWidget(m_titleLabel, 0, 0, 1, 2);
    m_mainGrid->addWidget(m_standardGroup, 1, 0, 1, 2);
    m_mainGrid->addWidget(m_simpleGroup, 2, 0);
    m_mainGrid->addWidget(m_inflightGroup, 2, 1);
    m_mainGrid->setContentsMargins(10, 20, 10, 20);
}

void G_CFG_MagCali::initSlots()
{
    if (Q_DMMM *bus = Q_DMMM::instance())
        connect(bus, qOverload<int, int, QVariant>(&Q_DMMM::DMMM_Event), this,
                [this](int ev, int linkid, const QVariant &) { handle_DMMM_event(ev, linkid); });
    connect(m_startButton, &QPushButton::released, this, [this] {
        if (FlyLink *link = linkOf(m_linkId))
            link->DoMagCali();
    });
    connect(m_stopButton, &QPushButton::released, this, [this] {
        if (FlyLink *link = linkOf(m_linkId))
            link->StopMagCali();
    });
    connect(m_inflightStartButton, &QPushButton::released, this, [this] {
        if (FlyLink *link = linkOf(m_linkId))
            link->DoMagInflightCali();
    });
    connect(m_inflightCancelButton, &QPushButton::released, this, [this] {
        if (FlyLink *link = linkOf(m_linkId))
            link->CancelMagInflightCali();
    });
    connect(m_simpleStartButton, &QPushButton::released, this, [this] {
        if (FlyLink *link = linkOf(m_linkId))
            link->DoMagSimpleCali(quint16(m_headingBox->value()));
    });
}

void G_CFG_MagCali::showEvent(QShowEvent *event)
{
    // The window may be made after the unit reported its compasses (it is created on first use):
    // what the link's record holds by now is shown, progress first, else the compass count.
    if (FlyLink *link = linkOf(m_linkId)) {
        const TelemetryRecord r = link->record();
        if (r.magProgressCount() > 0)
            showProgress();
        else if (r.compassCount() > 0)
            resetCompasses();
    }
    QWidget::showEvent(event);
}

void G_CFG_MagCali::handle_DMMM_event(int ev, int linkid)
{
    if (linkid != m_linkId)
        return;
    if (ev == DMMM_GCSEvent_MagCali_progress)
        showProgress();
    else if (ev == DMMM_GCSEvent_Compass_count)
        resetCompasses();
    else if (ev == DMMM_GCSEvent_Protocol_Lost)
        showLinkLost();
}

void G_CFG_MagCali::showCompass(int i, bool shown)
{
    m_dials[i]->setVisible(shown);
    m_statusLabels[i]->setVisible(shown);
}

void G_CFG_MagCali::showProgress()
{
    Q_DMMM *bus = Q_DMMM::instance();
    if (!bus)
        return;
    const TelemetryRecord r = bus->poolSnapshot(m_linkId);
    for (int i = 0; i < Compasses; ++i) {
        showCompass(i, i < r.magProgressCount());
        PercentDial::setPercent(m_dials[i], r.magProgress(i).percent());
        m_statusLabels[i]->setText(tr("Compass") + QString::number(i + 1) + QLatin1Char(':') +
                                   magStatusText(r.magProgress(i).status()));
    }
}

void G_CFG_MagCali::resetCompasses()
{
    if (FlyLink *link = linkOf(m_linkId))
        m_compassCount = link->record().compassCount();
    for (int i = 0; i < Compasses; ++i) {
        showCompass(i, i < m_compassCount);
        PercentDial::setPercent(m_dials[i], 0);
        m_statusLabels[i]->setText(QStringLiteral("Compass") + QString::number(i + 1) + QLatin1Char(':') +
                                   tr("NotStarted"));
    }
}

void G_CFG_MagCali::showLinkLost()
{
    // The unit went silent: a compass shown as calibrating will not finish; say so instead.
    Q_DMMM *bus = Q_DMMM::instance();
    if (!bus)
        return;
    const TelemetryRecord r = bus->poolSnapshot(m_linkId);
    for (int i = 0; i < Compasses && i < r.magProgressCount(); ++i) {
        if (calibrating(r.magProgress(i).status()))
            m_statusLabels[i]->setText(tr("Compass") + QString::number(i + 1) + QLatin1Char(':') +
                                       tr("Communication disconnected"));
    }
}
