#include "cli/LinkOptions.h"

#include "core/util/HostPort.h"

bool LinkOptions::parse(QStringList &args, LinkOptions &out, QString &error)
{
    QStringList rest;
    bool udp = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        const bool takesValue = a == QLatin1String("--serial") || a == QLatin1String("--baud") ||
                                a == QLatin1String("--udp") || a == QLatin1String("--target");
        if (!takesValue) {
            rest << a;
            continue;
        }
        if (i + 1 >= args.size()) {
            error = a + QStringLiteral(" needs a value");
            return false;
        }
        const QString v = args[++i];
        out.given = true;
        if (a == QLatin1String("--serial")) {
            out.serial = true;
            out.serialPath = v;
        } else if (a == QLatin1String("--baud")) {
            bool ok = false;
            out.baud = v.toInt(&ok);
            if (!ok || out.baud < 0) {
                error = QStringLiteral("--baud: not a baud rate: ") + v;
                return false;
            }
        } else if (a == QLatin1String("--udp")) {
            udp = true;
            if (!parseHostPort(v, out.localIp, out.localPort, true)) {
                error = QStringLiteral("--udp: expected [IP:]PORT, got ") + v;
                return false;
            }
        } else if (!parseHostPort(v, out.targetIp, out.targetPort, false)) {
            error = QStringLiteral("--target: expected IP:PORT, got ") + v;
            return false;
        }
    }
    if (out.serial && udp) {
        error = QStringLiteral("--serial and --udp exclude each other");
        return false;
    }
    args = rest;
    return true;
}

QString LinkOptions::describe() const
{
    if (serial)
        return QStringLiteral("serial %1 @%2").arg(serialPath).arg(baud > 0 ? baud : DefaultBaud);
    return QStringLiteral("udp %1:%2 -> %3:%4")
        .arg(localIp.toString())
        .arg(localPort)
        .arg(targetIp.toString())
        .arg(targetPort);
}
