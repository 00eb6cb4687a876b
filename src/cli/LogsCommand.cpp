// zorvan-cli logs: list, download and erase the unit's logs over the MAVLink link.
#include "cli/CliCommands.h"
#include "cli/CliRecorder.h"
#include "cli/LinkOptions.h"
#include "cli/MavlinkSession.h"
#include "core/util/LogFileWriter.h"
#include "records/FileDigest.h"
#include "records/RecordStep.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QMap>
#include <QSet>
#include <QTextStream>
#include <QTimer>

namespace {
constexpr int ListRetries = 3;
constexpr double DefaultListTimeoutS = 5;
// A download that brings no new byte for this long has failed (the link itself gives up after
// about seven seconds without a new byte).
constexpr double DefaultDownloadTimeoutS = 15;

QTextStream &err()
{
    return cliErr();
}

int fail(int code, const QString &text)
{
    return cliFail("logs", code, text);
}

struct Entry
{
    uint size = 0;
    uint timeUtc = 0;
};

// Requests the log list until as many distinct entries as the unit has logs arrived (units number
// their logs from 1 or from 0); false when it did not within the retries. An empty list is complete
// at once.
bool readList(MavlinkSession &session, double timeoutS, QMap<ushort, Entry> &entries)
{
    bool complete = false;
    QEventLoop loop;
    QTimer idle;
    idle.setSingleShot(true);
    idle.setInterval(int(timeoutS * 1000));
    int requests = 0;
    const auto request = [&] {
        ++requests;
        entries.clear();
        emit session.link()->log_list_start_signal();
        idle.start();
    };
    QObject::connect(session.link(), &MavlinkHandler::recLogInfo, &loop,
                     [&](ushort id, uint size, uint timeUtc, ushort nums) {
                         idle.start();
                         if (nums == 0) {
                             complete = true;
                             loop.quit();
                             return;
                         }
                         entries.insert(id, {size, timeUtc});
                         if (entries.size() >= nums) {
                             complete = true;
                             loop.quit();
                         }
                     });
    QObject::connect(&idle, &QTimer::timeout, &loop, [&] {
        if (requests <= ListRetries) {
            err() << "logs: list incomplete after " << timeoutS << " s, requesting again" << Qt::endl;
            request();
        } else {
            loop.quit();
        }
    });
    request();
    loop.exec();
    return complete;
}

// One event per log: downloaded (id, size, path, SHA-256), or failed with the reason.
void recordLog(CliRecorder &recorder, const MavlinkSession &session, ushort id, uint size, const QString &path,
               const QString &failure)
{
    QJsonObject details{{QStringLiteral("id"), int(id)}, {QStringLiteral("size"), double(size)}};
    if (failure.isEmpty()) {
        details.insert(QStringLiteral("path"), path);
        details.insert(QStringLiteral("sha256"), FileDigest::sha256(path));
    }
    recorder.record(ProductionRecord::make(QString::fromLatin1(RecordOp::MavLogDownload), session.unitKey(),
                                           failure.isEmpty() ? ProductionRecord::Result::Ok
                                                             : ProductionRecord::Result::Failed,
                                           failure, details));
}

int runDownload(MavlinkSession &session, const QList<ushort> &ids, double timeoutS, CliRecorder &recorder)
{
    QMap<ushort, Entry> entries;
    if (!readList(session, DefaultListTimeoutS, entries))
        return fail(1, QStringLiteral("the log list did not arrive"));
    for (ushort id : ids) {
        if (!entries.contains(id))
            return fail(1, QStringLiteral("the unit has no log %1").arg(id));
    }

    MavlinkHandler *link = session.link();
    QSet<ushort> done;
    ushort current = 0;
    uint currentSize = 0, totalSize = 0;
    QEventLoop loop;
    QTimer idle;
    idle.setSingleShot(true);
    idle.setInterval(int(timeoutS * 1000));
    QObject::connect(&idle, &QTimer::timeout, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    quint64 bytesDone = 0;
    QObject::connect(link, &MavlinkHandler::logDownloadProgress, &loop, [&](int id, uint size, uint total) {
        idle.start();
        current = ushort(id);
        currentSize = size;
        totalSize = total;
        if (size >= total && !done.contains(ushort(id))) {
            done.insert(ushort(id));
            bytesDone += total;
            QTextStream(stdout) << link->logFilePath(ushort(id)) << Qt::endl;
            recordLog(recorder, session, ushort(id), total, link->logFilePath(ushort(id)), QString());
            if (done.size() == ids.size())
                loop.quit();
        }
    });
    // A file that cannot be created or written ends the command at once, with the system's reason.
    QString fileError;
    QObject::connect(link->logFiles(), &LogFileWriter::failed, &loop,
                     [&](ushort, const QString &path, const QString &reason) {
                         if (fileError.isEmpty())
                             fileError = QStringLiteral("cannot write %1: %2").arg(path, reason);
                         loop.quit();
                     });
    QTimer report;
    report.setInterval(1000);
    QObject::connect(&report, &QTimer::timeout, &loop, [&] {
        const double s = clock.elapsed() / 1000.0;
        const double pct = totalSize ? currentSize * 100.0 / totalSize : 100.0;
        err() << "logs: log " << current << ": " << currentSize << " of " << totalSize << " bytes ("
              << QString::number(pct, 'f', 1) << "%), " << done.size() << " of " << ids.size() << " files, "
              << QString::number((bytesDone + currentSize) / 1024.0 / s, 'f', 1) << " kB/s" << Qt::endl;
    });
    report.start();
    link->requestDownloads(ids);
    idle.start();
    loop.exec();
    if (!fileError.isEmpty()) {
        recordLog(recorder, session, current, totalSize, QString(), fileError);
        return fail(1, fileError);
    }
    if (done.size() != ids.size()) {
        link->cancelDownloads();
        const QString why = QStringLiteral("%1 of %2 logs downloaded; no progress for %3 s")
                                .arg(done.size())
                                .arg(ids.size())
                                .arg(timeoutS);
        for (ushort id : ids) {
            if (!done.contains(id))
                recordLog(recorder, session, id, entries.value(id).size, QString(), why);
        }
        return fail(1, why);
    }
    return 0;
}

int runLogs(const QStringList &argsIn)
{
    QStringList args = argsIn;
    LinkOptions link;
    QString error;
    if (!LinkOptions::parse(args, link, error))
        return fail(2, error);
    MavlinkIdOptions ownIds;
    if (!MavlinkIdOptions::parse(args, ownIds, error))
        return fail(2, error);
    CliRecorder recorder;
    if (!recorder.parse(args, &error))
        return fail(2, error);
    if (args.isEmpty())
        return fail(2, QStringLiteral("expected \"list\", \"download ID...\" or \"erase\""));
    const QString sub = args.takeFirst();

    double timeoutS = -1;
    bool verbose = false;
    QStringList positional;
    for (int i = 0; i < args.size(); ++i) {
        bool ok = true;
        if (args[i] == QLatin1String("--timeout") && i + 1 < args.size()) {
            timeoutS = args[++i].toDouble(&ok);
            if (!ok || !(timeoutS > 0))
                return fail(2, QStringLiteral("--timeout takes seconds greater than 0"));
        } else if (args[i] == QLatin1String("--verbose")) {
            verbose = true;
        } else if (args[i].startsWith(QLatin1String("--"))) {
            return fail(2, QStringLiteral("unknown option \"%1\"").arg(args[i]));
        } else {
            positional << args[i];
        }
    }

    QList<ushort> ids;
    if (sub == QLatin1String("download")) {
        if (positional.isEmpty())
            return fail(2, QStringLiteral("download takes one or more log ids"));
        for (const QString &p : positional) {
            bool ok = false;
            const uint id = p.toUInt(&ok);
            if (!ok || id > 0xFFFE)
                return fail(2, QStringLiteral("\"%1\" is not a log id (0..65534)").arg(p));
            if (!ids.contains(ushort(id)))
                ids << ushort(id);
        }
    } else if (sub == QLatin1String("list") || sub == QLatin1String("erase")) {
        if (!positional.isEmpty())
            return fail(2, QStringLiteral("%1 takes no arguments").arg(sub));
    } else {
        return fail(2, QStringLiteral("unknown subcommand \"%1\"").arg(sub));
    }

    if (!verbose)
        QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    MavlinkSession session(link, QStringLiteral("logs"), ownIds);
    if (!session.open())
        return fail(1, QStringLiteral("cannot open %1").arg(link.describe()));
    session.waitForUnit();
    const MavlinkSession::UnitReportAtEnd reportUnit{session};

    if (sub == QLatin1String("list")) {
        QMap<ushort, Entry> entries;
        if (!readList(session, timeoutS > 0 ? timeoutS : DefaultListTimeoutS, entries))
            return fail(1, QStringLiteral("the log list did not arrive whole (%1 entries)").arg(entries.size()));
        QTextStream out(stdout);
        for (auto it = entries.cbegin(); it != entries.cend(); ++it)
            out << it.key() << ',' << it.value().size << ',' << it.value().timeUtc << '\n';
        out.flush();
        return 0;
    }
    if (sub == QLatin1String("erase")) {
        emit session.link()->clearLogSignal();
        // The request runs queued on the link's thread; a round trip through that thread's queue
        // returns once it has been sent, without blocking this thread on the link's.
        QEventLoop sent;
        QMetaObject::invokeMethod(
            session.link(),
            [&sent] { QMetaObject::invokeMethod(&sent, [&sent] { sent.quit(); }, Qt::QueuedConnection); },
            Qt::QueuedConnection);
        sent.exec();
        return 0;
    }
    const int code = runDownload(session, ids, timeoutS > 0 ? timeoutS : DefaultDownloadTimeoutS, recorder);
    return recorder.finish("logs", code);
}

CommandTable::Registrar reg(cliCommands(), "logs",
                            "logs [LINK] list [--timeout S] | logs [LINK] download ID... [--timeout S] | "
                            "logs [LINK] erase  [--verbose]\n"
                            "  download writes log/flight/<file> under the working directory and prints each path\n"
                            "  LINK: --serial PATH [--baud N] | --udp [IP:]PORT --target IP:PORT "
                            "(default 127.0.0.1:7001 -> 127.0.0.1:7000)\n"
                            "  --sysid N --compid N: the program's own MAVLink ids (default 0 0)\n"
                            "  download is kept in the production record: [--no-record] [--station NAME]\n"
                            "  [--operator NAME] [--db PATH|postgresql://USER@HOST:PORT/DBNAME] (exit 3: not stored)",
                            &runLogs);
} // namespace
