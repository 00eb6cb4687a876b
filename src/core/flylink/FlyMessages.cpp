#include "core/flylink/FlyMessages.h"

#include <QCoreApplication>

#include <cstring>

namespace {
template <typename T> T fromBytes(const QByteArray &payload)
{
    T out;
    std::memcpy(out.raw, payload.constData(), qMin<size_t>(sizeof out.raw, size_t(payload.size())));
    return out;
}

QByteArray bytesOf(const uchar *p, int n)
{
    return QByteArray(reinterpret_cast<const char *>(p), n);
}
} // namespace

namespace FlyMsg {
QString textOf(const QByteArray &payload)
{
    const QByteArray body = payload.mid(1, TextLen - 1);
    const int zero = body.indexOf('\0');
    return QString::fromLatin1(zero < 0 ? body : body.left(zero));
}

QByteArray textPayload(const QString &text)
{
    QByteArray out(TextLen, '\0');
    const QByteArray latin = text.toLatin1().left(TextLen - 1);
    std::memcpy(out.data() + 1, latin.constData(), size_t(latin.size()));
    return out;
}

QByteArray nameField(const QString &name)
{
    QByteArray out(ParamNameLen, '\0');
    const QByteArray ascii = name.toLatin1().left(ParamNameLen);
    std::memcpy(out.data(), ascii.constData(), size_t(ascii.size()));
    return out;
}

QString nameFromField(const uchar *field)
{
    int n = 0;
    while (n < ParamNameLen && field[n] != 0)
        ++n;
    return QString::fromLatin1(reinterpret_cast<const char *>(field), n);
}

QByteArray paramReadByName(const QString &name)
{
    uchar raw[ParamReadLen] = {};
    FlyLe::put<qint16>(raw, -1);
    std::memcpy(raw + 2, nameField(name).constData(), ParamNameLen);
    return bytesOf(raw, ParamReadLen);
}

QByteArray paramReadByIndex(qint16 index)
{
    uchar raw[ParamReadLen] = {};
    FlyLe::put<qint16>(raw, index);
    return bytesOf(raw, ParamReadLen);
}

QByteArray paramValue(qint16 index, qint16 count, const QString &name, float value)
{
    uchar raw[ParamValueLen] = {};
    FlyLe::put<qint16>(raw, index);
    FlyLe::put<qint16>(raw + 2, count);
    std::memcpy(raw + 4, nameField(name).constData(), ParamNameLen);
    FlyLe::put<float>(raw + 22, value);
    return bytesOf(raw, ParamValueLen);
}

QByteArray paramSet(const QString &name, float value)
{
    return paramValue(-1, 0, name, value);
}

QByteArray logListRequest(quint16 id)
{
    uchar raw[LogListRequestLen];
    FlyLe::put<quint16>(raw, id);
    return bytesOf(raw, LogListRequestLen);
}

QByteArray logDataRequest(quint32 offset, quint8 count, quint16 id)
{
    uchar raw[LogDataRequestLen];
    FlyLe::put<quint32>(raw, offset);
    raw[4] = count;
    FlyLe::put<quint16>(raw + 5, id);
    return bytesOf(raw, LogDataRequestLen);
}
} // namespace FlyMsg

FlyParamValue FlyParamValue::fromPayload(const QByteArray &payload)
{
    return fromBytes<FlyParamValue>(payload);
}

FlyParamRead FlyParamRead::fromPayload(const QByteArray &payload)
{
    return fromBytes<FlyParamRead>(payload);
}

FlyLogInfo FlyLogInfo::fromPayload(const QByteArray &payload)
{
    return fromBytes<FlyLogInfo>(payload);
}

FlyLogInfo FlyLogInfo::make(quint16 id, quint32 timeUtc, quint32 size, quint16 numLogs, quint16 lastLogId)
{
    FlyLogInfo out;
    FlyLe::put<quint16>(out.raw + 0, id);
    FlyLe::put<quint32>(out.raw + 2, timeUtc);
    FlyLe::put<quint32>(out.raw + 6, size);
    FlyLe::put<quint16>(out.raw + 10, numLogs);
    FlyLe::put<quint16>(out.raw + 12, lastLogId);
    return out;
}

