#pragma once

#include <QAbstractTableModel>
#include <QMap>
#include <QString>

// One parameter of the common-parameter table.
struct ParamRow
{
    float value = 0;
    QString description;
    bool edited = false;
    QString unit;
    QString range;
};

// The common-parameter window's table: name, value, range, unit and description per parameter, in
// arrival order (the full list) or, in search mode, the rows whose name contains the search text. The
// value cell is editable; a changed value marks the row edited (its value cell red). Units, ranges and
// descriptions come from the factory bus's parameter configuration ("/" without a row).
class ParamTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Role {
        NameRole = Qt::UserRole + 1, // 257 "ParamData_name"
        ValueRole,                   // 258 "ParamData_value" (double)
        UnitRole,                    // 259 "ParamData_Unit"
        RangeRole,                   // 260 "ParamData_Range"
        DescriptionRole,             // 261 "ParamData_whatIsThis"
    };

    using QAbstractTableModel::QAbstractTableModel;

    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QHash<int, QByteArray> roleNames() const override;

    void clearAll();
    void clearSearch();
    void search(const QString &text);
    void addParam(const QString &name, float value, bool edited);
    void addSearchRow(const QString &name, float value, bool edited);
    bool getValue(const QString &name, float &value) const;
    bool isEdited(const QString &name) const;
    bool searchMode() const { return m_searchMode != 0; }
    // The full list in row order.
    QList<QPair<QString, float>> allParams() const;

signals:
    // An edited value that is no number was refused (nothing changed).
    void valueRefused(const QString &name, const QString &text);

private:
    const QMap<int, QString> &currentRows() const { return m_searchMode ? m_searchRows : m_rows; }
    QMap<QString, ParamRow> &currentParams() { return m_searchMode ? m_searchParams : m_params; }
    const QMap<QString, ParamRow> &currentParams() const { return m_searchMode ? m_searchParams : m_params; }
    static ParamRow describedRow(const QString &name, float value, bool edited);
    void insertInto(QMap<int, QString> &rows, QMap<QString, ParamRow> &params, int &count, const QString &name,
                    float value, bool edited);

    QMap<int, QString> m_rows;
    QMap<QString, ParamRow> m_params;
    QMap<int, QString> m_searchRows;
    QMap<QString, ParamRow> m_searchParams;
    int m_columnCount = 5;
    int m_rowCount = 0;
    int m_searchRowCount = 0;
    int m_searchMode = 0;
};
