#include "sim/InsCalibration.h"

#include "core/flylink/FlyMessages.h"

#include <QtGlobal>

#include <cmath>

namespace {
// Each IMU sits a little apart from the heater's set point, as real boards do.
constexpr double ImuOffsetC[InsCalibration::ImuCount] = {0.0, 0.8, -0.6};
} // namespace

bool InsCalibration::parseOptions(QStringList &args, QString &error)
{
    int i = args.indexOf(QStringLiteral("--compasses"));
    if (i >= 0) {
        bool ok = false;
        const int n = i + 1 < args.size() ? args[i + 1].toInt(&ok) : 0;
        if (!ok || n < 1 || n > MaxCompasses) {
            error = QStringLiteral("--compasses needs 1, 2 or 3");
            return false;
        }
        m_compasses = n;
        args.removeAt(i + 1);
        args.removeAt(i);
    }
    i = args.indexOf(QStringLiteral("--cali-fail"));
    if (i >= 0) {
        if (i + 1 >= args.size()) {
            error = QStringLiteral("--cali-fail needs acc or mag1..mag3");
            return false;
        }
        for (const QString &what : args[i + 1].split(QLatin1Char(','))) {
            if (what == QLatin1String("acc")) {
                m_accFails = true;
            } else if (what.size() == 4 && what.startsWith(QLatin1String("mag")) && what[3] >= QLatin1Char('1') &&
                       what[3] <= QLatin1Char('3')) {
                m_failingCompass = what[3].digitValue() - 1;
            } else {
                error =
                    QStringLiteral("--cali-fail: unknown calibration ") + what + QStringLiteral(" (acc, mag1..mag3)");
                return false;
            }
        }
        args.removeAt(i + 1);
        args.removeAt(i);
    }
    return true;
}

quint8 InsCalibration::accCommand(quint8 action)
{
    switch (action) {
    case FlyCmd::Start:
        m_accState = 1;
        return 0;
    case FlyCmd::Stop:
        m_accState = 0;
        return 0;
    case FlyCmd::NextFace:
        if (m_accState < 1 || m_accState > 6)
            return 2; // no placement asked for
        if (m_accState < 6)
            ++m_accState;
        else
            m_accState = m_accFails ? 8 : 7;
        return 0;
    default:
        return 2;
    }
}

void InsCalibration::magStart(qint64 nowMs)
{
    m_magActive = true;
    m_magStartMs = nowMs;
}

QList<InsCalibration::MagEntry> InsCalibration::magStop()
{
    m_magActive = false;
    QList<MagEntry> out;
    for (int i = 0; i < m_compasses; ++i)
        out.append(MagEntry{quint8(i), 0, 0});
    return out;
}

QList<InsCalibration::MagEntry> InsCalibration::magProgress(qint64 nowMs)
{
    QList<MagEntry> out;
    if (!m_magActive)
        return out;
    const qint64 elapsed = nowMs - m_magStartMs;
    bool running = false;
    for (int i = 0; i < m_compasses; ++i) {
        const int percent = int(qMin<qint64>(100, elapsed * 100 / (MagBaseMs + i * MagStepMs)));
        MagEntry e{quint8(i), 3, quint8(percent)};
        if (i == m_failingCompass && percent >= MagFailPercent) {
            e.status = 5;
            e.percent = MagFailPercent;
        } else if (percent >= 100) {
            e.status = 4;
        } else {
            e.status = percent < 10 ? 2 : 3;
            running = true;
        }
        out.append(e);
    }
    // The last report carries every compass's end; after it the unit is idle again.
    m_magActive = running;
    return out;
}

void InsCalibration::reset()
{
    m_accState = 0;
    m_magActive = false;
}

void InsCalibration::advanceHeater(double dtS, double targetC)
{
    m_heaterS += dtS;
    const double k = 1.0 - std::exp(-dtS / HeaterTauS);
    for (int i = 0; i < ImuCount; ++i) {
        // A heater only heats: below ambient the IMUs stay at ambient.
        const double goal = qMax(AmbientC, targetC) + ImuOffsetC[i];
        m_imuC[i] += (goal - m_imuC[i]) * k;
    }
}

qint16 InsCalibration::imuTemperatureCenti(int i) const
{
    if (i < 0 || i >= ImuCount)
        return 0;
    // A small ripple of the heater's regulation on top of the curve.
    const double ripple = 0.05 * std::sin(m_heaterS * 0.7 + i);
    return qint16(std::lround((m_imuC[i] + ripple) * 100));
}

QList<std::pair<QString, float>> InsCalibration::parameterDefaults()
{
    QList<std::pair<QString, float>> out;
    for (int n = 1; n <= ImuCount; ++n) {
        out.append({QStringLiteral("INS_ACC%1_CALTEMP").arg(n), 0.0f});
        out.append({QStringLiteral("INS_GYR%1_CALTEMP").arg(n), 0.0f});
        out.append({QStringLiteral("INS_TCAL%1_ENABLE").arg(n), n == 1 ? 1.0f : 0.0f});
        out.append({QStringLiteral("INS_TCAL%1_TMAX").arg(n), 70.0f});
        out.append({QStringLiteral("INS_TCAL%1_TMIN").arg(n), 20.0f});
    }
    out.append({QStringLiteral("INS_TCAL_OPTIONS"), 0.0f});
    return out;
}
