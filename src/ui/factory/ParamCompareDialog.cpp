#include "ui/factory/ParamCompareDialog.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

ParamCompareDialog::ParamCompareDialog(const QString &file, const QList<ParamFile::Difference> &differences,
                                       QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Compare with the unit") + QStringLiteral(" - ") + QFileInfo(file).fileName());
    auto *layout = new QVBoxLayout(this);
    m_summary = new QLabel(differences.isEmpty() ? tr("The file's values equal the unit's.")
                                                 : tr("%1 parameters of the file differ from the unit:")
                                                       .arg(differences.size()),
                           this);
    m_table = new QTableWidget(differences.size(), 3, this);
    m_table->setHorizontalHeaderLabels({tr("Name"), tr("Unit value"), tr("File value")});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->horizontalHeader()->setStretchLastSection(true);
    for (int i = 0; i < differences.size(); ++i) {
        const ParamFile::Difference &d = differences[i];
        m_table->setItem(i, 0, new QTableWidgetItem(d.name));
        m_table->setItem(i, 1,
                         new QTableWidgetItem(d.onUnit ? QString::number(double(d.unitValue), 'g', 6)
                                                       : QStringLiteral("-")));
        m_table->setItem(i, 2, new QTableWidgetItem(QString::number(double(d.fileValue), 'g', 6)));
    }
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(tr("Load"), QDialogButtonBox::AcceptRole);
    buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(m_summary);
    layout->addWidget(m_table);
    layout->addWidget(buttons);
    resize(600, 400);
}

QString ParamCompareDialog::summary() const
{
    return m_summary->text();
}
