#include "ui/factory/G_CFG_LogManager.h"

#include "core/util/LogFileName.h"
#include "factory/link/FlyLink.h"
#include "factory/link/Q_DMMM.h"
#include "link/TMsgManager.h"
#include "ui/factory/FactoryWindowLook.h"
#include "ui/factory/LogModel.h"
#include "ui/widgets/TimedPopup.h"

#include <QDateTime>
#include <QDir>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>

namespace {
FlyLink *linkOf(int linkid)
{
    Q_DMMM *bus = Q_DMMM::instance();
    return bus ? bus->linkById(linkid) : nullptr;
}
} // namespace

G_CFG_LogManager::G_CFG_LogManager(int linkid, QWidget *parent) : QWidget(parent), m_linkId(linkid)
{
    FactoryWindowLook::applyStyleSheet(this);
    initUi();
    initSlots();
}

QString G_CFG_LogManager::logDirectory()
{
    // The link writes below the working directory.
    return QDir::current().absoluteFilePath(QLatin1String(LogFileName::Dir));
}

void G_CFG_LogManager::initUi()
{
    m_grid = new QGridLayout(this);
    m_listButton = new QPushButton(tr("GetLogList"), this);
    m_downloadButton = new QPushButton(tr("Download"), this);
    m_cancelButton = new QPushButton(tr("Cancel"), this);
    m_clearButton = new QPushButton(tr("ClearLogs"), this);
    m_pathLabel = new QLabel(tr("LogPath"), this);
    m_pathEdit = new QLineEdit(logDirectory(), this);
    m_pathEdit->setEnabled(false);
    m_model = new LogModel(this);
    m_view = new QTableView(this);
    m_view->setModel(m_model);
    m_view->horizontalHeader()->setStretchLastSection(true);
    const int widths[] = {10, 120, 120, 120};
    for (int c = 0; c < 4; ++c)
        m_view->setColumnWidth(c, widths[c]);
    m_view->resizeRowsToContents();
    m_view->setWordWrap(true);
    m_view->setMinimumSize(1300, 500);
    m_grid->addWidget(m_listButton, 0, 0);
    m_grid->addWidget(m_downloadButton, 0, 1);
    m_grid->addWidget(m_cancelButton, 0, 2);
    m_grid->addWidget(m_clearButton, 0, 9);
    m_grid->addWidget(m_pathLabel, 1, 0);
    m_grid->addWidget(m_pathEdit, 1, 1, 1, 10);
    m_grid->addWidget(m_view, 2, 0, 10, 10);
}

void G_CFG_LogManager::initSlots()
{
    if (Q_DMMM *bus = Q_DMMM::instance())
        connect(bus, qOverload<int, int, QVariant>(&Q_DMMM::DMMM_Event), this, &G_CFG_LogManager::handle_DMMM_event);
    connect(m_listButton, &QPushButton::released, this, &G_CFG_LogManager::btnGetLogListClicked);
    connect(m_downloadButton, &QPushButton::released, this, &G_CFG_LogManager::btnDownloadClicked);
    connect(m_cancelButton, &QPushButton::released, this, &G_CFG_LogManager::btnCancelSlot);
    connect(m_clearButton, &QPushButton::released, this, &G_CFG_LogManager::btnClearLogSlot);
}

bool G_CFG_LogManager::questionBox(const QString &title, const QString &text)
{
    return QMessageBox::question(this, title, text, QMessageBox::Yes | QMessageBox::No) != QMessageBox::No;
}

void G_CFG_LogManager::handle_DMMM_event(int ev, int linkid, QVariant var)
{
    if (linkid != m_linkId)
        return;
    if (ev == DMMM_GCSEvent_Log_entry) {
        const FlyLink::log_info_t entry = var.value<FlyLink::log_info_t>();
        LogRow row;
        row.id = entry.id();
        row.size = int(entry.size());
        row.progress = QStringLiteral("0%");
        row.dateTime = QDateTime::fromSecsSinceEpoch(entry.timeUtc()).toString(QStringLiteral("yyyy-MM-dd hh-mm-ss"));
        // An entry the unit sent again (a list request repeated after a loss) keeps its one row.
        m_model->addEntry(row);
    } else if (ev == DMMM_GCSEvent_Log_data) {
        const FlyLink::log_data_t block = var.value<FlyLink::log_data_t>();
        m_model->setDownloaded(block.id(), int(block.offset()));
    }
}

void G_CFG_LogManager::btnGetLogListClicked()
{
    m_model->clearRows();
    if (FlyLink *link = linkOf(m_linkId))
        link->requestLogList();
}

void G_CFG_LogManager::btnDownloadClicked()
{
    requestLogData();
}

void G_CFG_LogManager::requestLogData()
{
    FlyLink *link = linkOf(m_linkId);
    if (!link)
        return;
    // A whole log shows 100% (its last block's offset is short of the size).
    connect(link, &FlyLink::logFileCompleted, this, &G_CFG_LogManager::onLogFileCompleted, Qt::UniqueConnection);
    connect(link, &FlyLink::logFileFailed, this, &G_CFG_LogManager::onLogFileFailed, Qt::UniqueConnection);
    for (int id : m_model->checkedIds()) {
        link = linkOf(m_linkId);
        if (!link)
            return;
        m_model->restart(id);
        link->queueLogDownload(quint16(id));
    }
    link->startLogDownloads();
}

void G_CFG_LogManager::onLogFileCompleted(int id, const QString &)
{
    m_model->setComplete(id);
}

void G_CFG_LogManager::onLogFileFailed(int, const QString &path, const QString &reason)
{
    // An unwritable directory or a full disk: said at once, with the system's reason; the link has
    // stopped the download and its queue.
    TimedPopup::exec(QMessageBox::Warning, QStringLiteral("Warning"),
                     tr("Cannot write the log file %1: %2").arg(QDir::toNativeSeparators(path), reason),
                     TMsgManager::PopupCloseMs);
}

void G_CFG_LogManager::btnCancelSlot()
{
    if (FlyLink *link = linkOf(m_linkId))
        link->cancelLogDownload();
}

void G_CFG_LogManager::btnClearLogSlot()
{
    if (!questionBox(QStringLiteral("Clear all logs"), QString::fromUtf8("Confirm\xEF\xBC\x9F")))
        return;
    if (FlyLink *link = linkOf(m_linkId))
        link->eraseLogs();
}
