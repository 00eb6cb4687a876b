// Flashes a 1 MiB image with zorvan-cli flash into zorvan-sim bootloader over a pseudo-terminal, once for
// each personality of the simulator (the plain protocol unit and --stock), and compares the time with
// the protocol's floor: one round trip (measured with the sync command) per program chunk. The ratio is
// taken up to the boot command; the total adds the wait for the unit's answer to it (up to 500 ms for a
// unit that starts its firmware without a word).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <vector>

namespace {
constexpr int ImageSize = 1024 * 1024;
constexpr int ChunkSize = 128;

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

// One flash into a fresh simulator; prints its figures and returns the ratio (negative on failure).
double flashOnce(QTextStream &out, const QString &name, const QStringList &simArgs, const QString &imagePath,
                 const QByteArray &image, const QString &dumpPath)
{
    QFile::remove(dumpPath);
    QProcess sim;
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start(ZT_SIM_PATH, QStringList{"bootloader", "--dump", dumpPath} + simArgs);
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000)) {
        out << "flash bench: zorvan-sim did not start\n";
        return -1;
    }
    const QString pty = QString::fromUtf8(sim.readLine()).trimmed();
    const double rtt = probeRoundTrip(pty, 2000);
    if (rtt <= 0) {
        out << "flash bench: no sync reply from the simulator\n";
        return -1;
    }

    QProcess cli;
    cli.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer t;
    t.start();
    cli.start(ZT_CLI_PATH, {"flash", imagePath, "--port", pty, "--timeout", "30"});
    double toBoot = -1;
    QByteArray cliOut;
    while (cli.state() != QProcess::NotRunning || cli.bytesAvailable()) {
        cli.waitForReadyRead(1);
        cliOut += cli.readAllStandardOutput();
        if (toBoot < 0 && cliOut.contains("Send start command"))
            toBoot = double(t.nsecsElapsed()) / 1e9;
        if (t.elapsed() > 300000)
            break;
    }
    cli.waitForFinished(1000);
    const double seconds = double(t.nsecsElapsed()) / 1e9;
    const int exitCode = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
    sim.terminate();
    sim.waitForFinished(2000);

    QFile dump(dumpPath);
    const bool same = dump.open(QIODevice::ReadOnly) && dump.readAll() == image;
    const bool ok = exitCode == 0 && same && toBoot > 0;
    const int chunks = ImageSize / ChunkSize + 1; // data chunks plus the closing empty chunk
    const double floor = chunks * rtt;
    out << "flash 1 MiB into zorvan-sim bootloader " << name << " over a pseudo-terminal (zorvan-cli flash)\n";
    out << "  result:          " << (ok ? "ok, flash equals the image" : "FAILED") << "\n";
    out << "  to boot command: " << QString::number(toBoot, 'f', 3) << " s\n";
    out << "  total:           " << QString::number(seconds, 'f', 3) << " s (with the wait for the boot answer)\n";
    out << "  bytes/s:         " << QString::number(ImageSize / toBoot, 'f', 0) << "\n";
    out << "  sync round trip: " << QString::number(rtt * 1e6, 'f', 1) << " us (median of 2000)\n";
    out << "  protocol floor:  " << QString::number(floor, 'f', 3) << " s (" << chunks << " chunks x round trip)\n";
    out << "  ratio:           " << QString::number(toBoot / floor, 'f', 2) << "\n";
    out.flush();
    return ok ? toBoot / floor : -1;
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

    const double plain = flashOnce(out, "(plain protocol unit)", {}, imagePath, image, dumpPath);
    const double stock = flashOnce(out, "--stock", {"--stock"}, imagePath, image, dumpPath);
    out << "ratios to the floor: plain " << QString::number(plain, 'f', 2) << ", stock "
        << QString::number(stock, 'f', 2) << "\n";
    return plain > 0 && stock > 0 ? 0 : 1;
}
