#include "ui/factory/G_CFG_IMUTemp_Cali.h"

#include "factory/link/FlyLink.h"
#include "factory/link/Q_DMMM.h"
#include "ui/factory/FactoryPageWindow.h"
#include "ui/factory/G_CFG_AccCali.h"
#include "ui/factory/uChartView.h"
#include "ui/widgets/UComboBox.h"
#include "ui/widgets/UDoubleSpinBox.h"

#include <QCheckBox>
#include <QDateTime>
#include <QDebug>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpacerItem>

namespace {
FlyLink *linkOf(int linkid)
{
    return Q_DMMM::instance() ? Q_DMMM::instance()->linkById(linkid) : nullptr;
}

// The entry of box whose item data equals value exactly; -1 (blank) when none does.
int entryOf(const UComboBox *box, float value)
{
    for (int i = 0; i < box->count(); ++i) {
        if (box->itemData(i, Qt::UserRole).toDouble() == double(value))
            return i;
    }
    return -1;
}
} // namespace

G_CFG_IMUTemp_Cali::G_CFG_IMUTemp_Cali(int linkid, QWidget *parent) : QWidget(parent), m_linkId(linkid)
{
    initUi();
    initSlots();
    FactoryPageWindow::setUp(this, tr("IMU TempCali"));
}

QStringList G_CFG_IMUTemp_Cali::parameterNames()
{
    return {QStringLiteral("INS_ACC1_CALTEMP"), QStringLiteral("INS_ACC2_CALTEMP"), QStringLiteral("INS_ACC3_CALTEMP"),
            QStringLiteral("INS_GYR1_CALTEMP"), QStringLiteral("INS_GYR2_CALTEMP"), QStringLiteral("INS_GYR3_CALTEMP"),
            QStringLiteral("INS_TCAL1_TMAX"),   QStringLiteral("INS_TCAL2_TMAX"),   QStringLiteral("INS_TCAL3_TMAX"),
            QStringLiteral("INS_TCAL1_TMIN"),   QStringLiteral("INS_TCAL2_TMIN"),   QStringLiteral("INS_TCAL3_TMIN"),
            QStringLiteral("BRD_HEAT_TARG"),    QStringLiteral("LOG_DISARMED"),     QStringLiteral("INS_TCAL_OPTIONS"),
            QStringLiteral("INS_TCAL1_ENABLE"), QStringLiteral("INS_TCAL2_ENABLE"), QStringLiteral("INS_TCAL3_ENABLE")};
}

QWidget *G_CFG_IMUTemp_Cali::control(const QString &name) const
{
    const QStringList names = parameterNames();
    QWidget *const controls[] = {
        m_accCaliTemp[0], m_accCaliTemp[1], m_accCaliTemp[2], m_gyroCaliTemp[0], m_gyroCaliTemp[1], m_gyroCaliTemp[2],
        m_maxTemp[0],     m_maxTemp[1],     m_maxTemp[2],     m_minTemp[0],      m_minTemp[1],      m_minTemp[2],
        m_heaterTarget,   m_disarmedLog,    m_bootSave,       m_caliStatus[0],   m_caliStatus[1],   m_caliStatus[2]};
    const int i = names.indexOf(name);
    return i < 0 ? nullptr : controls[i];
}

UDoubleSpinBox *G_CFG_IMUTemp_Cali::newSpinBox(double min, double max, int decimals)
{
    auto *box = new UDoubleSpinBox(this);
    box->setRange(min, max);
    box->setDecimals(decimals);
    box->setValue(0);
    box->setSingleStep(1);
    box->setAlignment(Qt::AlignCenter);
    box->setSuffix(QString());
    box->setObjectName(QStringLiteral("widgetDoubleSpinBox"));
    box->setChanged(false);
    return box;
}

UComboBox *G_CFG_IMUTemp_Cali::newComboBox(const QStringList &entries)
{
    auto *box = new UComboBox(this);
    box->setEditable(false);
    for (int i = 0; i < entries.size(); ++i)
        box->addItem(entries[i], i);
    // Filling the box is no choice of the user: like the spin boxes it starts unmarked, so that "Set"
    // never writes an entry the window neither read from the unit nor was given by the user.
    box->setChanged(false);
    return box;
}

