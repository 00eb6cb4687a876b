#include "ui/maintenance/LogManagerWidget.h"

#include "ui/maintenance/MavlinkPageDevice.h"
#include "ui/maintenance/MavlinkUnitLabel.h"

#include "core/util/LogFileWriter.h"
#include "link/IOHandler.h"
#include "link/MavlinkHandler.h"
#include "link/TApp.h"
#include "link/TLinkManager.h"
#include "link/TMsgManager.h"
#include "ui/widgets/TCellWidget.h"
#include "ui/widgets/TLabel.h"
#include "ui/widgets/TPushButton.h"
#include "ui/widgets/TSerialCombox.h"
#include "ui/widgets/TimedPopup.h"

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QGridLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QSerialPort>
#include <QSpacerItem>
#include <QTableWidget>
#include <QTimer>

LogManagerWidget::LogManagerWidget(QWidget *parent) : QWidget(parent)
{
    initUi();
    registerMetaType();
    initSlots();
    updateSerialUi(false);
}

void LogManagerWidget::initUi()
{
    setFont(QFont(QStringLiteral("微软雅黑"), 10));
    // 600 rather than 800 high: with the tab bar the window then fits a 1366 x 768 laptop screen.
    setMinimumSize(1000, 600);
    layout = new QGridLayout(this);

    linkKindBox = new QComboBox(this);
    linkKindBox->addItems({QStringLiteral("USB"), QStringLiteral("UDP")});
    portLabel = new TLabel(tr("INS_USB:"), this);
    portPicker = new TSerialCombox(this);
    connectButton = new TPushButton(tr("Conncet"), this);
    disconnectButton = new TPushButton(tr("DisConnect"), this);
    getListButton = new TPushButton(tr("GetLogList"), this);
    downloadButton = new TPushButton(tr("Download"), this);
    table = new QTableWidget(this);
    cancelButton = new TPushButton(tr("Cancel"), this);
    clearButton = new TPushButton(tr("ClearLog"), this);

    linkKindBox->setFixedHeight(40);
    layout->addWidget(linkKindBox, 0, 0);
    layout->addWidget(portLabel, 0, 1);
    layout->addWidget(portPicker, 0, 2, 1, 4);
    portPicker->setFixedHeight(controlHeight);
    portPicker->setFixedWidth(3 * controlWidth);
    for (TPushButton *b : {connectButton, disconnectButton}) {
        b->setFixedHeight(controlHeight);
        b->setFixedWidth(controlWidth);
    }
    layout->addWidget(connectButton, 0, 6);
    layout->addWidget(disconnectButton, 0, 7);
    layout->addItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum), 0, 8);

    layout->addWidget(getListButton, 1, 0, 1, 2);
    layout->addWidget(downloadButton, 1, 2, 1, 2);
    layout->addWidget(cancelButton, 1, 4);
    layout->addWidget(clearButton, 1, 5);
    for (TPushButton *b : {getListButton, downloadButton, cancelButton, clearButton})
        b->setFixedHeight(controlHeight);

    layout->addWidget(table, 2, 0, 10, 10);
    table->setColumnCount(ColumnCount);
    table->setHorizontalHeaderLabels(
        {tr("Select"), tr("ID"), tr("Size"), tr("Download"), tr("Progress"), tr("DateTime")});
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QHeaderView *header = table->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Fixed);
    for (int c = 0; c < ColumnCount; ++c)
        table->setColumnWidth(c, c < ColSize ? 50 : 150);
    header->setStretchLastSection(true);

    downloadButton->setEnabled(true);
    getListButton->setEnabled(true);
    cancelButton->setEnabled(false);

    listQuietTimer = new QTimer(this);
    listQuietTimer->setSingleShot(true);
    listQuietTimer->setInterval(ListQuietMs);
    connect(listQuietTimer, &QTimer::timeout, this, &LogManagerWidget::listEnded);
}

void LogManagerWidget::registerMetaType()
{
    qRegisterMetaType<QSerialPort::SerialPortError>("QSerialPort::SerialPortError");
    qRegisterMetaType<unsigned short>("uint16_t");
    qRegisterMetaType<unsigned int>("uint32_t");
}

