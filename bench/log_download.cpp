// Downloads a 4 MiB log from zorvan-sim fmu through the program's MAVLink link (MavlinkHandler, the
// path of the Log tab and of zorvan-cli logs) over loopback UDP and over a pseudo-terminal, and
// compares the rate with the simulator's own send ceiling on the same link, measured in the same run:
// one LOG_REQUEST_DATA for the whole log, the simulator streaming without waiting for requests.
// Prints kB/s of both and the ratio, and checks the file byte for byte.
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
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <QUdpSocket>

#include <algorithm>
#include <vector>

namespace {
constexpr quint32 LogSize = 4 * 1024 * 1024;
constexpr int Rounds = 5;

using BenchSupport::freeUdpPort;
using BenchSupport::out;

// Bytes per second of the simulator streaming the whole log after one request; 0 on failure.
double ceiling(const QString &where)
{
    MavlinkLinkEngine engine;
    QUdpSocket udp;
    QSerialPort serial;
    QIODevice *device = nullptr;
    quint16 simPort = 0;
    if (where.startsWith("udp ")) {
        udp.bind(QHostAddress(QHostAddress::LocalHost), 0);
        simPort = quint16(where.section(':', -1).toUInt());
    } else {
        serial.setPortName(where);
        if (!serial.open(QIODevice::ReadWrite))
            return 0;
        device = &serial;
    }
    const QByteArray request = engine.logRequestData(0, LogSize, 1);
    quint64 bytes = 0;
    bool last = false;
    QElapsedTimer clock;
    qint64 lastByteNs = 0;
    const auto consume = [&](const QByteArray &data) {
        engine.feed(data, [&](const mavlink_message_t &m) {
            if (m.msgid != mavlink_log_data_t::MSG_ID)
                return;
            const auto d = mavlink_log_data_t::decode(m);
            bytes += d.count;
            lastByteNs = clock.nsecsElapsed();
            if (d.ofs + d.count >= LogSize)
                last = true;
        });
    };
    clock.start();
    if (device) {
        device->write(request);
        serial.flush();
    } else {
        udp.writeDatagram(request, QHostAddress::LocalHost, simPort);
    }
    QElapsedTimer idle;
    idle.start();
    while (!last && idle.elapsed() < 2000) {
        if (device) {
            if (device->waitForReadyRead(100)) {
                consume(device->readAll());
                idle.start();
            }
        } else if (udp.waitForReadyRead(100) || udp.hasPendingDatagrams()) {
            while (udp.hasPendingDatagrams()) {
                QByteArray d(int(udp.pendingDatagramSize()), Qt::Uninitialized);
                udp.readDatagram(d.data(), d.size());
                consume(d);
            }
            idle.start();
        }
    }
    if (lastByteNs <= 0)
        return 0;
    if (bytes < LogSize)
        out() << "  (ceiling run: " << bytes << " of " << LogSize << " bytes arrived)\n";
    return double(bytes) / (double(lastByteNs) / 1e9);
}

struct Download
{
    double bytesPerS = 0;
    bool exact = false;
};

Download download(MavlinkHandler *link, const QString &where)
{
    Download result;
    IOHandler::DeviceInfo d;
    d.id = 6;
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
    bool opened = false;
    QEventLoop loop;
    auto c1 = QObject::connect(TApp::instance(), QOverload<int, int, QVariant>::of(&TApp::TAppEvent), &loop,
                               [&](int event, int id, QVariant) {
                                   if (id == 6 && (event == 1 || event == 2)) {
                                       opened = event == 1;
                                       loop.quit();
                                   }
                               });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    emit link->openDeviceSignal(d, true);
    loop.exec();
    QObject::disconnect(c1);
    if (!opened)
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
    if (!listed)
        return result;

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
    QMetaObject::invokeMethod(link, "addDownloadIdToList", Qt::QueuedConnection, Q_ARG(ushort, 1));
    QMetaObject::invokeMethod(link, "log_download_start", Qt::QueuedConnection);
    downloadLoop.exec();
    const qint64 ns = clock.nsecsElapsed();
    QObject::disconnect(c3);
    emit link->openDeviceSignal(d, false);
    if (!finished)
        return result;
    result.bytesPerS = double(LogSize) / (double(ns) / 1e9);
    QFile file(link->logFilePath(1));
    result.exact = file.open(QIODevice::ReadOnly) && file.readAll() == LogPattern::bytes(1, 0, LogSize);
    return result;
}

bool startSim(QProcess &sim, const QStringList &endpoint, QString &where)
{
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start(ZT_SIM_PATH, QStringList{"fmu"} + endpoint + QStringList{"--logs", QStringLiteral("1:%1").arg(LogSize)});
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
    int failures = 0;
    for (const QStringList &endpoint : {QStringList{"--udp", "0"}, QStringList{"--pty"}}) {
        QProcess sim;
        QString where;
        if (!startSim(sim, endpoint, where)) {
            out() << "log download bench: zorvan-sim did not start\n";
            return 1;
        }
        const QString name = endpoint.first() == "--udp" ? "UDP loopback" : "pseudo-terminal";
        // Interleaved rounds on the same simulator, so both figures meet the same machine load;
        // the medians are reported.
        std::vector<double> ceilings, rates;
        bool exact = true;
        for (int round = 0; round < Rounds; ++round) {
            ceilings.push_back(ceiling(where));
            const Download got = download(link, where);
            rates.push_back(got.bytesPerS);
            exact = exact && got.exact;
        }
        std::sort(ceilings.begin(), ceilings.end());
        std::sort(rates.begin(), rates.end());
        const double ceil = ceilings[Rounds / 2];
        const double rate = rates[Rounds / 2];
        out() << name << ": download " << QString::number(rate / 1024, 'f', 0) << " kB/s, simulator ceiling "
              << QString::number(ceil / 1024, 'f', 0) << " kB/s, ratio "
              << QString::number(ceil > 0 ? rate / ceil * 100 : 0, 'f', 1) << "% (medians of " << Rounds << ")"
              << (exact ? ", files exact" : ", FILE NOT EXACT") << "\n";
        out().flush();
        if (!exact)
            ++failures;
        sim.kill();
        sim.waitForFinished(3000);
    }
    return failures ? 1 : 0;
}
