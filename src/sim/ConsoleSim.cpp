// zorvan-sim console: the flight-control unit's text console. Answers every line that ends in CR
// (the Shell tab's line end) with short, plausible text, some of it coloured with ANSI escape
// sequences, followed by the prompt "nsh> ". "burst N" answers N bytes of filler for throughput tests.
#include "sim/SimEndpoint.h"
#include "sim/SimModes.h"

#include <QCoreApplication>
#include <QMap>

#include <cstdio>
#include <functional>

namespace {
constexpr const char *Prompt = "nsh> ";
constexpr int MaxBurst = 256 * 1024 * 1024;
constexpr int MaxLine = 4096; // a longer line without CR is answered as it stands
constexpr int UdpChunk = 1024;

const char *const Green = "\x1b[32m";
const char *const Yellow = "\x1b[33m";
const char *const Cyan = "\x1b[36m";
const char *const Bold = "\x1b[1m";
const char *const Reset = "\x1b[0m";

QByteArray coloured(const char *colour, const QByteArray &text)
{
    return QByteArray(colour) + text + Reset;
}

class ConsoleUnit : public QObject
{
public:
    explicit ConsoleUnit(SimEndpoint *endpoint) : endpoint(endpoint)
    {
        answers = {
            {"help",
             [] {
                 return help();
             }},
            {"ps",
             [] {
                 return ps();
             }},
            {"free",
             [] {
                 return QByteArray("             total       used       free    largest\r\n"
                                   "Umem:       387088     201936     185152     176768\r\n");
             }},
            {"airspeed",
             [] {
                 return "airspeed: " + coloured(Green, "healthy") +
                        ", 0.00 m/s, differential pressure 0.12 Pa, temperature 24.5 C\r\n";
             }},
            {"reboot",
             [] {
                 return coloured(Yellow, "Rebooting Zorvan...") + "\r\n\r\nZorvan FMU v1.2.4 " +
                        coloured(Green, "ready") + "\r\n";
             }},
            {"factory",
             [] {
                 return coloured(Yellow, "factory reset: parameters restored to defaults") + "\r\n";
             }},
            {"Fatfs format",
             [] {
                 return QByteArray("formatting FAT file system on /fs/microsd... done\r\n");
             }},
            {"sim_mode",
             [] {
                 return "sim mode: " + coloured(Cyan, "SITL") + "\r\n";
             }},
            {"sim_autoStart",
             [] {
                 return coloured(Green, "simulation started (auto)") + "\r\n";
             }},
            {"sim_pause",
             [] {
                 return coloured(Yellow, "simulation paused") + "\r\n";
             }},
            {"sim_continue",
             [] {
                 return coloured(Green, "simulation continued") + "\r\n";
             }},
            {"sim_stop",
             [] {
                 return QByteArray("simulation stopped\r\n");
             }},
            {"flight_mode",
             [] {
                 return "flight mode: " + coloured(Cyan, "POSHOLD") + "\r\n";
             }},
        };
        connect(endpoint, &SimEndpoint::received, this, [this](const QByteArray &bytes) { feed(bytes); });
    }

private:
    static QByteArray help()
    {
        return QByteArray("Builtin Apps:\r\n"
                          "  airspeed       differential pressure sensor state\r\n"
                          "  factory        restore the factory parameters\r\n"
                          "  Fatfs format   format the log file system\r\n"
                          "  flight_mode    current flight mode\r\n"
                          "  free           memory use\r\n"
                          "  help           this list\r\n"
                          "  ps             task list\r\n"
                          "  reboot         restart the unit\r\n"
                          "  sim_mode sim_autoStart sim_pause sim_continue sim_stop\r\n"
                          "                 simulation control\r\n");
    }

    static QByteArray ps()
    {
        QByteArray out = coloured(Bold, " PID PRI     STACK   USED  CPU% COMMAND") + "\r\n";
        out += "   0   0         0      0 " + coloured(Green, " 71.2%") + " Idle Task\r\n";
        out += "   1 192      2028    684   0.4% hpwork\r\n";
        out += "   2  50      1660    596   0.1% lpwork\r\n";
        out += "  14 250      3796   2412 " + coloured(Yellow, " 12.8%") + " ekf2\r\n";
        out += "  21 240      2284   1660   4.1% sensors\r\n";
        out += "  35 100      2676   1380   1.9% mavlink_if0\r\n";
        out += "  48  30      1884    924   0.7% logger\r\n";
        return out;
    }

    static QByteArray burst(int n)
    {
        static const QByteArray line("0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ\r\n");
        QByteArray out;
        out.reserve(n);
        while (out.size() < n)
            out += line.left(n - out.size());
        return out;
    }

    void feed(const QByteArray &bytes)
    {
        pending += bytes;
        int cr;
        while ((cr = pending.indexOf('\r')) >= 0) {
            const QByteArray line = pending.left(cr);
            pending.remove(0, cr + 1);
            answer(line);
        }
        if (pending.size() > MaxLine) {
            const QByteArray line = pending;
            pending.clear();
            answer(line);
        }
    }

    void answer(QByteArray line)
    {
        line.replace('\n', "");
        line = line.trimmed();
        QByteArray out;
        if (line.startsWith("burst ")) {
            bool ok = false;
            const int n = line.mid(6).trimmed().toInt(&ok);
            out = ok && n >= 0 && n <= MaxBurst ? burst(n) : QByteArray("burst: expected a byte count\r\n");
        } else if (!line.isEmpty()) {
            const auto it = answers.constFind(line);
            out = it != answers.constEnd() ? it.value()() : "nsh: " + line + ": command not found\r\n";
        }
        send(out + Prompt);
    }

    void send(const QByteArray &bytes)
    {
        if (!endpoint->isUdp()) {
            endpoint->send(bytes);
            return;
        }
        for (int i = 0; i < bytes.size(); i += UdpChunk)
            endpoint->send(bytes.mid(i, UdpChunk));
    }

    SimEndpoint *endpoint;
    QByteArray pending;
    QMap<QByteArray, std::function<QByteArray()>> answers;
};

int runConsole(const QStringList &args)
{
    QStringList rest = args;
    SimEndpoint endpoint;
    if (!endpoint.parseOptions(rest)) {
        std::fprintf(stderr, "zorvan-sim console: %s\n", qPrintable(endpoint.error()));
        return 2;
    }
    if (!rest.isEmpty()) {
        std::fprintf(stderr, "zorvan-sim console: unknown argument %s\n", qPrintable(rest.first()));
        return 2;
    }
    if (!endpoint.open()) {
        std::fprintf(stderr, "zorvan-sim console: %s\n", qPrintable(endpoint.error()));
        return 1;
    }
    endpoint.announce();
    ConsoleUnit unit(&endpoint);
    return QCoreApplication::exec();
}

CommandTable::Registrar reg(simModes(), "console",
                            "console [--pty | --device PATH | --udp [IP:]PORT [--target IP:PORT]]", &runConsole);
} // namespace