void LogManagerWidget::initSlots()
{
    if (TApp *app = TApp::instance()) {
        QObject *found =
            app->links()->findOrCreate(linkId, [](int id) -> QObject * { return new MavlinkHandler(id, true); });
        link = qobject_cast<MavlinkHandler *>(found);
        connect(app, QOverload<int, int, QVariant>::of(&TApp::TAppEvent), this, &LogManagerWidget::handleTAppEvent);
    }
    if (link) {
        connect(link, &MavlinkHandler::logDownloadProgress, this, &LogManagerWidget::logDownloadProgress);
        connect(link, &MavlinkHandler::recLogInfo, this, &LogManagerWidget::onRecLogInfo);
        connect(link->logFiles(), &LogFileWriter::failed, this, &LogManagerWidget::logFileFailed);
    }
    // The unit the link follows, beside the connect controls.
    unitLabel = new MavlinkUnitLabel(link, this);
    layout->addWidget(unitLabel, 0, 9);
    connect(connectButton, &QPushButton::clicked, this, [this] { conBtnSlot(true); });
    connect(disconnectButton, &QPushButton::clicked, this, [this] { conBtnSlot(false); });
    connect(cancelButton, &QPushButton::clicked, this, &LogManagerWidget::cancelSlot);
    connect(getListButton, &QPushButton::clicked, this, &LogManagerWidget::getListSlot);
    connect(clearButton, &QPushButton::clicked, this, &LogManagerWidget::clearSlot);
    connect(downloadButton, &QPushButton::clicked, this, [this] {
        // Pressed while no download is reported: ids the link dropped (a log no longer in its list)
        // may be ticked again; the link itself never queues an id twice or the one it is fetching.
        if (!downloading)
            submittedIds.clear();
        requestLogData();
    });
}

void LogManagerWidget::updateSerialUi(bool conState)
{
    connectButton->setEnabled(!conState);
    portPicker->setEnabled(!conState);
    linkKindBox->setEnabled(!conState);
    disconnectButton->setEnabled(conState);
    getListButton->setEnabled(conState);
    downloadButton->setEnabled(conState);
    cancelButton->setEnabled(conState);
    clearButton->setEnabled(conState);
}

void LogManagerWidget::conBtnSlot(bool connect)
{
    const IOHandler::DeviceInfo info = mavlinkPageDevice(linkId, linkKindBox->currentText(), portPicker->currentText());
    if (link && connect)
        applyMavlinkOwnIds(link);
    if (link)
        emit link->openDeviceSignal(info, connect);
}

void LogManagerWidget::handleTAppEvent(int event, int, QVariant var)
{
    IOHandler::DeviceInfo record;
    if (!IOHandler::isRecordOfLink(var, linkId, &record))
        return;
    if (event == TApp::EventLinkError || event == TApp::EventOpenFailed || event == TApp::EventLinkClosed)
        updateSerialUi(false);
    else if (event == TApp::EventLinkOpened)
        updateSerialUi(true);
}

void LogManagerWidget::getListSlot()
{
    table->clearContents();
    for (int r = table->rowCount() - 1; r >= 0; --r)
        table->removeRow(r);
    if (link)
        emit link->log_list_start_signal();
}

void LogManagerWidget::listEnded()
{
    listQuietTimer->stop();
    getListButton->setEnabled(true);
    downloadButton->setEnabled(true);
    cancelButton->setEnabled(true);
}

void LogManagerWidget::onRecLogInfo(ushort id, uint size, uint timeUtc, ushort nums)
{
    if (nums == 0) { // the unit has no logs: its one entry carries no log
        listEnded();
        return;
    }
    // Units number their logs from 1 or from 0: a row is found by its id, never placed by it, and
    // rows are kept in id order.
    int row = rowOfLog(id);
    if (row < 0) {
        if (table->rowCount() == 0) { // the first entry of a list
            getListButton->setEnabled(false);
            downloadButton->setEnabled(false);
            cancelButton->setEnabled(false);
        }
        row = 0;
        while (row < table->rowCount() && table->item(row, ColId) && table->item(row, ColId)->text().toUInt() < id)
            ++row;
        table->insertRow(row);
        auto *check = new TCellWidget(table);
        check->setCheckState(Qt::Unchecked);
        table->setCellWidget(row, ColSelect, check);
        addTableItem(QString::number(id), row, ColId);
        addTableItem(QStringLiteral("0"), row, ColDownloaded);
        addTableItem(QStringLiteral("0%"), row, ColProgress);
    }
    addTableItem(QString::number(size), row, ColSize);
    addTableItem(QDateTime::fromSecsSinceEpoch(timeUtc).toString(QStringLiteral("yyyy-MM-dd hh-mm-ss")), row,
                 ColDateTime);
    if (table->rowCount() >= nums) // every log of the list has its row
        listEnded();
    else
        listQuietTimer->start(); // entries lost on the way must not leave the page waiting
}

