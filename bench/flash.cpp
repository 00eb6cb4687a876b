// Flashes a 1 MiB image into zorvan-sim bootloader over a pseudo-terminal with zorvan-cli flash and
// compares the time with the protocol's floor: one round trip (measured with the sync command) per
// program chunk. Prints seconds, bytes/s and the ratio.
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

    QProcess sim;
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start(ZT_SIM_PATH, {"bootloader", "--dump", dumpPath});
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000)) {
        out << "flash bench: zorvan-sim did not start\n";
        return 1;
    }
    const QString pty = QString::fromUtf8(sim.readLine()).trimmed();

    const double rtt = probeRoundTrip(pty, 2000);
    if (rtt <= 0) {
        out << "flash bench: no sync reply from the simulator\n";
        return 1;
    }

    QProcess cli;
    cli.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer t;
    t.start();
    cli.start(ZT_CLI_PATH, {"flash", imagePath, "--port", pty, "--timeout", "30"});
    cli.waitForFinished(300000);
    const double seconds = double(t.nsecsElapsed()) / 1e9;
    const int exitCode = cli.exitCode();
    sim.terminate();
    sim.waitForFinished(2000);

    QFile dump(dumpPath);
    const bool same = dump.open(QIODevice::ReadOnly) && dump.readAll() == image;
    const int chunks = ImageSize / ChunkSize + 1; // data chunks plus the closing empty chunk
    const double floor = chunks * rtt;
    out << "flash 1 MiB into zorvan-sim over a pseudo-terminal (zorvan-cli flash)\n";
    out << "  result:          " << (exitCode == 0 && same ? "ok, flash equals the image" : "FAILED") << "\n";
    out << "  seconds:         " << QString::number(seconds, 'f', 3) << "\n";
    out << "  bytes/s:         " << QString::number(ImageSize / seconds, 'f', 0) << "\n";
    out << "  sync round trip: " << QString::number(rtt * 1e6, 'f', 1) << " us (median of 2000)\n";
    out << "  protocol floor:  " << QString::number(floor, 'f', 3) << " s (" << chunks << " chunks x round trip)\n";
    out << "  ratio:           " << QString::number(seconds / floor, 'f', 2) << "\n";
    return exitCode == 0 && same ? 0 : 1;
}
