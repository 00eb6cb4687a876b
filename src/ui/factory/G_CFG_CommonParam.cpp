#include "ui/factory/G_CFG_CommonParam.h"

#include "core/formats/ParamDescriptions.h"
#include "core/formats/XlsxWorkbook.h"
#include "core/util/IniSettings.h"
#include "factory/link/FlyLink.h"
#include "factory/link/Q_DMMM.h"
#include "link/TApp.h"
#include "ui/factory/FactoryWindowLook.h"
#include "ui/factory/ParamCompareDialog.h"
#include "ui/factory/ParamTableModel.h"
#include "ui/widgets/TimedPopup.h"

#include <QComboBox>
#include <QDebug>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTableView>

namespace {
const char *kSettingsPath = "./cfg/Setting.ini";
constexpr int LongMessageMs = 3000;
constexpr int ShortMessageMs = 500;
constexpr int WorkbookLastRow = 1998;
// 10 Hz ticks a quick write waits for a late answer after the link's last read of the name.
constexpr int PendingAnswerTicks = 10;

FlyLink *linkOf(int linkid)
{
    Q_DMMM *bus = Q_DMMM::instance();
    return bus ? bus->linkById(linkid) : nullptr;
}

QGroupBox *subGroup(QWidget *parent)
{
    auto *group = new QGroupBox(parent);
    group->setObjectName(QStringLiteral("SystemConfigWidgetSubGroupBox"));
    group->setAlignment(Qt::AlignHCenter);
    return group;
}

QPushButton *actionButton(const QString &text, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QStringLiteral("WidgetCMD_Action"));
    return button;
}
} // namespace

G_CFG_CommonParam::G_CFG_CommonParam(int linkid, QWidget *parent) : QWidget(parent), m_linkId(linkid)
{
    initUi();
    initSlots();
    FactoryWindowLook::apply(this, tr("ParamSet"));
    loadParamWorkbook(ParamDescriptions::defaultPath());
}

QString G_CFG_CommonParam::paramLogDirectory()
{
    return QDir::current().absoluteFilePath(QStringLiteral("ParamLog"));
}

