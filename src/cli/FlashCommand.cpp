// zorvan-cli flash FILE (--port PATH... | --scan [--all]) [--loop] [--skip-same] [--progress text|json]
// [--timeout S]: the upgrade window's engine from a script, for one unit or a line of them. Each unit
// runs its own engine on its own port, all in parallel; the file is loaded as the window loads it and the
// engines run with the window's timings. With one unit the output is the window's log on stdout and
// progress on stderr; with several, each line names its port and a summary line per unit ends the run.
#include "cli/CliCommands.h"
#include "cli/CliRecorder.h"
#include "cli/FlashOutput.h"
#include "link/BootloaderPort.h"
#include "link/BootloaderRun.h"
#include "link/UploaderConfig.h"
#include "core/bootloader/UpgradeEngine.h"
#include "records/RecordStep.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QTextStream>
#include <QTimer>

#include <csignal>
#include <map>
#include <memory>

namespace {

volatile std::sig_atomic_t g_stopSignal = 0;

void onStopSignal(int signal)
{
    g_stopSignal = signal;
}

struct FlashOptions
{
    QString file;
    QStringList ports;
    bool scan = false;
    bool all = false;
    bool loop = false;
    bool skipSame = false;
    FlashOutput::Format format = FlashOutput::Text;
    int timeoutS = 60;
};

// What a unit reports goes to the command's output.
void connectOutput(BootloaderRun &unit, FlashOutput &output)
{
    BootloaderRun *u = &unit;
    QObject::connect(u, &BootloaderRun::reported, u, [u, &output](const QString &text) { output.report(*u, text); });
    QObject::connect(u, &BootloaderRun::progressChanged, u,
                     [u, &output](int percent) { output.progress(*u, percent); });
    QObject::connect(u, &BootloaderRun::stateChanged, u, [u, &output] { output.stateChanged(*u); });
    QObject::connect(u, &BootloaderRun::ended, u, [u, &output] { output.ended(*u); });
}

// The production record of one unit's run: the image, the board as its bootloader reported it, and the
// unit's key, the 96-bit id its bootloader answers to GET_SN (the ORVE panel's UUID), so that the flash
// joins the unit's factory records; empty for a bootloader that has none.
ProductionRecord flashRecord(const BootloaderRun &unit, const QString &file, const QByteArray &content)
{
    const UpgradeEngine::DeviceInfo &device = unit.device();
    QJsonObject details{{QStringLiteral("port"), unit.port()},
                        {QStringLiteral("image"), QFileInfo(file).fileName()},
                        {QStringLiteral("size"), content.size()},
                        {QStringLiteral("sha256"),
                         QString::fromLatin1(QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex())},
                        {QStringLiteral("durationMs"), qRound64(unit.seconds() * 1000.0)},
                        {QStringLiteral("serial"), unit.serial()}};
    if (device.boardID != 0 || device.blRevision != 0) {
        details.insert(QStringLiteral("boardId"), double(device.boardID));
        details.insert(QStringLiteral("bootloaderRevision"), double(device.blRevision));
        details.insert(QStringLiteral("boardRevision"), double(device.boardRevision));
    }
    ProductionRecord::Result result = ProductionRecord::Result::Failed;
    if (unit.succeeded())
        result = ProductionRecord::Result::Ok;
    else if (unit.result() == QLatin1String("interrupted"))
        result = ProductionRecord::Result::Cancelled;
    QString reason = unit.succeeded() ? QString() : unit.resultText();
    if (!unit.succeeded() && reason.isEmpty())
        reason = QStringLiteral("no bootloader answered");
    if (unit.result() == QLatin1String("up to date"))
        reason = unit.resultText();
    return ProductionRecord::make(QString::fromLatin1(RecordOp::Flash), unit.serial(), result, reason, details);
}

// A bare name ("ttyUSB0") is a device of /dev, so that it passes the manual port check.
QString devicePath(QString port)
{
    if (!port.contains(QLatin1String("COM")) && !port.startsWith(QLatin1Char('/')))
        port.prepend(QStringLiteral("/dev/"));
    return port;
}

// Whether a port may be probed now: a device path must exist (an unplugged unit's node is gone).
bool portPresent(const QString &port)
{
    return !port.startsWith(QLatin1Char('/')) || QFileInfo::exists(port);
}

// The bootloader ports of the one enumeration that the automatic scan would take (its keywords).
QStringList scannedPorts()
{
    const UploaderConfig::Keywords k = UploaderConfig::keywords(false);
    QStringList ports;
    const QStringList texts = UpgradeEngine::matchingPorts(BootloaderPort::portTexts(), k.include, k.exclude);
    for (const QString &text : texts) {
        const QString port = devicePath(text.section(QLatin1Char(':'), 0, 0));
        if (!ports.contains(port) && portPresent(port))
            ports << port;
    }
    return ports;
}

// Several units (given ports or all scanned ones), once each or, with --loop, each unit that appears.
class FlashStation : public QObject
{
public:
    FlashStation(const FlashOptions &options, const QByteArray &content, bool opened, CliRecorder &recorder)
        : m_options(options), m_content(content), m_opened(opened), m_output(options.format), m_recorder(recorder)
    {}

