#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

// The calibrations of the simulated inertial unit, apart from its streams and framing:
// - the six-placement accelerometer calibration: start asks for placement 1, each next-face command
//   takes the placement and asks for the next, the sixth ends in 7 (success) or 8 (failure, when asked
//   to fail); stop returns to 0;
// - the standard compass calibration of 1..3 compasses, each rising at its own pace to success, or a
//   chosen compass failing part way;
// - IMU temperatures under a heater that drives them towards BRD_HEAT_TARG and settles, and the
//   temperature-calibration parameters the unit keeps.
class InsCalibration
{
public:
    struct MagEntry
    {
        quint8 index;
        quint8 status; // 2 started, 3 running, 4 success, 5 failure, 0 stopped
        quint8 percent;
    };

    static constexpr int MaxCompasses = 3;
    static constexpr int ImuCount = 3;
    // The standard compass calibration of compass i takes MagBaseMs + i × MagStepMs to complete.
    static constexpr qint64 MagBaseMs = 5000;
    static constexpr qint64 MagStepMs = 500;
    // A failing compass gives up at this completion.
    static constexpr int MagFailPercent = 60;
    static constexpr double AmbientC = 25.0;
    // Time constant of the heated IMUs, seconds.
    static constexpr double HeaterTauS = 60.0;

    // Takes "--compasses N" (1..3) and "--cali-fail WHAT[,WHAT]" (acc, mag1..mag3) from args.
    bool parseOptions(QStringList &args, QString &error);

    int compassCount() const { return m_compasses; }
    bool accFails() const { return m_accFails; }
    int failingCompass() const { return m_failingCompass; }

    // Accelerometer: the command's result (0 accepted, 2 refused) and the state to report afterwards.
    quint8 accCommand(quint8 action);
    quint8 accState() const { return m_accState; }

    // Compass: start or stop at nowMs; progress entries to report at nowMs (empty while idle).
    void magStart(qint64 nowMs);
    QList<MagEntry> magStop();
    QList<MagEntry> magProgress(qint64 nowMs);
    bool magActive() const { return m_magActive; }

    // Both calibrations back to idle (the unit rebooted).
    void reset();

    // Moves the heated IMU temperatures dtS seconds on towards targetC.
    void advanceHeater(double dtS, double targetC);
    // Temperature of IMU i in hundredths of a degree Celsius.
    qint16 imuTemperatureCenti(int i) const;

    // The temperature-calibration parameters with their defaults.
    static QList<std::pair<QString, float>> parameterDefaults();

private:
    int m_compasses = 2;
    bool m_accFails = false;
    int m_failingCompass = -1;
    quint8 m_accState = 0;
    bool m_magActive = false;
    qint64 m_magStartMs = 0;
    double m_imuC[ImuCount] = {AmbientC, AmbientC, AmbientC};
    double m_heaterS = 0;
};
