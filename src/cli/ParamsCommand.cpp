// zorvan-cli params: read the whole parameter list or write one parameter over the MAVLink link.
#include "cli/CliCommands.h"
#include "cli/CliRecorder.h"
#include "cli/LinkOptions.h"
#include "cli/MavlinkSession.h"

#include "core/mavlink/ParamList.h"
#include "core/mavlink/ParamValueCheck.h"
#include "records/RecordStep.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHash>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {
constexpr int ListRetries = 3; // re-requests of an incomplete list
constexpr int SetAttempts = 3; // one PARAM_SET and two retries
constexpr int SetEchoWaitMs = 1000;
constexpr int CapabilitiesWaitMs = 500; // the unit's AUTOPILOT_VERSION, asked for on its heartbeat
constexpr double DefaultListTimeoutS = 5;
// A list stream has ended after StreamQuietFactor times its longest gap so far without a new value,
// within [StreamQuietMinMs, StreamQuietMs] (a scheduling stall must not pass for its end); the
// answers of single reads are awaited ReplyFactor times the slowest so far, within [ReplyMinMs,
// StreamQuietMs]. Waiting too little only asks for a value twice.
constexpr int StreamQuietMs = 400;
constexpr int StreamQuietMinMs = 100;
constexpr int StreamQuietFactor = 8;
constexpr int ReplyMinMs = 5;
constexpr int ReplyFactor = 4;
constexpr int FillWindow = 32;   // single reads outstanding at a time
constexpr int FillFruitless = 3; // rounds in a row without an answer before the whole list again

QTextStream &err()
{
    return cliErr();
}

// The last failure printed: the reason a failed write's record keeps.
QString &lastFailure()
{
    static QString text;
    return text;
}

int fail(int code, const QString &text)
{
    lastFailure() = text;
    return cliFail("params", code, text);
}

int runList(MavlinkSession &session, double timeoutS)
{
    // The whole list is asked for once. When its stream has ended (the last index arrived, or
    // StreamQuietMs without a new value) the missing indexes are asked for one by one
    // (PARAM_REQUEST_READ), at most FillWindow outstanding, as other ground stations do; those whose
    // answer is lost are asked for again in the next round. The whole list is asked for again only
    // after FillFruitless rounds in a row that brought nothing, or when nothing arrived within
    // timeoutS.
    ParamListCollector list;
    QEventLoop loop;
    QTimer idle;
    idle.setSingleShot(true);
    QElapsedTimer clock;
    clock.start();
    int requests = 0, reads = 0, fruitless = 0;
    bool filling = false;
    bool roundBroughtSome = false;
    QVector<quint16> pending;           // missing indexes of this round not yet asked for
    QHash<quint16, qint64> outstanding; // asked for, not yet answered: when
    qint64 slowestReplyMs = 0, longestGapMs = 0, lastValueMs = -1;
    const int quietMs = std::min(int(timeoutS * 1000), StreamQuietMs);
    const auto bounded = [&](qint64 ms, int least) {
        return int(std::clamp<qint64>(ms, std::min(least, quietMs), quietMs));
    };
    const auto replyWaitMs = [&] {
        return bounded(ReplyFactor * slowestReplyMs, ReplyMinMs);
    };
    const auto request = [&] {
        ++requests;
        filling = false;
        lastValueMs = -1;
        fruitless = 0;
        pending.clear();
        outstanding.clear();
        emit session.link()->requestParamListSignal();
        idle.start(int(timeoutS * 1000));
    };
    const auto askMore = [&] {
        while (outstanding.size() < FillWindow && !pending.isEmpty()) {
            const quint16 index = pending.takeFirst();
            outstanding.insert(index, clock.elapsed());
            session.link()->requestParamRead(index);
            ++reads;
        }
    };
    const auto startRound = [&] {
        filling = true;
        roundBroughtSome = false;
        outstanding.clear();
        pending = list.missing(65535);
        askMore();
        idle.start(replyWaitMs());
    };
    QObject::connect(session.link(), &MavlinkHandler::recParamInfo, &loop,
                     [&](double value, ushort count, ushort index, QString name, uchar type) {
                         if (!list.add(index, count, name, value, type))
                             return;
                         if (list.isComplete()) {
                             loop.quit();
                             return;
                         }
                         if (!filling) {
                             const qint64 now = clock.elapsed();
                             if (lastValueMs >= 0)
                                 longestGapMs = std::max(longestGapMs, now - lastValueMs);
                             lastValueMs = now;
                             if (index + 1 == count)
                                 startRound(); // the stream has ended
                             else
                                 idle.start(bounded(StreamQuietFactor * longestGapMs, StreamQuietMinMs));
                             return;
                         }
                         roundBroughtSome = true;
                         const auto it = outstanding.constFind(index);
                         if (it != outstanding.constEnd()) {
                             slowestReplyMs = std::max(slowestReplyMs, clock.elapsed() - it.value());
                             outstanding.erase(it);
                         }
                         askMore();
                         idle.start(replyWaitMs());
                     });
    QObject::connect(&idle, &QTimer::timeout, &loop, [&] {
        if (list.expected() > 0) {
            fruitless = !filling || roundBroughtSome ? 0 : fruitless + 1;
            if (fruitless < FillFruitless) {
                startRound(); // what is still missing, again
                return;
            }
        }
        if (requests <= ListRetries) {
            err() << "params: list incomplete after " << (list.expected() ? quietMs / 1000.0 : timeoutS)
                  << " s without a new value (" << list.received() << " of " << list.expected() << "), requesting again"
                  << Qt::endl;
            request();
        } else {
            loop.quit();
        }
    });
    request();
    loop.exec();
    if (list.isComplete())
        err() << "params: " << list.expected() << " parameters in " << clock.elapsed() << " ms (" << requests
              << " list requests, " << reads << " single reads)" << Qt::endl;
    if (!list.isComplete()) {
        err() << "incomplete: got " << list.received() << " of " << list.expected() << Qt::endl;
        return 1;
    }
    QTextStream out(stdout);
    for (const ParamListCollector::Entry &e : list.entries())
        out << e.name << ',' << ParamText::formatValue(e.value, e.type) << '\n';
    out.flush();
    return 0;
}

