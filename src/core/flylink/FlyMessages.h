#pragma once

#include "core/flylink/FlyLe.h"

#include <QByteArray>
#include <QMetaType>
#include <QString>

// Message ids, lengths and payload layouts of FlyLink. Every offset lives here (or in
// TelemetryRecord.h for the telemetry parts); callers use the named accessors.
namespace FlyMsg {
enum Id : quint8 {
    Heartbeat = 1,
    NavState = 2,
    Gnss = 3,
    Imu = 4,
    Compass = 5,
    Baro = 6,
    Block7 = 7,
    Home = 8,
    Origin = 9,
    Block10 = 10,
    Block11 = 11,
    BoardInfo = 12,
    Block13 = 13,
    SysStatus = 14,
    Block15 = 15,
    Discard31 = 31,
    Text = 32,
    AccCaliState = 33,
    MagCaliProgress = 34,
    ParamRead = 35,
    ParamValue = 36, // also the set request to the unit
    LogListRequest = 37,
    LogDataRequest = 38,
    LogEntry = 39,
    LogData = 40,
    LogErase = 41,
    Command = 42,
    CommandAck = 43,
    RouteCount = 44,
    RouteItem = 45,
    RouteRequest = 46,
    RouteAck = 49,
    ParamGroupSerial = 50,
    Status51 = 51,
    ParamGroupFirst = 80,
    ParamGroupLast = 91,
};

// Payload lengths of the fixed-size messages.
enum Length : int {
    HeartbeatLen = 2,
    NavStateLen = 74,
    GnssLen = 21,
    ImuLen = 32,
    CompassLen = 13,
    BaroLen = 8,
    Block7Len = 64,
    HomeLen = 12,
    OriginLen = 12,
    Block10Len = 8,
    Block11Len = 8,
    BoardInfoLen = 34,
    Block13Len = 4,
    SysStatusLen = 63,
    Block15Len = 58,
    TextLen = 53,
    AccCaliStateLen = 1,
    MagCaliProgressLen = 8,
    ParamReadLen = 19,
    ParamValueLen = 26,
    LogListRequestLen = 2,
    LogDataRequestLen = 7,
    LogEntryLen = 14,
    LogDataLen = 247,
    CommandLen = 6,
    CommandAckLen = 2,
    Status51Len = 16,
    ParamGroupSerialLen = 41,
};

constexpr int ParamNameLen = 16;
constexpr int LogBlockBytes = 240;

// The text of a unit message (32): bytes 1..52 up to the first zero byte, Latin-1.
QString textOf(const QByteArray &payload);
// A message-32 payload carrying text (cut to 52 characters).
QByteArray textPayload(const QString &text);

// A parameter name field of 16 bytes: ASCII, zero padded, no terminator at 16 characters.
QByteArray nameField(const QString &name);
// The name of a 16-byte field up to its first zero byte.
QString nameFromField(const uchar *field);

// Message 35: int16 index; char name[16]; uint8 0. A read by name sends index -1.
QByteArray paramReadByName(const QString &name);
QByteArray paramReadByIndex(qint16 index);
// Message 36 as a set: index -1, count 0, the name, two zero bytes, the value.
QByteArray paramSet(const QString &name, float value);
// Message 36 as the unit's value answer.
QByteArray paramValue(qint16 index, qint16 count, const QString &name, float value);

// Message 37, 38 and 41 payloads.
QByteArray logListRequest(quint16 id);
QByteArray logDataRequest(quint32 offset, quint8 count, quint16 id);
} // namespace FlyMsg

#pragma pack(push, 1)
// Message 36 (26 bytes): the parameter value record carried by DMMM_GCSEvent_Param_value.
struct FlyParamValue
{
    uchar raw[FlyMsg::ParamValueLen] = {};

    static FlyParamValue fromPayload(const QByteArray &payload);
    qint16 index() const { return FlyLe::get<qint16>(raw + 0); }
    qint16 count() const { return FlyLe::get<qint16>(raw + 2); }
    QString name() const { return FlyMsg::nameFromField(raw + 4); }
    float value() const { return FlyLe::get<float>(raw + 22); }
};

// Message 35 read request (19 bytes), as the unit sees it.
struct FlyParamRead
{
    uchar raw[FlyMsg::ParamReadLen] = {};