void G_CFG_CommonParam::initUi()
{
    m_title = new QLabel(tr("ParamSet"), this);
    m_title->setObjectName(QStringLiteral("CfgWIdgetTitle"));
    m_title->setAlignment(Qt::AlignCenter);
    m_grid = new QGridLayout(this);

    m_downloadGroup = subGroup(this);
    m_downloadGrid = new QGridLayout(m_downloadGroup);
    m_uploadButton = actionButton(tr("Upload"), m_downloadGroup);
    m_downloadButton = actionButton(tr("Download"), m_downloadGroup);
    m_progress = new QProgressBar(m_downloadGroup);
    m_progress->setAlignment(Qt::AlignCenter);
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_downloadGrid->addWidget(m_progress, 0, 0, 1, 4);
    m_downloadGrid->addWidget(m_downloadButton, 1, 0, 1, 2);
    m_downloadGrid->addWidget(m_uploadButton, 1, 2, 1, 2);

    m_fileGroup = subGroup(this);
    m_fileGrid = new QGridLayout(m_fileGroup);
    m_loadButton = actionButton(tr("LoadFile"), m_fileGroup);
    m_saveButton = actionButton(tr("SaveFile"), m_fileGroup);
    m_fileGrid->addWidget(m_loadButton, 0, 0, 1, 2);
    m_fileGrid->addWidget(m_saveButton, 0, 2, 1, 2);

    m_searchGroup = subGroup(this);
    m_searchGrid = new QGridLayout(m_searchGroup);
    m_searchEdit = new QLineEdit(m_searchGroup);
    m_searchGrid->addWidget(new QLabel(tr("Search"), m_searchGroup), 0, 0);
    m_searchGrid->addWidget(m_searchEdit, 0, 1, 1, 10);

    m_quickGroup = subGroup(this);
    auto *quickGrid = new QGridLayout(m_quickGroup);
    m_picker = new QComboBox(m_quickGroup);
    m_nameEdit = new QLineEdit(m_quickGroup);
    m_nameEdit->setEnabled(false);
    m_currentValueEdit = new QLineEdit(m_quickGroup);
    m_currentValueEdit->setEnabled(false);
    m_newValueEdit = new QLineEdit(m_quickGroup);
    m_setButton = new QPushButton(tr("SetValue"), m_quickGroup);
    quickGrid->addWidget(m_picker, 0, 0, 1, 2);
    quickGrid->addWidget(new QLabel(tr("Name"), m_quickGroup), 1, 0);
    quickGrid->addWidget(m_nameEdit, 1, 1);
    quickGrid->addWidget(new QLabel(tr("Value"), m_quickGroup), 2, 0);
    quickGrid->addWidget(m_currentValueEdit, 2, 1);
    quickGrid->addWidget(new QLabel(tr("Value"), m_quickGroup), 3, 0);
    quickGrid->addWidget(m_newValueEdit, 3, 1);
    quickGrid->addWidget(m_setButton, 4, 1);

    m_model = new ParamTableModel(this);
    m_view = new QTableView(this);
    m_view->setModel(m_model);
    m_view->setMinimumSize(1300, 500);
    m_view->horizontalHeader()->setStretchLastSection(true);
    const int widths[] = {160, 120, 220, 120};
    for (int c = 0; c < 4; ++c)
        m_view->setColumnWidth(c, widths[c]);
    m_view->resizeRowsToContents();
    m_view->setWordWrap(true);
    m_view->setSortingEnabled(true);

    m_grid->addWidget(m_title, 0, 0, 1, 10);
    m_grid->addWidget(m_downloadGroup, 1, 9);
    m_grid->addWidget(m_fileGroup, 2, 9);
    m_grid->addWidget(m_searchGroup, 3, 9);
    m_grid->addWidget(m_quickGroup, 4, 9);
    m_grid->addWidget(m_view, 1, 0, 5, 9);
    m_grid->setContentsMargins(10, 20, 10, 20);

    // The picker: labels of ./cfg/param.ini in key order.
    m_pickerParams =
        TApp::instance() ? TApp::instance()->params() : TApp::loadParams(QStringLiteral("./cfg/param.ini"));
    m_picker->addItems(m_pickerParams.keys());
    m_picker->setCurrentText(QStringLiteral("None"));
    if (!m_pickerParams.isEmpty())
        m_nameEdit->setText(m_pickerParams.first());

    m_debugMode = IniSettings(QLatin1String(kSettingsPath)).value(QStringLiteral("ORVE/Mode")).toString() ==
                  QLatin1String("DebugMode");
    m_view->setVisible(m_debugMode);
    m_fileGroup->setVisible(m_debugMode);
    m_uploadButton->setVisible(m_debugMode);
    m_searchGroup->setVisible(m_debugMode);
}

void G_CFG_CommonParam::initSlots()
{
    if (Q_DMMM *bus = Q_DMMM::instance())
        connect(bus, qOverload<int, int, QVariant>(&Q_DMMM::DMMM_Event), this, &G_CFG_CommonParam::handle_DMMM_event);
    connect(m_downloadButton, &QPushButton::released, this, &G_CFG_CommonParam::slotStartRequestAllParam);
    connect(m_uploadButton, &QPushButton::released, this, &G_CFG_CommonParam::slotUpdateEditedPara);
    connect(m_saveButton, &QPushButton::released, this, &G_CFG_CommonParam::slotSaveParaToFile);
    connect(m_loadButton, &QPushButton::released, this, &G_CFG_CommonParam::slotLoadFileToMap);
    connect(m_setButton, &QPushButton::released, this, &G_CFG_CommonParam::slotSetValue);
    connect(m_searchEdit, &QLineEdit::editingFinished, this, &G_CFG_CommonParam::slotSerachParam);
    connect(m_picker, &QComboBox::currentTextChanged, this, &G_CFG_CommonParam::onPickerChanged);
    connect(m_model, &ParamTableModel::valueRefused, this, &G_CFG_CommonParam::onValueRefused);
}

void G_CFG_CommonParam::loadParamWorkbook(const QString &path)
{
    Q_DMMM *bus = Q_DMMM::instance();
    if (!QFileInfo::exists(path)) {
        qDebug() << "paracfg not exist";
        return;
    }
    if (!bus)
        return;
    XlsxWorkbook book;
    if (!book.load(path, WorkbookLastRow))
        qDebug() << "paracfg read failed:" << book.error();
    // Every even row (rows 0, 2, ... 1998); row 0 does not exist and, like an empty row, has no name.
    for (int row = 0; row <= WorkbookLastRow; row += 2) {
        const QMap<QString, ParamDescription> one = ParamDescriptions::fromWorkbook(book, row, row);
        for (auto it = one.constBegin(); it != one.constEnd(); ++it) {
            if (!it.key().isEmpty())
                bus->setParamCfgTexts(it.key(), it->unit, it->range, it->description);
        }
    }
}

