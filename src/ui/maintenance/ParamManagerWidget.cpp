#include "ui/maintenance/ParamManagerWidget.h"

#include "ui/maintenance/MavlinkPageDevice.h"
#include "ui/maintenance/MavlinkUnitLabel.h"

#include "core/mavlink/ParamList.h"
#include "core/mavlink/ParamValueCheck.h"
#include "link/IOHandler.h"
#include "link/MavlinkHandler.h"
#include "link/TApp.h"
#include "link/TLinkManager.h"
#include "ui/widgets/TimedPopup.h"
#include "ui/widgets/TComboBox.h"
#include "ui/widgets/TLabel.h"
#include "ui/widgets/TPushButton.h"
#include "ui/widgets/TSerialCombox.h"

#include <QComboBox>
#include <QDebug>
#include <QEvent>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QSpacerItem>
#include <QTableWidget>
#include <QTimer>

#include <cmath>

namespace {
const char *kFontFamily = "微软雅黑";
}

RowNumberHeader::RowNumberHeader(QWidget *parent) : QHeaderView(Qt::Vertical, parent)
{
    // As the table view's own vertical header.
    setSectionsClickable(true);
    setHighlightSections(true);
}

QSize RowNumberHeader::sectionSizeFromContents(int logicalIndex) const
{
    const int digits = QString::number(logicalIndex + 1).size();
    const auto it = m_sizeByDigits.constFind(digits);
    if (it != m_sizeByDigits.constEnd())
        return *it;
    const QSize size = QHeaderView::sectionSizeFromContents(logicalIndex);
    m_sizeByDigits.insert(digits, size);
    return size;
}

void RowNumberHeader::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        m_sizeByDigits.clear();
    QHeaderView::changeEvent(event);
}

ParamManagerWidget::ParamManagerWidget(QWidget *parent) : QWidget(parent), itemFont(QString::fromUtf8(kFontFamily), 10)
{
    initUi();
    initSlots();
    updateSerialUi(false);
    initParamInfo();
}

ParamManagerWidget::~ParamManagerWidget() = default;

void ParamManagerWidget::initUi()
{
    setFont(itemFont);
    // 600 rather than 800 high: with the tab bar the window then fits a 1366 x 768 laptop screen.
    setMinimumSize(1000, 600);
    layout = new QGridLayout(this);

    linkKindBox = new QComboBox(this);
    linkKindBox->addItems({QStringLiteral("USB"), QStringLiteral("UDP")});
    portLabel = new TLabel(tr("INS_USB:"), this);
    portPicker = new TSerialCombox(this);
    connectButton = new TPushButton(tr("Connect"), this);
    disconnectButton = new TPushButton(tr("DisConnect"), this);
    progressBar = new QProgressBar(this);
    progressBar->setAlignment(Qt::AlignCenter);
    progressBar->setValue(0);
    searchEdit = new QLineEdit(this);
    setParamButton = new TPushButton(tr("SetParam"), this);
    presetBox = new TComboBox(this);
    getListButton = new TPushButton(tr("GetParamList"), this);
    table = new QTableWidget(this);
    descriptionNoteLabel = new QLabel(this);
    descriptionNoteLabel->setVisible(false);

    layout->addWidget(linkKindBox, 0, 0);
    layout->addWidget(portLabel, 0, 1);
    layout->addWidget(portPicker, 0, 2, 1, 4);
    layout->addWidget(connectButton, 0, 6);
    layout->addWidget(disconnectButton, 0, 7);
    layout->addItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum), 0, 8);
    layout->addWidget(progressBar, 1, 0, 1, 4);
    layout->addWidget(getListButton, 1, 4);
    layout->addWidget(searchEdit, 1, 5);
    layout->addWidget(presetBox, 1, 6);
    layout->addWidget(setParamButton, 1, 7);
    layout->addWidget(table, 2, 0, 10, 10);
    layout->addWidget(descriptionNoteLabel, 12, 0, 1, 10);

    for (QWidget *w : {static_cast<QWidget *>(linkKindBox), static_cast<QWidget *>(portPicker),
                       static_cast<QWidget *>(connectButton), static_cast<QWidget *>(disconnectButton),
                       static_cast<QWidget *>(progressBar), static_cast<QWidget *>(getListButton),
                       static_cast<QWidget *>(searchEdit), static_cast<QWidget *>(presetBox),
                       static_cast<QWidget *>(setParamButton)})
        w->setFixedHeight(controlHeight);
    for (QWidget *w : {static_cast<QWidget *>(connectButton), static_cast<QWidget *>(disconnectButton),
                       static_cast<QWidget *>(getListButton), static_cast<QWidget *>(searchEdit),
                       static_cast<QWidget *>(presetBox), static_cast<QWidget *>(setParamButton)})
        w->setFixedWidth(controlWidth);
    progressBar->setFixedWidth(400);

    table->setVerticalHeader(new RowNumberHeader(table));
    table->setColumnCount(ColumnCount);
    table->setHorizontalHeaderLabels({tr("Name"), tr("Value"), tr("Type"), tr("Range"), tr("Unit"), tr("Description")});
    const int widths[] = {250, 60, 60, 100, 100};
    for (int c = 0; c < 5; ++c)
        table->setColumnWidth(c, widths[c]);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    table->horizontalHeader()->setStretchLastSection(true);
    auto *readOnly = new ReadOnlyDelegate(table);
    for (int c : {ColName, ColType, ColRange, ColUnit})
        table->setItemDelegateForColumn(c, readOnly);

    if (TApp *app = TApp::instance()) {
        const QMap<QString, QString> params = app->params();
        for (auto it = params.cbegin(); it != params.cend(); ++it)
            presetBox->addItem(it.key());
    }
    presetBox->setCurrentText(QStringLiteral("None"));
}

