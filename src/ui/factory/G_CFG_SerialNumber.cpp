#include "ui/factory/G_CFG_SerialNumber.h"

#include "core/flylink/FlyMessages.h"
#include "core/flylink/FlySerialNumber.h"
#include "core/flylink/TelemetryRecord.h"
#include "factory/link/FlyLink.h"
#include "factory/link/Q_DMMM.h"
#include "ui/factory/FactoryWindowLook.h"

#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>

G_CFG_SerialNumber::G_CFG_SerialNumber(int linkid, QWidget *parent) : QWidget(parent)
{
    initUi();
    initSlots();
    FactoryWindowLook::apply(this, tr("WriteSN"));
    m_linkId = linkid;
}

void G_CFG_SerialNumber::initUi()
{
    m_title = new QLabel(tr("Once written, the serial number cannot be modified!!"), this);
    m_title->setObjectName(QStringLiteral("CfgWIdgetTitle"));
    m_title->setAlignment(Qt::AlignCenter);
    m_grid = new QGridLayout(this);
    m_dateBox = new QSpinBox(this);
    m_dateBox->setRange(FlySerialNumber::FirstMonth, FlySerialNumber::LastMonth);
    m_dateBox->setValue(2401);
    m_sequenceBox = new QSpinBox(this);
    m_sequenceBox->setRange(FlySerialNumber::FirstSequence, FlySerialNumber::LastSequence);
    m_sequenceBox->setValue(1);
    m_writeButton = new QPushButton(tr("WriteSN"), this);
    m_answer = new QLabel(this);
    m_answer->setObjectName(QStringLiteral("serialNumberAnswer"));
    m_answer->setAlignment(Qt::AlignCenter);
    m_answer->setWordWrap(true);
    m_grid->addWidget(m_title, 0, 0, 1, 4);
    m_grid->addWidget(m_dateBox, 1, 0);
    m_grid->addWidget(m_sequenceBox, 1, 1);
    m_grid->addWidget(m_writeButton, 1, 2, 1, 2);
    m_grid->addWidget(m_answer, 2, 0, 1, 4);
    m_grid->setContentsMargins(10, 20, 10, 20);
}

void G_CFG_SerialNumber::initSlots()
{
    if (Q_DMMM *bus = Q_DMMM::instance())
        connect(bus, qOverload<int, int, QVariant>(&Q_DMMM::DMMM_Event), this, &G_CFG_SerialNumber::handle_DMMM_event);
    connect(m_writeButton, &QPushButton::released, this, &G_CFG_SerialNumber::handle_WriteSerialNum);
}

QString G_CFG_SerialNumber::confirmationStyleSheet()
{
    return QStringLiteral(
        "QMessageBox { color: #FFFFFF; font: 400 11pt \"Microsoft YaHei\"; background-color: rgba(6,7,19,255); "
        "border: 0px solid gray; } "
        "QMessageBox QLabel { color: #FFFFFF; font: 400 9.5pt \"Microsoft YaHei\"; } "
        "QMessageBox QPushButton { color: #FFFFFF; font: 400 9pt \"Microsoft YaHei\"; "
        "background-color: rgba(22, 119, 255,255); } "
        "QMessageBox QPushButton:hover { color: #FFFFFF; font: 400 9pt \"Microsoft YaHei\"; "
        "background-color: rgba(239, 87, 103,255); } "
        "QMessageBox QPushButton:pressed { color: #FFFFFF; font: 400 9.5pt \"Microsoft YaHei\"; "
        "background-color: rgba(239, 87, 103,200); }");
}

QString G_CFG_SerialNumber::answerText() const
{
    return m_answer->text();
}

int G_CFG_SerialNumber::runConfirmation(QMessageBox &box)
{
    return box.exec();
}

void G_CFG_SerialNumber::handle_DMMM_event(int ev, int linkid, QVariant)
{
    // Only the board information that follows an accepted write is of interest here.
    if (ev == DMMM_GCSEvent_GetBoardInfo && linkid == m_linkId && m_awaitingBoard)
        showBoardSerialNumber();
}

void G_CFG_SerialNumber::handle_WriteSerialNum()
{
    QMessageBox box;
    box.setStyleSheet(confirmationStyleSheet());
    box.setWindowTitle(tr("WriteSN"));
    box.setText(tr("Confirm to write SN to flight control:") +
                QString::asprintf("%d-%d", m_dateBox->value(), m_sequenceBox->value()));
    box.setInformativeText(tr("The flight control is written to the OTP area and once written can never be modified."));
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    if (runConfirmation(box) != QMessageBox::Yes)
        return;
    Q_DMMM *bus = Q_DMMM::instance();
    FlyLink *link = bus ? bus->linkById(m_linkId) : nullptr;
    if (!link)
        return;
    m_written = FlySerialNumber(quint16(m_dateBox->value()), quint16(m_sequenceBox->value())).value();
    m_awaitingBoard = false;
    m_answer->setText(tr("Waiting for the unit's answer..."));
    connect(link, &FlyLink::commandAcknowledged, this, &G_CFG_SerialNumber::onCommandAcknowledged,
            Qt::UniqueConnection);
    link->writeSerialNumber(m_written);
}

void G_CFG_SerialNumber::onCommandAcknowledged(int command, int result, const QString &text)
{
    if (command != FlyCmd::WriteSerialNumber)
        return;
    if (result != 0) {
        m_awaitingBoard = false;
        m_answer->setText(tr("The unit refused the serial number: %1").arg(text));
        return;
    }
    m_answer->setText(tr("The unit accepted the serial number: %1").arg(text));
    m_awaitingBoard = true;
    Q_DMMM *bus = Q_DMMM::instance();
    if (FlyLink *link = bus ? bus->linkById(m_linkId) : nullptr)
        link->requestBoardInfo();
}

void G_CFG_SerialNumber::showBoardSerialNumber()
{
    Q_DMMM *bus = Q_DMMM::instance();
    FlyLink *link = bus ? bus->linkById(m_linkId) : nullptr;
    if (!link)
        return;
    m_awaitingBoard = false;
    const quint32 reported = link->record().boardInfo().serialNumber();
    const QString shown = FlyText::serialNumberText(reported);
    if (reported == m_written)
        m_answer->setText(tr("The unit reports serial number %1: the write took.").arg(shown));
    else
        m_answer->setText(tr("The unit reports serial number %1, not the written %2.")
                              .arg(shown, FlyText::serialNumberText(m_written)));
}
