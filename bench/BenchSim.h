#pragma once

#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace BenchSim {
// Starts zorvan-sim with args and returns the first line it prints (where it serves), empty on failure.
inline QString start(QProcess &sim, const QStringList &args)
{
    sim.start(QStringLiteral(ZT_SIM_PATH), args);
    if (!sim.waitForStarted(10000))
        return QString();
    QElapsedTimer timer;
    timer.start();
    while (!sim.canReadLine() && timer.elapsed() < 10000)
        sim.waitForReadyRead(50);
    return QString::fromUtf8(sim.readLine()).trimmed();
}
} // namespace BenchSim
