// zorvan-cli ins: the factory link (FlyLink) to an inertial unit from the command line.
#include "cli/CliCommands.h"
#include "cli/CliRecorder.h"
#include "cli/InsCaliCommands.h"
#include "cli/InsParamsFile.h"
#include "cli/InsProtocol.h"
#include "cli/LinkOptions.h"
#include "core/util/SerialPermissionHint.h"

#include "core/flylink/FlySerialNumber.h"
#include "core/mavlink/ParamList.h"
#include "factory/link/DeviceOpenMap.h"
#include "factory/link/FlyLink.h"
#include "factory/link/Q_DMMM.h"
#include "records/FileDigest.h"
#include "records/RecordStep.h"
#include "records/UnitKey.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QMap>

#include <cstdio>
#include <functional>

namespace {
constexpr int LinkId = 1;

void out(const QString &line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

// The last failure line printed: the reason a failed operation's record keeps.
QString &lastErrorLine()
{
    static QString line;
    return line;
}

void err(const QString &line)
{
    lastErrorLine() = line;
    std::fprintf(stderr, "%s\n", line.toUtf8().constData());
}


QString number(float v)
{
    return QString::number(double(v), 'g', 7);
}

// One session: the bus, link 1 opened with the link options, and what the unit reported so far.
class InsSession : public QObject
{
public:
    explicit InsSession(int timeoutMs) : m_bus(-1), m_timeoutMs(timeoutMs)
    {
        connect(&m_bus, qOverload<int, int, QVariant>(&Q_DMMM::DMMM_Event), this, &InsSession::onEvent);
    }
    ~InsSession() override { m_bus.releaseLinks(); }

    FlyLink *link() const { return m_bus.linkById(LinkId); }
    TelemetryRecord record() { return m_bus.poolSnapshot(LinkId); }
    int timeoutMs() const { return m_timeoutMs; }

    // Opens the device and waits until the unit's first valid frame established the link. Over UDP the
    // unit learns where to send from our requests, so the board information is asked every second.
    bool connectLink(const LinkOptions &options)
    {
        const QVariantMap map = options.serial ? DeviceOpenMap::serial(options.serialPath, options.baud)
                                               : DeviceOpenMap::udp(options.localIp, options.localPort,
                                                                    options.targetIp, options.targetPort);
        m_bus.openLink(map, LinkId);
        connect(link(), &FlyLink::logListEmpty, this, [this] { logEmpty = true; });
        if (!waitFor([this] { return m_opened || m_openFailed; }, m_timeoutMs) || m_openFailed) {
            err(SerialPermissionHint::appendTo(QStringLiteral("ins: cannot open %1").arg(options.describe()),
                                               options.serial && SerialPermissionHint::deniedFor(options.serialPath)));
            return false;
        }
        if (!waitFor([this] { return link()->isConnected(); }, m_timeoutMs, [this] { link()->requestBoardInfo(); })) {
            err(QStringLiteral("no link"));
            return false;
        }
        return true;
    }

    // Runs the event loop until done() or the time-out; every() runs at once and then once a second.
    bool waitFor(const std::function<bool()> &done, int timeoutMs, const std::function<void()> &every = {})
    {
        QElapsedTimer clock;
        clock.start();
        qint64 nextEvery = 0;
        while (!done()) {
            if (clock.elapsed() > timeoutMs)
                return false;
            if (every && clock.elapsed() >= nextEvery) {
                every();
                nextEvery = clock.elapsed() + 1000;
            }
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        }
        return true;
    }

    // Waits for an answer, giving up after timeoutMs without progress().
    bool waitWithProgress(const std::function<bool()> &done, const std::function<int()> &progress,
                          const std::function<void()> &every = {})
    {
        int last = progress();
        QElapsedTimer quiet;
        quiet.start();
        return waitFor(
                   [&] {
                       if (progress() != last) {
                           last = progress();
                           quiet.restart();
                       }
                       return done() || quiet.elapsed() > m_timeoutMs;
                   },
                   INT_MAX, every) &&
               done();
    }

    // Operations that record more than their one event (each downloaded log) or their own details.
    struct Noted
    {
        QString operation;
        ProductionRecord::Result result;
        QString reason;
        QJsonObject details;
    };
    QVector<Noted> noted;
    QJsonObject details; // details of the operation's one event
    void note(const QString &operation, ProductionRecord::Result result, const QString &reason,
              const QJsonObject &d)
    {
        noted.append(Noted{operation, result, reason, d});
    }

    // Reported by the unit.
    bool boardInfo = false;
    bool lost = false;
    QMap<QString, float> values;              // latest value per name
    QMap<int, QPair<QString, float>> byIndex; // values by index (all-parameter fetch)
    int valueCount = 0;
    bool allDone = false;
    QList<FlyLogInfo> logEntries;
    bool listDone = false;
    bool logEmpty = false;
    int logTimeouts = 0;
    int logBlocks = 0;

private:
    void onEvent(int ev, int linkid, const QVariant &var)
    {
        if (ev == DMMM_GCSEvent_new_textmsg) {
            err(var.toString());
            return;
        }
        if (linkid != LinkId)
            return;
        switch (ev) {
        case DMMM_GCSEvent_Device_opened:
            m_opened = true;
            break;
        case DMMM_GCSEvent_Device_open_failed:
            m_openFailed = true;
            break;
        case DMMM_GCSEvent_Protocol_Lost:
            lost = true;
            break;
        case DMMM_GCSEvent_GetBoardInfo:
            boardInfo = true;
            break;
        case DMMM_GCSEvent_Param_value: {
            const FlyParamValue v = var.value<FlyLink::CommonParam_t>();
            values.insert(v.name(), v.value());
            if (v.index() >= 0)
                byIndex.insert(v.index(), qMakePair(v.name(), v.value()));
            ++valueCount;
            break;
        }
        case DMMM_GCSEvent_Param_all_done:
            allDone = true;
            break;
        case DMMM_GCSEvent_Log_entry:
            logEntries.append(var.value<FlyLink::log_info_t>());
            break;
        case DMMM_GCSEvent_Log_list_done:
            listDone = true;
            break;
        case DMMM_GCSEvent_Log_timeout:
            ++logTimeouts;
            break;
        case DMMM_GCSEvent_Log_data:
            ++logBlocks;
            break;
        default:
            break;
        }
    }

    Q_DMMM m_bus;
    int m_timeoutMs;
    bool m_opened = false;
    bool m_openFailed = false;
};

// The calibration runs see the session through InsCaliSession.
InsCaliSession caliSession(InsSession &s)
{
    InsCaliSession c;
    c.link = s.link();
    c.record = [&s] { return s.record(); };
    c.lost = [&s] { return s.lost; };
    c.waitFor = [&s](const std::function<bool()> &done, int timeoutMs, const std::function<void()> &every) {
        return s.waitFor(done, timeoutMs, every);
    };
    c.timeoutMs = s.timeoutMs();
    c.details = &s.details;
    return c;
}

// What the board information says of the unit, as its records keep it.
struct InsIdentity
{
    QString key, sn, hw, fw, protocol;

    static InsIdentity of(InsSession &s)
    {
        InsIdentity id;
        if (!s.boardInfo)
            return id;
        const TelemetryRecord r = s.record();
        const FlyBoardInfoView b = r.boardInfo();
        id.key = UnitKey::fromWords(b.uid(0), b.uid(1), b.uid(2));
        id.sn = FlyText::serialNumberText(b.serialNumber());
        id.hw = FlyText::boardTypeName(b.boardType());
        id.fw = FlyText::firmwareText(b.firmwareVersion());
        id.protocol = FlyText::protocolText(b.protocolWord());
        return id;
    }
    void stamp(ProductionRecord &r) const
    {
        r.serialNumber = sn;
        r.hardware = hw;
        r.firmware = fw;
    }
    QJsonObject json() const
    {
        return QJsonObject{{QStringLiteral("uuid"), key},
                           {QStringLiteral("sn"), sn},
                           {QStringLiteral("hw"), hw},
                           {QStringLiteral("fw"), fw},
                           {QStringLiteral("protocol"), protocol}};
    }
};

int usageError(const QString &text)
{
    err(QStringLiteral("ins: ") + text);
    return 2;
}

int runInfo(InsSession &s)
{
    if (!s.waitFor([&] { return s.boardInfo; }, s.timeoutMs(), [&] { s.link()->requestBoardInfo(); })) {
        err(QStringLiteral("ins info: no board information"));
        return 1;
    }
    const TelemetryRecord r = s.record();
    const FlyBoardInfoView b = r.boardInfo();
    out(QStringLiteral("HW: ") + FlyText::boardTypeName(b.boardType()) + QStringLiteral("-") +
        FlyText::serialNumberText(b.serialNumber()));
    out(QStringLiteral("FW: ") + FlyText::firmwareText(b.firmwareVersion()));
    out(QStringLiteral("PTL: ") + FlyText::protocolText(b.protocolWord()));
    out(QStringLiteral("UUID: ") + FlyText::uuidText(b));
    out(QStringLiteral("SN: ") + FlyText::serialNumberText(b.serialNumber()));
    return 0;
}

int runParamGet(InsSession &s, const QString &name)
{
    s.values.remove(name);
    if (!s.waitFor([&] { return s.values.contains(name); }, s.timeoutMs(), [&] { s.link()->requestParam(name); })) {
        err(QStringLiteral("ins param get %1: the unit did not answer").arg(name));
        return 1;
    }
    out(name + QStringLiteral(",") + number(s.values.value(name)));
    return 0;
}

int runParamSet(InsSession &s, const QString &name, float value)
{
    s.values.remove(name);
    // Write and read back once a second until the unit holds the value: on a lossy link the write may
    // be lost while the read is answered, which is no refusal. Only what the unit still reports when
    // the time is up counts as kept.
    s.waitFor([&] { return s.values.contains(name) && s.values.value(name) == value; }, s.timeoutMs(),
              [&] {
                  s.link()->sendParamSet(name, value);
                  s.link()->requestParam(name);
              });
    if (!s.values.contains(name)) {
        err(QStringLiteral("ins param set %1: the unit did not answer").arg(name));
        return 1;
    }
    out(name + QStringLiteral(",") + number(s.values.value(name)));
    s.details = QJsonObject{{QStringLiteral("name"), name},
                            {QStringLiteral("value"), number(value)},
                            {QStringLiteral("kept"), number(s.values.value(name))}};
    if (s.values.value(name) != value) {
        err(QStringLiteral("ins param set %1: the unit kept %2").arg(name, number(s.values.value(name))));
        return 1;
    }
    return 0;
}

// The unit's whole parameter set in index order.
bool fetchAllParams(InsSession &s, QList<ParamFileEntry> *params)
{
    s.byIndex.clear();
    s.allDone = false;
    s.link()->startAllParamFetch();
    if (!s.waitWithProgress([&] { return s.allDone; }, [&] { return s.valueCount; })) {
        s.link()->stopAllParamFetch();
        err(QStringLiteral("ins params: the unit stopped answering at index %1").arg(s.link()->allParamIndex()));
        return false;
    }
    // The last value may still be queued behind the end event.
    s.waitFor([&] { return s.byIndex.size() >= s.link()->allParamCount(); }, 1000);
    for (auto it = s.byIndex.constBegin(); it != s.byIndex.constEnd(); ++it) {
        if (it.key() < s.link()->allParamCount())
            params->append(ParamFileEntry{it->first, it->second});
    }
    return true;
}

int runParams(InsSession &s)
{
    QList<ParamFileEntry> params;
    if (!fetchAllParams(s, &params))
        return 1;
    for (const ParamFileEntry &p : params)
        out(p.name + QStringLiteral(",") + number(p.value));
    return 0;
}

// params save|load|diff FILE: the unit's whole set against a ".param" file.
int runParamsFile(InsSession &s, const QString &what, const QString &path)
{
    QList<ParamFileEntry> params;
    if (!fetchAllParams(s, &params))
        return 1;
    if (what == QLatin1String("save")) {
        if (!s.waitFor([&] { return s.boardInfo; }, s.timeoutMs(), [&] { s.link()->requestBoardInfo(); })) {
            err(QStringLiteral("ins params save: no board information"));
            return 1;
        }
        const int code = InsParamsFile::save(path, ParamFileHeader::fromBoard(s.record().boardInfo()), params);
        s.details = QJsonObject{{QStringLiteral("path"), path}, {QStringLiteral("sha256"), FileDigest::sha256(path)},
                                {QStringLiteral("count"), params.size()}};
        return code;
    }
    QMap<QString, float> unit;
    for (const ParamFileEntry &p : params)
        unit.insert(p.name, p.value);
    if (what == QLatin1String("diff"))
        return InsParamsFile::diff(path, unit);
    QJsonArray written, refused;
    QStringList missing;
    const int code = InsParamsFile::load(
        path, unit,
        [&](const QString &name, float value) {
            const int rc = runParamSet(s, name, value);
            (rc == 0 ? written : refused).append(name);
            return rc;
        },
        &missing);
    for (const QString &m : missing)
        refused.append(m);
    s.details = QJsonObject{{QStringLiteral("file"), path},
                            {QStringLiteral("sha256"), FileDigest::sha256(path)},
                            {QStringLiteral("written"), written},
                            {QStringLiteral("refused"), refused}};
    return code;
}

// Sends a command (again every 1.5 s) until its acknowledgement arrives; exit 0 only when accepted.
int runCommand(InsSession &s, int number, const std::function<void()> &send)
{
    bool acked = false;
    int result = -1;
    QString text;
    QMetaObject::Connection c =
        QObject::connect(s.link(), &FlyLink::commandAcknowledged, &s, [&](int command, int r, const QString &t) {
            if (command != number || acked)
                return;
            acked = true;
            result = r;
            text = t;
        });
    QElapsedTimer resend;
    bool sent = false;
    const bool ok = s.waitFor([&] { return acked; }, s.timeoutMs(),
                              [&] {
                                  if (!sent || resend.elapsed() >= 1500) {
                                      send();
                                      sent = true;
                                      resend.start();
                                  }
                              });
    QObject::disconnect(c);
    if (!ok) {
        err(QStringLiteral("ins: no acknowledgement"));
        return 1;
    }
    out(text);
    s.details.insert(QStringLiteral("ack"), text);
    if (result != 0)
        lastErrorLine() = text;
    return result == 0 ? 0 : 1;
}

bool listLogs(InsSession &s)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        s.logEntries.clear();
        s.listDone = s.logEmpty = false;
        const int timeoutsBefore = s.logTimeouts;
        s.link()->requestLogList();
        s.waitFor([&] { return s.listDone || s.logEmpty || s.logTimeouts != timeoutsBefore; }, 10000);
        if (s.listDone || s.logEmpty)
            return true;
    }
    err(QStringLiteral("ins logs: the log list did not complete"));
    return false;
}