void G_CFG_IMUTemp_Cali::initUi()
{
    m_titleLabel = new QLabel(tr("IMU TempCali"), this);
    m_titleLabel->setObjectName(QStringLiteral("CfgWIdgetTitle"));
    m_titleLabel->setAlignment(Qt::AlignCenter);
    m_mainGrid = new QGridLayout(this);
    m_mainGrid->setObjectName(QStringLiteral("widgetLayout"));

    const QStringList captions{tr("AccCaliTemp"),    tr("GyroCaliTemp"), tr("IMUCaliTempMax"),
                               tr("IMUCaliTempMin"), tr("CaliStatus"),   tr("CurrTemp")};
    for (int i = 0; i < Imus; ++i) {
        m_accCaliTemp[i] = newSpinBox(-300, 300, 2);
        m_gyroCaliTemp[i] = newSpinBox(-300, 300, 2);
        m_maxTemp[i] = newSpinBox(-70, 80, 1);
        m_minTemp[i] = newSpinBox(-70, 80, 1);
        m_currTemp[i] = new QLabel(QStringLiteral("0℃"), this);
        m_caliStatus[i] = newComboBox({tr("Close"), tr("Open"), tr("ReadyCali")});

        m_imuGroups[i] = new QGroupBox(QStringLiteral("IMU") + QString::number(i + 1) + tr("Config"), this);
        m_imuGrids[i] = new QGridLayout(m_imuGroups[i]);
        QWidget *const column[] = {m_accCaliTemp[i], m_gyroCaliTemp[i], m_maxTemp[i],
                                   m_minTemp[i],     m_caliStatus[i],   m_currTemp[i]};
        for (int row = 0; row < 6; ++row) {
            m_rowLabels[i][row] = new QLabel(captions[row], this);
            m_imuGrids[i]->addWidget(m_rowLabels[i][row], row, 0);
            m_imuGrids[i]->addWidget(column[row], row, 1, 1, 2);
        }
    }
    m_heaterTarget = newSpinBox(0, 70, 0);
    m_disarmedLog = newComboBox({tr("Close"), tr("Open"), tr("Close(usb)"), tr("DropUnlockLog")});
    m_bootSave =
        newComboBox({tr("Close"), tr("SaveTempCaliData"), tr("SaveAccCaliData"), tr("SaveTempAndAccCaliData")});

    m_queryButton = new QPushButton(tr("Query"), this);
    m_setButton = new QPushButton(tr("Set"), this);
    // Enabled once the window holds values read from the unit (showValue).
    m_setButton->setEnabled(false);
    m_oneTimeButton = new QPushButton(tr("TempCaliConfigOneTime"), this);
    for (QPushButton *b : {m_queryButton, m_setButton, m_oneTimeButton}) {
        b->setObjectName(QStringLiteral("WidgetCMD_Action"));
        b->setToolTip(QString());
    }

    auto *related = new QGroupBox(tr("RelatedConfig"), this);
    auto *relatedGrid = new QGridLayout(related);
    for (int column : {0, 3, 6})
        relatedGrid->addItem(new QSpacerItem(5, 5, QSizePolicy::Expanding, QSizePolicy::Minimum), 0, column, 2, 1);
    relatedGrid->addWidget(new QLabel(tr("ConstantTargetTemp"), this), 0, 1);
    relatedGrid->addWidget(m_heaterTarget, 0, 2);
    relatedGrid->addWidget(new QLabel(tr("LockStateLog"), this), 1, 1);
    relatedGrid->addWidget(m_disarmedLog, 1, 2);
    relatedGrid->addWidget(new QLabel(tr("SaveToBootConfiguration"), this), 0, 4);
    relatedGrid->addWidget(m_bootSave, 0, 5);
    relatedGrid->addWidget(m_oneTimeButton, 3, 1, 1, 6);

    m_buttonRow = new QHBoxLayout;
    m_buttonRow->addStretch(5);
    m_buttonRow->addWidget(m_queryButton);
    m_buttonRow->addWidget(m_setButton);
    m_buttonRow->addStretch(5);

    m_accPanel = new G_CFG_AccCali(m_linkId, this);
    // The accelerometer window makes itself a window of its own; here it is a panel of this window.
    // Being placed in the grid does not undo that, so it is made a child widget again.
    m_accPanel->setWindowFlags(Qt::Widget);
    m_chart = new uChartView(this, QString());
    m_chart->setMinimumHeight(260);
    for (int i = 0; i < Imus; ++i) {
        m_chart->addSeries(i, QStringLiteral("IMU") + QString::number(i + 1), true, false);
        m_seriesBoxes[i] = new QCheckBox(QStringLiteral("IMU") + QString::number(i + 1), this);
        m_seriesBoxes[i]->setChecked(true);
    }

    m_mainGrid->addWidget(m_titleLabel, 0, 0, 1, 20);
    m_mainGrid->addWidget(m_accPanel, 2, 0, 1, 20, Qt::AlignCenter);
    m_mainGrid->addWidget(m_imuGroups[0], 3, 1, 1, 6);
    m_mainGrid->addWidget(m_imuGroups[1], 3, 7, 1, 6);
    m_mainGrid->addWidget(m_imuGroups[2], 3, 13, 1, 6);
    m_mainGrid->addWidget(related, 4, 1, 1, 18);
    m_mainGrid->addLayout(m_buttonRow, 8, 0, 1, 20);
    m_mainGrid->addWidget(m_chart, 9, 0, 1, 20);
    m_mainGrid->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Expanding), 9, 0, 1, 20);
    m_mainGrid->addWidget(m_seriesBoxes[0], 10, 7, 1, 2);
    m_mainGrid->addWidget(m_seriesBoxes[1], 10, 9, 1, 2);
    m_mainGrid->addWidget(m_seriesBoxes[2], 10, 11, 1, 2);
    m_mainGrid->setContentsMargins(10, 20, 10, 20);
}

