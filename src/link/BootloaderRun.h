#pragma once

#include "core/bootloader/UpgradeEngine.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSerialPort>
#include <QTimer>

// One unit's upgrade run: its serial port, its 20 ms timer and its own upgrade engine, driven as the
// upgrade window drives its engine. Several of them run side by side (zorvan-cli flash with several
// ports, the upgrade window's batch mode); what the engine reports comes out as signals. Threading: the
// thread that created it (GUI/main thread) only.
class BootloaderRun : public QObject, public UpgradeEngine::Host
{
    Q_OBJECT
public:
    // port: the device path of a manual-mode unit (a symbolic link is followed to its device, the way a
    // line names its fixtures' ports); empty for an automatic scan (one unit only).
    BootloaderRun(const QString &port, QObject *parent = nullptr);
    ~BootloaderRun() override;

    UpgradeEngine &engine() { return m_engine; }
    // Loads the firmware file as the window does; false (reported) when it cannot be the image.
    bool load(const QString &path, bool opened, const QByteArray &content);
    void setKeywords(const QStringList &include, const QStringList &exclude);
    // Arms and presses the start button; false when the upgrade could not be armed.
    bool start();
    // Ends a run still going on (a probe unanswered in time, an interrupted loop) without a result of its own.
    void abort(const QString &result, const QString &message);
    // openPort reports its first failure on stderr (a port given by name, not a scan).
    void reportPortWait() { m_reportWait = true; }

    // The port as given (a link to a device stays the link's name).
    QString port() const { return m_label.isEmpty() ? m_portBox : m_label; }
    QString serial() const { return m_engine.unitId(); }
    quint8 engineState() const { return m_engine.state(); }
    // A bootloader answered the probe in this run.
    bool answered() const { return m_answered; }
    bool finished() const { return m_finished; }
    bool succeeded() const { return m_succeeded; }
    // "ok", "up to date", "failed", or what abort() was given; and the run's last report.
    QString result() const { return m_result; }
    QString resultText() const { return m_resultText; }
    int percent() const { return qMax(0, m_progress); }
    // Image bytes acknowledged by the unit in this run.
    qint64 bytesWritten() const { return m_bytes; }
    double seconds() const { return double(m_clock.elapsed()) / 1000.0; }
    // What the bootloader reported of the board in this run (zeros until it answered every device value).
    const UpgradeEngine::DeviceInfo &device() const { return m_device; }

signals:
    // A report line of the engine (the text without time stamp).
    void reported(const QString &text);
    void progressChanged(int percent);
    void stateChanged();
    // Once, when the run ended with or without success (result() says how).
    void ended();

public:
    // UpgradeEngine::Host
    void report(const QString &text, int sinks) override;
    void setStatusText(const QString &) override {}
    void setProgress(int percent) override;
    void stateEntered(quint8 state) override;
    QStringList portTexts() override;
    QString portBoxText() override { return m_portBox; }
    void setPortBoxText(const QString &text) override { m_portBox = text; }
    void setPortName(const QString &name) override;
    bool openPort() override;
    void closePort() override;
    void write(const QByteArray &bytes) override;
    void upgradeEnded(bool success, const QString &text) override;

private:
    void tick();
    void readReplies();
    void finish(bool success, const QString &result, const QString &text);

    UpgradeEngine m_engine;
    QSerialPort m_port;
    QTimer m_timer;
    QElapsedTimer m_clock;
    QString m_portBox;
    QString m_label;
    int m_progress = -1;
    qint64 m_bytes = 0;
    bool m_reportWait = false;
    bool m_answered = false;
    bool m_finished = false;
    bool m_succeeded = false;
    QString m_result;
    QString m_resultText;
    UpgradeEngine::DeviceInfo m_device;
};
