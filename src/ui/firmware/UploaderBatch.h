#pragma once

#include <QByteArray>
#include <QMap>
#include <QStringList>
#include <QTimer>
#include <QWidget>

class BootloaderRun;
class QCheckBox;
class QPushButton;
class QTableWidget;

// The upgrade window's batch mode: one table row per port (port, serial, state, progress, result, time).
// Start flashes every bootloader the automatic scan finds and keeps flashing units as they are plugged
// in, each with its own BootloaderRun, until Stop; a unit is flashed again only after its port went away
// and came back. The widget only shows what the runs report.
class UploaderBatch : public QWidget
{
    Q_OBJECT
public:
    enum Column { ColPort, ColSerial, ColState, ColProgress, ColResult, ColTime, ColumnCount };
    static constexpr int ScanIntervalMs = 500;

    explicit UploaderBatch(QWidget *parent = nullptr);
    ~UploaderBatch() override;

    // The firmware file every unit is flashed with (as loaded by the window), and the scan's keywords.
    void setFirmware(const QString &path, const QByteArray &content);
    void setKeywords(const QStringList &include, const QStringList &exclude);
    bool running() const { return m_running; }
    void start();
    void stop();

    QTableWidget *table() const { return m_table; }
    QCheckBox *skipSameBox() const { return m_skipSame; }
    QPushButton *startStopButton() const { return m_startStop; }

signals:
    // A report of one unit, "[PORT] text", for the window's log view.
    void logLine(const QString &text);

private:
    void scan();
    void startUnit(const QString &port);
    void unitEnded(BootloaderRun *unit);
    int rowOf(const QString &port);
    void setCell(int row, int column, const QString &text);
    void refreshRow(BootloaderRun *unit);

    QTableWidget *m_table = nullptr;
    QCheckBox *m_skipSame = nullptr;
    QPushButton *m_startStop = nullptr;
    QTimer m_scanTimer;
    QString m_path;
    QByteArray m_content;
    QStringList m_include, m_exclude;
    bool m_running = false;
    // Ports of this batch run: their unit while it runs, nullptr once it ended (until the port goes away).
    QMap<QString, BootloaderRun *> m_ports;
};