    FlashOutput &output() { return m_output; }

    // Flashes once every given port (or every scanned one); returns the exit code.
    int runOnce()
    {
        QStringList ports = m_options.ports;
        if (m_options.scan) {
            ports = scannedPorts();
            if (ports.isEmpty()) {
                cliErr() << "flash: no valid serial port detected\n";
                return 1;
            }
        }
        m_output.setPortPrefix(ports.size() > 1);
        for (const QString &port : qAsConst(ports)) {
            if (!startUnit(port))
                return 1;
        }
        QTimer probeTimeout;
        probeTimeout.setSingleShot(true);
        connect(&probeTimeout, &QTimer::timeout, this, [this] {
            for (auto &entry : m_units) {
                BootloaderRun &unit = *entry.second;
                // A scanned port without a bootloader is no unit of the line; a given one is a failure.
                if (!unit.finished() && !unit.answered())
                    unit.abort(m_options.scan ? QString() : QStringLiteral("no bootloader"),
                               QStringLiteral("no bootloader answered within %1 s").arg(m_options.timeoutS));
            }
        });
        probeTimeout.start(m_options.timeoutS * 1000);
        if (running() > 0)
            m_loop.exec();
        return finishRun();
    }

    // Until SIGINT or SIGTERM: every bootloader that appears is flashed once, and again only after its port
    // went away and came back.
    int runLoop()
    {
        m_output.setPortPrefix(m_options.ports.size() > 1 || m_options.scan);
        std::signal(SIGINT, onStopSignal);
        std::signal(SIGTERM, onStopSignal);
        QTimer watch;
        watch.setInterval(ScanIntervalMs);
        connect(&watch, &QTimer::timeout, this, &FlashStation::watchPorts);
        QTimer stop;
        stop.setInterval(50);
        connect(&stop, &QTimer::timeout, this, [this] {
            if (g_stopSignal)
                m_loop.exit(0);
        });
        watch.start();
        stop.start();
        watchPorts();
        m_loop.exec();
        for (auto &entry : m_units) {
            BootloaderRun &unit = *entry.second;
            if (unit.finished())
                continue;
            if (unit.answered())
                unit.abort(QStringLiteral("interrupted"), QStringLiteral("stopped while flashing"));
            else
                unit.abort(QString(), QString()); // only probing: not counted
        }
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
        return finishRun();
    }

private:
    static constexpr int ScanIntervalMs = 500;

    struct Record
    {
        QString port, serial, result, message;
        double seconds;
        bool ok;
    };
    enum Slot { Running, Done };

    bool startUnit(const QString &port)
    {
        auto unit = std::make_unique<BootloaderRun>(port);
        connectOutput(*unit, m_output);
        unit->engine().setSkipSame(m_options.skipSame);
        if (m_options.ports.contains(port))
            unit->reportPortWait();
        if (!unit->load(m_options.file, m_opened, m_content)) {
            cliErr() << "flash: " << m_options.file << ": "
                     << (m_opened ? QStringLiteral("not an image the upgrade accepts")
                                  : QStringLiteral("cannot read it"))
                     << "\n";
            return false;
        }
        BootloaderRun *raw = unit.get();
        connect(raw, &BootloaderRun::ended, this, [this, raw] { unitEnded(*raw); });
        m_units[port] = std::move(unit);
        m_slots[port] = Running;
        if (!raw->start()) {
            cliErr() << "flash: the upgrade could not be armed (port " << port << ")\n";
            return false;
        }
        return true;
    }