void ParamManagerWidget::initSlots()
{
    if (TApp *app = TApp::instance()) {
        QObject *found =
            app->links()->findOrCreate(linkId, [](int id) -> QObject * { return new MavlinkHandler(id, true); });
        link = qobject_cast<MavlinkHandler *>(found);
        connect(app, QOverload<int, int, QVariant>::of(&TApp::TAppEvent), this, &ParamManagerWidget::handleTAppEvent);
    }
    if (link)
        connect(link, &MavlinkHandler::recParamInfo, this, &ParamManagerWidget::recParamInfo);
    fillTimer = new QTimer(this);
    fillTimer->setSingleShot(true);
    fillTimer->setInterval(FillQuietMs);
    connect(fillTimer, &QTimer::timeout, this, &ParamManagerWidget::fillMissing);
    // The unit the link follows, beside the connect controls.
    unitLabel = new MavlinkUnitLabel(link, this);
    layout->addWidget(unitLabel, 0, 9);
    connect(connectButton, &QPushButton::clicked, this, [this] { conBtnSlot(true); });
    connect(disconnectButton, &QPushButton::clicked, this, [this] { conBtnSlot(false); });
    connect(getListButton, &QPushButton::clicked, this, &ParamManagerWidget::getListSlot);
    connect(setParamButton, &QPushButton::clicked, this, &ParamManagerWidget::setParamSlot);
    connect(presetBox, &QComboBox::currentTextChanged, this, &ParamManagerWidget::presetSlot);
    connect(table, &QTableWidget::itemChanged, this, &ParamManagerWidget::itemChangedSlot);
    connect(searchEdit, &QLineEdit::textChanged, this, &ParamManagerWidget::findParam);
}

void ParamManagerWidget::initParamInfo()
{
    loadParamInfo(ParamDescriptions::defaultPath());
}

void ParamManagerWidget::loadParamInfo(const QString &path)
{
    QString refusal;
    descriptions = ParamDescriptions::load(path, 1, 1000, &refusal);
    descriptionNoteLabel->setText(
        refusal.isEmpty() ? QString()
                          : tr("paracfg.xlsx refused (%1); parameters are listed without descriptions").arg(refusal));
    descriptionNoteLabel->setVisible(!refusal.isEmpty());
}

void ParamManagerWidget::updateSerialUi(bool conState)
{
    connectButton->setEnabled(!conState);
    portPicker->setEnabled(!conState);
    linkKindBox->setEnabled(!conState);
    disconnectButton->setEnabled(conState);
    getListButton->setEnabled(conState);
    setParamButton->setEnabled(conState);
}

