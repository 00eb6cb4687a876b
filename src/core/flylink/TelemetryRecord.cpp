#include "core/flylink/TelemetryRecord.h"

#include "core/flylink/FlySerialNumber.h"

#include <cstring>

void TelemetryRecord::clear()
{
    std::memset(bytes, 0, sizeof bytes);
}

void TelemetryRecord::write(int offset, const QByteArray &payload)
{
    const int n = qMin(payload.size(), Size - offset);
    if (offset >= 0 && n > 0)
        std::memcpy(bytes + offset, payload.constData(), size_t(n));
}

namespace FlyText {
QString gpsFixText(quint8 v)
{
    static const char *const names[] = {"NO_GPS",    "NO_FIX",    "2D_FIX", "3D_FIX", "DGPS",
                                        "RTK-Float", "RTK-Fixed", "Static", "PPP"};
    if (v <= 8)
        return QString::fromLatin1(names[v]);
    return QStringLiteral("PosType:") + QString::number(v);
}

QString vehicleTypeSuffix(quint8 v)
{
    switch (v) {
    case 1:
        return QStringLiteral("-Copter");
    case 2:
        return QStringLiteral("-Plane");
    case 3:
        return QStringLiteral("-ORVE");
    default:
        return QString();
    }
}

quint8 motorCountForLayout(quint8 i)
{
    if (i <= 13)
        return 4;
    if (i <= 18)
        return 6;
    if (i <= 30)
        return 8;
    if (i <= 32)
        return 12;
    if (i <= 35)
        return 6;
    if (i <= 37)
        return 12;
    if (i <= 42)
        return 4;
    if (i <= 46)
        return 6;
    if (i <= 55)
        return 8;
    if (i <= 59)
        return 6;
    if (i <= 64)
        return 12;
    return 0;
}

QString boardTypeName(quint32 boardType)
{
    switch (boardType) {
    case 50:
        return QStringLiteral("Zorvan-FMU");
    case 1009:
        return QStringLiteral("ORVE-M1");
    case 1010:
        return QStringLiteral("ORVE-M2");
    case 10001:
        return QStringLiteral("ORVE-100");
    case 10002:
        return QStringLiteral("ORVE-100P");
    case 10003:
        return QStringLiteral("ORVE-200");
    case 10004:
        return QStringLiteral("ORVE-200P");
    case 10005:
        return QStringLiteral("ORVE-300");
    case 10006:
        return QStringLiteral("ORVE-300P");
    case 10007:
        return QStringLiteral("ORVE-500");
    case 10008:
        return QStringLiteral("ORVE-500P");
    case 10009:
        return QStringLiteral("ORVE-700");
    case 10010:
        return QStringLiteral("ORVE-900");
    case 10031:
        return QStringLiteral("ORVE-Nano");
    case 10032:
        return QStringLiteral("ORVE-Nano2");
    default:
        return QString::number(boardType);
    }
}

QString firmwareText(quint32 v)
{
    return QStringLiteral("%1.%2.%3.%4").arg(v >> 24).arg((v >> 16) & 0xFF).arg((v >> 8) & 0xFF).arg(v & 0xFF);
}

QString protocolText(quint16 w)
{
    return QStringLiteral("%1.%2.%3").arg((w >> 12) & 0xF).arg((w >> 8) & 0xF).arg((w >> 4) & 0xF) +
           vehicleTypeSuffix(w & 0xF);
}

QString serialNumberText(quint32 sn)
{
    return FlySerialNumber::fromValue(sn).text();
}

QString uuidText(const FlyBoardInfoView &board)
{
    QString out;
    for (int i = 0; i < 3; ++i)
        out += QStringLiteral("%1").arg(board.uid(i), 8, 16, QLatin1Char('0')).toUpper();
    return out;
}

const char *accCaliStateSource(quint8 state)
{
    static const char *const texts[] = {
        QT_TRANSLATE_NOOP("G_CFG_AccCali", "Wait to start"),
        QT_TRANSLATE_NOOP("G_CFG_AccCali", "Horizontal placement"),
        QT_TRANSLATE_NOOP("G_CFG_AccCali", "Place left side down"),
        QT_TRANSLATE_NOOP("G_CFG_AccCali", "Place right side down"),
        QT_TRANSLATE_NOOP("G_CFG_AccCali", "Position nose down"),
        QT_TRANSLATE_NOOP("G_CFG_AccCali", "Position nose up"),
        QT_TRANSLATE_NOOP("G_CFG_AccCali", "Place back side up"),
        QT_TRANSLATE_NOOP("G_CFG_AccCali", "Accelerometer calibration successful"),
        QT_TRANSLATE_NOOP("G_CFG_AccCali", "Accelerometer calibration failed"),
    };
    return state <= 8 ? texts[state] : QT_TRANSLATE_NOOP("G_CFG_AccCali", "Unknown state");
}

const char *magCaliStatusSource(quint8 status)
{
    static const char *const texts[] = {
        QT_TRANSLATE_NOOP("G_CFG_MagCali", "NotStarted"),
        QT_TRANSLATE_NOOP("G_CFG_MagCali", "Wait to start"),
        QT_TRANSLATE_NOOP("G_CFG_MagCali", "calibration"),
        QT_TRANSLATE_NOOP("G_CFG_MagCali", "calibration..."),
        QT_TRANSLATE_NOOP("G_CFG_MagCali", "Calibration success"),
        QT_TRANSLATE_NOOP("G_CFG_MagCali", "Calibration failure"),
        QT_TRANSLATE_NOOP("G_CFG_MagCali", "Wrong direction"),
        QT_TRANSLATE_NOOP("G_CFG_MagCali", "Radius error"),
    };
    return status <= 7 ? texts[status] : texts[0];
}
} // namespace FlyText
