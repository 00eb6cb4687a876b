// Times `zorvan-cli params list` of the simulator's built-in list (about 1300 parameters) lossless
// and with 5% of the unit's replies lost, over loopback UDP, an unpaced pseudo-terminal and one paced
// at 1000 values a second (about a 460800-baud serial link): the time the CLI reports from the list
// request to the whole list (start-up and the wait for the unit's heartbeat excluded). Rounds are interleaved and the
// medians printed, with their ratio; every list must be whole and equal to the lossless one.
#include "BenchSupport.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTextStream>
#include <QUdpSocket>

#include <algorithm>
#include <vector>

namespace {
constexpr int Rounds = 7;

using BenchSupport::freeUdpPort;
using BenchSupport::out;

struct ListRun
{
    bool ok = false;
    double ms = 0;
    int reads = 0;
    QByteArray list;
};

// One simulator with the given loss, one CLI run against it.
ListRun runOnce(bool udp, double rateHz, double dropPercent, int seed)
{
    ListRun run;
    QProcess sim;
    QStringList args{"fmu"};
    args << (udp ? QStringList{"--udp", "0"} : QStringList{"--pty"});
    args << "--drop" << QString::number(dropPercent) << "--seed" << QString::number(seed) << "--rate"
         << QString::number(rateHz);
    sim.start(ZT_SIM_PATH, args);
    if (!sim.waitForReadyRead(10000))
        return run;
    const QString where = QString::fromUtf8(sim.readLine()).trimmed();
    QStringList link;
    if (where.startsWith("udp "))
        link = QStringList{"--udp", QStringLiteral("127.0.0.1:%1").arg(freeUdpPort()), "--target", where.mid(4)};
    else
        link = QStringList{"--serial", where};
    QProcess cli;
    cli.start(ZT_CLI_PATH, QStringList{"params"} + link + QStringList{"list"});
    cli.waitForFinished(60000);
    const QString err = QString::fromUtf8(cli.readAllStandardError());
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("(\\d+) parameters in (\\d+) ms \\((\\d+) list requests, (\\d+) single"))
            .match(err);
    run.ok = cli.exitCode() == 0 && m.hasMatch();
    run.ms = m.captured(2).toDouble();
    run.reads = m.captured(4).toInt();
    run.list = cli.readAllStandardOutput();
    sim.kill();
    sim.waitForFinished();
    return run;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    struct Link
    {
        const char *name;
        bool udp;
        double rateHz;
    };
    for (const Link &l : {Link{"udp", true, 0}, Link{"pty", false, 0}, Link{"pty 1000/s", false, 1000}}) {
        const bool udp = l.udp;
        std::vector<double> lossless, lossy;
        int reads = 0;
        QByteArray reference;
        bool ok = true;
        for (int round = 0; round < Rounds; ++round) {
            const ListRun a = runOnce(udp, l.rateHz, 0, round + 1);
            const ListRun b = runOnce(udp, l.rateHz, 5, round + 1);
            if (reference.isEmpty())
                reference = a.list;
            ok = ok && a.ok && b.ok && a.list == reference && b.list == reference;
            lossless.push_back(a.ms);
            lossy.push_back(b.ms);
            reads += b.reads;
        }
        const double l0 = median(lossless), l5 = median(lossy);
        out() << l.name << ": parameter list (" << reference.count('\n') << " values), median of " << Rounds
              << ": lossless " << l0 << " ms, 5% loss " << l5 << " ms (ratio "
              << QString::number(l0 > 0 ? l5 / l0 : 0, 'f', 2) << ", " << reads / Rounds
              << " single reads per lossy list)" << (ok ? "" : "  FAILED: a list was incomplete or differed")
              << Qt::endl;
    }
    return 0;
}
