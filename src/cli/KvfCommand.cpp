// zorvan-cli kvf pack|inspect: the firmware generator's containers from a script.
#include "cli/CliCommands.h"
#include "core/kvf/Kavo_BoardID.h"
#include "core/kvf/KvfContainer.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace {

int pack(const QStringList &args)
{
    QTextStream out(stdout), err(stderr);
    QString input, output, name;
    bool nameGiven = false;
    int boardId = -1;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--board-id") && hasValue) {
            bool ok = false;
            const QString v = args[++i];
            boardId = v.toInt(&ok);
            if (!ok || boardId < 1 || boardId > 65535) {
                err << "kvf pack: board id must be 1..65535, got " << v << "\n";
                return 1;
            }
        } else if (a == QLatin1String("--board-name") && hasValue) {
            name = args[++i];
            nameGiven = true;
        } else if (a == QLatin1String("-o") && hasValue) {
            output = args[++i];
        } else if (!a.startsWith(QLatin1Char('-')) && input.isEmpty()) {
            input = a;
        } else {
            err << "kvf pack: unexpected argument " << a << "\n";
            return 2;
        }
    }
    if (input.isEmpty() || boardId < 0) {
        err << "usage: zorvan-cli kvf pack IN.bin --board-id N [--board-name TEXT] [-o OUT.kvf]\n";
        return 2;
    }
    if (!nameGiven)
        name = Kavo_BoardID::boardName(uint(boardId));
    const QByteArray nameUtf8 = name.toUtf8();
    if (nameUtf8.size() > Kvf::NameSize) {
        err << "kvf pack: board name is " << nameUtf8.size() << " UTF-8 bytes, at most " << Kvf::NameSize << " fit\n";
        return 1;
    }
    QFile in(input);
    if (!in.open(QIODevice::ReadOnly)) {
        err << "kvf pack: cannot read " << input << ": " << in.errorString() << "\n";
        return 1;
    }
    const QByteArray image = in.readAll();
    QByteArray container;
    Kvf::build(nameUtf8, quint16(boardId), image, container);
    if (output.isEmpty()) {
        // The generator window's name: ./KVF/<name>-<id>-<yyyyMMdd-hhmmss>.kvf
        QDir().mkpath(QStringLiteral("./KVF"));
        output = QStringLiteral("./KVF/") + name + QLatin1Char('-') + QString::number(boardId) + QLatin1Char('-') +
                 QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss")) + QStringLiteral(".kvf");
    }
    QFile f(output);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(container) != container.size()) {
        err << "kvf pack: cannot write " << output << ": " << f.errorString() << "\n";
        return 1;
    }
    f.close();
    out << output << "\n";
    return 0;
}

int inspect(const QStringList &args)
{
    QTextStream out(stdout), err(stderr);
    if (args.size() != 1) {
        err << "usage: zorvan-cli kvf inspect FILE.kvf\n";
        return 2;
    }
    const QFileInfo info(args.first());
    if (info.exists() && !info.isFile()) {
        err << "kvf inspect: " << args.first() << ": not a regular file\n";
        return 1;
    }
    if (info.size() > Kvf::MaxFileSize) {
        err << "kvf inspect: " << args.first() << ": " << info.size() << " bytes, more than the "
            << Kvf::MaxFileSize / (1024 * 1024) << " MiB a firmware container can have\n";
        return 1;
    }
    QFile f(args.first());
    if (!f.open(QIODevice::ReadOnly)) {
        err << "kvf inspect: cannot read " << args.first() << ": " << f.errorString() << "\n";
        return 1;
    }
    const Kvf::Contents k = Kvf::read(f.readAll());
    if (k.status == Kvf::Contents::SizeError && k.fileSize < Kvf::HeaderSize) {
        out << "firmware size err\n";
        err << "kvf inspect: " << k.fileSize << " bytes, shorter than the " << Kvf::HeaderSize << "-byte header\n";
        return 1;
    }
    out << "board name: " << k.boardName << "\n";
    out << "board id: " << k.boardId << "\n";
    out << "image size: " << k.imageSize << "\n";
    if (k.status == Kvf::Contents::SizeError) {
        out << "firmware size err\n";
        err << "kvf inspect: file has " << k.fileSize << " bytes, header says " << Kvf::HeaderSize << " + "
            << k.imageSize << "\n";
        return 1;
    }
    out << "md5: " << k.storedDigest.toHex() << "\n";
    if (!k.isValid()) {
        out << "md5 mismatch\n";
        err << "kvf inspect: image md5 is " << k.computedDigest.toHex() << "\n";
        return 1;
    }
    out << "valid\n";
    return 0;
}

int runKvf(const QStringList &args)
{
    if (!args.isEmpty() && args.first() == QLatin1String("pack"))
        return pack(args.mid(1));
    if (!args.isEmpty() && args.first() == QLatin1String("inspect"))
        return inspect(args.mid(1));
    if (!args.isEmpty())
        QTextStream(stderr) << "kvf: unknown operation " << args.first() << "\n";
    QTextStream(stderr) << "usage: zorvan-cli kvf pack IN.bin --board-id N [--board-name TEXT] [-o OUT.kvf]\n"
                           "       zorvan-cli kvf inspect FILE.kvf\n";
    return 2;
}

CommandTable::Registrar reg(cliCommands(), "kvf",
                            "kvf pack IN.bin --board-id N [--board-name TEXT] [-o OUT.kvf] | kvf inspect FILE.kvf",
                            &runKvf);

} // namespace
