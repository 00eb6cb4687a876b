#include "sim/InsTelemetry.h"

#include "sim/SimModes.h"

#include "core/flylink/FlyLe.h"
#include "core/flylink/FlyMessages.h"
#include "core/flylink/TelemetryRecord.h"

#include <cmath>

namespace {
template <typename T> void put(QByteArray &p, int offset, T v)
{
    FlyLe::put<T>(reinterpret_cast<uchar *>(p.data()) + offset, v);
}

bool sensorMask(const QString &list, quint32 &mask, QString &error)
{
    static const struct
    {
        const char *name;
        quint32 bit;
    } names[] = {{"gyro", InsTelemetry::Gyro},         {"acc", InsTelemetry::Acc},
                 {"compass", InsTelemetry::Compass},   {"baro", InsTelemetry::Baro},
                 {"airspeed", InsTelemetry::Airspeed}, {"gnss", InsTelemetry::Gnss},
                 {"attitude", InsTelemetry::Attitude}};
    for (const QString &item : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool known = false;
        for (const auto &n : names) {
            if (item.trimmed() == QLatin1String(n.name)) {
                mask |= n.bit;
                known = true;
            }
        }
        if (!known) {
            error = QStringLiteral("unknown sensor ") + item +
                    QStringLiteral(" (gyro, acc, compass, baro, airspeed, gnss, attitude)");
            return false;
        }
    }
    return true;
}
} // namespace

const char *InsTelemetry::usage()
{
    return "    [--rate HZ] [--sensor-absent LIST] [--sensor-disabled LIST] [--sensor-unhealthy LIST]\n"
           "    [--attitude ROLL,PITCH] [--gnss-fix N]";
}

bool InsTelemetry::parseOptions(QStringList &args, Options &options, QString &error)
{
    QString value;
    bool found = false;
    if (!takeOptionValue(args, QStringLiteral("--rate"), value, error, &found))
        return false;
    if (found) {
        bool ok = false;
        options.rateHz = value.toInt(&ok);
        if (!ok || options.rateHz < 1 || options.rateHz > 500) {
            error = QStringLiteral("--rate takes 1..500 messages per second");
            return false;
        }
    }
    const struct
    {
        const char *option;
        quint32 *mask;
    } masks[] = {{"--sensor-absent", &options.absent},
                 {"--sensor-disabled", &options.disabled},
                 {"--sensor-unhealthy", &options.unhealthy}};
    for (const auto &m : masks) {
        if (!takeOptionValue(args, QLatin1String(m.option), value, error, &found))
            return false;
        if (found && !sensorMask(value, *m.mask, error))
            return false;
    }
    if (!takeOptionValue(args, QStringLiteral("--attitude"), value, error, &found))
        return false;
    if (found) {
        const QStringList parts = value.split(QLatin1Char(','));
        bool ok[2] = {false, false};
        const double roll = parts.size() == 2 ? parts[0].toDouble(&ok[0]) : 0;
        const double pitch = parts.size() == 2 ? parts[1].toDouble(&ok[1]) : 0;
        if (!ok[0] || !ok[1] || std::fabs(roll) > 180 || std::fabs(pitch) > 90) {
            error = QStringLiteral("--attitude takes ROLL,PITCH in degrees");
            return false;
        }
        options.rollDeg = roll;
        options.pitchDeg = pitch;
    }
    if (!takeOptionValue(args, QStringLiteral("--gnss-fix"), value, error, &found))
        return false;
    if (found) {
        bool ok = false;
        const int fix = value.toInt(&ok);
        if (!ok || fix < 0 || fix > 8) {
            error = QStringLiteral("--gnss-fix takes 0..8");
            return false;
        }
        options.gnssFix = fix;
    }
    return true;
}

double InsTelemetry::rollDeg(double t) const
{
    return m_options.rollDeg ? *m_options.rollDeg : 40.0 * std::sin(t * 2 * M_PI / 20.0);
}

double InsTelemetry::pitchDeg(double t) const
{
    return m_options.pitchDeg ? *m_options.pitchDeg : 15.0 * std::sin(t * 2 * M_PI / 13.0);
}