void G_CFG_CommonParam::showEvent(QShowEvent *event)
{
    m_model->clearSearch();
    addValuesOfLink();
    QWidget::showEvent(event);
}

void G_CFG_CommonParam::addValuesOfLink()
{
    // The window is made on first use: values the link read before it existed (another window's
    // parameters, an earlier download) are shown too. Rows the window holds already stay as they are.
    FlyLink *link = linkOf(m_linkId);
    if (!link)
        return;
    const auto params = link->commonParams();
    for (auto it = params.constBegin(); it != params.constEnd(); ++it) {
        float v = 0;
        if (it->received && !m_model->getValue(it.key(), v))
            m_model->addParam(it.key(), it->value, false);
    }
}

QString G_CFG_CommonParam::chooseParamFile(const QString &startPlace)
{
    return QFileDialog::getOpenFileName(this, tr("Select file"), startPlace,
                                        tr("Parameter file(*.param);;All files(*.*)"));
}

bool G_CFG_CommonParam::runCompare(ParamCompareDialog &dialog)
{
    return dialog.exec() == QDialog::Accepted;
}

void G_CFG_CommonParam::message(const QString &text, int ms)
{
    TimedPopup::exec(QMessageBox::Information, tr("Warning"), text, ms);
}

void G_CFG_CommonParam::handle_DMMM_event(int ev, int linkid, QVariant var)
{
    if (ev == DMMM_GCSEvent_Param_value && linkid == m_linkId)
        onParamValue(var);
    else if (ev == DMMM_GCSEvent_Param_all_done && linkid == m_linkId)
        rebuildFromLink();
    else if (ev == DMMM_GCSEvent_Timer_10Hz)
        updateDownloadState();
}

void G_CFG_CommonParam::onParamValue(const QVariant &var)
{
    const FlyLink::CommonParam_t p = var.value<FlyLink::CommonParam_t>();
    const QString name = p.name();
    const float value = p.value();
    m_model->addParam(name, value, false);
    if (m_model->searchMode() && name.contains(m_searchEdit->text(), Qt::CaseInsensitive)) {
        m_currentValueEdit->setText(QString::number(double(value), 'g', 6));
        m_model->addSearchRow(name, value, false);
    }
    if (name == m_nameEdit->text())
        m_currentValueEdit->setText(QString::number(double(value), 'g', 6));
    if (m_pendingSet.active && name == m_pendingSet.name) {
        // The unit has the parameter: now it can be written.
        m_pendingSet.active = false;
        writeQuickValue(m_pendingSet.name, m_pendingSet.value);
    }
}

void G_CFG_CommonParam::rebuildFromLink()
{
    FlyLink *link = linkOf(m_linkId);
    if (!link)
        return;
    m_model->clearAll();
    const auto params = link->commonParams();
    for (auto it = params.constBegin(); it != params.constEnd(); ++it) {
        if (it->received)
            m_model->addParam(it.key(), it->value, false);
        if (m_model->searchMode() && it.key().contains(m_searchEdit->text(), Qt::CaseInsensitive))
            m_model->addSearchRow(it.key(), it->value, false);
    }
}

void G_CFG_CommonParam::updateDownloadState()
{
    FlyLink *link = linkOf(m_linkId);
    if (!link)
        return;
    checkPendingSet(link);
    const int count = link->allParamCount();
    if (link->isConnected() && count != 0) {
        m_progress->setValue(int(float(link->allParamIndex()) * 100.0f / float(count)));
        m_fetching = link->allParamFetching();
        m_downloadButton->setText(m_fetching ? tr("CancelDownload") : tr("StartDownload"));
    } else {
        m_progress->setValue(0);
    }
}

void G_CFG_CommonParam::slotStartRequestAllParam()
{
    FlyLink *link = linkOf(m_linkId);
    if (!link)
        return;
    if (m_fetching)
        link->stopAllParamFetch();
    else
        link->startAllParamFetch();
}