void ParamManagerWidget::conBtnSlot(bool connect)
{
    const IOHandler::DeviceInfo info = mavlinkPageDevice(linkId, linkKindBox->currentText(), portPicker->currentText());
    if (link && connect)
        applyMavlinkOwnIds(link);
    if (link)
        emit link->openDeviceSignal(info, connect);
}

void ParamManagerWidget::handleTAppEvent(int event, int, QVariant var)
{
    IOHandler::DeviceInfo record;
    if (!IOHandler::isRecordOfLink(var, linkId, &record))
        return;
    if (event == TApp::EventLinkError || event == TApp::EventOpenFailed || event == TApp::EventLinkClosed) {
        updateSerialUi(false);
    } else if (event == TApp::EventLinkOpened) {
        portPicker->setCurrentText(record.name);
        updateSerialUi(true);
    }
}

void ParamManagerWidget::getListSlot()
{
    table->clearContents();
    table->setRowCount(0);
    dirtyRows.clear();
    listIndexes.clear();
    listCount = 0;
    fillFruitless = 0;
    listFilling = false;
    listActive = false;
    if (link) {
        emit link->requestParamListSignal();
        getListButton->setEnabled(false);
        listActive = true;
    }
}

void ParamManagerWidget::fillMissing()
{
    if (!listActive || !link)
        return;
    if (++fillFruitless > FillFruitless) { // the unit does not answer: the transfer ends incomplete
        listActive = false;
        getListButton->setEnabled(true);
        return;
    }
    int asked = 0;
    for (int i = 0; i < listCount && asked < FillBatch; ++i) {
        if (!listIndexes.contains(i)) {
            link->requestParamRead(quint16(i));
            ++asked;
            listFilling = true;
        }
    }
    fillTimer->start();
}

void ParamManagerWidget::recParamInfo(double value, ushort count, ushort index, const QString &name, uchar type)
{
    // While a list streams in, the page is painted at most every RepaintIntervalMs: rows and progress
    // change at once, only their drawing is gathered (painting a row at a time costs more than the rows).
    if (!m_repaintPending) {
        m_repaintPending = true;
        setUpdatesEnabled(false);
        QTimer::singleShot(RepaintIntervalMs, this, [this] {
            m_repaintPending = false;
            setUpdatesEnabled(true);
        });
    }
    if (listActive && index < count) {
        if (!listIndexes.contains(index)) {
            listIndexes.insert(index);
            fillFruitless = 0;
        }
        listCount = count;
        if (listIndexes.size() >= count) {
            listActive = false;
            fillTimer->stop();
        } else {
            fillTimer->start(); // lost values are asked for once the stream is quiet
        }
    }
    // Index 0 starts a transfer, unless it is a lost value asked for again.
    receivedCount = index == 0 && !listFilling ? 1 : receivedCount + 1;
    progressBar->setRange(0, count);
    progressBar->setValue(receivedCount);

    const int row = table->rowCount();
    table->insertRow(row);
    addTableItem(name, row, ColName);
    // An integer parameter shows every digit (a bytewise 32-bit integer is exact), so that editing the
    // cell starts from the unit's number; other values with 6 significant digits.
    const bool integer = type >= 1 && type <= 8 && std::trunc(value) == value;
    addTableItem(integer ? ParamText::formatValue(value, type) : QString::number(value, 'g', 6), row, ColValue);
    addTableItem(QString::number(type), row, ColType);
    if (name.contains(QLatin1String("LOG_BACKEND_TYPE")) || name.contains(QLatin1String("SERIAL0_PROTOCOL")))
        qDebug() << "param:" << name;
    const auto it = descriptions.constFind(name);
    if (it != descriptions.constEnd()) {
        addTableItem(it->range, row, ColRange);
        addTableItem(it->unit, row, ColUnit);
        addTableItem(it->description, row, ColDescription);
    } else {
        const QString none = QStringLiteral("/");
        addTableItem(none, row, ColRange);
        addTableItem(none, row, ColUnit);
        addTableItem(none, row, ColDescription);
    }

    // Re-apply the current filter. Only rows changed since it was last applied can change their
    // visibility; the result is the same as filtering the whole table again.
    const QString text = searchEdit->text();
    for (int r : qAsConst(dirtyRows))
        applyFilter(r, text);
    dirtyRows.clear();

    if (receivedCount == count) {
        getListButton->setEnabled(true);
        selectedRow = -1;
    }
}