void G_CFG_IMUTemp_Cali::initSlots()
{
    if (Q_DMMM *bus = Q_DMMM::instance())
        connect(bus, qOverload<int, int, QVariant>(&Q_DMMM::DMMM_Event), this,
                [this](int ev, int linkid, const QVariant &var) {
                    if (ev == DMMM_GCSEvent_Param_value && linkid == m_linkId)
                        showArrivedValue(var);
                    handle_DMMM_event(ev, linkid);
                });
    connect(m_queryButton, &QPushButton::released, this, [this] { update_Parameters(true); });
    connect(m_setButton, &QPushButton::released, this, &G_CFG_IMUTemp_Cali::upload_param);
    connect(m_oneTimeButton, &QPushButton::released, this, &G_CFG_IMUTemp_Cali::handle_PB_ReadyIMUCali);
    for (int i = 0; i < Imus; ++i)
        connect(m_seriesBoxes[i], &QCheckBox::stateChanged, this,
                [this, i](int state) { m_chart->setSeriesVisible(i, state != Qt::Unchecked); });
}

void G_CFG_IMUTemp_Cali::showEvent(QShowEvent *event)
{
    update_Parameters(false);
    QWidget::showEvent(event);
}

void G_CFG_IMUTemp_Cali::handle_DMMM_event(int ev, int linkid)
{
    if (ev == DMMM_GCSEvent_Param_all_done) {
        qDebug() << " G_CFG_IMUTemp_Cali::handle_DMMM_event";
        if (linkid == m_linkId)
            update_Parameters(false);
    } else if (ev == DMMM_GCSEvent_Timer_10Hz) {
        update_val();
    }
}

void G_CFG_IMUTemp_Cali::update_Parameters(bool getfromflight)
{
    FlyLink *link = linkOf(m_linkId);
    if (!link)
        return;
    for (const QString &name : parameterNames()) {
        float v = 0;
        if (link->getCommonParam(name, &v, getfromflight) != 1) {
            // Asked of the unit (again): the value is shown when it arrives.
            m_awaiting.insert(name);
            continue;
        }
        m_awaiting.remove(name);
        showValue(name, v);
    }
}

void G_CFG_IMUTemp_Cali::showValue(const QString &name, float value)
{
    QWidget *c = control(name);
    if (!c)
        return;
    m_setButton->setEnabled(true);
    if (auto *spin = qobject_cast<UDoubleSpinBox *>(c))
        spin->setValueUnchanged(double(value));
    else if (auto *combo = qobject_cast<UComboBox *>(c))
        combo->setCurrentIndexUnchanged(entryOf(combo, value));
}

void G_CFG_IMUTemp_Cali::showArrivedValue(const QVariant &var)
{
    const FlyLink::CommonParam_t v = var.value<FlyLink::CommonParam_t>();
    if (m_awaiting.remove(v.name()))
        showValue(v.name(), v.value());
}

void G_CFG_IMUTemp_Cali::upload_param()
{
    FlyLink *link = linkOf(m_linkId);
    // Before the unit's values are known nothing is written: a default on the screen is no setting.
    if (!link || !m_setButton->isEnabled())
        return;
    for (const QString &name : parameterNames()) {
        QWidget *c = control(name);
        if (auto *spin = qobject_cast<UDoubleSpinBox *>(c)) {
            if (spin->isChanged())
                link->setCommonParam(name, float(spin->value()));
        } else if (auto *combo = qobject_cast<UComboBox *>(c)) {
            if (combo->isChanged())
                link->setCommonParam(name, float(combo->currentData(Qt::UserRole).toInt()));
        }
    }
}

void G_CFG_IMUTemp_Cali::handle_PB_ReadyIMUCali()
{
    FlyLink *link = linkOf(m_linkId);
    if (!link)
        return;
    const std::pair<const char *, float> settings[] = {
        {"INS_TCAL1_TMAX", 50},  {"INS_TCAL2_TMAX", 50},  {"INS_TCAL3_TMAX", 50},  {"BRD_HEAT_TARG", 70},
        {"INS_TCAL1_ENABLE", 2}, {"INS_TCAL2_ENABLE", 2}, {"INS_TCAL3_ENABLE", 2},
    };
    for (const auto &s : settings)
        link->setCommonParam(QLatin1String(s.first), s.second);
}

void G_CFG_IMUTemp_Cali::update_val()
{
    FlyLink *link = linkOf(m_linkId);
    if (!isVisible() || !link)
        return;
    const TelemetryRecord r = link->record();
    // The chart's time axis reads seconds since the epoch: the sample's wall-clock time.
    const double x = double(QDateTime::currentMSecsSinceEpoch()) * 0.001;
    for (int i = 0; i < Imus; ++i) {
        const float t = float(r.imu(i).temperatureCenti()) * 0.01f;
        m_currTemp[i]->setText(QString::number(double(t), 'f', 1) + QStringLiteral("℃"));
        m_chart->addPoint(i, x, double(t));
    }
    // One redraw per tick for the three new points.
    m_chart->refresh();
}
