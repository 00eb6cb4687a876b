#include "ui/firmware/Uploader.h"

#include "link/BootloaderPort.h"
#include "link/UploaderConfig.h"
#include "ui/widgets/TimedPopup.h"
#include "ui/firmware/Generate_KVF.h"
#include "ui/firmware/UploaderBatch.h"
#include "ui/widgets/myComboBox.h"

#include <QAction>
#include <QCoreApplication>
#include <QDebug>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTranslator>
#include <QUrl>

namespace {
Uploader *g_instance = nullptr;
const char *const Version = "V1.0.3";
} // namespace

Uploader *Uploader::instance()
{
    return g_instance;
}

Uploader::Uploader(QWidget *parent) : QMainWindow(parent)
{
    // The window's captions are translated while it is built; the catalogue is removed afterwards.
    // The start button's captions change with the engine state long after that, so the window keeps the
    // catalogue for them (captionTranslator) without installing it for the whole application.
    const bool translate =
        QLocale().name() == QLatin1String("zh_CN") && captionTranslator.load(QStringLiteral(":/uploader_zh_CN.qm"));
    if (translate)
        QCoreApplication::installTranslator(&captionTranslator);

    // Built without a parent it is a dialog-type window of its own; given a parent (the tab it is embedded
    // in), it stays a child widget.
    if (!parent)
        setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint);

    if (g_instance) {
        qDebug() << "Uploader must be singleton";
    } else {
        g_instance = this;
        m_registered = true;
        setWindowTitle(tr("FirmwareUpgrade") + QLatin1String(Version));
        setWindowFlag(Qt::WindowMinimizeButtonHint, false);
        setWindowFlag(Qt::WindowMaximizeButtonHint, false);
        initUi();
        initSlots();
        setMinimumWidth(1000);
        loadConfig();
        reportMessage(QStringLiteral("initialize"), UpgradeEngine::SinkLog | UpgradeEngine::SinkStatus);
    }
    if (translate)
        QCoreApplication::removeTranslator(&captionTranslator);
}

Uploader::~Uploader()
{
    if (m_registered) {
        systemTimer->stop();
        closePort();
        delete generator;
        g_instance = nullptr; // the next window built may register
    }
}

void Uploader::initUi()
{
    auto *central = new QWidget(this);
    auto *grid = new QGridLayout(central);
    grid->setContentsMargins(0, 0, 0, 0);

    pathEdit = new QLineEdit(central);
    pathEdit->setEnabled(false);
    pathEdit->setMinimumHeight(40);
    selectFileButton = new QPushButton(tr("SelectFile"), central);
    selectFileButton->setFixedSize(160, 40);
    selectFileButton->setMinimumWidth(100);
    portBox = new myComboBox(central);
    portBox->setEditable(true);
    portBox->setMinimumHeight(40);
    startButton = new QPushButton(tr("StartUpgrade"), central);
    startButton->setFixedSize(160, 40);
    startButton->setMinimumWidth(100);
    startButton->setEnabled(false);
    progressBar = new QProgressBar(central);
    progressBar->setRange(0, 100);
    progressBar->setValue(0);
    progressBar->setAlignment(Qt::AlignCenter);
    progressBar->setMinimumHeight(40);
    statusLabel = new QLabel(central);
    statusLabel->setAlignment(Qt::AlignCenter);
    logView = new QPlainTextEdit(central);
    logView->setReadOnly(true);
    batchView = new UploaderBatch(central);
    batchView->setVisible(false);

    grid->addWidget(pathEdit, 0, 0, 1, 7);
    grid->addWidget(selectFileButton, 0, 7);
    grid->addWidget(portBox, 0, 8);
    grid->addWidget(startButton, 0, 9);
    grid->addWidget(progressBar, 1, 0, 1, 10);
    grid->addWidget(statusLabel, 2, 0, 1, 10);
    grid->addWidget(logView, 3, 0, 1, 10);
    grid->addWidget(batchView, 4, 0, 1, 10);
    setCentralWidget(central);

    connectMenu = new QMenu(tr("ConnectConfiguration"), this);
    autoScanAction = new QAction(QIcon(QStringLiteral(":/img/scan.png")), tr("AutoScan"), this);
    manualSelectAction = new QAction(QIcon(QStringLiteral(":/img/shoudong.png")), tr("ManualSelect"), this);
    editConfigAction = new QAction(QIcon(QStringLiteral(":/img/shoudong.png")), tr("Set"), this);
    batchAction = new QAction(QIcon(QStringLiteral(":/img/scan.png")), tr("BatchMode"), this);
    connectMenu->addSeparator();
    connectMenu->addAction(autoScanAction);
    connectMenu->addSeparator();
    connectMenu->addAction(manualSelectAction);
    connectMenu->addAction(batchAction);
    connectMenu->addAction(editConfigAction);
    debugMenu = new QMenu(tr("DebuggingTool"), this);
    generateAction = new QAction(QIcon(QStringLiteral(":/img/shoudong.png")), tr("GenerateFirmware"), this);
    debugMenu->addAction(generateAction);
    menuBar()->addMenu(connectMenu);
    menuBar()->addMenu(debugMenu);

    serialPort = std::make_unique<QSerialPort>();
    BootloaderPort::configure(*serialPort);
    systemTimer = new QTimer(this);
    systemTimer->setInterval(20);
    systemTimer->start();
    m_engine.setUpgradeState(UpgradeEngine::StateWaitStart);
    m_engine.clearCandidates();
}

