// Downloads a log (4 MiB over UDP, 32 MiB over a pseudo-terminal) from zorvan-sim fmu through the program's MAVLink
// link (MavlinkHandler, the path of the Log tab and of zorvan-cli logs) over loopback UDP and over a pseudo-terminal,
// and compares the rate with the simulator's own send ceiling on the same link, measured in the same run: one
// LOG_REQUEST_DATA for the whole log, the simulator streaming without waiting for requests, read by the same kind of
// reader (an IOHandler on its worker thread with the link's MAVLink parser). Ceiling and download alternate round by
// round; prints the medians and the median of the rounds' ratios, and checks every file byte for byte.
#include "BenchSupport.h"

#include "link/MavlinkHandler.h"
#include "link/TApp.h"
#include "link/TLinkManager.h"

#include "core/mavlink/LogPattern.h"
#include "core/mavlink/MavlinkLinkEngine.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLoggingCategory>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <QTimer>
#include <QUdpSocket>

#include <algorithm>
#include <atomic>
#include <vector>

namespace {
// Over UDP the simulator paces itself (about 2.9 MB/s); a pseudo-terminal takes tens of MB/s, so its
// log is larger, for runs long enough to measure on a loaded machine.
constexpr quint32 UdpLogSize = 4 * 1024 * 1024;
constexpr quint32 PtyLogSize = 32 * 1024 * 1024;
constexpr int Rounds = 7;
constexpr int BenchReaderId = 7; // the ceiling's own link, beside the shared MAVLink link 6

using BenchSupport::freeUdpPort;
using BenchSupport::out;

IOHandler::DeviceInfo deviceFor(const QString &where, int id)
{
    IOHandler::DeviceInfo d;
    d.id = id;
    if (where.startsWith("udp ")) {
        d.conType = IOHandler::ConUdp;
        d.localIp = QHostAddress(QHostAddress::LocalHost);
        d.localPort = freeUdpPort();
        d.targetIp = QHostAddress(QHostAddress::LocalHost);
        d.targetPort = quint16(where.section(':', -1).toUInt());
    } else {
        d.conType = IOHandler::ConSerial;
        d.name = where;
        d.baudRate = 115200;
    }
    return d;
}

// Opens (or closes) link on d; true once the hub reported it opened (or closed).
bool setOpen(IOHandler *link, const IOHandler::DeviceInfo &d, bool open)
{
    bool ok = false;
    QEventLoop loop;
    auto c = QObject::connect(TApp::instance(), QOverload<int, int, QVariant>::of(&TApp::TAppEvent), &loop,
                              [&](int event, int id, QVariant) {
                                  if (id != d.id)
                                      return;
                                  if (open && (event == TApp::EventLinkOpened || event == TApp::EventOpenFailed)) {
                                      ok = event == TApp::EventLinkOpened;
                                      loop.quit();
                                  } else if (!open && event == TApp::EventLinkClosed) {
                                      ok = true;
                                      loop.quit();
                                  }
                              });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    emit link->openDeviceSignal(d, open);
    loop.exec();
    QObject::disconnect(c);
    return ok;
}

// Bytes per second of the simulator streaming the whole log after one request, read by the same
// reader as the download (an IOHandler on a worker thread, the link's MAVLink parser on that thread)
// but without the download's windows and file: what the program could take at most. 0 on failure.
double ceiling(IOHandler *reader, const QString &where, quint32 logSize)
{
    const IOHandler::DeviceInfo d = deviceFor(where, BenchReaderId);
    if (!setOpen(reader, d, true))
        return 0;
    MavlinkLinkEngine engine; // used on the reader's thread while it is connected
    std::atomic<quint64> bytes{0};
    std::atomic<qint64> lastByteNs{0};
    std::atomic<bool> last{false};
    QElapsedTimer clock;
    auto c = QObject::connect(
        reader, &IOHandler::recIoBuff, reader,
        [&](const QByteArray &data, const QVariant &) {
            engine.feed(data, [&](const mavlink_message_t &m) {
                if (m.msgid != mavlink_log_data_t::MSG_ID)
                    return;
                const auto dd = mavlink_log_data_t::decode(m);
                bytes += dd.count;
                lastByteNs = clock.nsecsElapsed();
                if (dd.ofs + dd.count >= logSize)
                    last = true;
            });
        },
        Qt::DirectConnection);
    const QByteArray request = MavlinkLinkEngine().logRequestData(0, logSize, 1);
    clock.start();
    emit reader->sendBuffSignal(request, QVariant(0));
    // Until the last byte, or two seconds without one.
    quint64 seen = 0;
    QElapsedTimer idle;
    idle.start();
    while (!last && idle.elapsed() < 2000) {
        QThread::msleep(5);
        if (bytes != seen) {
            seen = bytes;
            idle.start();
        }
    }
    setOpen(reader, d, false);
    QObject::disconnect(c);
    if (lastByteNs <= 0)
        return 0;
    if (bytes < logSize)
        out() << "  (ceiling run: " << bytes << " of " << logSize << " bytes arrived)\n";
    return double(bytes) / (double(lastByteNs) / 1e9);
}

struct Download
{
    double bytesPerS = 0;
    bool exact = false;
};

Download download(MavlinkHandler *link, const QString &where, quint32 logSize)
{
    Download result;
    const IOHandler::DeviceInfo d = deviceFor(where, TApp::SharedMavlinkLinkId);
    if (!setOpen(link, d, true))
        return result;

    bool listed = false;
    QEventLoop listLoop;
    auto c2 = QObject::connect(link, &MavlinkHandler::recLogInfo, &listLoop, [&](ushort id, uint, uint, ushort) {
        if (id == 1) {
            listed = true;
            listLoop.quit();
        }
    });
    emit link->log_list_start_signal();
    QTimer::singleShot(5000, &listLoop, &QEventLoop::quit);
    listLoop.exec();
    QObject::disconnect(c2);
    if (!listed) {
        setOpen(link, d, false);
        return result;
    }

    QElapsedTimer clock;
    bool finished = false;
    QEventLoop downloadLoop;
    auto c3 =
        QObject::connect(link, &MavlinkHandler::logDownloadProgress, &downloadLoop, [&](int, uint size, uint total) {
            if (size >= total) {
                finished = true;
                downloadLoop.quit();
            }
        });
    QTimer::singleShot(120000, &downloadLoop, &QEventLoop::quit);
    clock.start();
    link->requestDownloads({1});
    downloadLoop.exec();
    const qint64 ns = clock.nsecsElapsed();
    QObject::disconnect(c3);
    setOpen(link, d, false);
    if (!finished)
        return result;
    result.bytesPerS = double(logSize) / (double(ns) / 1e9);
    QFile file(link->logFilePath(1));
    result.exact = file.open(QIODevice::ReadOnly) && file.readAll() == LogPattern::bytes(1, 0, logSize);
    file.close();
    file.remove(); // the next round's file takes the plain name again
    return result;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

bool startSim(QProcess &sim, const QStringList &endpoint, quint32 logSize, QString &where)
{
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start(ZT_SIM_PATH, QStringList{"fmu"} + endpoint + QStringList{"--logs", QStringLiteral("1:%1").arg(logSize)});
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000))
        return false;
    where = QString::fromUtf8(sim.readLine()).trimmed();
    return !where.isEmpty();
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    TApp hub(QStringLiteral("./cfg/param.ini"));
    auto *link = qobject_cast<MavlinkHandler *>(hub.links()->find(TApp::SharedMavlinkLinkId));
    if (!link) {
        out() << "log download bench: no shared link\n";
        return 1;
    }
    // The ceiling's reader: a plain link of the same kind, beside the shared one.
    auto *reader = new IOHandler(BenchReaderId, true);
    int failures = 0;
    for (const QStringList &endpoint : {QStringList{"--udp", "0"}, QStringList{"--pty"}}) {
        QProcess sim;
        QString where;
        const quint32 logSize = endpoint.first() == "--udp" ? UdpLogSize : PtyLogSize;
        if (!startSim(sim, endpoint, logSize, where)) {
            out() << "log download bench: zorvan-sim did not start\n";
            return 1;
        }
        const QString name = endpoint.first() == "--udp" ? "UDP loopback" : "pseudo-terminal";
        // Interleaved rounds on the same simulator, so a ceiling and the download after it meet the
        // same machine load; the ratio is the median of the rounds' own ratios.
        std::vector<double> ceilings, rates, ratios;
        bool exact = true;
        for (int round = 0; round < Rounds; ++round) {
            const double ceil = ceiling(reader, where, logSize);
            const Download got = download(link, where, logSize);
            ceilings.push_back(ceil);
            rates.push_back(got.bytesPerS);
            ratios.push_back(ceil > 0 ? got.bytesPerS / ceil : 0);
            exact = exact && got.exact;
        }
        QStringList each;
        for (double r : ratios)
            each << QString::number(r * 100, 'f', 0);
        out() << name << " (" << logSize / (1024 * 1024) << " MiB log): download "
              << QString::number(median(rates) / 1024, 'f', 0) << " kB/s, simulator ceiling "
              << QString::number(median(ceilings) / 1024, 'f', 0) << " kB/s, ratio "
              << QString::number(median(ratios) * 100, 'f', 1) << "% (median of " << Rounds
              << " rounds: " << each.join(' ') << ")" << (exact ? ", files exact" : ", FILE NOT EXACT") << "\n";
        out().flush();
        if (!exact)
            ++failures;
        sim.kill();
        sim.waitForFinished(3000);
    }
    IOHandler::destroy(reader);
    return failures ? 1 : 0;
}
