// zorvan-sim fmu: the simulated flight-control unit (MAVLink 2 parameter and log services).
#include "sim/FmuLogs.h"
#include "sim/FmuParams.h"
#include "sim/FmuUnit.h"
#include "sim/ParacfgWriter.h"
#include "sim/SimEndpoint.h"
#include "sim/SimModes.h"

#include <QCoreApplication>
#include <QTextStream>

#include <iterator>

namespace {
int usageError(const QString &text)
{
    QTextStream(stderr) << "fmu: " << text << "\n";
    return 2;
}

int runFmu(const QStringList &argsIn)
{
    QStringList args = argsIn;
    SimEndpoint endpoint;
    if (!endpoint.parseOptions(args))
        return usageError(endpoint.error());

    FmuUnit::Options options;
    QString paramsFile;
    QString paracfgFile;
    FmuLogService::Options logOptions;
    QVector<FmuLog> logs = FmuLogService::defaultLogs();
    bool logsGiven = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        const bool hasValue = i + 1 < args.size();
        bool ok = true;
        if (a == QLatin1String("--v1")) {
            options.v1 = true;
        } else if (a == QLatin1String("--split")) {
            options.split = true;
        } else if (a == QLatin1String("--params") && hasValue) {
            paramsFile = args[++i];
        } else if (a == QLatin1String("--write-paracfg") && hasValue) {
            paracfgFile = args[++i];
        } else if (a == QLatin1String("--drop") && hasValue) {
            options.dropPercent = args[++i].toDouble(&ok);
            if (!ok || options.dropPercent < 0 || options.dropPercent > 100)
                return usageError(QStringLiteral("--drop takes a percentage 0..100"));
        } else if (a == QLatin1String("--seed") && hasValue) {
            options.seed = args[++i].toUInt(&ok);
            if (!ok)
                return usageError(QStringLiteral("--seed takes an unsigned number"));
        } else if (a == QLatin1String("--logs") && hasValue) {
            QString error;
            if (!FmuLogService::parseLogList(args[++i], logs, error))
                return usageError(QStringLiteral("--logs: ") + error);
            logsGiven = true;
        } else if (a == QLatin1String("--dup") && hasValue) {
            logOptions.dupPercent = args[++i].toDouble(&ok);
            if (!ok || logOptions.dupPercent < 0 || logOptions.dupPercent > 100)
                return usageError(QStringLiteral("--dup takes a percentage 0..100"));
        } else if (a == QLatin1String("--reorder")) {
            logOptions.reorder = true;
        } else if (a == QLatin1String("--late-ms") && hasValue) {
            logOptions.lateMs = args[++i].toInt(&ok);
            if (!ok || logOptions.lateMs < 0)
                return usageError(QStringLiteral("--late-ms takes milliseconds"));
        } else if (a == QLatin1String("--rate") && hasValue) {
            options.rateHz = args[++i].toDouble(&ok);
            if (!ok || options.rateHz < 0)
                return usageError(QStringLiteral("--rate takes a frequency in Hz (0 = unpaced)"));
        } else if (a == QLatin1String("--autopilot") && hasValue) {
            if (!FmuPersonality::parseFamily(args[++i], options.personality.family))
                return usageError(QStringLiteral("--autopilot takes ardupilot or px4"));
        } else if (a == QLatin1String("--enforce-gcs-sysid") && hasValue) {
            options.personality.enforceGcsSysid = args[++i].toInt(&ok);
            if (!ok || options.personality.enforceGcsSysid < 0 || options.personality.enforceGcsSysid > 255)
                return usageError(QStringLiteral("--enforce-gcs-sysid takes a system id 0..255"));
        } else if (a == QLatin1String("--components") && hasValue) {
            options.components = args[++i].toInt(&ok);
            if (!ok || options.components < 0 || options.components > int(std::size(FmuUnit::ComponentIds)))
                return usageError(QStringLiteral("--components takes 0..%1").arg(std::size(FmuUnit::ComponentIds)));
        } else if (a == QLatin1String("--tunnel")) {
            options.tunnel = true;
        } else {
            return usageError(QStringLiteral("unknown option \"%1\"").arg(a));
        }
    }
    if (options.personality.logsFromZero() && !logsGiven) {
        for (FmuLog &log : logs) // the same logs, numbered from 0
            log.id = quint16(log.id - 1);
    }

    QVector<FmuParam> params = FmuParams::builtin();
    if (!paramsFile.isEmpty()) {
        QString error;
        if (!FmuParams::readFile(paramsFile, params, error))
            return usageError(error);
    }
    if (!paracfgFile.isEmpty()) {
        // Writes the description workbook of these parameters and ends, serving nothing.
        QString error;
        if (!ParacfgWriter::write(paracfgFile, params, error)) {
            QTextStream(stderr) << "fmu: " << error << "\n";
            return 1;
        }
        return 0;
    }
    if (!endpoint.open())
        return usageError(endpoint.error());
    FmuUnit unit(&endpoint, params, options);
    logOptions.seed = options.seed;
    FmuLogService logService(&unit, &endpoint, logs, logOptions);
    endpoint.announce();
    return QCoreApplication::exec();
}

CommandTable::Registrar
    reg(simModes(), "fmu",
        "fmu [--pty | --device PATH | --udp [IP:]PORT [--target IP:PORT]] [--params FILE] "
        "[--drop PERCENT] [--seed N] [--v1] [--split] [--rate HZ] [--logs ID:SIZE,...] [--dup PERCENT] "
        "[--reorder] [--late-ms MS] [--autopilot ardupilot|px4] [--enforce-gcs-sysid N] [--components N] "
        "[--tunnel] | fmu [--params FILE] --write-paracfg FILE",
        &runFmu);
} // namespace
