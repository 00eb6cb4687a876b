#pragma once

// Shared by the integration suites of the inertial unit: a zorvan-sim ins started per test and
// zorvan-cli ins runs against it.
#include "support/SimProcess.h"

#include <QProcess>
#include <QString>
#include <QStringList>

namespace InsFixture {
struct CliResult
{
    int code = -1;
    QStringList lines;
    QString errors;
};

// Waits for a started zorvan-cli run and collects its exit code and output.
inline CliResult finish(QProcess &p)
{
    CliResult r;
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.lines = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    r.errors = QString::fromUtf8(p.readAllStandardError());
    return r;
}

inline QByteArray logPattern(int id, int size)
{
    QByteArray out(size, '\0');
    for (int i = 0; i < size; ++i)
        out[i] = char((i * 7 + id * 13) & 0xFF);
    return out;
}
} // namespace InsFixture

class InsSimFixture
{
protected:
    bool startSim(const QStringList &extra, bool udp);
    InsFixture::CliResult cli(const QStringList &args, int timeoutS = 10);

    SimProcess m_sim;
    QStringList m_link;
};

inline bool InsSimFixture::startSim(const QStringList &extra, bool udp)
{
    QStringList args{QStringLiteral("ins")};
    args << (udp ? QStringList{QStringLiteral("--udp"), QStringLiteral("0")} : QStringList{QStringLiteral("--pty")});
    args << extra;
    if (!m_sim.start(QStringLiteral(ZT_SIM_PATH), args))
        return false;
    const QString where = m_sim.firstLine();
    if (udp) {
        if (!where.startsWith(QLatin1String("udp ")))
            return false;
        m_link = QStringList{QStringLiteral("--udp"), QStringLiteral("0"), QStringLiteral("--target"), where.mid(4)};
    } else {
        m_link = QStringList{QStringLiteral("--serial"), where};
    }
    return true;
}

inline InsFixture::CliResult InsSimFixture::cli(const QStringList &args, int timeoutS)
{
    QProcess p;
    QStringList all{QStringLiteral("ins")};
    all << m_link << QStringLiteral("--timeout") << QString::number(timeoutS) << args;
    p.start(QStringLiteral(ZT_CLI_PATH), all);
    return InsFixture::finish(p);
}
