// zorvan-cli flash FILE (--port PATH | --scan) [--timeout S]: the upgrade window's engine from a script.
// The file is loaded as the window loads it, the engine runs with the window's timings; report lines go
// to stdout as the window's log view shows them, progress to stderr.
#include "link/BootloaderPort.h"
#include "cli/CliCommands.h"
#include "cli/CliRecorder.h"
#include "records/RecordStep.h"
#include "link/UploaderConfig.h"
#include "core/bootloader/UpgradeEngine.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <QTextStream>
#include <QTimer>

namespace {

class CliUpgrade : public QObject, public UpgradeEngine::Host
{
public:
    CliUpgrade() : m_engine(*this)
    {
        BootloaderPort::configure(m_port);
        m_timer.setInterval(20);
        connect(&m_timer, &QTimer::timeout, this, &CliUpgrade::tick);
        connect(&m_port, &QSerialPort::readyRead, this, &CliUpgrade::readReplies);
        connect(&m_port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
            if (BootloaderPort::isPortLost(e))
                m_engine.portError();
        });
    }

    UpgradeEngine &engine() { return m_engine; }
    void setPortBox(const QString &text) { m_portBox = text; }

    // Runs until the upgrade ended or, while still probing, the probe timeout passed. Returns the exit code.
    int run(int probeTimeoutS)
    {
        m_timer.start();
        QTimer probeTimeout;
        probeTimeout.setSingleShot(true);
        connect(&probeTimeout, &QTimer::timeout, this, [this] {
            if (m_engine.state() <= UpgradeEngine::StateProbe) {
                m_noAnswer = true;
                m_loop.exit(1);
            }
        });
        probeTimeout.start(probeTimeoutS * 1000);
        // The first tick arms, then the start button is pressed as a user would.
        tick();
        if (m_engine.state() != UpgradeEngine::StateReady) {
            err() << "flash: the upgrade could not be armed (port " << m_portBox << ")\n";
            return 1;
        }
        m_engine.startButton();
        tick();
        const int code = m_loop.exec();
        m_timer.stop();
        if (m_noAnswer) {
            m_engine.setUpgradeState(UpgradeEngine::StateWaitStart);
            err() << "flash: no bootloader answered within " << probeTimeoutS << " s\n";
        }
        return code;
    }

    // UpgradeEngine::Host
    void report(const QString &text, int) override
    {
        QTextStream out(stdout);
        out << BootloaderPort::logLine(text) << '\n';
        out.flush();
    }
    void setStatusText(const QString &) override {}
    void setProgress(int percent) override
    {
        if (percent == m_progress)
            return;
        m_progress = percent;
        if (percent > 0)
            err() << "progress " << percent << "%\n";
    }
    void stateEntered(quint8) override
    {
        // The run's device values are cleared when it ends: keep them for the record while they are whole.
        if (m_engine.deviceInfo().infoFlags == UpgradeEngine::AllInfoFlags)
            m_device = m_engine.deviceInfo();
    }
    // What the bootloader reported in the last run that got that far (zeros when none did).
    const UpgradeEngine::DeviceInfo &device() const { return m_device; }
    QStringList portTexts() override { return BootloaderPort::portTexts(); }
    QString portBoxText() override { return m_portBox; }
    void setPortBoxText(const QString &text) override { m_portBox = text; }
    void setPortName(const QString &name) override
    {
        BootloaderPort::close(m_port);
        m_port.setPortName(name);
    }
    bool openPort() override
    {
        const bool opened = BootloaderPort::open(m_port);
        if (!opened) {
            // The engine keeps trying a port given by name; say once why it is still waiting, and
            // name the fix when the port refuses this user (once per port).
            if (m_reportWait) {
                m_reportWait = false;
                err() << "flash: waiting for port " << m_portBox << " (cannot open it: " << m_port.errorString()
                      << ")\n";
            }
            if (const QString hint = BootloaderPort::permissionHint(m_port); !hint.isEmpty())
                err() << "flash: " << hint << "\n";
        }
        return opened;
    }
    // openPort reports its first failure on stderr (a port given by name, not a scan).
    void reportPortWait() { m_reportWait = true; }
    void closePort() override { BootloaderPort::close(m_port); }
    void write(const QByteArray &bytes) override { BootloaderPort::write(m_port, bytes); }
    void upgradeEnded(bool success, const QString &text) override
    {
        m_endText = text;
        m_loop.exit(success ? 0 : 1);
    }
    // The report that ended the run (empty while none did).
    QString endText() const { return m_endText; }

private:
    static QTextStream &err()
    {
        static QTextStream stream(stderr);
        stream.flush();
        return stream;
    }

    void tick()
    {
        m_engine.tick(BootloaderPort::nowMs());
        err().flush();
    }

    void readReplies()
    {
        if (!m_engine.readsReplies())
            return; // left in the port's buffer, dropped when the port closes
        // A reply that moves the run on is followed by the next step at once, not on the next tick.
        if (m_engine.feed(m_port.readAll(), BootloaderPort::nowMs()))
            tick();
    }

