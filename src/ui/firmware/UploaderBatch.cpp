#include "ui/firmware/UploaderBatch.h"

#include "link/BootloaderPort.h"
#include "link/BootloaderRun.h"
#include "core/bootloader/UpgradeEngine.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
// A bare enumeration name ("ttyACM0") is a device of /dev.
QString devicePath(const QString &name)
{
    return name.contains(QLatin1String("COM")) || name.startsWith(QLatin1Char('/')) ? name
                                                                                    : QStringLiteral("/dev/") + name;
}
} // namespace

UploaderBatch::UploaderBatch(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *bar = new QHBoxLayout;
    m_skipSame = new QCheckBox(tr("Skip identical firmware"), this);
    m_startStop = new QPushButton(tr("Start"), this);
    m_startStop->setFixedSize(160, 40);
    bar->addWidget(m_skipSame);
    bar->addStretch();
    bar->addWidget(m_startStop);
    layout->addLayout(bar);
    m_table = new QTableWidget(0, ColumnCount, this);
    m_table->setHorizontalHeaderLabels(
        {tr("Port"), tr("Serial"), tr("State"), tr("Progress"), tr("Result"), tr("Time")});
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    // The 24-digit serial and the result text are read whole.
    m_table->horizontalHeader()->setSectionResizeMode(ColSerial, QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setSectionResizeMode(ColResult, QHeaderView::ResizeToContents);
    m_table->verticalHeader()->setVisible(false);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    layout->addWidget(m_table);

    m_scanTimer.setInterval(ScanIntervalMs);
    connect(&m_scanTimer, &QTimer::timeout, this, &UploaderBatch::scan);
    connect(m_startStop, &QPushButton::released, this, [this] { m_running ? stop() : start(); });
}

UploaderBatch::~UploaderBatch()
{
    for (BootloaderRun *unit : qAsConst(m_ports))
        delete unit;
}

void UploaderBatch::setFirmware(const QString &path, const QByteArray &content)
{
    m_path = path;
    m_content = content;
}

void UploaderBatch::setKeywords(const QStringList &include, const QStringList &exclude)
{
    m_include = include;
    m_exclude = exclude;
}

void UploaderBatch::start()
{
    if (m_running || m_content.isEmpty())
        return;
    m_running = true;
    m_startStop->setText(tr("Stop"));
    m_skipSame->setEnabled(false);
    m_scanTimer.start();
    scan();
}

void UploaderBatch::stop()
{
    if (!m_running)
        return;
    m_running = false;
    m_scanTimer.stop();
    const auto ports = m_ports.keys();
    for (const QString &port : ports) {
        BootloaderRun *unit = m_ports.value(port);
        if (unit && !unit->finished()) {
            if (unit->answered())
                unit->abort(tr("interrupted"), tr("stopped while flashing"));
            else
                unit->abort(QString(), QString());
        }
    }
    m_ports.clear();
    for (int row = m_table->rowCount() - 1; row >= 0; --row) {
        if (m_table->item(row, ColResult) == nullptr || m_table->item(row, ColResult)->text().isEmpty())
            m_table->removeRow(row); // probed only: no unit there
    }
    m_startStop->setText(tr("Start"));
    m_skipSame->setEnabled(true);
}

void UploaderBatch::scan()
{
    QStringList present;
    const QStringList texts = UpgradeEngine::matchingPorts(BootloaderPort::portTexts(), m_include, m_exclude);
    for (const QString &text : texts) {
        const QString port = devicePath(text.section(QLatin1Char(':'), 0, 0));
        if (!port.startsWith(QLatin1Char('/')) || QFileInfo::exists(port))
            present << port;
    }
    const auto known = m_ports.keys();
    for (const QString &port : known) {
        if (present.contains(port))
            continue;
        // Gone: a unit still probing there stops; a flashed one may be flashed again once it is back.
        BootloaderRun *unit = m_ports.value(port);
        if (unit && !unit->finished() && unit->answered())
            continue; // its port error ends it
        m_ports.remove(port);
        if (unit && !unit->finished()) {
            unit->abort(QString(), QString());
            m_table->removeRow(rowOf(port));
        }
    }
    for (const QString &port : qAsConst(present)) {
        if (!m_ports.contains(port))
            startUnit(port);
    }
}

int UploaderBatch::rowOf(const QString &port)
{
    for (int row = 0; row < m_table->rowCount(); ++row)
        if (m_table->item(row, ColPort) && m_table->item(row, ColPort)->text() == port)
            return row;
    const int row = m_table->rowCount();
    m_table->insertRow(row);
    setCell(row, ColPort, port);
    return row;
}

void UploaderBatch::setCell(int row, int column, const QString &text)
{
    QTableWidgetItem *item = m_table->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        m_table->setItem(row, column, item);
    }
    if (item->text() != text)
        item->setText(text);
}

void UploaderBatch::refreshRow(BootloaderRun *unit)
{
    const int row = rowOf(unit->port());
    setCell(row, ColSerial, unit->serial());
    setCell(row, ColState,
            unit->finished() ? tr("done") : QLatin1String(UpgradeEngine::stateName(unit->engineState())));
    setCell(row, ColProgress, QString::number(unit->percent()) + QLatin1Char('%'));
}

void UploaderBatch::startUnit(const QString &port)
{
    auto *unit = new BootloaderRun(port);
    unit->engine().setSkipSame(m_skipSame->isChecked());
    m_ports.insert(port, unit);
    connect(unit, &BootloaderRun::reported, this, [this, unit](const QString &text) {
        emit logLine(QStringLiteral("[") + unit->port() + QStringLiteral("] ") + text);
    });
    connect(unit, &BootloaderRun::stateChanged, this, [this, unit] {
        if (unit->answered())
            refreshRow(unit);
    });
    connect(unit, &BootloaderRun::progressChanged, this, [this, unit] {
        if (unit->answered())
            refreshRow(unit);
    });
    connect(unit, &BootloaderRun::ended, this, [this, unit] { unitEnded(unit); });
    if (!unit->load(m_path, true, m_content) || !unit->start()) {
        m_ports.insert(port, nullptr);
        unit->deleteLater();
    }
}

void UploaderBatch::unitEnded(BootloaderRun *unit)
{
    if (!unit->result().isEmpty()) {
        refreshRow(unit);
        const int row = rowOf(unit->port());
        setCell(row, ColResult, unit->result() + QStringLiteral(": ") + unit->resultText());
        setCell(row, ColTime, QString::number(unit->seconds(), 'f', 1) + QStringLiteral(" s"));
    }
    if (m_ports.value(unit->port()) == unit)
        m_ports.insert(unit->port(), nullptr);
    unit->deleteLater(); // it is in the middle of its own call stack
}
