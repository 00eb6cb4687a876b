#include "cli/InsCaliCommands.h"

#include "factory/link/FlyLink.h"

#include <QJsonArray>
#include <QString>

#include <climits>
#include <cstdio>
#include <iostream>
#include <string>

namespace {
constexpr quint8 AccSuccess = 7;
constexpr quint8 AccFailure = 8;
constexpr quint8 MagSuccess = 4;

void out(const QString &line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

int fail(const QString &text)
{
    std::fprintf(stderr, "%s\n", text.toUtf8().constData());
    return 1;
}

QString accText(quint8 state)
{
    return QString::fromLatin1(FlyText::accCaliStateSource(state));
}

// A compass's calibration is over: success, failure, wrong direction or radius error.
bool magEnded(quint8 status)
{
    return status >= MagSuccess && status <= 7;
}
} // namespace

int runInsAccCali(const InsCaliSession &s, bool wait)
{
    const quint8 before = s.record().accCaliState();
    s.link->StartAcc3DCali();
    quint8 state = 0;
    // The unit answers the start with placement 1 (a unit left at 7 or 8 by an earlier run moves on).
    if (!s.waitFor(
            [&] {
                state = s.record().accCaliState();
                return s.lost() || (state != 0 && (state != before || (state >= 1 && state <= 6)));
            },
            s.timeoutMs, {}) ||
        s.lost())
        return fail(QStringLiteral("acc-cali: the unit did not start the calibration"));

    QJsonArray faces;
    auto note = [&](const QString &final) {
        if (!s.details)
            return;
        s.details->insert(QStringLiteral("faces"), faces);
        s.details->insert(QStringLiteral("final"), final);
    };
    while (state >= 1 && state <= 6) {
        out(QStringLiteral("placement %1/6: %2").arg(state).arg(accText(state)));
        faces.append(QJsonObject{{QStringLiteral("placement"), int(state)}, {QStringLiteral("state"), accText(state)}});
        if (wait) {
            out(QStringLiteral("press Enter when the unit lies still in that placement"));
            std::string line;
            if (!std::getline(std::cin, line))
                return fail(QStringLiteral("acc-cali: input ended before the calibration did"));
        }
        const quint8 asked = state;
        s.link->StartAcc3DCaliNextFace();
        if (!s.waitFor(
                [&] {
                    state = s.record().accCaliState();
                    return s.lost() || state != asked;
                },
                s.timeoutMs, {}) ||
            s.lost()) {
            s.link->StopAcc3DCali();
            note(QStringLiteral("no answer"));
            return fail(QStringLiteral("acc-cali: the unit stopped answering at placement %1").arg(asked));
        }
    }
    out(accText(state));
    note(accText(state));
    if (state == AccSuccess)
        return 0;
    if (state != AccFailure)
        return fail(QStringLiteral("acc-cali: unexpected state %1").arg(state));
    return 1;
}

int runInsMagCali(const InsCaliSession &s)
{
    s.link->DoMagCali();
    auto compasses = [&](const TelemetryRecord &r) {
        return qMax(int(r.compassCount()), int(r.magProgressCount()));
    };
    if (!s.waitFor([&] { return s.lost() || s.record().magProgressCount() > 0; }, s.timeoutMs, {}) || s.lost())
        return fail(QStringLiteral("mag-cali: the unit reported no progress"));

    // Progress per compass; silence for longer than the time-out ends the run.
    QByteArray last;
    qint64 quietMs = 0;
    bool allEnded = false;
    auto report = [&] {
        const TelemetryRecord r = s.record();
        const int n = qMin(compasses(r), TelemetryRecord::MaxInstances);
        QByteArray now;
        allEnded = n > 0;
        for (int i = 0; i < n; ++i) {
            const FlyMagProgressView p = r.magProgress(i);
            now.append(char(p.status())).append(char(p.percent()));
            out(QStringLiteral("Compass%1: %2% %3")
                    .arg(i + 1)
                    .arg(p.percent())
                    .arg(QString::fromLatin1(FlyText::magCaliStatusSource(p.status()))));
            allEnded = allEnded && i < r.magProgressCount() && magEnded(p.status());
        }
        quietMs = now == last ? quietMs + 1000 : 0;
        last = now;
    };
    // report() runs at once and then once a second; the wait ends when every compass ended.
    s.waitFor([&] { return allEnded || s.lost() || quietMs > s.timeoutMs; }, INT_MAX, report);
    if (s.lost())
        return fail(QStringLiteral("mag-cali: the unit stopped answering"));
    if (!allEnded) {
        s.link->StopMagCali();
        return fail(QStringLiteral("mag-cali: no progress for %1 s").arg(s.timeoutMs / 1000));
    }
    const TelemetryRecord r = s.record();
    bool all = true;
    QJsonArray each;
    for (int i = 0; i < compasses(r); ++i) {
        const FlyMagProgressView p = r.magProgress(i);
        each.append(QJsonObject{{QStringLiteral("compass"), i + 1},
                                {QStringLiteral("status"), QString::fromLatin1(FlyText::magCaliStatusSource(p.status()))},
                                {QStringLiteral("percent"), int(p.percent())}});
        all = all && p.status() == MagSuccess;
    }
    if (s.details)
        s.details->insert(QStringLiteral("compasses"), each);
    return all ? 0 : 1;
}