void Uploader::initSlots()
{
    connect(autoScanAction, &QAction::triggered, this, &Uploader::handleActAutoScan);
    connect(manualSelectAction, &QAction::triggered, this, &Uploader::handleactManualSelection);
    connect(batchAction, &QAction::triggered, this, &Uploader::handleactBatchMode);
    connect(batchView, &UploaderBatch::logLine, this, [this](const QString &text) {
        logView->appendPlainText(BootloaderPort::logLine(QLatin1Char(' ') + text));
    });
    // Menus stay closed while a batch runs.
    connect(batchView->startStopButton(), &QPushButton::released, this, [this] {
        const bool idle = !batchView->running();
        connectMenu->menuAction()->setEnabled(idle);
        selectFileButton->setEnabled(idle);
    });
    connect(generateAction, &QAction::triggered, this, &Uploader::handleactGenerateKVF);
    connect(editConfigAction, &QAction::triggered, this, &Uploader::handleactEditConfig);
    connect(selectFileButton, &QPushButton::released, this, &Uploader::handlebntSelectFile);
    connect(startButton, &QPushButton::released, this, &Uploader::handlebntStartUploader);
    connect(systemTimer, &QTimer::timeout, this, &Uploader::handleTimerSystemTimeout);
    connect(serialPort.get(), &QSerialPort::readyRead, this, &Uploader::handleSerialPortReadyRead);
    connect(serialPort.get(), &QSerialPort::errorOccurred, this, &Uploader::handleSerialPortErr);
}

void Uploader::loadConfig()
{
    setScanMode(UploaderConfig::connectType());
    const UploaderConfig::Keywords k = UploaderConfig::keywords(true);
    m_engine.setKeywords(k.include, k.exclude);
    batchView->setKeywords(k.include, k.exclude);
}

QString Uploader::statusText() const
{
    return statusLabel ? statusLabel->text() : QString();
}

QString Uploader::logText() const
{
    return logView ? logView->toPlainText() : QString();
}

// --- pop-ups ------------------------------------------------------------------------------------------

void Uploader::showTimedPopup(const QString &text, int ms)
{
    TimedPopup::exec(QMessageBox::Information, QStringLiteral("Warning"), text, ms);
}