int runLogs(InsSession &s, const QStringList &args)
{
    if (args.isEmpty())
        return usageError(QStringLiteral("logs list | logs download ID... | logs erase"));
    const QString what = args.first();
    if (what == QLatin1String("list")) {
        if (!listLogs(s))
            return 1;
        QMap<int, FlyLogInfo> unique;
        for (const FlyLogInfo &e : s.logEntries)
            unique.insert(e.id(), e);
        for (const FlyLogInfo &e : unique)
            out(QStringLiteral("%1 %2 %3")
                    .arg(e.id())
                    .arg(e.size())
                    .arg(QDateTime::fromSecsSinceEpoch(e.timeUtc(), Qt::UTC).toString(Qt::ISODate)));
        return 0;
    }
    if (what == QLatin1String("download")) {
        QList<quint16> ids;
        for (const QString &a : args.mid(1)) {
            bool ok = false;
            const uint id = a.toUInt(&ok);
            if (!ok || id > 0xFFFE)
                return usageError(QStringLiteral("logs download: not a log id: ") + a);
            ids << quint16(id);
        }
        if (ids.isEmpty())
            return usageError(QStringLiteral("logs download needs at least one log id"));
        if (!listLogs(s))
            return 1;
        for (quint16 id : ids) {
            bool known = false;
            for (const FlyLogInfo &e : s.logEntries)
                known = known || e.id() == id;
            if (!known) {
                err(QStringLiteral("ins logs download: log %1 is not on the unit").arg(id));
                return 1;
            }
        }
        QStringList paths;
        QString fileError;
        QObject::connect(s.link(), &FlyLink::logFileCompleted, &s, [&](int id, const QString &path) {
            paths << path;
            s.note(QString::fromLatin1(RecordOp::LogDownload), ProductionRecord::Result::Ok, QString(),
                   QJsonObject{{QStringLiteral("id"), id},
                               {QStringLiteral("size"), double(QFile(path).size())},
                               {QStringLiteral("path"), path},
                               {QStringLiteral("sha256"), FileDigest::sha256(path)}});
        });
        QObject::connect(s.link(), &FlyLink::logFileFailed, &s, [&](int, const QString &path, const QString &reason) {
            fileError = QStringLiteral("ins logs download: cannot write %1: %2").arg(path, reason);
        });
        for (quint16 id : ids)
            s.link()->queueLogDownload(id);
        const int timeoutsBefore = s.logTimeouts;
        s.link()->startLogDownloads();
        s.waitFor([&] { return paths.size() == ids.size() || s.logTimeouts != timeoutsBefore || !fileError.isEmpty(); },
                  INT_MAX);
        for (const QString &p : paths)
            out(p);
        if (!fileError.isEmpty() || paths.size() != ids.size()) {
            if (fileError.isEmpty()) {
                s.link()->cancelLogDownload();
                err(QStringLiteral("ins logs download: log %1 gave up (the unit stopped answering)")
                        .arg(ids[paths.size()]));
            } else {
                err(fileError);
            }
            s.note(QString::fromLatin1(RecordOp::LogDownload), ProductionRecord::Result::Failed, lastErrorLine(),
                   QJsonObject{{QStringLiteral("id"), int(ids[paths.size() < ids.size() ? paths.size() : 0])}});
            return 1;
        }
        return 0;
    }
    if (what == QLatin1String("erase")) {
        // The unit does not acknowledge an erase: erase until the list comes back empty.
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < s.timeoutMs() * 2) {
            s.link()->eraseLogs();
            s.waitFor([] { return false; }, 300);
            if (!listLogs(s))
                return 1;
            if (s.logEmpty) {
                out(QStringLiteral("erased"));
                return 0;
            }
        }
        err(QStringLiteral("ins logs erase: logs are still listed"));
        return 1;
    }
    return usageError(QStringLiteral("logs: unknown operation ") + what);
}

