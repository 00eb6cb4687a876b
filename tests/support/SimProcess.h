#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// A zorvan-sim (or any program) started for one test: its first stdout line tells where it serves
// (a pseudo-terminal's path or a UDP address). Killed when the object goes away.
class SimProcess
{
public:
    SimProcess() = default;
    ~SimProcess();
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;

    // Starts program with args and waits up to timeoutMs for the first stdout line; false on failure.
    bool start(const QString &program, const QStringList &args, int timeoutMs = 10000);
    QString firstLine() const { return m_firstLine; }
    QProcess &process() { return m_process; }
    void stop();

private:
    QProcess m_process;
    QString m_firstLine;
};
