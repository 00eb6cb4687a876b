#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QString>

// One log of the unit as the factory log window lists it.
struct LogRow
{
    bool checked = false;
    int id = 0;
    int size = 0;
    int downloaded = 0;
    QString progress;
    QString dateTime;
    bool complete = false; // the whole log was written; late blocks do not lower its progress
};

// The factory log window's list: a check box, id, size, bytes downloaded, progress and date-time per
// log, in arrival order. Roles 257..262 give checked, id, size, downloaded, progress and date-time of
// a row whatever the column.
class LogModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Role {
        CheckedRole = Qt::UserRole + 1, // 257
        IdRole,
        SizeRole,
        DownloadedRole,
        ProgressRole,
        DateTimeRole,
    };

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    void clearRows();
    void appendRow(const LogRow &row);
    // A list entry: a log already listed keeps its row (tick and progress) and takes the new size and
    // time; another log is appended.
    void addEntry(const LogRow &row);
    // The first row of id: bytes downloaded and the progress text ("37.5%").
    void setDownloaded(int id, int bytes);
    // The first row of id downloaded whole ("100.0%").
    void setComplete(int id);
    // The first row of id is downloaded again: its progress follows the blocks anew.
    void restart(int id);
    // Ids of the checked rows, in row order.
    QList<int> checkedIds() const;

    // "37.5%" of bytes out of size; an empty log reads "0%" until it is complete.
    static QString progressText(int bytes, int size);

private:
    int rowOf(int id) const;
    QList<LogRow> m_rows;
};