    UpgradeEngine m_engine;
    QSerialPort m_port;
    QTimer m_timer;
    QEventLoop m_loop;
    QString m_portBox;
    int m_progress = -1;
    bool m_noAnswer = false;
    bool m_reportWait = false;
    QString m_endText;
    UpgradeEngine::DeviceInfo m_device;
};

// The unit key of the flashed unit, joining its flash record to its factory records: the 96-bit id the
// bootloader answers to GET_SN, once the engine asks for it. Until then flash records carry no key.
QString flashedUnitKey(const UpgradeEngine &)
{
    return QString();
}

int runFlash(const QStringList &argumentsIn)
{
    QTextStream err(stderr);
    QStringList arguments = argumentsIn;
    CliRecorder recorder;
    QString recordError;
    if (!recorder.parse(arguments, &recordError)) {
        err << "flash: " << recordError << "\n";
        return 2;
    }
    QString file, port;
    bool scan = false;
    int timeoutS = 60;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments[i];
        auto value = [&](QString &out) {
            if (i + 1 >= arguments.size())
                return false;
            out = arguments[++i];
            return true;
        };
        QString v;
        if (a == QLatin1String("--port")) {
            if (!value(port)) {
                err << "flash: --port needs a device path\n";
                return 2;
            }
        } else if (a == QLatin1String("--scan")) {
            scan = true;
        } else if (a == QLatin1String("--timeout")) {
            bool ok = false;
            if (value(v))
                timeoutS = v.toInt(&ok);
            if (!ok || timeoutS <= 0 || timeoutS > 24 * 3600) {
                err << "flash: --timeout needs a number of seconds (1..86400)\n";
                return 2;
            }
        } else if (a.startsWith(QLatin1String("--")) || !file.isEmpty()) {
            err << "flash: unexpected argument " << a << "\n";
            return 2;
        } else {
            file = a;
        }
    }
    if (file.isEmpty() || (port.isEmpty() == !scan)) {
        err << "usage: zorvan-cli flash FILE (--port PATH | --scan) [--timeout S]\n";
        return 2;
    }

    CliUpgrade upgrade;
    UpgradeEngine &engine = upgrade.engine();
    if (scan) {
        const UploaderConfig::Keywords k = UploaderConfig::keywords(false);
        engine.setKeywords(k.include, k.exclude);
        engine.setScanMode(0);
    } else {
        // A bare name ("ttyUSB0") is a device of /dev, so that it passes the manual port check.
        if (!port.contains(QLatin1String("COM")) && !port.startsWith(QLatin1Char('/')))
            port.prepend(QStringLiteral("/dev/"));
        engine.setScanMode(1);
        engine.setInitialPortName(port);
        upgrade.setPortBox(port);
        upgrade.setPortName(port);
        upgrade.reportPortWait();
    }
    QFile f(file);
    const bool opened = f.open(QIODevice::ReadOnly);
    const QByteArray bytes = opened ? f.readAll() : QByteArray();
    if (!engine.loadFirmware(file, opened, bytes)) {
        err << "flash: " << file << ": " << (opened ? "not an image the upgrade accepts" : f.errorString()) << "\n";
        return 1;
    }
    QElapsedTimer clock;
    clock.start();
    const int code = upgrade.run(timeoutS);
    const UpgradeEngine::DeviceInfo &device = upgrade.device();
    QJsonObject details{{QStringLiteral("port"), engine.portName()},
                        {QStringLiteral("image"), QFileInfo(file).fileName()},
                        {QStringLiteral("size"), bytes.size()},
                        {QStringLiteral("sha256"),
                         QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex())},
                        {QStringLiteral("durationMs"), double(clock.elapsed())},
                        {QStringLiteral("serial"), flashedUnitKey(engine)}};
    if (device.boardID != 0 || device.blRevision != 0) {
        details.insert(QStringLiteral("boardId"), double(device.boardID));
        details.insert(QStringLiteral("bootloaderRevision"), double(device.blRevision));
        details.insert(QStringLiteral("boardRevision"), double(device.boardRevision));
    }
    const QString reason = code == 0 ? QString()
                                     : !upgrade.endText().isEmpty() ? upgrade.endText()
                                                                    : QStringLiteral("no bootloader answered");
    recorder.record(ProductionRecord::make(QString::fromLatin1(RecordOp::Flash), flashedUnitKey(engine),
                                           code == 0 ? ProductionRecord::Result::Ok : ProductionRecord::Result::Failed,
                                           reason, details));
    return recorder.finish("flash", code);
}

CommandTable::Registrar reg(cliCommands(), "flash",
                            "flash FILE (--port PATH | --scan) [--timeout S] [--no-record] [--station NAME]\n"
                            "    [--operator NAME] [--db PATH|postgresql://USER@HOST:PORT/DBNAME]",
                            &runFlash);

} // namespace