    void unitEnded(BootloaderRun &unit)
    {
        if (!unit.result().isEmpty()) {
            m_records.push_back(
                {unit.port(), unit.serial(), unit.result(), unit.resultText(), unit.seconds(), unit.succeeded()});
            m_recorder.record(flashRecord(unit, m_options.file, m_content));
        }
        m_slots[unit.port()] = Done;
        if (!m_options.loop && running() == 0)
            m_loop.exit(0);
        // The unit is in the middle of its own call stack: it goes once that has returned.
        QTimer::singleShot(0, this, [this, port = unit.port()] {
            auto it = m_units.find(port);
            if (it != m_units.end() && it->second->finished())
                m_units.erase(it);
        });
    }

    int running() const
    {
        int n = 0;
        for (const auto &entry : m_units)
            n += entry.second->finished() ? 0 : 1;
        return n;
    }

    void watchPorts()
    {
        const QStringList present = m_options.scan ? scannedPorts() : m_options.ports;
        QStringList known;
        for (const auto &entry : m_slots)
            known << entry.first;
        for (const QString &port : known) {
            const bool here = present.contains(port) && portPresent(port);
            if (here)
                continue;
            // Gone: a unit still probing there stops quietly; a flashed one may be flashed again once back.
            auto unit = m_units.find(port);
            if (unit != m_units.end() && !unit->second->finished() && !unit->second->answered()) {
                unit->second->abort(QString(), QString());
            }
            if (unit == m_units.end() || unit->second->finished() || !unit->second->answered())
                m_slots.erase(port);
        }
        for (const QString &port : present) {
            if (m_slots.count(port) == 0 && portPresent(port) && !startUnit(port))
                m_loop.exit(1);
        }
    }

    int finishRun()
    {
        bool allOk = true;
        for (const Record &r : m_records)
            allOk = allOk && r.ok;
        const bool several = m_options.loop || m_records.size() > 1 || m_options.ports.size() > 1;
        if (several) {
            for (const Record &r : m_records)
                m_output.summary(r.port, r.serial, r.result, r.message, r.seconds);
        }
        if (m_options.loop)
            return allOk ? 0 : 1;
        if (m_records.empty()) {
            cliErr() << "flash: no bootloader answered within " << m_options.timeoutS << " s\n";
            return 1;
        }
        for (const Record &r : m_records) {
            if (!r.ok)
                cliErr() << "flash: " << r.port << ": " << r.message << "\n";
        }
        return allOk && !m_records.empty() ? 0 : 1;
    }

