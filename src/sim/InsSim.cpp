// zorvan-sim ins: a simulated ORVE inertial unit speaking FlyLink on a pseudo-terminal or UDP.
//
// It streams heartbeat, navigation state (slowly turning attitude, slowly moving position), GNSS, three
// IMUs warmed by a heater, two compasses (--compasses 1..3), a barometer, system status with sensor masks and
// home; answers message requests (board information, home), commands with acknowledgements (an
// accelerometer six-placement sequence on state messages 33, compass progress on 34 (both played by
// sim/InsCalibration, which also fails them on --cali-fail), reboot, factory
// reset, factory data, the serial number, which it remembers and reports in its board information),
// parameter reads, writes and the fetch by index, the log list, log data blocks and erase. It also
// takes the transport command frames "QJ" of type 3: 6 switches its output to MAVLink (it then answers as
// zorvan-sim fmu does, over its own parameter values: see InsMavlinkOutput), 7 back to FlyLink, 8 reboots.
//
// Log content is a pattern the tests recompute: byte i of log n is (i * 7 + n * 13) & 0xFF.
#include "sim/InsCalibration.h"
#include "sim/InsMavlinkOutput.h"
#include "sim/InsStorage.h"
#include "sim/InsTelemetry.h"
#include "sim/SimEndpoint.h"
#include "sim/SimModes.h"

#include "core/flylink/FlyFrame.h"
#include "core/flylink/FlyMessages.h"
#include "core/flylink/TelemetryRecord.h"
#include "core/flylink/TransportCommand.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QTimer>
#include <QVector>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <random>

namespace {
struct SimParam
{
    QString name;
    float value;
    float defaultValue;
};

struct SimLog
{
    quint16 id;
    quint32 time;
    quint32 size;
};

QByteArray logBytes(quint16 id, quint32 offset, int count)
{
    QByteArray out(count, '\0');
    for (int i = 0; i < count; ++i)
        out[i] = char(((offset + quint32(i)) * 7 + id * 13) & 0xFF);
    return out;
}

template <typename T> void put(QByteArray &p, int offset, T v)
{
    FlyLe::put<T>(reinterpret_cast<uchar *>(p.data()) + offset, v);
}

class InsUnit : public QObject
{
public:
    InsUnit(SimEndpoint *endpoint, double drop, double corrupt, quint32 seed, double silentAfter, quint32 boardType,
            const InsTelemetry::Options &telemetry)
        : m_endpoint(endpoint), m_drop(drop), m_corrupt(corrupt), m_rng(seed), m_silentAfterMs(silentAfter * 1000),
          m_boardType(boardType), m_telemetry(telemetry)
    {
        resetParams();
        resetLogs();
        connect(endpoint, &SimEndpoint::received, this, &InsUnit::onBytes);
        connect(&m_timer, &QTimer::timeout, this, &InsUnit::tick);
        m_timer.start(20);
        connect(&m_streamTimer, &QTimer::timeout, this, &InsUnit::stream);
        m_streamTimer.start(m_telemetry.intervalMs());
        m_clock.start();
    }

    // Starts in MAVLink output, as after a switch frame 6.
    void startInMavlink()
    {
        m_mavlinkMode = true;
        syncMavlinkOutput();
    }

    InsCalibration &calibration() { return m_cali; }

private:
    void resetParams()
    {
        const std::pair<const char *, float> defaults[] = {
            {"AHRS_ORIENTATION", 0},
            {"BRD_HEAT_TARG", 45},
            {"INS_ACC_BODYFIX", 2},
            {"INS_ACCOFFS_X", 0.012f},
            {"INS_ACCOFFS_Y", -0.034f},
            {"INS_ACCOFFS_Z", 0.051f},
            {"INS_ACCSCAL_X", 1.001f},
            {"INS_ACCSCAL_Y", 0.998f},
            {"INS_ACCSCAL_Z", 1.002f},
            {"INS_GYR_CAL", 1},
            {"INS_GYROFFS_X", 0.0021f},
            {"INS_GYROFFS_Y", -0.0013f},
            {"INS_GYROFFS_Z", 0.0007f},
            {"INS_TCAL1_ENABLE", 1},
            {"INS_USE", 1},
            {"INS_USE2", 1},
            {"LOG_BACKEND_TYPE", 1},
            {"LOG_DISARMED", 0},
            {"SYSID_THISMAV", 1},
        };
        m_params.clear();
        for (const auto &d : defaults)
            m_params.append(SimParam{QLatin1String(d.first), d.second, d.second});
        for (const auto &d : InsCalibration::parameterDefaults()) {
            if (findParam(d.first) < 0)
                m_params.append(SimParam{d.first, d.second, d.second});
        }
        std::sort(m_params.begin(), m_params.end(),
                  [](const SimParam &a, const SimParam &b) { return a.name < b.name; });
    }

