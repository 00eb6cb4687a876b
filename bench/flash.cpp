// Flashes a 1 MiB image with zorvan-cli flash into zorvan-sim bootloader over pseudo-terminals paced like
// a USB line (one packet per millisecond): once into --stock (252-byte chunks), once into the plain
// protocol unit (128-byte chunks after the fall-back), and into four --stock units in parallel. Each
// single flash is compared with the protocol's floor: one round trip (measured with the sync command)
// per program command the simulator received, up to the boot command.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTextStream>

#include <QRegularExpression>

#include <algorithm>
#include <memory>
#include <vector>

namespace {
constexpr int ImageSize = 1024 * 1024;

// Median round trip of the sync command (21 20 -> 12 10) in seconds.
double probeRoundTrip(const QString &path, int rounds)
{
    QSerialPort port(path);
    if (!port.open(QIODevice::ReadWrite))
        return -1;
    std::vector<double> samples;
    QElapsedTimer t;
    for (int i = 0; i < rounds; ++i) {
        t.start();
        port.write(QByteArray::fromHex("2120"));
        port.flush();
        QByteArray reply;
        while (reply.size() < 2 && port.waitForReadyRead(1000))
            reply += port.readAll();
        if (reply != QByteArray::fromHex("1210"))
            return -1;
        samples.push_back(double(t.nsecsElapsed()) / 1e9);
    }
    port.close();
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

struct Sim
{
    std::unique_ptr<QProcess> process;
    QString pty;
    QString dump;
};

bool startSim(QTextStream &out, Sim &sim, const QStringList &simArgs, const QString &dump)
{
    QFile::remove(dump);
    sim.dump = dump;
    sim.process = std::make_unique<QProcess>();
    sim.process->setProcessChannelMode(QProcess::SeparateChannels);
    sim.process->start(ZT_SIM_PATH, QStringList{"bootloader", "--dump", dump} + simArgs);
    if (!sim.process->waitForStarted(5000) || !sim.process->waitForReadyRead(5000)) {
        out << "flash bench: zorvan-sim did not start\n";
        return false;
    }
    sim.pty = QString::fromUtf8(sim.process->readLine()).trimmed();
    return true;
}

// The program commands the simulator received, from its line at the boot command.
int programCommands(QProcess &sim)
{
    sim.waitForReadyRead(500);
    const QString err = QString::fromUtf8(sim.readAllStandardError());
    const QRegularExpressionMatch m = QRegularExpression("(\\d+) program commands").match(err);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// Runs zorvan-cli flash on the given ports; returns the seconds to each port's boot command (-1: none).
QList<double> runFlash(const QString &imagePath, const QStringList &ports, int &exitCode)
{
    QStringList args{"flash", imagePath, "--timeout", "30"};
    for (const QString &p : ports)
        args << "--port" << p;
    QProcess cli;
    cli.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer t;
    t.start();
    cli.start(ZT_CLI_PATH, args);
    QList<double> toBoot;
    for (int i = 0; i < ports.size(); ++i)
        toBoot << -1;
    QByteArray cliOut;
    while (cli.state() != QProcess::NotRunning || cli.bytesAvailable()) {
        cli.waitForReadyRead(1);
        cliOut += cli.readAllStandardOutput();
        for (int i = 0; i < ports.size(); ++i) {
            const QByteArray mark =
                ports.size() == 1 ? QByteArray("Send start command") : "[" + ports[i].toUtf8() + "] Send start command";
            if (toBoot[i] < 0 && cliOut.contains(mark))
                toBoot[i] = double(t.nsecsElapsed()) / 1e9;
        }
        if (t.elapsed() > 300000)
            break;
    }
    cli.waitForFinished(1000);
    exitCode = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
    return toBoot;
}

bool dumpEquals(const QString &path, const QByteArray &image)
{
    QFile dump(path);
    return dump.open(QIODevice::ReadOnly) && dump.readAll() == image;
}

// One flash into a fresh simulator; prints its figures and returns the ratio to the floor (negative on
// failure). toBoot receives the time to the boot command, roundTrips the program commands.
double flashOnce(QTextStream &out, const QString &name, const QStringList &simArgs, const QString &imagePath,
                 const QByteArray &image, const QString &dumpPath, double &toBootOut, int &roundTrips)
{
    Sim sim;
    if (!startSim(out, sim, simArgs, dumpPath))
        return -1;
    const double rtt = probeRoundTrip(sim.pty, 2000);
    if (rtt <= 0) {
        out << "flash bench: no sync reply from the simulator\n";
        return -1;
    }
    int exitCode = -1;
    const double toBoot = runFlash(imagePath, {sim.pty}, exitCode).value(0);
    roundTrips = programCommands(*sim.process);
    sim.process->terminate();
    sim.process->waitForFinished(2000);

    const bool ok = exitCode == 0 && dumpEquals(dumpPath, image) && toBoot > 0 && roundTrips > 0;
    const double floor = roundTrips * rtt;
    out << "flash 1 MiB into zorvan-sim bootloader " << name << " over a pseudo-terminal (zorvan-cli flash)\n";
    out << "  result:          " << (ok ? "ok, flash equals the image" : "FAILED") << "\n";
    out << "  to boot command: " << QString::number(toBoot, 'f', 3) << " s\n";
    out << "  bytes/s:         " << QString::number(ImageSize / toBoot, 'f', 0) << "\n";
    out << "  round trips:     " << roundTrips << " program commands\n";
    out << "  sync round trip: " << QString::number(rtt * 1e6, 'f', 1) << " us (median of 2000)\n";
    out << "  protocol floor:  " << QString::number(floor, 'f', 3) << " s (round trips x sync round trip)\n";
    out << "  ratio:           " << QString::number(toBoot / floor, 'f', 3) << "\n";
    out.flush();
    toBootOut = toBoot;
    return ok ? toBoot / floor : -1;
}

// Four units in parallel through one zorvan-cli flash: the slowest one's time to its boot command.
double flashFour(QTextStream &out, const QStringList &simArgs, const QString &imagePath, const QByteArray &image,
                 const QString &dir)
{
    std::vector<Sim> sims(4);
    QStringList ports;
    for (int i = 0; i < 4; ++i) {
        if (!startSim(out, sims[i], simArgs, dir + QString("/four%1.dump").arg(i)))
            return -1;
        ports << sims[i].pty;
    }
    int exitCode = -1;
    const QList<double> toBoot = runFlash(imagePath, ports, exitCode);
    bool ok = exitCode == 0;
    double slowest = 0;
    for (int i = 0; i < 4; ++i) {
        ok = ok && toBoot[i] > 0 && dumpEquals(sims[i].dump, image);
        slowest = qMax(slowest, toBoot[i]);
        sims[i].process->terminate();
        sims[i].process->waitForFinished(2000);
    }
    out << "flash 1 MiB into four zorvan-sim bootloader --stock units in parallel (one zorvan-cli flash)\n";
    out << "  result:          " << (ok ? "ok, every flash equals the image" : "FAILED") << "\n";
    out << "  to boot command: ";
    for (int i = 0; i < 4; ++i)
        out << QString::number(toBoot[i], 'f', 3) << (i < 3 ? ", " : " s\n");
    out.flush();
    return ok ? slowest : -1;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir dir;
    const QString imagePath = dir.filePath("image.bin");
    const QString dumpPath = dir.filePath("flash.dump");
    QByteArray image(ImageSize, '\0');
    quint32 x = 12345;
    for (int i = 0; i < ImageSize; ++i) {
        x = x * 1103515245u + 12345u;
        image[i] = char(x >> 24);
    }
    QFile f(imagePath);
    if (!f.open(QIODevice::WriteOnly) || f.write(image) != image.size()) {
        out << "flash bench: cannot write the image\n";
        return 1;
    }
    f.close();

    // A USB line: one packet per millisecond at most.
    const QStringList line{"--packet-gap-us", "1000"};
    double stockTime = 0, plainTime = 0;
    int stockTrips = 0, plainTrips = 0;
    const double stock =
        flashOnce(out, "--stock", QStringList{"--stock"} + line, imagePath, image, dumpPath, stockTime, stockTrips);
    const double plain = flashOnce(out, "(plain protocol unit, 128-byte chunks)", line, imagePath, image, dumpPath,
                                   plainTime, plainTrips);
    const double four = flashFour(out, QStringList{"--stock"} + line, imagePath, image, dir.path());
    const int tripLimit = 4163 + 10;
    out << "figures (1 ms between packets):\n";
    out << "  stock round trips:        " << stockTrips << " (at most " << tripLimit << ")\n";
    out << "  stock ratio to its floor: " << QString::number(stock, 'f', 3) << " (at most 1.05)\n";
    out << "  plain ratio to its floor: " << QString::number(plain, 'f', 3) << " (at most 1.05; " << plainTrips
        << " round trips)\n";
    out << "  four stock units:         slowest " << QString::number(four, 'f', 3) << " s, "
        << QString::number(four / stockTime, 'f', 3) << " x one unit (at most 1.3)\n";
    return stock > 0 && plain > 0 && four > 0 ? 0 : 1;
}