int runSet(MavlinkSession &session, const QByteArray &name, const QString &text, double value, int type)
{
    // Whether the value travels exactly depends on how the unit carries integers, known now that the
    // link follows it (its AUTOPILOT_VERSION is asked for on its heartbeat: given a moment).
    if (session.link()->unit().fromHeartbeat && !session.link()->unit().haveCapabilities) {
        QEventLoop wait;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &wait, [&] {
            if (session.link()->unit().haveCapabilities)
                wait.quit();
        });
        poll.start(10);
        QTimer::singleShot(CapabilitiesWaitMs, &wait, &QEventLoop::quit);
        wait.exec();
    }
    const bool bytewise = session.link()->paramEncoding() == MavlinkLinkEngine::ParamEncoding::Bytewise;
    const QString problem = ParamValueCheck::carrierProblem(text, value, type, bytewise);
    if (!problem.isEmpty())
        return fail(2, QStringLiteral("set %1: %2").arg(QString::fromLatin1(name), problem));

    bool echoed = false;
    double echo = 0;
    quint8 echoType = 0;
    QEventLoop loop;
    QObject::connect(session.link(), &MavlinkHandler::recParamInfo, &loop,
                     [&](double v, ushort, ushort, QString n, uchar t) {
                         if (n.toLatin1() == name.left(16)) {
                             echoed = true;
                             echo = v;
                             echoType = t;
                             loop.quit();
                         }
                     });
    QTimer wait;
    wait.setSingleShot(true);
    QObject::connect(&wait, &QTimer::timeout, &loop, &QEventLoop::quit);
    for (int attempt = 1; attempt <= SetAttempts && !echoed; ++attempt) {
        emit session.link()->setParamValueSignal(name, value, ushort(type));
        wait.start(SetEchoWaitMs);
        loop.exec();
        if (!echoed && attempt < SetAttempts)
            err() << "params: no echo of " << name << " within " << SetEchoWaitMs << " ms, retrying" << Qt::endl;
    }
    if (!echoed)
        return fail(1, QStringLiteral("set %1: no PARAM_VALUE echo after %2 attempts")
                           .arg(QString::fromLatin1(name))
                           .arg(SetAttempts));
    QTextStream(stdout) << name << ',' << ParamText::formatValue(echo, echoType) << Qt::endl;
    if (echo != value)
        return fail(1, QStringLiteral("set %1: the unit kept %2, not %3")
                           .arg(QString::fromLatin1(name), ParamText::formatValue(echo, echoType),
                                ParamText::formatValue(value, quint8(type))));
    return 0;
}

