#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// The live stream of the simulated inertial unit: navigation state with a sweeping attitude, GNSS
// whose fix type and satellite count change over time, and the system status with sensor masks that
// the options can change. Pure payload builders; the unit sends them at rateHz.
//
// Options (taken out of the argument list):
//   --rate HZ                  navigation and sensor messages per second (default 50, 1..500)
//   --sensor-absent LIST       sensors reported as not present (comma-separated names)
//   --sensor-disabled LIST     present but not enabled
//   --sensor-unhealthy LIST    enabled but not healthy
//   --attitude ROLL,PITCH      hold roll and pitch (degrees) instead of sweeping them
//   --gnss-fix N               hold the GNSS fix type (0..8) instead of cycling it
// Sensor names: gyro, acc, compass, baro, airspeed, gnss, attitude. Airspeed is absent by default.
class InsTelemetry
{
public:
    struct Options
    {
        int rateHz = 50;
        quint32 absent = 0;
        quint32 disabled = 0;
        quint32 unhealthy = 0;
        std::optional<double> rollDeg;
        std::optional<double> pitchDeg;
        std::optional<int> gnssFix;
    };

    // Sensor bits of the system status masks.
    static constexpr quint32 Gyro = 0x1, Acc = 0x2, Compass = 0x4, Baro = 0x8, Airspeed = 0x10, Gnss = 0x20,
                             Attitude = 0x200000;
    static constexpr quint32 DefaultPresent = Gyro | Acc | Compass | Baro | Gnss | Attitude;

    // Removes the options above from args into options; false with error set on a bad value.
    static bool parseOptions(QStringList &args, Options &options, QString &error);
    // The usage lines of the options.
    static const char *usage();

    explicit InsTelemetry(const Options &options) : m_options(options) {}

    int intervalMs() const { return qMax(1, 1000 / m_options.rateHz); }

    // Payloads at t seconds since start.
    QByteArray navigation(double t, double yawDeg, qint32 homeLat, qint32 homeLon) const;
    QByteArray gnss(double t) const;
    // magCalibrating marks the compass unhealthy while a calibration runs.
    QByteArray sysStatus(bool magCalibrating) const;

    // Fix type and satellites at t seconds (the cycle: 3D fix, DGPS, RTK float, RTK fixed, 2D, none).
    quint8 fixType(double t) const;
    quint8 satellites(double t) const;
    double rollDeg(double t) const;
    double pitchDeg(double t) const;

private:
    Options m_options;
};