FlyLogData FlyLogData::fromPayload(const QByteArray &payload)
{
    return fromBytes<FlyLogData>(payload);
}

FlyLogData FlyLogData::make(quint16 id, quint32 offset, const QByteArray &data)
{
    FlyLogData out;
    const int n = qMin(data.size(), FlyMsg::LogBlockBytes);
    FlyLe::put<quint16>(out.raw + 0, id);
    FlyLe::put<quint32>(out.raw + 2, offset);
    out.raw[6] = quint8(n);
    std::memcpy(out.raw + 7, data.constData(), size_t(n));
    return out;
}

FlyLogRequest FlyLogRequest::fromPayload(const QByteArray &payload)
{
    return fromBytes<FlyLogRequest>(payload);
}

namespace FlyCmd {
QByteArray payload(quint8 number, quint8 a1, quint8 a2, quint8 a3, quint8 a4, quint8 a5)
{
    const char raw[FlyMsg::CommandLen] = {char(number), char(a1), char(a2), char(a3), char(a4), char(a5)};
    return QByteArray(raw, FlyMsg::CommandLen);
}

QByteArray requestMessage(quint8 id)
{
    return payload(RequestMessage, id);
}

QByteArray calibrate(Calibration what, Action action)
{
    return payload(Calibrate, what, action);
}

QByteArray magSimple(quint16 headingDeg)
{
    return payload(Calibrate, MagSimple, 0, quint8(headingDeg & 0xFF), quint8(headingDeg >> 8));
}

QByteArray serialNumber(quint32 sn)
{
    return payload(WriteSerialNumber, quint8(sn), quint8(sn >> 8), quint8(sn >> 16), quint8(sn >> 24));
}

QByteArray ackPayload(quint8 number, quint8 result)
{
    const char raw[2] = {char(number), char(result)};
    return QByteArray(raw, 2);
}

QString commandName(quint8 n)
{
    switch (n) {
    case 1:
        return QStringLiteral("设置模式");
    case 2:
        return QStringLiteral("电机");
    case 3:
        return QStringLiteral("起飞");
    case 4:
        return QStringLiteral("获取家位置");
    case 5:
        return QStringLiteral("获取原点位置");
    case 6:
        return QStringLiteral("修改高度");
    case 7:
        return QStringLiteral("Course correction");
    case 8:
        return QStringLiteral("factory data reset");
    case 9:
        return QStringLiteral("Restart");
    case 10:
        return QStringLiteral("电机测试/电调校准");
    case 11:
        return QStringLiteral("开启任务");
    case 12:
        return QStringLiteral("切换任务点");
    case 13:
        return QStringLiteral("calibrate");
    case 14:
        return QStringLiteral("Request message");
    case 15:
        return QStringLiteral("Write factory data");
    case 16:
        return QStringLiteral("Write SN");
    case 17:
        return QStringLiteral("读取返航点");
    case 18:
        return QStringLiteral("执行降落");
    case 19:
        return QStringLiteral("执行复飞");
    default:
        return QStringLiteral("order") + QString::number(n);
    }
}

QString commandResultText(quint8 r)
{
    static const char *const texts[] = {
        QT_TRANSLATE_NOOP("FlyLink", " cmd accepted"), QT_TRANSLATE_NOOP("FlyLink", " cmd Provisionally refused"),
        QT_TRANSLATE_NOOP("FlyLink", " cmd refused"),  QT_TRANSLATE_NOOP("FlyLink", " cmd is invalid"),
        QT_TRANSLATE_NOOP("FlyLink", " cmd failed"),   QT_TRANSLATE_NOOP("FlyLink", " cmd is In execution"),
    };
    if (r <= 5)
        return QCoreApplication::translate("FlyLink", texts[r]);
    return QCoreApplication::translate("FlyLink", " Unknown result") + QString::number(r);
}

QString ackText(quint16 v)
{
    return commandName(quint8(v & 0xFF)) + commandResultText(quint8(v >> 8));
}
} // namespace FlyCmd