    const FlashOptions m_options;
    const QByteArray m_content;
    const bool m_opened;
    FlashOutput m_output;
    CliRecorder &m_recorder;
    std::map<QString, std::unique_ptr<BootloaderRun>> m_units;
    std::map<QString, Slot> m_slots;
    std::vector<Record> m_records;
    QEventLoop m_loop;
};

// One unit, by a given port or by the automatic scan: the output of the upgrade window's log.
int runSingle(const FlashOptions &o, const QByteArray &content, bool opened, CliRecorder &recorder)
{
    FlashOutput output(o.format);
    const QString port = o.ports.isEmpty() ? QString() : o.ports.first();
    BootloaderRun unit(port);
    connectOutput(unit, output);
    unit.engine().setSkipSame(o.skipSame);
    if (port.isEmpty()) {
        const UploaderConfig::Keywords k = UploaderConfig::keywords(false);
        unit.setKeywords(k.include, k.exclude);
    } else {
        unit.reportPortWait();
    }
    if (!unit.load(o.file, opened, content)) {
        cliErr() << "flash: " << o.file << ": "
                 << (opened ? QStringLiteral("not an image the upgrade accepts") : QStringLiteral("cannot read it"))
                 << "\n";
        return 1;
    }
    QEventLoop loop;
    QObject::connect(&unit, &BootloaderRun::ended, &loop, [&loop] { loop.exit(0); });
    QTimer probeTimeout;
    probeTimeout.setSingleShot(true);
    bool noAnswer = false;
    QObject::connect(&probeTimeout, &QTimer::timeout, &loop, [&] {
        if (unit.engineState() <= UpgradeEngine::StateProbe) {
            noAnswer = true;
            unit.abort(QStringLiteral("no bootloader"), QStringLiteral("no bootloader answered"));
        }
    });
    probeTimeout.start(o.timeoutS * 1000);
    if (!unit.start()) {
        cliErr() << "flash: the upgrade could not be armed (port " << unit.port() << ")\n";
        return 1;
    }
    if (!unit.finished())
        loop.exec();
    if (noAnswer)
        cliErr() << "flash: no bootloader answered within " << o.timeoutS << " s\n";
    recorder.record(flashRecord(unit, o.file, content));
    return unit.succeeded() ? 0 : 1;
}

const char Usage[] = "flash FILE (--port PATH [--port PATH...] | --scan [--all]) [--loop] [--skip-same]\n"
                     "             [--progress text|json] [--timeout S] [--no-record] [--station NAME]\n"
                     "             [--operator NAME] [--db PATH|postgresql://USER@HOST:PORT/DBNAME]";

int runFlash(const QStringList &argumentsIn)
{
    QTextStream &err = cliErr();
    QStringList arguments = argumentsIn;
    CliRecorder recorder;
    QString recordError;
    if (!recorder.parse(arguments, &recordError)) {
        err << "flash: " << recordError << "\n";
        return 2;
    }
    FlashOptions o;
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
            if (!value(v) || v.isEmpty()) {
                err << "flash: --port needs a device path\n";
                return 2;
            }
            v = devicePath(v);
            if (!o.ports.contains(v))
                o.ports << v;
        } else if (a == QLatin1String("--scan")) {
            o.scan = true;
        } else if (a == QLatin1String("--all")) {
            o.all = true;
        } else if (a == QLatin1String("--loop")) {
            o.loop = true;
        } else if (a == QLatin1String("--skip-same")) {
            o.skipSame = true;
        } else if (a == QLatin1String("--progress")) {
            if (!value(v) || (v != QLatin1String("json") && v != QLatin1String("text"))) {
                err << "flash: --progress takes text or json\n";
                return 2;
            }
            o.format = v == QLatin1String("json") ? FlashOutput::Json : FlashOutput::Text;
        } else if (a == QLatin1String("--timeout")) {
            bool ok = false;
            if (value(v))
                o.timeoutS = v.toInt(&ok);
            if (!ok || o.timeoutS <= 0 || o.timeoutS > 24 * 3600) {
                err << "flash: --timeout needs a number of seconds (1..86400)\n";
                return 2;
            }
        } else if (a.startsWith(QLatin1String("--")) || !o.file.isEmpty()) {
            err << "flash: unexpected argument " << a << "\n";
            return 2;
        } else {
            o.file = a;
        }
    }
    if (o.file.isEmpty() || (o.ports.isEmpty() == !o.scan) || (o.all && !o.scan)) {
        err << "usage: zorvan-cli " << Usage << "\n";
        return 2;
    }
    if (o.loop && o.scan && !o.all) {
        err << "flash: --loop with --scan needs --all\n";
        return 2;
    }

    QFile f(o.file);
    const bool opened = f.open(QIODevice::ReadOnly);
    const QByteArray content = opened ? f.readAll() : QByteArray();
    if (!opened) {
        // Reported as the window reports it, then the reason.
        FlashOutput output(o.format);
        BootloaderRun probe{QString()};
        connectOutput(probe, output);
        probe.load(o.file, false, content);
        err << "flash: " << o.file << ": " << f.errorString() << "\n";
        return 1;
    }
    if (o.loop) {
        FlashStation station(o, content, opened, recorder);
        return recorder.finish("flash", station.runLoop());
    }
    if (o.ports.size() > 1 || o.all) {
        FlashStation station(o, content, opened, recorder);
        return recorder.finish("flash", station.runOnce());
    }
    return recorder.finish("flash", runSingle(o, content, opened, recorder));
}

CommandTable::Registrar reg(cliCommands(), "flash", Usage, &runFlash);

} // namespace
