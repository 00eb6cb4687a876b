#include "support/SimProcess.h"

#include <QElapsedTimer>

SimProcess::~SimProcess()
{
    stop();
}

bool SimProcess::start(const QString &program, const QStringList &args, int timeoutMs)
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(program, args);
    if (!m_process.waitForStarted(timeoutMs))
        return false;
    QElapsedTimer timer;
    timer.start();
    while (!m_process.canReadLine()) {
        if (timer.elapsed() > timeoutMs || m_process.state() == QProcess::NotRunning)
            return false;
        m_process.waitForReadyRead(50);
    }
    m_firstLine = QString::fromUtf8(m_process.readLine()).trimmed();
    return true;
}

void SimProcess::stop()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(2000)) {
            m_process.kill();
            m_process.waitForFinished(2000);
        }
    }
}
