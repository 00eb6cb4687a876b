// Shell tab throughput: (1) bytes per second through an IOHandler serial link on its worker thread,
// from a zorvan-sim console "burst" over a pseudo-terminal; (2) how fast the Shell page takes console
// text (cleaning + terminal view), fed in 4 KiB chunks of coloured lines.
#include "BenchSim.h"
#include "link/IOHandler.h"
#include "link/TApp.h"
#include "ui/maintenance/SerialComWidget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLoggingCategory>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTimer>

#include <cstdio>

namespace {
constexpr int LinkBytes = 8 * 1024 * 1024;
constexpr int PageBytes = 2 * 1024 * 1024;
constexpr int Chunk = 4096;

// Starts the simulated console and returns its pseudo-terminal path (empty on failure).
QString startConsole(QProcess &sim)
{
    return BenchSim::start(sim, {"console"});
}

double linkThroughput(TApp &hub, const QString &path)
{
    auto *link = new IOHandler(5, true);
    QEventLoop loop;
    qint64 received = 0;
    QElapsedTimer timer;
    QObject::connect(&hub, QOverload<int, int, QVariant>::of(&TApp::TAppEvent), &loop, [&](int event, int, QVariant) {
        if (event == TApp::EventLinkOpened) {
            timer.start();
            emit link->sendBuffSignal(QByteArray("burst ") + QByteArray::number(LinkBytes) + "\r", QVariant(0));
        }
    });
    QObject::connect(link, &IOHandler::recIoBuff, &loop, [&](QByteArray b, QVariant) {
        received += b.size();
        if (received >= LinkBytes)
            loop.quit();
    });
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    IOHandler::DeviceInfo request;
    request.id = 5;
    request.conType = IOHandler::ConSerial;
    request.name = path;
    emit link->openDeviceSignal(request, true);
    loop.exec();
    const double seconds = timer.isValid() ? timer.nsecsElapsed() / 1e9 : 0;
    IOHandler::destroy(link);
    if (received < LinkBytes || seconds <= 0)
        return 0;
    return received / seconds;
}

double pageThroughput(double *msPerChunk)
{
    SerialComWidget page;
    page.resize(1280, 800);
    page.show();
    QByteArray text;
    int n = 0;
    while (text.size() < PageBytes)
        text += "  " + QByteArray::number(n++) + " 2028  684 \x1b[32m 0.4%\x1b[0m hpwork sensors ekf2 logger\r\n";
    text.truncate(PageBytes);
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < text.size(); i += Chunk)
        page.recIoBuff(text.mid(i, Chunk));
    QCoreApplication::processEvents();
    const double seconds = timer.nsecsElapsed() / 1e9;
    *msPerChunk = seconds * 1000.0 / double((PageBytes + Chunk - 1) / Chunk);
    return PageBytes / seconds;
}
} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    TApp hub(QStringLiteral("./cfg/param.ini"));

    QProcess sim;
    const QString path = startConsole(sim);
    if (path.isEmpty()) {
        std::fprintf(stderr, "bench_shell_console: zorvan-sim console did not start\n");
        return 1;
    }
    const double link = linkThroughput(hub, path);
    sim.terminate();
    sim.waitForFinished(2000);
    std::printf("shell link (pty, IOHandler worker thread): %.1f MB/s over %d MiB\n", link / 1e6, LinkBytes >> 20);

    double msPerChunk = 0;
    const double page = pageThroughput(&msPerChunk);
    std::printf("shell page text mode: %.2f MB/s (%.3f ms per %d-byte chunk) over %d MiB\n", page / 1e6, msPerChunk,
                Chunk, PageBytes >> 20);
    return link > 0 ? 0 : 1;
}