    void resetLogs()
    {
        // One hour apart from 2026-01-01 00:00 UTC.
        m_logs.clear();
        for (int i = 0; i < m_storedLogs.size(); ++i)
            m_logs.append(SimLog{m_storedLogs[i].id, 1767225600u + 3600u * quint32(i), m_storedLogs[i].size});
    }

public:
    void setStoredLogs(const QVector<InsStoredLog> &logs)
    {
        m_storedLogs = logs;
        resetLogs();
    }
    // The log list states every log this many bytes longer than the data the unit holds; asked past
    // its data, the unit answers with no bytes.
    void setLogOverstatement(quint32 bytes) { m_logOverstated = bytes; }

private:
    bool silent() const { return m_silentAfterMs > 0 && m_clock.elapsed() > m_silentAfterMs; }
    bool rebooting() const { return m_rebootUntil > m_clock.elapsed(); }
    bool chance(double p) { return p > 0 && std::uniform_real_distribution<double>(0, 1)(m_rng) < p; }

    void send(quint8 id, const QByteArray &payload)
    {
        if (silent() || rebooting() || m_mavlinkMode)
            return;
        QByteArray f = FlyFrame::build(m_sysId, m_seq++, id, payload);
        if (chance(m_drop))
            return;
        if (chance(m_corrupt)) {
            const int at = std::uniform_int_distribution<int>(0, f.size() - 1)(m_rng);
            f[at] = char(f[at] ^ (1 << std::uniform_int_distribution<int>(0, 7)(m_rng)));
        }
        m_endpoint->send(f);
    }

    void sendAck(quint8 number, quint8 result) { send(FlyMsg::CommandAck, FlyCmd::ackPayload(number, result)); }

    void onBytes(const QByteArray &bytes)
    {
        for (const TransportCommand::Frame &cmd : m_transport.feed(bytes))
            onTransport(cmd);
        for (const FlyFrame &f : m_parser.feed(bytes)) {
            if (silent() || rebooting() || chance(m_drop))
                continue;
            onFrame(f);
        }
    }

    void onTransport(const TransportCommand::Frame &cmd)
    {
        if (cmd.type != TransportCommand::TypeControl || cmd.payload.size() != 1)
            return;
        switch (quint8(cmd.payload[0])) {
        case TransportCommand::SwitchToMavlink:
            m_mavlinkMode = true;
            break;
        case TransportCommand::SwitchToFlyLink:
            m_mavlinkMode = false;
            break;
        case TransportCommand::Reboot:
            reboot();
            break;
        default:
            break;
        }
        syncMavlinkOutput();
    }

    // In MAVLink output mode the flight-control unit's services answer, except while the unit reboots
    // or is silent; parameter writes made over MAVLink stay when it switches back.
    void syncMavlinkOutput()
    {
        const bool on = m_mavlinkMode && !silent() && !rebooting();
        if (on == m_mavlinkOutput.isOn())
            return;
        if (on) {
            QVector<FmuParam> params;
            for (const SimParam &p : m_params)
                params.append(FmuParam{p.name.toLatin1(), p.value, 9});
            QVector<FmuLog> logs;
            for (const SimLog &l : m_logs)
                logs.append(FmuLog{l.id, l.size, l.time});
            FmuUnit::Options options;
            options.seed = quint32(m_rng());
            m_mavlinkOutput.start(params, logs, options);
            return;
        }
        for (const FmuParam &p : m_mavlinkOutput.stop()) {
            const int index = findParam(QString::fromLatin1(p.name));
            if (index >= 0)
                m_params[index].value = p.value;
        }
    }

    void reboot()
    {
        m_rebootUntil = m_clock.elapsed() + 1000;
        m_cali.reset();
        m_seq = 0;
    }