int runParams(const QStringList &argsIn)
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
        return fail(2, QStringLiteral("expected \"list\" or \"set NAME VALUE\""));
    const QString sub = args.takeFirst();

    double timeoutS = DefaultListTimeoutS;
    int type = 9;
    bool verbose = false;
    QStringList positional;
    for (int i = 0; i < args.size(); ++i) {
        bool ok = true;
        if (args[i] == QLatin1String("--timeout") && i + 1 < args.size()) {
            timeoutS = args[++i].toDouble(&ok);
            if (!ok || !(timeoutS > 0))
                return fail(2, QStringLiteral("--timeout takes seconds greater than 0"));
        } else if (args[i] == QLatin1String("--type") && i + 1 < args.size()) {
            type = args[++i].toInt(&ok);
            if (!ok || type < 1 || type > 10)
                return fail(2, QStringLiteral("--type takes a MAV_PARAM_TYPE code 1..10"));
        } else if (args[i] == QLatin1String("--verbose")) {
            verbose = true;
        } else if (args[i].startsWith(QLatin1String("--")) && args[i] != QLatin1String("--")) {
            return fail(2, QStringLiteral("unknown option \"%1\"").arg(args[i]));
        } else {
            positional << args[i];
        }
    }

    QByteArray name;
    QString valueText;
    double value = 0;
    if (sub == QLatin1String("list")) {
        if (!positional.isEmpty())
            return fail(2, QStringLiteral("list takes no arguments"));
    } else if (sub == QLatin1String("set")) {
        if (positional.size() != 2)
            return fail(2, QStringLiteral("set takes NAME VALUE"));
        const QString nameProblem = ParamValueCheck::nameProblem(positional[0]);
        if (!nameProblem.isEmpty())
            return fail(2, nameProblem);
        name = positional[0].toLatin1();
        // The value as the declared type holds it; never rounded silently. Whether the unit's float
        // field carries it exactly is checked once the unit is known (runSet).
        valueText = positional[1];
        const ParamValueCheck::Result checked = ParamValueCheck::check(positional[1], type);
        if (!checked.ok)
            return fail(2, QStringLiteral("set %1: %2").arg(positional[0], checked.reason));
        if (!checked.note.isEmpty())
            err() << "params: " << checked.note << Qt::endl;
        value = checked.value;
    } else {
        return fail(2, QStringLiteral("unknown subcommand \"%1\"").arg(sub));
    }

    if (!verbose)
        QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    MavlinkSession session(link, QStringLiteral("params"), ownIds);
    if (!session.open())
        return fail(1, QStringLiteral("cannot open %1").arg(link.describe()));
    session.waitForUnit();
    const MavlinkSession::UnitReportAtEnd reportUnit{session};
    if (sub == QLatin1String("list"))
        return runList(session, timeoutS);
    const int code = runSet(session, name, valueText, value, type);
    // The old value is not known here: params set does not read the parameter before writing it.
    recorder.record(ProductionRecord::make(
        QString::fromLatin1(RecordOp::MavParamSet), session.unitKey(),
        code == 0 ? ProductionRecord::Result::Ok : ProductionRecord::Result::Failed, code == 0 ? QString() : lastFailure(),
        QJsonObject{{QStringLiteral("name"), QString::fromLatin1(name)},
                    {QStringLiteral("old"), QString()},
                    {QStringLiteral("new"), ParamText::formatValue(value, quint8(type))},
                    {QStringLiteral("type"), type}}));
    return recorder.finish("params", code);
}

CommandTable::Registrar reg(cliCommands(), "params",
                            "params [LINK] list [--timeout S] [--verbose] | params [LINK] set NAME VALUE [--type T] "
                            "[--verbose]\n"
                            "  LINK: --serial PATH [--baud N] | --udp [IP:]PORT --target IP:PORT "
                            "(default 127.0.0.1:7001 -> 127.0.0.1:7000)\n"
                            "  --sysid N --compid N: the program's own MAVLink ids (default 0 0)\n"
                            "  set is kept in the production record: [--no-record] [--station NAME] [--operator NAME]\n"
                            "  [--db PATH|postgresql://USER@HOST:PORT/DBNAME] (exit 3: not stored)",
                            &runParams);
} // namespace