void G_CFG_CommonParam::slotUpdateEditedPara()
{
    FlyLink *link = linkOf(m_linkId);
    if (!link || !link->isConnected()) {
        message(tr("Upload failed, the communication is abnormal"), LongMessageMs);
        return;
    }
    const auto common = link->commonParams();
    int n = 0;
    QStringList notUploaded;
    for (int i = 0; i < m_model->rowCount(); ++i) {
        const QString name = m_model->index(i, 0).data(ParamTableModel::NameRole).toString();
        float v = 0;
        m_model->getValue(name, v);
        const auto it = common.constFind(name);
        if (it != common.constEnd() && ParamFile::sameValue(double(it->value), double(v))) {
            m_model->addParam(name, v, false);
            continue;
        }
        qDebug() << "slotUpdateEditedPara" << name << v;
        // A name outside the link's common table is not sent: say so rather than count it.
        if (link->setCommonParam(name, v))
            ++n;
        else
            notUploaded << name;
    }
    QString text = QString::number(n) + tr("Item data upload completed, \r\n please update the data to view!");
    if (!notUploaded.isEmpty())
        text += QStringLiteral("\r\n") +
                tr("Not uploaded (not common parameters of the unit): %1").arg(notUploaded.join(QStringLiteral(", ")));
    message(text, LongMessageMs);
}

void G_CFG_CommonParam::slotSetValue()
{
    FlyLink *link = linkOf(m_linkId);
    if (!link || !link->isConnected()) {
        message(tr("Upload failed, the communication is abnormal"), LongMessageMs);
        return;
    }
    const QString name = m_nameEdit->text();
    bool ok = false;
    const double value = m_newValueEdit->text().trimmed().toDouble(&ok);
    if (!ok) {
        message(tr("Item(%1): \"%2\" is not a number, nothing was written.").arg(name, m_newValueEdit->text()),
                LongMessageMs);
        return;
    }
    float known = 0;
    if (link->getCommonParam(name, &known, false) != 1) {
        // Not read from the unit yet (no Download before): the link reads it by name first (which adds
        // it to its common table); the value is written once the unit has answered (onParamValue),
        // and reported as not a parameter of the unit when it never does (checkPendingSet).
        link->getCommonParam(name, nullptr, true);
        m_pendingSet = PendingSet{name, float(value), 0, true};
        qDebug() << "slotSetValue: reading" << name << "first";
        return;
    }
    writeQuickValue(name, float(value));
}

void G_CFG_CommonParam::writeQuickValue(const QString &name, float value)
{
    FlyLink *link = linkOf(m_linkId);
    if (!link || !link->isConnected()) {
        message(tr("Upload failed, the communication is abnormal"), LongMessageMs);
        return;
    }
    const bool sent = link->setCommonParam(name, value);
    qDebug() << "slotSetValue" << name << value;
    if (!sent) {
        message(tr("Item(%1) is not a common parameter of the unit: not uploaded.").arg(name), LongMessageMs);
        return;
    }
    message(tr("Item(%1) data upload completed, \r\n please update the data to view!").arg(name), LongMessageMs);
}

void G_CFG_CommonParam::checkPendingSet(FlyLink *link)
{
    if (!m_pendingSet.active)
        return;
    const FlyLink::CommonParamState state = link->commonParams().value(m_pendingSet.name);
    if (state.received || state.retries < FlyCommonParams::MaxReads)
        return;
    // The link has asked for it as often as it does; a late answer still gets a moment.
    if (++m_pendingSet.ticksAfterLastRead < PendingAnswerTicks)
        return;
    m_pendingSet.active = false;
    message(tr("Item(%1) is not a common parameter of the unit: not uploaded.").arg(m_pendingSet.name), LongMessageMs);
}

void G_CFG_CommonParam::onValueRefused(const QString &name, const QString &text)
{
    message(tr("Item(%1): \"%2\" is not a number, the value is unchanged.").arg(name, text), LongMessageMs);
}

