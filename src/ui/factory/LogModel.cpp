#include "ui/factory/LogModel.h"

#include <QDebug>

namespace {
constexpr int Columns = 6;
}

int LogModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows.size();
}

int LogModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : Columns;
}

QVariant LogModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size() || index.column() >= Columns)
        return QVariant();
    const LogRow &r = m_rows[index.row()];
    switch (role) {
    case Qt::TextAlignmentRole:
        return int(Qt::AlignCenter);
    case Qt::CheckStateRole:
        return index.column() == 0 ? QVariant(r.checked ? Qt::Checked : Qt::Unchecked) : QVariant();
    case Qt::DisplayRole:
    case Qt::EditRole:
        switch (index.column()) {
        case 1:
            return QString::number(r.id);
        case 2:
            return QString::number(r.size);
        case 3:
            return QString::number(r.downloaded);
        case 4:
            return r.progress;
        case 5:
            return r.dateTime;
        default:
            return QVariant();
        }
    case CheckedRole:
        return r.checked;
    case IdRole:
        return r.id;
    case SizeRole:
        return r.size;
    case DownloadedRole:
        return r.downloaded;
    case ProgressRole:
        return r.progress;
    case DateTimeRole:
        return r.dateTime;
    default:
        return QVariant();
    }
}

bool LogModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    qDebug() << value << role;
    if (!index.isValid() || index.row() >= m_rows.size() || index.column() != 0 || role != Qt::CheckStateRole)
        return false;
    // A check state arrives as Qt::Checked (2) or Qt::Unchecked (0).
    m_rows[index.row()].checked = value.toInt() != Qt::Unchecked;
    emit dataChanged(index, index);
    return true;
}

QVariant LogModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Vertical)
        return QString::number(section + 1);
    switch (section) {
    case 0:
        return QString();
    case 1:
        return tr("ID");
    case 2:
        return tr("Size");
    case 3:
        return tr("Download");
    case 4:
        return tr("Progress");
    case 5:
        return tr("DateTime");
    default:
        return tr("None");
    }
}

Qt::ItemFlags LogModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    if (index.column() == 0)
        return QAbstractTableModel::flags(index) | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled;
}

void LogModel::clearRows()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

void LogModel::appendRow(const LogRow &row)
{
    beginInsertRows(QModelIndex(), m_rows.size(), m_rows.size());
    m_rows.append(row);
    endInsertRows();
}

void LogModel::addEntry(const LogRow &row)
{
    const int at = rowOf(row.id);
    if (at < 0) {
        appendRow(row);
        return;
    }
    m_rows[at].size = row.size;
    m_rows[at].dateTime = row.dateTime;
    emit dataChanged(index(at, 0), index(at, Columns - 1));
}

int LogModel::rowOf(int id) const
{
    for (int i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].id == id)
            return i;
    }
    return -1;
}

QString LogModel::progressText(int bytes, int size)
{
    if (size <= 0)
        return QStringLiteral("0%");
    return QString::number(double(float(double(bytes) * 100 / size)), 'f', 1) + QLatin1Char('%');
}

void LogModel::setDownloaded(int id, int bytes)
{
    const int row = rowOf(id);
    // The link announces a log's last block after the log was complete.
    if (row < 0 || m_rows[row].complete)
        return;
    m_rows[row].downloaded = bytes;
    m_rows[row].progress = progressText(bytes, m_rows[row].size);
    emit dataChanged(index(row, 3), index(row, 4));
}

void LogModel::setComplete(int id)
{
    const int row = rowOf(id);
    if (row < 0)
        return;
    m_rows[row].downloaded = m_rows[row].size;
    m_rows[row].progress = QStringLiteral("100.0%");
    m_rows[row].complete = true;
    emit dataChanged(index(row, 3), index(row, 4));
}

void LogModel::restart(int id)
{
    const int row = rowOf(id);
    if (row >= 0)
        m_rows[row].complete = false;
}

QList<int> LogModel::checkedIds() const
{
    QList<int> ids;
    for (const LogRow &r : m_rows) {
        if (r.checked)
            ids << r.id;
    }
    return ids;
}