    static FlyParamRead fromPayload(const QByteArray &payload);
    qint16 index() const { return FlyLe::get<qint16>(raw + 0); }
    QString name() const { return FlyMsg::nameFromField(raw + 2); }
};

// Message 39 (14 bytes): one log list entry, carried by DMMM_GCSEvent_Log_entry.
struct FlyLogInfo
{
    uchar raw[FlyMsg::LogEntryLen] = {};

    static FlyLogInfo fromPayload(const QByteArray &payload);
    static FlyLogInfo make(quint16 id, quint32 timeUtc, quint32 size, quint16 numLogs, quint16 lastLogId);
    QByteArray toPayload() const { return QByteArray(reinterpret_cast<const char *>(raw), sizeof raw); }
    quint16 id() const { return FlyLe::get<quint16>(raw + 0); }
    quint32 timeUtc() const { return FlyLe::get<quint32>(raw + 2); }
    quint32 size() const { return FlyLe::get<quint32>(raw + 6); }
    quint16 numLogs() const { return FlyLe::get<quint16>(raw + 10); }
    quint16 lastLogId() const { return FlyLe::get<quint16>(raw + 12); }
};

// Message 40 (247 bytes): one log data block, carried by DMMM_GCSEvent_Log_data.
struct FlyLogData
{
    uchar raw[FlyMsg::LogDataLen] = {};

    static FlyLogData fromPayload(const QByteArray &payload);
    static FlyLogData make(quint16 id, quint32 offset, const QByteArray &data);
    QByteArray toPayload() const { return QByteArray(reinterpret_cast<const char *>(raw), sizeof raw); }
    quint16 id() const { return FlyLe::get<quint16>(raw + 0); }
    quint32 offset() const { return FlyLe::get<quint32>(raw + 2); }
    quint8 count() const { return raw[6]; }
    const uchar *data() const { return raw + 7; }
};

// Message 38 (7 bytes), as the unit sees it.
struct FlyLogRequest
{
    uchar raw[FlyMsg::LogDataRequestLen] = {};

    static FlyLogRequest fromPayload(const QByteArray &payload);
    quint32 offset() const { return FlyLe::get<quint32>(raw + 0); }
    quint8 count() const { return raw[4]; }
    quint16 id() const { return FlyLe::get<quint16>(raw + 5); }
};
#pragma pack(pop)

static_assert(sizeof(FlyParamValue) == 26, "parameter value is 26 bytes");
static_assert(sizeof(FlyLogInfo) == 14, "log entry is 14 bytes");
static_assert(sizeof(FlyLogData) == 247, "log data block is 247 bytes");

Q_DECLARE_METATYPE(FlyParamValue)
Q_DECLARE_METATYPE(FlyLogInfo)
Q_DECLARE_METATYPE(FlyLogData)

// Command frames (message 42, 6 bytes: number and five argument bytes) and acknowledgements (43).
namespace FlyCmd {
enum Number : quint8 {
    SetMode = 1,
    FactoryReset = 8,
    Reboot = 9,
    Calibrate = 13,
    RequestMessage = 14,
    WriteFactoryData = 15,
    WriteSerialNumber = 16,
};

// Byte 1 of a calibrate command: the procedure.
enum Calibration : quint8 {
    Acc3D = 0,
    AccLevel = 1,
    AccBasic = 2,
    Baro = 3,
    GyroZero = 4,
    Airspeed = 5,
    Mag = 6,
    MagInflight = 7,
    MagSimple = 8,
};

// Byte 2 of a calibrate command: the action.
enum Action : quint8 { Start = 0, Stop = 1, NextFace = 2 };

QByteArray payload(quint8 number, quint8 a1 = 0, quint8 a2 = 0, quint8 a3 = 0, quint8 a4 = 0, quint8 a5 = 0);
QByteArray requestMessage(quint8 id);
QByteArray calibrate(Calibration what, Action action = Start);
QByteArray magSimple(quint16 headingDeg);
QByteArray serialNumber(quint32 sn);

// The acknowledgement word: low byte command number, high byte result.
QByteArray ackPayload(quint8 number, quint8 result);

// Name of a command number, as shown in acknowledgement texts.
QString commandName(quint8 n);
// Text of a command result (translated, context FlyLink), with its leading blank.
QString commandResultText(quint8 r);
// commandName(v & 0xFF) + commandResultText(v >> 8).
QString ackText(quint16 v);
} // namespace FlyCmd