    void onFrame(const FlyFrame &f)
    {
        const QByteArray &p = f.payload;
        switch (f.id) {
        case FlyMsg::Command:
            if (p.size() == FlyMsg::CommandLen)
                onCommand(p);
            break;
        case FlyMsg::ParamRead:
            if (p.size() == FlyMsg::ParamReadLen) {
                const FlyParamRead req = FlyParamRead::fromPayload(p);
                const int index = req.index() < 0 ? findParam(req.name()) : req.index();
                if (index >= 0 && index < m_params.size())
                    sendParam(index);
            }
            break;
        case FlyMsg::ParamValue:
            if (p.size() == FlyMsg::ParamValueLen) {
                const FlyParamValue set = FlyParamValue::fromPayload(p);
                const int index = findParam(set.name());
                if (index >= 0) {
                    m_params[index].value = set.value();
                    if (set.name() == QLatin1String("SYSID_THISMAV") && set.value() >= 1 && set.value() <= 255)
                        m_sysId = quint8(set.value());
                    sendParam(index);
                }
            }
            break;
        case FlyMsg::LogListRequest:
            if (p.size() == FlyMsg::LogListRequestLen)
                onLogList(FlyLe::get<quint16>(reinterpret_cast<const uchar *>(p.constData())));
            break;
        case FlyMsg::LogDataRequest:
            if (p.size() == FlyMsg::LogDataRequestLen)
                onLogData(FlyLogRequest::fromPayload(p));
            break;
        case FlyMsg::LogErase:
            m_logs.clear();
            send(FlyMsg::Text, FlyMsg::textPayload(QStringLiteral("Logs erased")));
            break;
        default:
            break;
        }
    }

    int findParam(const QString &name) const
    {
        for (int i = 0; i < m_params.size(); ++i) {
            if (m_params[i].name == name)
                return i;
        }
        return -1;
    }

    void sendParam(int index)
    {
        send(FlyMsg::ParamValue,
             FlyMsg::paramValue(qint16(index), qint16(m_params.size()), m_params[index].name, m_params[index].value));
    }

    void onCommand(const QByteArray &p)
    {
        const quint8 number = quint8(p[0]);
        switch (number) {
        case FlyCmd::RequestMessage:
            sendAck(number, 0);
            if (quint8(p[1]) == FlyMsg::BoardInfo)
                sendBoardInfo();
            else if (quint8(p[1]) == FlyMsg::Home)
                sendHome();
            else if (quint8(p[1]) == 0 || quint8(p[1]) == FlyMsg::Heartbeat)
                sendHeartbeat();
            break;
        case FlyCmd::FactoryReset:
            resetParams();
            m_sysId = 1;
            sendAck(number, 0);
            break;
        case FlyCmd::Reboot:
            sendAck(number, 0);
            reboot();
            break;
        case FlyCmd::WriteFactoryData:
            sendAck(number, 0);
            break;
        case FlyCmd::WriteSerialNumber:
            if (!m_serialNumber.write(FlyLe::get<quint32>(reinterpret_cast<const uchar *>(p.constData()) + 1))) {
                sendAck(number, 4); // the OTP area holds a number already
                break;
            }
            sendAck(number, 0);
            sendBoardInfo();
            break;
        case FlyCmd::Calibrate:
            onCalibrate(quint8(p[1]), quint8(p[2]),
                        FlyLe::get<quint16>(reinterpret_cast<const uchar *>(p.constData()) + 3));
            break;
        default:
            sendAck(number, 3); // not a command of this unit
            break;
        }
    }

    void onCalibrate(quint8 what, quint8 action, quint16 arg)
    {
        quint8 result = 0;
        switch (what) {
        case FlyCmd::Acc3D:
            result = m_cali.accCommand(action);
            break;
        case FlyCmd::AccLevel:
        case FlyCmd::AccBasic:
        case FlyCmd::Baro:
        case FlyCmd::GyroZero:
            result = action == FlyCmd::Start ? 0 : 3;
            break;
        case FlyCmd::Airspeed:
            result = 3; // no airspeed sensor on this unit
            break;
        case FlyCmd::Mag:
            if (action == FlyCmd::Start)
                m_cali.magStart(m_clock.elapsed());
            else
                sendMagProgress(m_cali.magStop());
            break;
        case FlyCmd::MagInflight:
            result = action <= FlyCmd::Stop ? 0 : 3;
            break;
        case FlyCmd::MagSimple:
            if (arg > 359) {
                result = 2;
            } else {
                m_yawOffset = double(arg) - yawDeg();
            }
            break;
        default:
            result = 3;
            break;
        }
        sendAck(FlyCmd::Calibrate, result);
        if (what == FlyCmd::Acc3D)
            send(FlyMsg::AccCaliState, QByteArray(1, char(m_cali.accState())));
    }