template <typename F> void Uploader::engineCall(F &&call)
{
    ++m_engineDepth;
    call();
    --m_engineDepth;
    if (m_engineDepth == 0)
        showPendingPopups();
}

void Uploader::showPendingPopups()
{
    while (!m_pendingPopups.isEmpty())
        showTimedPopup(m_pendingPopups.takeFirst(), 800);
}

// --- menus and buttons ------------------------------------------------------------------------------------

void Uploader::setScanMode(int mode)
{
    if (!m_registered)
        return;
    if (batchView->running())
        batchView->stop();
    m_mode = mode;
    const bool batch = mode == BatchMode;
    // Batch mode runs its own units; the single unit's engine stays in state 0 meanwhile.
    batchView->setVisible(batch);
    portBox->setVisible(!batch);
    startButton->setVisible(!batch);
    progressBar->setVisible(!batch);
    m_engine.setScanMode(quint8(batch ? 0 : mode));
    if (batch) {
        reportMessage(QStringLiteral("ScanMode:Batch"), UpgradeEngine::SinkLog);
        portBox->setEnabled(false);
    } else if (mode != 0) {
        reportMessage(QStringLiteral("ScanMode:Manual"), UpgradeEngine::SinkLog);
        portBox->setEnabled(true);
    } else {
        reportMessage(QStringLiteral("ScanMode:Auto"), UpgradeEngine::SinkLog);
        portBox->setEnabled(false);
    }
    engineCall([this] { m_engine.setUpgradeState(UpgradeEngine::StateWaitStart); });
    UploaderConfig::setConnectType(mode);
}

void Uploader::handleActAutoScan()
{
    setScanMode(0);
}

void Uploader::handleactManualSelection()
{
    setScanMode(1);
}

void Uploader::handleactBatchMode()
{
    setScanMode(BatchMode);
}

void Uploader::handleactGenerateKVF()
{
    if (!generator)
        generator = new Generate_KVF(nullptr);
    generator->show();
    generator->raise();
    generator->activateWindow();
}

void Uploader::handleactEditConfig()
{
    // The file the window actually reads (relative to the working directory).
    const QString file = QFileInfo(UploaderConfig::path()).absoluteFilePath();
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(file)))
        showTimedPopup(QStringLiteral("please restart this app"), 500);
}

void Uploader::handlebntSelectFile()
{
    if (!m_registered)
        return;
    progressBar->setValue(0);
    QString dir = UploaderConfig::lastFilePath();
    if (dir.isEmpty())
        dir = QDir::currentPath();
    // Patterns separated by a blank: Qt's filter syntax on every platform.
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("LoadFirmware"), dir,
                                                      QStringLiteral("Firmware(*.bin *.kvf)"));
    if (path.isEmpty()) {
        startButton->setEnabled(false);
        engineCall([this] {
            reportMessage(QStringLiteral("Open Firmware Failed!"), UpgradeEngine::SinkLog | UpgradeEngine::SinkPopup);
            m_engine.setUpgradeState(UpgradeEngine::StateWaitStart);
        });
        return;
    }
    loadFirmwareFile(path);
}

void Uploader::loadFirmwareFile(const QString &path)
{
    if (!m_registered)
        return;
    progressBar->setValue(0);
    pathEdit->setText(path);
    UploaderConfig::setLastFilePath(path);
    QFile file(path);
    const bool opened = file.open(QIODevice::ReadOnly);
    const QByteArray content = opened ? file.readAll() : QByteArray();
    bool loaded = false;
    engineCall([&] { loaded = m_engine.loadFirmware(path, opened, content); });
    batchView->setFirmware(path, loaded ? content : QByteArray());
}

void Uploader::handlebntStartUploader()
{
    if (!m_registered)
        return;
    engineCall([this] { m_engine.startButton(); });
    if (m_engine.state() == UpgradeEngine::StateProbe)
        handleTimerSystemTimeout(); // the first probe of a run does not wait for the next period
}

