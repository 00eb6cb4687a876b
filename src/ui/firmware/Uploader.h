#pragma once

#include "core/bootloader/UpgradeEngine.h"

#include <QMainWindow>
#include <QSerialPort>
#include <QStringList>
#include <QTranslator>

#include <memory>

class Generate_KVF;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class UploaderBatch;
class myComboBox;

// The firmware upgrade page: chooses how the unit's port is found (automatic scan or manual choice) and
// the firmware file (".bin" or ".kvf"), and runs the serial bootloader upgrade. The upgrade itself is
// UpgradeEngine; this window owns its serial port and 20 ms timer and shows what the engine reports.
// One instance per process.
class Uploader : public QMainWindow, private UpgradeEngine::Host
{
    Q_OBJECT
public:
    explicit Uploader(QWidget *parent = nullptr);
    ~Uploader() override;

    // The registered instance (null before the first one is built).
    static Uploader *instance();

    // Loads a chosen firmware file as the file dialog's choice would (shown, remembered, read, armed).
    void loadFirmwareFile(const QString &path);
    // Scan mode 0 automatic, 1 manual, 2 batch (every bootloader the scan finds, as units are plugged in):
    // stored, shown, written to ./cfg/uploader.ini, engine back to state 0.
    void setScanMode(int mode);
    static constexpr int BatchMode = 2;
    UploaderBatch *batch() const { return batchView; }

    const UpgradeEngine &engine() const { return m_engine; }
    QString statusText() const;
    QString logText() const;

public slots:
    void handleActAutoScan();
    void handleactManualSelection();
    void handleactBatchMode();
    void handleactGenerateKVF();
    void handlebntSelectFile();
    void handlebntStartUploader();
    void handleTimerSystemTimeout();
    void handleSerialPortErr(QSerialPort::SerialPortError error);
    void handleSerialPortReadyRead();

private:
    void initUi();
    void initSlots();
    void loadConfig();
    void handleactEditConfig();
    void reportMessage(const QString &text, int sinks) { report(text, sinks); }
    static void showTimedPopup(const QString &text, int ms);
    // Runs an engine call; pop-ups it raises are shown after it returns, so the engine is never re-entered
    // from a pop-up's event loop.
    template <typename F> void engineCall(F &&call);
    void showPendingPopups();

    // UpgradeEngine::Host
    void report(const QString &text, int sinks) override;
    void setStatusText(const QString &text) override;
    void setProgress(int percent) override;
    void stateEntered(quint8 state) override;
    QStringList portTexts() override;
    QString portBoxText() override;
    void setPortBoxText(const QString &text) override;
    void setPortName(const QString &name) override;
    bool openPort() override;
    void closePort() override;
    void write(const QByteArray &bytes) override;

    QTranslator captionTranslator; // loaded for the zh_CN locale only
    UpgradeEngine m_engine{*this};
    bool m_registered = false;

    QMenu *connectMenu = nullptr;
    QAction *autoScanAction = nullptr;
    QAction *manualSelectAction = nullptr;
    QAction *editConfigAction = nullptr;
    QAction *batchAction = nullptr;
    QMenu *debugMenu = nullptr;
    QAction *generateAction = nullptr;
    Generate_KVF *generator = nullptr; // top-level, created on first use
    QLineEdit *pathEdit = nullptr;
    QPushButton *selectFileButton = nullptr;
    QPushButton *startButton = nullptr;
    myComboBox *portBox = nullptr;
    QPlainTextEdit *logView = nullptr;
    QProgressBar *progressBar = nullptr;
    QLabel *statusLabel = nullptr;
    UploaderBatch *batchView = nullptr; // shown in batch mode instead of the single unit's controls
    int m_mode = 0;
    std::unique_ptr<QSerialPort> serialPort;
    QTimer *systemTimer = nullptr;

    int m_engineDepth = 0;
    bool m_tickRunning = false;
    QStringList m_pendingPopups;
};