    double seconds() const { return m_clock.elapsed() / 1000.0; }
    double yawDeg() const { return std::fmod(seconds() * 6.0 + m_yawOffset + 3600.0, 360.0); }

public:
    void setUid(const quint32 words[3])
    {
        for (int i = 0; i < 3; ++i)
            m_uid[i] = words[i];
    }

private:
    void sendHeartbeat()
    {
        QByteArray p(FlyMsg::HeartbeatLen, '\0');
        put<quint16>(p, 0, quint16(0x0003)); // inertial unit
        send(FlyMsg::Heartbeat, p);
    }

    void sendBoardInfo()
    {
        QByteArray p(FlyMsg::BoardInfoLen, '\0');
        put<quint32>(p, FlyLayout::Board::Uid0, m_uid[0]);
        put<quint32>(p, FlyLayout::Board::Uid1, m_uid[1]);
        put<quint32>(p, FlyLayout::Board::Uid2, m_uid[2]);
        put<quint32>(p, FlyLayout::Board::BoardType, m_boardType);
        put<quint32>(p, FlyLayout::Board::Firmware, 0x01040203u);     // 1.4.2.3
        put<quint16>(p, FlyLayout::Board::Protocol, quint16(0x2103)); // 2.1.0, inertial unit
        put<quint32>(p, FlyLayout::Board::SerialNumber, m_serialNumber.value());
        send(FlyMsg::BoardInfo, p);
    }

    void sendHome()
    {
        QByteArray p(FlyMsg::HomeLen, '\0');
        put<qint32>(p, FlyLayout::Home::Lat, m_homeLat);
        put<qint32>(p, FlyLayout::Home::Lon, m_homeLon);
        send(FlyMsg::Home, p);
    }

    void sendNav() { send(FlyMsg::NavState, m_telemetry.navigation(seconds(), yawDeg(), m_homeLat, m_homeLon)); }

    void sendSensors()
    {
        const double t = seconds();
        for (quint8 i = 0; i < InsCalibration::ImuCount; ++i) {
            QByteArray imu(FlyMsg::ImuLen, '\0');
            imu[0] = char(i);
            put<qint16>(imu, FlyLayout::Imu::Temperature, m_cali.imuTemperatureCenti(i));
            send(FlyMsg::Imu, imu);
        }
        for (quint8 i = 0; i < m_cali.compassCount(); ++i) {
            QByteArray mag(FlyMsg::CompassLen, '\0');
            mag[0] = char(i);
            send(FlyMsg::Compass, mag);
        }
        send(FlyMsg::Gnss, m_telemetry.gnss(t));
        QByteArray baro(FlyMsg::BaroLen, '\0');
        put<qint16>(baro, FlyLayout::Baro::Temperature, qint16(std::lround((35.5 + std::sin(t / 40.0)) * 100)));
        send(FlyMsg::Baro, baro);
    }

    void sendSysStatus() { send(FlyMsg::SysStatus, m_telemetry.sysStatus(m_cali.magActive())); }

    void sendMagProgress(const QList<InsCalibration::MagEntry> &entries)
    {
        for (const InsCalibration::MagEntry &e : entries) {
            QByteArray p(FlyMsg::MagCaliProgressLen, '\0');
            p[FlyLayout::MagProgress::Index] = char(e.index);
            p[FlyLayout::MagProgress::Status] = char(e.status);
            p[FlyLayout::MagProgress::Percent] = char(e.percent);
            send(FlyMsg::MagCaliProgress, p);
        }
    }

    void onLogList(quint16 id)
    {
        if (m_logs.isEmpty()) {
            send(FlyMsg::LogEntry, FlyLogInfo::make(0, 0, 0, 0, 0).toPayload());
            return;
        }
        const SimLog *log = nullptr;
        for (const SimLog &l : m_logs) {
            if (id == 0 || l.id == id) {
                log = &l;
                break;
            }
        }
        if (log)
            send(FlyMsg::LogEntry, FlyLogInfo::make(log->id, log->time, log->size + m_logOverstated,
                                                    quint16(m_logs.size()), m_logs.last().id)
                                       .toPayload());
    }