// --- engine driving ---------------------------------------------------------------------------------------

void Uploader::handleTimerSystemTimeout()
{
    if (!m_registered || m_tickRunning || m_mode == BatchMode)
        return; // a pop-up this tick raised is still open, or the batch runs units of its own
    m_tickRunning = true;
    engineCall([this] { m_engine.tick(BootloaderPort::nowMs()); });
    m_tickRunning = false;
}

void Uploader::handleSerialPortErr(QSerialPort::SerialPortError error)
{
    if (!m_registered || !BootloaderPort::isPortLost(error))
        return; // a port that does not open is the probe's business
    engineCall([this] { m_engine.portError(); });
}

void Uploader::handleSerialPortReadyRead()
{
    if (!m_registered || !m_engine.readsReplies())
        return; // states 0 and 1: the bytes stay in the port until it closes
    bool next = false;
    const QByteArray block = serialPort->readAll();
    engineCall([&] { next = m_engine.feed(block, BootloaderPort::nowMs()); });
    // A reply that moves the run on is followed by its next step at once, not on the next period.
    if (next)
        handleTimerSystemTimeout();
}

// --- UpgradeEngine::Host --------------------------------------------------------------------------------

void Uploader::report(const QString &text, int sinks)
{
    logView->appendPlainText(BootloaderPort::logLine(text));
    if (sinks & UpgradeEngine::SinkStatus)
        statusLabel->setText(text);
    if (sinks & UpgradeEngine::SinkPopup) {
        if (m_engineDepth > 0)
            m_pendingPopups.append(text);
        else
            showTimedPopup(text, 800);
    }
}

void Uploader::setStatusText(const QString &text)
{
    statusLabel->setText(text);
}

void Uploader::setProgress(int percent)
{
    progressBar->setValue(percent);
}

void Uploader::stateEntered(quint8 state)
{
    QString caption;
    bool startEnabled = false;
    bool idle = state <= UpgradeEngine::StateReady;
    switch (state) {
    case UpgradeEngine::StateWaitStart:
        caption = QT_TR_NOOP("WaitStart");
        break;
    case UpgradeEngine::StateReady:
        caption = QT_TR_NOOP("StartUpgrade");
        startEnabled = true;
        break;
    case UpgradeEngine::StateProbe:
        caption = QT_TR_NOOP("CancelUpgrade");
        startEnabled = true;
        break;
    default:
        caption = QT_TR_NOOP("Upgrading");
        break;
    }
    const QString translated = captionTranslator.translate("Uploader", caption.toLatin1().constData());
    if (!translated.isEmpty())
        caption = translated;
    startButton->setText(caption);
    startButton->setEnabled(startEnabled);
    selectFileButton->setEnabled(idle);
    connectMenu->setEnabled(idle);
    connectMenu->menuAction()->setEnabled(idle);
    portBox->setEnabled(idle && m_engine.scanMode() != 0);
}

QStringList Uploader::portTexts()
{
    return BootloaderPort::portTexts();
}

QString Uploader::portBoxText()
{
    return portBox->currentText();
}

void Uploader::setPortBoxText(const QString &text)
{
    portBox->setCurrentText(text);
}

void Uploader::setPortName(const QString &name)
{
    BootloaderPort::close(*serialPort);
    serialPort->setPortName(name);
}

bool Uploader::openPort()
{
    if (BootloaderPort::open(*serialPort))
        return true;
    const QString hint = BootloaderPort::permissionHint(*serialPort);
    if (!hint.isEmpty())
        reportMessage(hint, UpgradeEngine::SinkLog | UpgradeEngine::SinkPopup);
    return false;
}

void Uploader::closePort()
{
    BootloaderPort::close(*serialPort);
}

void Uploader::write(const QByteArray &bytes)
{
    BootloaderPort::write(*serialPort, bytes);
}
