#include "core/formats/ParamFile.h"

#include "core/flylink/TelemetryRecord.h"
#include "core/mavlink/ParamList.h"

#include <QFile>
#include <QSaveFile>

ParamFileHeader ParamFileHeader::fromBoard(const FlyBoardInfoView &board)
{
    ParamFileHeader h;
    for (int i = 0; i < 3; ++i)
        h.uid[i] = board.uid(i);
    h.boardType = board.boardType();
    h.firmware = board.firmwareVersion();
    h.protocolWord = board.protocolWord();
    h.serialNumber = board.serialNumber();
    return h;
}

QString ParamFileHeader::uuid() const
{
    return QString::asprintf("%08X%08X%08X", uid[0], uid[1], uid[2]);
}

QStringList ParamFileHeader::lines() const
{
    return {QStringLiteral("HWInfo:") + QString::number(boardType),
            QStringLiteral("SerialNum:") + FlyText::serialNumberText(serialNumber),
            QStringLiteral("UDID:") + uuid(),
            QStringLiteral("FW_Version:") + FlyText::firmwareText(firmware),
            QStringLiteral("Link_Version:") + FlyText::protocolText(protocolWord)};
}

QString ParamFileHeader::hwInfoLine() const
{
    return QString::number(boardType) + QLatin1Char(',') + FlyText::firmwareText(firmware) + QLatin1Char(',') +
           FlyText::protocolText(protocolWord) + QLatin1Char(',') + FlyText::serialNumberText(serialNumber) +
           QStringLiteral(",UUID:") + uuid();
}

QString ParamFileHeader::fileName(const QDate &day) const
{
    return QString::number(boardType) + QLatin1Char('-') + uuid() + QLatin1Char('-') +
           day.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".param");
}

namespace ParamFile {
namespace {
bool writeWhole(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = path + QStringLiteral(": ") + file.errorString();
        return false;
    }
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = path + QStringLiteral(": ") + file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}
} // namespace

QString separator()
{
    return QString(22, QLatin1Char('>')) + QStringLiteral("ParamStart") + QString(21, QLatin1Char('<'));
}

QByteArray format(const ParamFileHeader &header, const QList<ParamFileEntry> &params)
{
    QString text = header.lines().join(QLatin1Char('\n')) + QLatin1Char('\n');
    text += QLatin1Char('\n') + separator() + QLatin1Char('\n');
    for (const ParamFileEntry &p : params)
        text += p.name + QLatin1Char(',') + QString::number(double(p.value), 'g', 6) + QLatin1Char('\n');
    return text.toUtf8();
}

Parsed parse(const QByteArray &text)
{
    Parsed out;
    const QList<QByteArray> lines = text.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        QString line = QString::fromUtf8(lines[i]);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (!out.sawStart) {
            // Only the first such line is the separator: a later parameter such as MIS_RESTART is data.
            out.sawStart = line.contains(QLatin1String("start"), Qt::CaseInsensitive);
            continue;
        }
        if (line.trimmed().isEmpty())
            continue;
        const QStringList parts = line.split(QLatin1Char(','), Qt::SkipEmptyParts);
        float value = 0.0f;
        // Not a finite number ("nan", "inf" included) is a bad line, never a value for the unit.
        const bool ok = parts.size() >= 2 && ParamText::parseFloat(parts[1], value);
        const QString name = parts.isEmpty() ? QString() : parts[0].trimmed();
        if (!ok || name.isEmpty()) {
            out.bad.append(BadLine{i + 1, line});
            continue;
        }
        out.values.insert(name, value);
    }
    return out;
}

QString badLinesText(const QList<BadLine> &bad)
{
    QStringList parts;
    for (const BadLine &b : bad)
        parts << QStringLiteral("line %1: %2").arg(b.line).arg(b.text);
    return parts.join(QStringLiteral("; "));
}

bool save(const QString &path, const ParamFileHeader &header, const QList<ParamFileEntry> &params, QString *error)
{
    return writeWhole(path, format(header, params), error);
}

bool load(const QString &path, Parsed *parsed, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = path + QStringLiteral(": ") + file.errorString();
        return false;
    }
    *parsed = parse(file.readAll());
    return true;
}

bool appendHwInfo(const QString &path, const ParamFileHeader &header, QString *error)
{
    QByteArray bytes;
    QFile old(path);
    if (old.exists()) {
        if (!old.open(QIODevice::ReadOnly)) {
            if (error)
                *error = path + QStringLiteral(": ") + old.errorString();
            return false;
        }
        bytes = old.readAll();
    }
    bytes += header.hwInfoLine().toUtf8() + "\r\n";
    return writeWhole(path, bytes, error);
}

QList<Difference> diff(const QMap<QString, float> &unit, const QMap<QString, float> &file)
{
    QList<Difference> out;
    for (auto it = file.constBegin(); it != file.constEnd(); ++it) {
        const auto u = unit.constFind(it.key());
        if (u == unit.constEnd())
            out.append(Difference{it.key(), false, 0.0f, it.value()});
        else if (!sameValue(double(u.value()), double(it.value())))
            out.append(Difference{it.key(), true, u.value(), it.value()});
    }
    return out;
}
} // namespace ParamFile
