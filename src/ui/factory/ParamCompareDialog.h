#pragma once

#include "core/formats/ParamFile.h"

#include <QDialog>

class QTableWidget;
class QLabel;

// Shown before a ".param" file goes into the common-parameter table: the parameters whose file value
// differs from the unit's (name, unit value, file value; "-" when the unit has no such parameter).
// Accepted with "Load", rejected with "Cancel".
class ParamCompareDialog : public QDialog
{
    Q_OBJECT
public:
    ParamCompareDialog(const QString &file, const QList<ParamFile::Difference> &differences,
                       QWidget *parent = nullptr);

    QTableWidget *table() const { return m_table; }
    QString summary() const;

private:
    QLabel *m_summary = nullptr;
    QTableWidget *m_table = nullptr;
};