quint8 InsTelemetry::fixType(double t) const
{
    if (m_options.gnssFix)
        return quint8(*m_options.gnssFix);
    // A 60 s cycle that starts with a 3D fix, improves to RTK and then loses the fix for a moment.
    const double s = std::fmod(t, 60.0);
    if (s < 20)
        return 3;
    if (s < 30)
        return 4;
    if (s < 40)
        return 5;
    if (s < 50)
        return 6;
    if (s < 55)
        return 2;
    return 1;
}

quint8 InsTelemetry::satellites(double t) const
{
    const quint8 fix = fixType(t);
    if (fix <= 1)
        return quint8(3 + int(t) % 2);
    if (fix == 2)
        return 6;
    return quint8(17 + (fix - 3) + int(t / 20) % 3);
}

QByteArray InsTelemetry::navigation(double t, double yawDeg, qint32 homeLat, qint32 homeLon) const
{
    QByteArray p(FlyMsg::NavStateLen, '\0');
    put<qint16>(p, FlyLayout::Nav::Roll, qint16(std::lround(rollDeg(t) * 100)));
    put<qint16>(p, FlyLayout::Nav::Pitch, qint16(std::lround(pitchDeg(t) * 100)));
    put<quint16>(p, FlyLayout::Nav::Yaw, quint16(std::lround(yawDeg * 100) % 36000));
    put<float>(p, FlyLayout::Nav::AccX, float(0.05 * std::sin(t)));
    put<float>(p, FlyLayout::Nav::AccY, float(0.04 * std::cos(t)));
    put<float>(p, FlyLayout::Nav::AccZ, float(-9.80 + 0.02 * std::sin(t * 2)));
    put<float>(p, FlyLayout::Nav::GyroX, float(1.5 * std::cos(t * 0.5)));
    put<float>(p, FlyLayout::Nav::GyroY, float(-0.6 * std::sin(t * 0.3)));
    put<float>(p, FlyLayout::Nav::GyroZ, 6.0f);
    put<qint32>(p, FlyLayout::Nav::Lat, homeLat + qint32(std::lround(300 * std::sin(t * 0.05))));
    put<qint32>(p, FlyLayout::Nav::Lon, homeLon + qint32(std::lround(300 * std::cos(t * 0.05))));
    put<float>(p, FlyLayout::Nav::AltAsl, float(52.3 + 0.5 * std::sin(t * 0.1)));
    put<float>(p, FlyLayout::Nav::PosDown, float(-1.2 - 0.5 * std::sin(t * 0.1)));
    put<float>(p, FlyLayout::Nav::BaroAlt, float(52.1 + 0.4 * std::sin(t * 0.1)));
    return p;
}

QByteArray InsTelemetry::gnss(double t) const
{
    QByteArray p(FlyMsg::GnssLen, '\0');
    const quint8 fix = fixType(t);
    p[FlyLayout::Gnss::FixType] = char(fix);
    p[FlyLayout::Gnss::Satellites] = char(satellites(t));
    put<quint16>(p, FlyLayout::Gnss::Hdop, quint16(fix >= 3 ? 78 : 250));
    put<quint16>(p, FlyLayout::Gnss::Vdop, quint16(fix >= 3 ? 121 : 400));
    put<quint16>(p, FlyLayout::Gnss::SpeedAcc, 35);
    return p;
}

QByteArray InsTelemetry::sysStatus(bool magCalibrating) const
{
    QByteArray p(FlyMsg::SysStatusLen, '\0');
    p[FlyLayout::SysStatus::HardwareFlags] = 1;
    const quint32 present = DefaultPresent & ~m_options.absent;
    const quint32 enabled = present & ~m_options.disabled;
    quint32 healthy = enabled & ~m_options.unhealthy;
    if (magCalibrating)
        healthy &= ~Compass;
    put<quint32>(p, FlyLayout::SysStatus::Present, present);
    put<quint32>(p, FlyLayout::SysStatus::Enabled, enabled);
    put<quint32>(p, FlyLayout::SysStatus::Healthy, healthy);
    return p;
}