    void onLogData(const FlyLogRequest &req)
    {
        for (const SimLog &l : m_logs) {
            if (l.id != req.id())
                continue;
            if (req.offset() > l.size)
                return;
            const int n = int(std::min({quint32(req.count()), l.size - req.offset(), 240u}));
            send(FlyMsg::LogData, FlyLogData::make(l.id, req.offset(), logBytes(l.id, req.offset(), n)).toPayload());
            return;
        }
    }

    // Navigation state and sensors at the telemetry rate.
    void stream()
    {
        if (m_endpoint->pendingBytes() > 65536 || m_mavlinkMode)
            return;
        sendNav();
        sendSensors();
    }

    void tick()
    {
        ++m_ticks;
        syncMavlinkOutput();
        // A terminal nobody reads fills up: skip the stream until it drains.
        if (m_endpoint->pendingBytes() > 65536)
            return;
        if (m_mavlinkMode)
            return;
        if (m_ticks % 5 == 0) // 10 Hz
            m_cali.advanceHeater(0.1, m_params.value(findParam(QStringLiteral("BRD_HEAT_TARG"))).value);
        if (m_ticks % 25 == 0) { // 2 Hz
            if (m_cali.accState() != 0)
                send(FlyMsg::AccCaliState, QByteArray(1, char(m_cali.accState())));
            sendMagProgress(m_cali.magProgress(m_clock.elapsed()));
        }
        if (m_ticks % 50 == 0) { // 1 Hz
            sendHeartbeat();
            sendSysStatus();
            if (m_ticks % 250 == 0)
                sendHome();
        }
    }

    SimEndpoint *m_endpoint;
    double m_drop;
    double m_corrupt;
    std::mt19937 m_rng;
    qint64 m_silentAfterMs;
    quint32 m_boardType;
    // The unique id it reports: the words at offsets 0, 4 and 8 (the panel shows them as 24 hex digits).
    quint32 m_uid[3] = {0x0035002Bu, 0x31385107u, 0x35383733u};
    InsTelemetry m_telemetry;
    QTimer m_streamTimer;
    FlyParser m_parser;
    TransportCommand::Parser m_transport;
    QTimer m_timer;
    QElapsedTimer m_clock;
    quint64 m_ticks = 0;
    quint8 m_seq = 0;
    quint8 m_sysId = 1;
    bool m_mavlinkMode = false;
    qint64 m_rebootUntil = 0;
    InsCalibration m_cali;
    double m_yawOffset = 0;
    // Month 2501 (January 2025), sequence 1: shown as "202501-0001".
    InsOtpSerialNumber m_serialNumber{(2501u << 16) | 1};
    QVector<InsStoredLog> m_storedLogs = InsLogSet::defaults();
    quint32 m_logOverstated = 0;
    qint32 m_homeLat = 301234567;
    qint32 m_homeLon = 1201234567;
    QVector<SimParam> m_params;
    QVector<SimLog> m_logs;
    InsMavlinkOutput m_mavlinkOutput{m_endpoint};
};

// "0035002B3138510735383733": the three words in the panel's order, 8 hex digits each.
bool parseUid(const QString &text, quint32 words[3])
{
    if (text.size() != 24)
        return false;
    for (const QChar c : text) {
        if (!isxdigit(c.toLatin1()))
            return false;
    }
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        words[i] = text.mid(i * 8, 8).toUInt(&ok, 16);
        if (!ok)
            return false;
    }
    return true;
}