int runWatch(InsSession &s, int seconds)
{
    for (int i = 0; i < seconds; ++i) {
        s.waitFor([] { return false; }, 1000);
        const TelemetryRecord r = s.record();
        const FlyNavView nav = r.navigation();
        const FlySysStatusView st = r.sysStatus();
        QStringList temps;
        for (int k = 0; k < r.imuCount() && k < 3; ++k)
            temps << QString::number(r.imu(k).temperatureCenti() * 0.01, 'f', 1);
        QStringList baro;
        for (int k = 0; k < r.baroCount() && k < 3; ++k)
            baro << QString::number(r.baro(k).temperatureCenti() * 0.01, 'f', 1);
        out(QStringLiteral("att %1 %2 %3 pos %4 %5 %6 fix %7 sats %8 imu %9 baro %10 sensors %11 %12 %13")
                .arg(QString::number(nav.rollCentiDeg() * 0.01, 'f', 1),
                     QString::number(nav.pitchCentiDeg() * 0.01, 'f', 1),
                     QString::number(nav.yawCentiDeg() * 0.01, 'f', 1), QString::number(nav.latE7() * 1e-7, 'f', 7),
                     QString::number(nav.lonE7() * 1e-7, 'f', 7), QString::number(nav.altitudeAsl(), 'f', 1),
                     FlyText::gpsFixText(r.gnss(0).fixType()), QString::number(r.gnss(0).satellites()),
                     temps.isEmpty() ? QStringLiteral("-") : temps.join(QLatin1Char('/')))
                .arg(baro.isEmpty() ? QStringLiteral("-") : baro.join(QLatin1Char('/')),
                     QStringLiteral("0x%1").arg(st.sensorsPresent(), 8, 16, QLatin1Char('0')),
                     QStringLiteral("0x%1").arg(st.sensorsEnabled(), 8, 16, QLatin1Char('0')),
                     QStringLiteral("0x%1").arg(st.sensorsHealthy(), 8, 16, QLatin1Char('0'))));
    }
    if (!s.link()->isConnected()) {
        err(QStringLiteral("ins watch: link lost"));
        return 1;
    }
    return 0;
}

