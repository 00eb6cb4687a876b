#include "cli/FlashOutput.h"

#include "link/BootloaderRun.h"
#include "link/BootloaderPort.h"
#include "core/bootloader/UpgradeEngine.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <cstdio>

namespace {
void writeLine(FILE *stream, const QString &line)
{
    QTextStream out(stream);
    out << line << '\n';
    out.flush();
}
} // namespace

QString FlashOutput::prefixed(const BootloaderRun &unit, const QString &text) const
{
    return m_portPrefix ? QStringLiteral(" [") + unit.port() + QStringLiteral("] ") + text : text;
}

void FlashOutput::report(const BootloaderRun &unit, const QString &text)
{
    const QString line = BootloaderPort::logLine(prefixed(unit, text));
    if (m_format == Json) {
        writeLine(stderr, line);
        json(unit, text, false);
    } else {
        writeLine(stdout, line);
    }
}

void FlashOutput::progress(const BootloaderRun &unit, int percent)
{
    if (m_format == Json)
        json(unit, QString(), false);
    else if (percent > 0)
        writeLine(stderr, (m_portPrefix ? QStringLiteral("[") + unit.port() + QStringLiteral("] ") : QString()) +
                              QStringLiteral("progress ") + QString::number(percent) + QLatin1Char('%'));
}

void FlashOutput::stateChanged(const BootloaderRun &unit)
{
    if (m_format == Json)
        json(unit, QString(), false);
}

void FlashOutput::ended(const BootloaderRun &unit)
{
    if (m_format == Json && !unit.result().isEmpty())
        json(unit, unit.resultText(), true);
}

void FlashOutput::json(const BootloaderRun &unit, const QString &message, bool withResult)
{
    QJsonObject o;
    o.insert(QStringLiteral("port"), unit.port());
    o.insert(QStringLiteral("serial"), unit.serial().isEmpty() ? QJsonValue() : QJsonValue(unit.serial()));
    o.insert(QStringLiteral("state"), QLatin1String(UpgradeEngine::stateName(unit.engineState())));
    o.insert(QStringLiteral("percent"), unit.percent());
    o.insert(QStringLiteral("bytes"), unit.bytesWritten());
    o.insert(QStringLiteral("result"),
             withResult && !unit.result().isEmpty() ? QJsonValue(unit.result()) : QJsonValue());
    o.insert(QStringLiteral("message"), message.isEmpty() ? QJsonValue() : QJsonValue(message));
    writeLine(stdout, QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)));
}

void FlashOutput::summary(const QString &port, const QString &serial, const QString &result, const QString &message,
                          double seconds)
{
    if (m_format == Json) {
        QJsonObject o;
        o.insert(QStringLiteral("summary"), true);
        o.insert(QStringLiteral("port"), port);
        o.insert(QStringLiteral("serial"), serial.isEmpty() ? QJsonValue() : QJsonValue(serial));
        o.insert(QStringLiteral("result"), result);
        o.insert(QStringLiteral("message"), message);
        o.insert(QStringLiteral("seconds"), qRound(seconds * 10) / 10.0);
        writeLine(stdout, QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)));
        return;
    }
    writeLine(stdout, BootloaderPort::logLine(QStringLiteral(" summary [") + port + QStringLiteral("] serial ") +
                                              (serial.isEmpty() ? QStringLiteral("none") : serial) + QLatin1Char(' ') +
                                              result + QLatin1Char(' ') + QString::number(seconds, 'f', 1) +
                                              QStringLiteral(" s: ") + message));
}