int LogManagerWidget::rowOfLog(int id) const
{
    const QString idText = QString::number(id);
    for (int r = 0; r < table->rowCount(); ++r) {
        const QTableWidgetItem *idItem = table->item(r, ColId);
        if (idItem && idItem->text() == idText)
            return r;
    }
    return -1;
}

void LogManagerWidget::requestLogData()
{
    if (!link)
        return;
    QList<ushort> ids;
    for (int r = 0; r < table->rowCount(); ++r) {
        const TCellWidget *check = rowCheckBox(r);
        const QTableWidgetItem *idItem = table->item(r, ColId);
        if (!check || !idItem || !check->isChecked())
            continue;
        const ushort id = ushort(idItem->text().toUInt());
        if (submittedIds.contains(id))
            continue; // already queued or being downloaded
        submittedIds.insert(id);
        ids << id;
    }
    link->requestDownloads(ids);
}

void LogManagerWidget::logDownloadProgress(int id, uint currentSize, uint totalSize)
{
    const int row = rowOfLog(id);
    if (row < 0)
        return;
    downloading = true;
    downloadButton->setEnabled(false);
    getListButton->setEnabled(false);
    cancelButton->setEnabled(true);
    addTableItem(QString::number(currentSize), row, ColDownloaded);
    const double percent = totalSize ? double(currentSize) * 100.0 / double(totalSize) : 100.0;
    addTableItem(QString::number(percent, 'f', 1) + QLatin1Char('%'), row, ColProgress);
    if (currentSize >= totalSize)
        downloadFinish(id);
}

void LogManagerWidget::downloadFinish(int id)
{
    const int row = rowOfLog(id);
    if (TCellWidget *check = row >= 0 ? rowCheckBox(row) : nullptr)
        check->setCheckState(Qt::Unchecked);
    submittedIds.remove(ushort(id));
    downloading = false;
    downloadButton->setEnabled(true);
    getListButton->setEnabled(true);
    cancelButton->setEnabled(false);
    requestLogData();
}

void LogManagerWidget::cancelSlot()
{
    if (link)
        link->cancelDownloads();
    submittedIds.clear();
    downloading = false;
    downloadButton->setEnabled(true);
    getListButton->setEnabled(true);
    cancelButton->setEnabled(false);
}

void LogManagerWidget::logFileFailed(ushort id, const QString &path, const QString &reason)
{
    // The link has stopped the download and emptied its queue: the page is idle again, the rows
    // keep their ticks so the user can download them once the directory or disk is mended.
    Q_UNUSED(id)
    submittedIds.clear();
    downloading = false;
    downloadButton->setEnabled(true);
    getListButton->setEnabled(true);
    cancelButton->setEnabled(false);
    TimedPopup::exec(QMessageBox::Warning, QStringLiteral("Warning"),
                     tr("Cannot write the log file %1: %2").arg(QDir::toNativeSeparators(path), reason),
                     TMsgManager::PopupCloseMs);
}

void LogManagerWidget::clearSlot()
{
    if (!questionBox(QStringLiteral("warning"), QStringLiteral("you're deleting all the logs of INS, continue?")))
        return;
    if (link)
        emit link->clearLogSignal();
}

bool LogManagerWidget::questionBox(const QString &title, const QString &text)
{
    return QMessageBox::question(this, title, text, QMessageBox::Yes | QMessageBox::No) != QMessageBox::No;
}

void LogManagerWidget::addTableItem(const QString &text, int row, int column)
{
    QTableWidgetItem *item = table->item(row, column);
    if (!item) {
        item = new QTableWidgetItem(text);
        item->setTextAlignment(Qt::AlignCenter);
        table->setItem(row, column, item);
    } else if (item->text() != text) {
        item->setText(text);
    }
}

TCellWidget *LogManagerWidget::rowCheckBox(int row) const
{
    return qobject_cast<TCellWidget *>(table->cellWidget(row, ColSelect));
}