struct NamedCommand
{
    const char *name;
    int number;
    bool (FlyLink::*op)();
};

const NamedCommand kCommands[] = {
    {"gyro-cali", FlyCmd::Calibrate, &FlyLink::DoGyroZeroCali},
    {"baro-cali", FlyCmd::Calibrate, &FlyLink::DoBaroCali},
    {"level-cali", FlyCmd::Calibrate, &FlyLink::StartAccLevelCali},
    {"acc-basic-cali", FlyCmd::Calibrate, &FlyLink::StartAccBasicCali},
    {"mag-cali", FlyCmd::Calibrate, &FlyLink::DoMagCali},
    {"mag-cali-stop", FlyCmd::Calibrate, &FlyLink::StopMagCali},
    {"mag-inflight-cali", FlyCmd::Calibrate, &FlyLink::DoMagInflightCali},
    {"mag-inflight-cancel", FlyCmd::Calibrate, &FlyLink::CancelMagInflightCali},
    {"reboot", FlyCmd::Reboot, &FlyLink::rebootUnit},
    {"factory-reset", FlyCmd::FactoryReset, &FlyLink::factoryReset},
    {"write-factory-data", FlyCmd::WriteFactoryData, &FlyLink::WriteFactoryData},
};

// The link's debug lines stay out of the output unless ZORVAN_CLI_DEBUG is set.
void quietDebug(QtMsgType type, const QMessageLogContext &, const QString &msg)
{
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    std::fprintf(stderr, "%s\n", msg.toLocal8Bit().constData());
}