int runIns(const QStringList &argsIn)
{
    QStringList args = argsIn;
    SimEndpoint endpoint;
    if (!endpoint.parseOptions(args)) {
        std::fprintf(stderr, "zorvan-sim ins: %s\n", qPrintable(endpoint.error()));
        return 2;
    }
    QString drop = QStringLiteral("0"), corrupt = QStringLiteral("0"), silent = QStringLiteral("0");
    QString seed = QString::number(QDateTime::currentMSecsSinceEpoch() & 0x7FFFFFFF);
    QString board = QStringLiteral("10031");
    QString overstated = QStringLiteral("0");
    QString logSpec;
    QString uid;
    QString error;
    const bool startMavlink = args.removeAll(QStringLiteral("--mavlink")) > 0;
    if (!takeOptionValue(args, QStringLiteral("--drop"), drop, error) ||
        !takeOptionValue(args, QStringLiteral("--corrupt"), corrupt, error) ||
        !takeOptionValue(args, QStringLiteral("--seed"), seed, error) ||
        !takeOptionValue(args, QStringLiteral("--silent-after"), silent, error) ||
        !takeOptionValue(args, QStringLiteral("--board-type"), board, error) ||
        !takeOptionValue(args, QStringLiteral("--logs"), logSpec, error) ||
        !takeOptionValue(args, QStringLiteral("--uid"), uid, error) ||
        !takeOptionValue(args, QStringLiteral("--log-overstated"), overstated, error)) {
        std::fprintf(stderr, "zorvan-sim ins: %s\n", qPrintable(error));
        return 2;
    }
    QVector<InsStoredLog> logs = InsLogSet::defaults();
    if (!logSpec.isNull() && !InsLogSet::parse(logSpec, &logs, &error)) {
        std::fprintf(stderr, "zorvan-sim ins: %s\n", qPrintable(error));
        return 2;
    }
    InsTelemetry::Options telemetry;
    if (!InsTelemetry::parseOptions(args, telemetry, error)) {
        std::fprintf(stderr, "zorvan-sim ins: %s\n", qPrintable(error));
        return 2;
    }
    InsCalibration calibration;
    if (!calibration.parseOptions(args, error)) {
        std::fprintf(stderr, "zorvan-sim ins: %s\n", qPrintable(error));
        return 2;
    }
    if (!args.isEmpty()) {
        std::fprintf(stderr, "zorvan-sim ins: unknown option %s\n", qPrintable(args.first()));
        return 2;
    }
    bool ok[6];
    const double dropP = drop.toDouble(&ok[0]) / 100; // a percentage, as fmu --drop takes it
    const double corruptP = corrupt.toDouble(&ok[1]);
    const quint32 seedValue = seed.toUInt(&ok[2]);
    const double silentS = silent.toDouble(&ok[3]);
    const quint32 boardType = board.toUInt(&ok[4]);
    const quint32 overstatedBytes = overstated.toUInt(&ok[5]);
    if (!ok[0] || !ok[1] || !ok[2] || !ok[3] || !ok[4] || !ok[5] || dropP < 0 || dropP > 1 || corruptP < 0 ||
        corruptP > 1) {
        std::fprintf(stderr, "zorvan-sim ins: bad number in the options\n");
        return 2;
    }
    quint32 uidWords[3] = {0, 0, 0};
    if (!uid.isNull() && !parseUid(uid, uidWords)) {
        std::fprintf(stderr, "zorvan-sim ins: --uid needs 24 hex digits (three words as the panel shows them)\n");
        return 2;
    }
    if (!endpoint.open()) {
        std::fprintf(stderr, "zorvan-sim ins: %s\n", qPrintable(endpoint.error()));
        return 1;
    }
    endpoint.announce();
    InsUnit unit(&endpoint, dropP, corruptP, seedValue, silentS, boardType, telemetry);
    unit.calibration() = calibration;
    unit.setStoredLogs(logs);
    unit.setLogOverstatement(overstatedBytes);
    if (!uid.isNull())
        unit.setUid(uidWords);
    if (startMavlink)
        unit.startInMavlink();
    return QCoreApplication::exec();
}

CommandTable::Registrar
    reg(simModes(), "ins",
        "ins [--pty | --device PATH | --udp [IP:]PORT [--target IP:PORT]] [--drop PERCENT] [--corrupt P]\n"
        "    [--seed N] [--silent-after S] [--board-type N] [--mavlink]   simulated inertial unit (FlyLink;\n"
        "    MAVLink output after transport frame 6, or from the start with --mavlink)\n"
        "    [--rate HZ] [--sensor-absent|--sensor-disabled|--sensor-unhealthy LIST] [--attitude R,P] [--gnss-fix N]\n"
        "    [--compasses 1..3] [--cali-fail acc|mag1|mag2|mag3[,...]]   calibration knobs\n"
        "    [--logs ID:SIZE,...]   its logs; the serial number is one-time programmable: a second write is refused\n"
        "    [--log-overstated BYTES]   the log list states each log BYTES longer than the data it holds\n"
        "    [--uid HEX24]   the unique id it reports, as the panel shows it (default 0035002B3138510735383733)",
        &runIns);
} // namespace