void ParamManagerWidget::addTableItem(const QString &text, int row, int column)
{
    auto *item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignCenter);
    item->setFont(itemFont);
    table->setItem(row, column, item);
}

void ParamManagerWidget::itemChangedSlot(QTableWidgetItem *item)
{
    selectedRow = item ? item->row() : -1;
    if (selectedRow >= 0)
        dirtyRows.insert(selectedRow);
}

bool ParamManagerWidget::rowMatches(int row, const QString &text) const
{
    if (text.isEmpty())
        return true;
    for (int c = 0; c < ColumnCount; ++c) {
        const QTableWidgetItem *item = table->item(row, c);
        if (item && item->text().contains(text, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

void ParamManagerWidget::applyFilter(int row, const QString &text)
{
    if (row < 0 || row >= table->rowCount())
        return;
    const bool hide = !rowMatches(row, text);
    if (table->isRowHidden(row) != hide)
        table->setRowHidden(row, hide);
}

void ParamManagerWidget::findParam(const QString &text)
{
    // Every row ends shown exactly when it holds text; rows already in that state are left alone.
    const int rows = table->rowCount();
    // Painting is held for the pass; not when the page already holds it (while a list streams in),
    // as disabling the table's updates then would keep them disabled after the page resumes.
    const bool hold = table->updatesEnabled();
    if (hold)
        table->setUpdatesEnabled(false);
    for (int r = 0; r < rows; ++r)
        applyFilter(r, text);
    if (hold)
        table->setUpdatesEnabled(true);
    dirtyRows.clear();
}

void ParamManagerWidget::presetSlot(const QString &key)
{
    const QMap<QString, QString> params = TApp::instance() ? TApp::instance()->params() : QMap<QString, QString>();
    searchEdit->setText(params.contains(key) ? params.value(key) : QString());
}

void ParamManagerWidget::setParamSlot()
{
    if (selectedRow == -1) {
        onShowDialogMsg(tr("no change"), 1000);
        return;
    }
    const QTableWidgetItem *nameItem = table->item(selectedRow, ColName);
    const QTableWidgetItem *valueItem = table->item(selectedRow, ColValue);
    const QTableWidgetItem *typeItem = table->item(selectedRow, ColType);
    const QString nameText = nameItem ? nameItem->text() : QString();
    const QString valueText = valueItem ? valueItem->text() : QString();
    if (!questionBox(QStringLiteral("info"), tr("change value of %1 to %2").arg(nameText, valueText)))
        return;
    if (!link)
        return;
    // A value that is not a number is refused rather than written to the unit as 0; one the
    // parameter's type cannot hold, or that the unit's float field would round (integers converted
    // to float; a unit that copies them bytewise carries every 32-bit one), is refused with the reason.
    const ushort type = ushort(typeItem ? typeItem->text().toInt() : 0);
    const QString nameProblem = ParamValueCheck::nameProblem(nameText);
    if (!nameProblem.isEmpty()) {
        onShowDialogMsg(nameProblem, RefusalMs);
        return;
    }
    const ParamValueCheck::Result checked = ParamValueCheck::check(valueText, type);
    if (!checked.ok) {
        if (checked.notANumber)
            onShowDialogMsg(tr("%1 is not a number").arg(valueText), 1000);
        else
            onShowDialogMsg(checked.reason, RefusalMs);
        return;
    }
    const bool bytewise = link->paramEncoding() == MavlinkLinkEngine::ParamEncoding::Bytewise;
    const QString carrier = ParamValueCheck::carrierProblem(valueText, checked.value, type, bytewise);
    if (!carrier.isEmpty()) {
        onShowDialogMsg(carrier, RefusalMs);
        return;
    }
    emit link->setParamValueSignal(nameText.toUtf8(), checked.value, type);
    if (!checked.note.isEmpty())
        onShowDialogMsg(checked.note, RefusalMs);
}

void ParamManagerWidget::onShowDialogMsg(const QString &msg, int ms)
{
    TimedPopup::exec(QMessageBox::Information, QStringLiteral("Warning"), msg, ms);
}

bool ParamManagerWidget::questionBox(const QString &title, const QString &text)
{
    return QMessageBox::question(this, title, text, QMessageBox::Yes | QMessageBox::No) != QMessageBox::No;
}