int runIns(const QStringList &argsIn)
{
    QStringList args = argsIn;
    if (qEnvironmentVariableIsEmpty("ZORVAN_CLI_DEBUG"))
        qInstallMessageHandler(quietDebug);
    LinkOptions options;
    QString error;
    if (!LinkOptions::parse(args, options, error))
        return usageError(error);
    CliRecorder recorder;
    if (!recorder.parse(args, &error))
        return usageError(error);
    // The operation's record (none for the read-only ones) and what is known of it before the run.
    QString recordOp;
    QJsonObject opDetails;
    int timeoutMs = 5000;
    int watchSeconds = 10;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--timeout") || args[i] == QLatin1String("--seconds")) {
            bool ok = false;
            const double v = i + 1 < args.size() ? args[i + 1].toDouble(&ok) : 0;
            if (!ok || v <= 0)
                return usageError(args[i] + QStringLiteral(" needs a positive number"));
            if (args[i] == QLatin1String("--timeout"))
                timeoutMs = int(v * 1000);
            else
                watchSeconds = int(v);
            args.removeAt(i + 1);
            args.removeAt(i);
            --i;
        }
    }
    if (args.isEmpty())
        return usageError(QStringLiteral("missing operation (info, param, params, cmd, mag-simple-cali, write-sn, "
                                         "logs, watch, protocol, acc-cali, mag-cali)"));
    const QString op = args.takeFirst();
    // The protocol switch does not speak FlyLink (the unit may answer in MAVLink): a link of its own.
    if (op == QLatin1String("protocol"))
        return runInsProtocol(options, timeoutMs, args);

    // Check the arguments before touching the link.
    std::function<int(InsSession &)> run;
    if (op == QLatin1String("info")) {
        run = runInfo;
        recordOp = QString::fromLatin1(RecordOp::Identified);
    } else if (op == QLatin1String("param")) {
        if (args.size() == 2 && args[0] == QLatin1String("get")) {
            const QString name = args[1];
            run = [name](InsSession &s) {
                return runParamGet(s, name);
            };
        } else if (args.size() == 3 && args[0] == QLatin1String("set")) {
            float value = 0;
            if (!ParamText::parseFloat(args[2], value))
                return usageError(QStringLiteral("param set: not a number: ") + args[2]);
            const QString name = args[1];
            run = [name, value](InsSession &s) {
                return runParamSet(s, name, value);
            };
            recordOp = QString::fromLatin1(RecordOp::ParamSet);
        } else {
            return usageError(QStringLiteral("param get NAME | param set NAME VALUE"));
        }
        if (args[1].isEmpty() || args[1].toLatin1().size() > FlyMsg::ParamNameLen)
            return usageError(QStringLiteral("param: a name has 1 to 16 characters"));
    } else if (op == QLatin1String("params")) {
        if (args.size() == 2 && (args[0] == QLatin1String("save") || args[0] == QLatin1String("load") ||
                                 args[0] == QLatin1String("diff"))) {
            const QString what = args[0], path = args[1];
            run = [what, path](InsSession &s) {
                return runParamsFile(s, what, path);
            };
            if (what == QLatin1String("save"))
                recordOp = QString::fromLatin1(RecordOp::ParamsSave);
            else if (what == QLatin1String("load"))
                recordOp = QString::fromLatin1(RecordOp::ParamsLoad);
        } else if (!args.isEmpty()) {
            return usageError(QStringLiteral("params | params save FILE | params load FILE | params diff FILE"));
        } else {
            run = runParams;
        }
    } else if (op == QLatin1String("cmd")) {
        if (args.size() != 1)
            return usageError(QStringLiteral("cmd NAME"));
        const NamedCommand *found = nullptr;
        for (const NamedCommand &c : kCommands) {
            if (args[0] == QLatin1String(c.name))
                found = &c;
        }
        if (!found) {
            QStringList names;
            for (const NamedCommand &c : kCommands)
                names << QLatin1String(c.name);
            return usageError(QStringLiteral("cmd: unknown command %1 (one of %2)").arg(args[0], names.join(", ")));
        }
        run = [found](InsSession &s) {
            return runCommand(s, found->number, [&s, found] { (s.link()->*found->op)(); });
        };
        recordOp = QString::fromLatin1(found->name); // the command names are the recorded operations
        opDetails.insert(QStringLiteral("command"), recordOp);
    } else if (op == QLatin1String("mag-simple-cali")) {
        bool ok = false;
        const uint deg = args.size() == 1 ? args[0].toUInt(&ok) : 0;
        if (!ok || deg > 0xFFFF)
            return usageError(QStringLiteral("mag-simple-cali DEG (the true heading in whole degrees)"));
        run = [deg](InsSession &s) {
            return runCommand(s, FlyCmd::Calibrate, [&s, deg] { s.link()->DoMagSimpleCali(quint16(deg)); });
        };
        recordOp = QString::fromLatin1(RecordOp::MagSimpleCali);
        opDetails.insert(QStringLiteral("heading"), int(deg));
    } else if (op == QLatin1String("write-sn")) {
        bool ok1 = false, ok2 = false;
        const uint yymm = args.size() == 2 ? args[0].toUInt(&ok1) : 0;
        const uint seq = args.size() == 2 ? args[1].toUInt(&ok2) : 0;
        if (!ok1 || !ok2 || !FlySerialNumber::inRange(yymm, seq))
            return usageError(QStringLiteral("write-sn YYMM SEQ (YYMM %1-%2, SEQ %3-%4)")
                                  .arg(FlySerialNumber::FirstMonth)
                                  .arg(FlySerialNumber::LastMonth)
                                  .arg(FlySerialNumber::FirstSequence)
                                  .arg(FlySerialNumber::LastSequence));
        const quint32 sn = FlySerialNumber(quint16(yymm), quint16(seq)).value();
        run = [sn](InsSession &s) {
            return runCommand(s, FlyCmd::WriteSerialNumber, [&s, sn] { s.link()->writeSerialNumber(sn); });
        };
        recordOp = QString::fromLatin1(RecordOp::WriteSn);
        opDetails.insert(QStringLiteral("value"), FlySerialNumber::fromValue(sn).text());
    } else if (op == QLatin1String("logs")) {
        const QStringList rest = args;
        if (rest.isEmpty() || (rest[0] != QLatin1String("list") && rest[0] != QLatin1String("download") &&
                               rest[0] != QLatin1String("erase")))
            return usageError(QStringLiteral("logs list | logs download ID... | logs erase"));
        for (const QString &a : rest.mid(1)) {
            bool ok = false;
            if (rest[0] == QLatin1String("download") && (a.toUInt(&ok) > 0xFFFE || !ok))
                return usageError(QStringLiteral("logs download: not a log id: ") + a);
        }
        run = [rest](InsSession &s) {
            return runLogs(s, rest);
        };
        if (rest[0] == QLatin1String("erase"))
            recordOp = QString::fromLatin1(RecordOp::LogErase);
        args.clear();
    } else if (op == QLatin1String("acc-cali")) {
        const bool wait = !args.contains(QStringLiteral("--no-wait"));
        args.removeAll(QStringLiteral("--no-wait"));
        if (!args.isEmpty())
            return usageError(QStringLiteral("acc-cali [--no-wait]"));
        run = [wait](InsSession &s) {
            return runInsAccCali(caliSession(s), wait);
        };
        recordOp = QString::fromLatin1(RecordOp::AccCali);
    } else if (op == QLatin1String("mag-cali")) {
        if (!args.isEmpty())
            return usageError(QStringLiteral("mag-cali takes no arguments"));
        run = [](InsSession &s) {
            return runInsMagCali(caliSession(s));
        };
        recordOp = QString::fromLatin1(RecordOp::MagCali);
    } else if (op == QLatin1String("watch")) {
        run = [watchSeconds](InsSession &s) {
            return runWatch(s, watchSeconds);
        };
    } else {
        return usageError(QStringLiteral("unknown operation ") + op);
    }

    InsSession session(timeoutMs);
    if (!session.connectLink(options))
        return 1;
    const bool records = recorder.enabled() && (!recordOp.isEmpty() || op == QLatin1String("logs"));
    // The unit's identity is taken before the operation: after a reboot or a reset it is not there.
    if (records && !session.boardInfo)
        session.waitFor([&] { return session.boardInfo; }, timeoutMs, [&] { session.link()->requestBoardInfo(); });
    const InsIdentity identity = records ? InsIdentity::of(session) : InsIdentity();
    session.details = opDetails;
    const int code = run(session);
    if (!records)
        return code;
    if (!recordOp.isEmpty()) {
        const ProductionRecord::Result result = code == 0 ? ProductionRecord::Result::Ok : ProductionRecord::Result::Failed;
        session.note(recordOp, result, code == 0 ? QString() : lastErrorLine(), session.details);
    }
    for (const InsSession::Noted &n : session.noted) {
        ProductionRecord r = ProductionRecord::make(n.operation, identity.key, n.result, n.reason, n.details);
        identity.stamp(r);
        if (n.operation == QLatin1String(RecordOp::Identified) || n.operation == QLatin1String(RecordOp::WriteSn))
            r.details.insert(QStringLiteral("identity"), identity.json());
        // The unit confirmed the serial number: from now on it is the unit's SN.
        if (n.operation == QLatin1String(RecordOp::WriteSn) && n.result == ProductionRecord::Result::Ok)
            r.serialNumber = n.details.value(QStringLiteral("value")).toString();
        recorder.record(r);
    }
    return recorder.finish("ins", code);
}

CommandTable::Registrar
    reg(cliCommands(), "ins",
        "ins [--serial PATH [--baud N] | --udp [IP:]PORT --target IP:PORT] [--timeout S] OPERATION\n"
        "    info | param get NAME | param set NAME VALUE | params | watch [--seconds N]\n"
        "    cmd gyro-cali|baro-cali|level-cali|acc-basic-cali|mag-cali|mag-cali-stop|mag-inflight-cali|\n"
        "        mag-inflight-cancel|reboot|factory-reset|write-factory-data\n"
        "    mag-simple-cali DEG | write-sn YYMM SEQ | logs list | logs download ID... | logs erase\n"
        "    protocol mavlink|kavolink|reboot\n"
        "    acc-cali [--no-wait] | mag-cali\n"
        "    params save FILE | params load FILE | params diff FILE   (.param files of the factory window)\n"
        "    [--no-record] [--station NAME] [--operator NAME] [--db PATH|postgresql://USER@HOST:PORT/DBNAME]\n"
        "        every operation but the read-only ones is kept in the production record (exit 3: not stored)",
        &runIns);
} // namespace