void G_CFG_CommonParam::onPickerChanged(const QString &text)
{
    const QString name = m_pickerParams.value(text);
    m_nameEdit->setText(name);
    m_newValueEdit->setText(QStringLiteral("0"));
    m_searchEdit->setText(m_nameEdit->text());
    slotSerachParam();
    // The picked parameter's own value: the window's, else the link's, else it is read by name from
    // the unit and shown when it arrives (onParamValue).
    m_currentValueEdit->clear();
    float v = 0;
    FlyLink *link = linkOf(m_linkId);
    if (m_model->getValue(name, v) || (link && !name.isEmpty() && link->getCommonParam(name, &v, false) == 1))
        m_currentValueEdit->setText(QString::number(double(v), 'g', 6));
    else if (m_model->rowCount() >= 1)
        m_currentValueEdit->setText(m_model->index(0, 0).data(ParamTableModel::ValueRole).toString());
}

void G_CFG_CommonParam::slotSerachParam()
{
    const QString text = m_searchEdit->text();
    if (text.isEmpty())
        m_model->clearSearch();
    else
        m_model->search(text);
}

void G_CFG_CommonParam::slotSaveParaToFile()
{
    m_model->clearSearch();
    const QString dir = paramLogDirectory();
    if (!QDir().mkpath(dir)) {
        message(tr("Saving failed: %1").arg(dir), LongMessageMs);
        return;
    }
    FlyLink *link = linkOf(m_linkId);
    const ParamFileHeader header = link ? ParamFileHeader::fromBoard(link->record().boardInfo()) : ParamFileHeader();
    QList<ParamFileEntry> entries;
    for (const auto &p : m_model->allParams())
        entries.append(ParamFileEntry{p.first, p.second});
    QString error;
    if (!ParamFile::save(dir + QLatin1Char('/') + header.fileName(QDate::currentDate()), header, entries, &error)) {
        message(tr("Saving failed: %1").arg(error), LongMessageMs);
        return;
    }
    if (!ParamFile::appendHwInfo(dir + QStringLiteral("/hwInfo.csv"), header, &error)) {
        message(tr("The parameters were saved, but the board log could not be written: %1").arg(error), LongMessageMs);
        return;
    }
    message(QString::number(entries.size()) + tr("Item parameters are saved successfully!"), ShortMessageMs);
}

QMap<QString, float> G_CFG_CommonParam::unitValues() const
{
    QMap<QString, float> out;
    if (FlyLink *link = linkOf(m_linkId)) {
        const auto common = link->commonParams();
        for (auto it = common.constBegin(); it != common.constEnd(); ++it) {
            if (it->received)
                out.insert(it.key(), it->value);
        }
    }
    return out;
}

void G_CFG_CommonParam::slotLoadFileToMap()
{
    m_model->clearSearch();
    IniSettings settings{QLatin1String(kSettingsPath)};
    QString start = settings.value(QStringLiteral("general/paramPath")).toString();
    if (start.isEmpty())
        start = QDir::currentPath();
    const QString path = chooseParamFile(start);
    if (path.isEmpty()) {
        message(tr("File loading failure!"), ShortMessageMs);
        return;
    }
    settings.setValue(QStringLiteral("general/paramPath"), path);
    ParamFile::Parsed parsed;
    QString error;
    if (!ParamFile::load(path, &parsed, &error)) {
        message(tr("File loading failure!"), ShortMessageMs);
        return;
    }
    if (!parsed.sawStart) {
        message(tr("No ParamStart line in the file: nothing was loaded."), LongMessageMs);
        return;
    }
    ParamCompareDialog compare(path, ParamFile::diff(unitValues(), parsed.values), this);
    if (!runCompare(compare))
        return;
    QMap<QString, QPair<float, bool>> loaded;
    for (auto it = parsed.values.constBegin(); it != parsed.values.constEnd(); ++it) {
        float old = 0;
        const bool same = m_model->getValue(it.key(), old) && ParamFile::sameValue(double(old), double(it.value()));
        loaded.insert(it.key(), qMakePair(it.value(), !same));
    }
    m_model->clearAll();
    for (auto it = loaded.constBegin(); it != loaded.constEnd(); ++it)
        m_model->addParam(it.key(), it->first, it->second);
    QString text = QString::number(loaded.size()) + tr("Item parameters were successfully loaded!");
    if (!parsed.bad.isEmpty())
        text += QStringLiteral("\r\n") +
                tr("Lines not loaded (no NAME,VALUE): %1").arg(ParamFile::badLinesText(parsed.bad));
    message(text, parsed.bad.isEmpty() ? ShortMessageMs : LongMessageMs);
}
