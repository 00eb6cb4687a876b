#include "ui/factory/ParamTableModel.h"

#include "core/formats/ParamFile.h"
#include "core/mavlink/ParamList.h"
#include "factory/link/Q_DMMM.h"

#include <QColor>

QModelIndex ParamTableModel::index(int row, int column, const QModelIndex &parent) const
{
    if (parent.isValid() || row < 0 || column < 0)
        return QModelIndex();
    return createIndex(row, column);
}

QModelIndex ParamTableModel::parent(const QModelIndex &) const
{
    return QModelIndex();
}

int ParamTableModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return m_searchMode ? m_searchRowCount : m_rowCount;
}

int ParamTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_columnCount;
}

QVariant ParamTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= m_columnCount)
        return QVariant();
    const QString name = currentRows().value(index.row());
    const auto it = currentParams().constFind(name);
    if (name.isEmpty() || it == currentParams().constEnd())
        return QVariant();
    const ParamRow &r = *it;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        switch (index.column()) {
        case 0:
            return name;
        case 1:
            return QString::number(double(r.value), 'g', 6);
        case 2:
            return r.range;
        case 3:
            return r.unit;
        case 4:
            return r.description;
        default:
            return QVariant();
        }
    case Qt::BackgroundRole:
        if (index.column() == 1 && r.edited)
            return QColor(255, 0, 0);
        return QVariant();
    case NameRole:
        return name;
    case ValueRole:
        return double(r.value);
    case UnitRole:
        return r.unit;
    case RangeRole:
        return r.range;
    case DescriptionRole:
        return r.description;
    default:
        return QVariant();
    }
}

bool ParamTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.row() >= rowCount())
        return false;
    const QString name = currentRows().value(index.row());
    auto it = currentParams().find(name);
    if (name.isEmpty() || it == currentParams().end())
        return false;
    if (((role == Qt::DisplayRole || role == Qt::EditRole) && index.column() == 1) || role == ValueRole) {
        float v = 0;
        if (!ParamText::parseFloat(value.toString(), v)) {
            emit valueRefused(name, value.toString());
            return false;
        }
        if (ParamFile::sameValue(double(v), double(it->value)))
            return false;
        it->value = v;
        it->edited = true;
        addParam(name, v, true);
        emit dataChanged(index, index);
        return true;
    }
    if (role == DescriptionRole) {
        it->description = value.toString();
        return true;
    }
    return false;
}

QVariant ParamTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Vertical)
        return QString::number(section + 1);
    switch (section) {
    case 0:
        return tr("Name");
    case 1:
        return tr("Value");
    case 2:
        return tr("Range");
    case 3:
        return tr("Unit");
    case 4:
        return tr("Description");
    default:
        return tr("None");
    }
}

Qt::ItemFlags ParamTableModel::flags(const QModelIndex &index) const
{
    const Qt::ItemFlags base = QAbstractTableModel::flags(index);
    return index.column() == 1 ? base | Qt::ItemIsEditable : base & ~Qt::ItemIsEditable;
}

QHash<int, QByteArray> ParamTableModel::roleNames() const
{
    return {{NameRole, "ParamData_name"},
            {ValueRole, "ParamData_value"},
            {UnitRole, "ParamData_Unit"},
            {RangeRole, "ParamData_Range"},
            {DescriptionRole, "ParamData_whatIsThis"}};
}

void ParamTableModel::clearAll()
{
    beginResetModel();
    m_rows.clear();
    m_params.clear();
    m_searchRows.clear();
    m_searchParams.clear();
    m_rowCount = 0;
    m_searchRowCount = 0;
    endResetModel();
}

void ParamTableModel::clearSearch()
{
    beginResetModel();
    m_searchRows.clear();
    m_searchParams.clear();
    m_searchRowCount = 0;
    m_searchMode = 0;
    endResetModel();
}

void ParamTableModel::search(const QString &text)
{
    beginResetModel();
    m_searchRows.clear();
    m_searchParams.clear();
    m_searchRowCount = 0;
    if (!text.isEmpty()) {
        m_searchMode = 1;
        for (auto it = m_params.constBegin(); it != m_params.constEnd(); ++it) {
            if (it.key().contains(text, Qt::CaseInsensitive))
                insertInto(m_searchRows, m_searchParams, m_searchRowCount, it.key(), it->value, it->edited);
        }
    }
    endResetModel();
}

ParamRow ParamTableModel::describedRow(const QString &name, float value, bool edited)
{
    ParamRow row;
    row.value = value;
    row.edited = edited;
    const Q_DMMM *bus = Q_DMMM::instance();
    row.unit = bus ? bus->paramCfgUnit(name) : QStringLiteral("/");
    row.range = bus ? bus->paramCfgRange(name) : QStringLiteral("/");
    row.description = bus ? bus->paramCfgDescription(name) : QStringLiteral("/");
    return row;
}

void ParamTableModel::insertInto(QMap<int, QString> &rows, QMap<QString, ParamRow> &params, int &count,
                                 const QString &name, float value, bool edited)
{
    if (!params.contains(name)) {
        rows.insert(count, name);
        ++count;
    }
    params.insert(name, describedRow(name, value, edited));
}

void ParamTableModel::addParam(const QString &name, float value, bool edited)
{
    beginResetModel();
    insertInto(m_rows, m_params, m_rowCount, name, value, edited);
    endResetModel();
}

void ParamTableModel::addSearchRow(const QString &name, float value, bool edited)
{
    beginResetModel();
    insertInto(m_searchRows, m_searchParams, m_searchRowCount, name, value, edited);
    endResetModel();
}

bool ParamTableModel::getValue(const QString &name, float &value) const
{
    const auto it = m_params.constFind(name);
    if (it == m_params.constEnd())
        return false;
    value = it->value;
    return true;
}

bool ParamTableModel::isEdited(const QString &name) const
{
    return m_params.value(name).edited;
}

QList<QPair<QString, float>> ParamTableModel::allParams() const
{
    QList<QPair<QString, float>> out;
    for (auto it = m_rows.constBegin(); it != m_rows.constEnd(); ++it) {
        const auto p = m_params.constFind(*it);
        if (!it->isEmpty() && p != m_params.constEnd())
            out.append(qMakePair(*it, p->value));
    }
    return out;
}
