// zorvan-cli console: talks to a unit's text console the way the Shell tab does, for factory
// scripts. Each --send goes out as its text followed by CR; what the unit answers is printed with the
// Shell tab's text-mode cleaning (carriage returns dropped) or as hex, and matched against --expect.
#include "cli/CliCommands.h"
#include "link/IOHandler.h"
#include "cli/LinkOptions.h"
#include "link/TApp.h"
#include "link/TMsgManager.h"
#include "core/console/ConsoleText.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QTimer>

#include <cstdio>

namespace {
constexpr int OpenTimeoutMs = 10000;

void printErr(const QString &text)
{
    std::fprintf(stderr, "console: %s\n", qPrintable(text));
}

void printOut(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

struct ConsoleOptions
{
    LinkOptions link;
    QStringList sends;
    QString expect;
    bool hasExpect = false;
    int waitMs = 2000;
    bool hex = false;
    bool verbose = false;
};

bool parseOptions(QStringList args, ConsoleOptions &o, QString &error)
{
    if (!LinkOptions::parse(args, o.link, error))
        return false;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        const bool takesValue =
            a == QLatin1String("--send") || a == QLatin1String("--expect") || a == QLatin1String("--wait");
        if (takesValue && i + 1 >= args.size()) {
            error = a + QStringLiteral(" needs a value");
            return false;
        }
        if (a == QLatin1String("--send")) {
            o.sends << args[++i];
        } else if (a == QLatin1String("--expect")) {
            o.expect = args[++i];
            o.hasExpect = true;
        } else if (a == QLatin1String("--wait")) {
            bool ok = false;
            o.waitMs = args[++i].toInt(&ok);
            if (!ok || o.waitMs < 0) {
                error = QStringLiteral("--wait: not a number of milliseconds: ") + args[i];
                return false;
            }
        } else if (a == QLatin1String("--hex")) {
            o.hex = true;
        } else if (a == QLatin1String("--verbose")) {
            o.verbose = true;
        } else {
            error = QStringLiteral("unknown argument ") + a;
            return false;
        }
    }
    return true;
}

int runConsole(const QStringList &args)
{
    ConsoleOptions o;
    QString error;
    if (!parseOptions(args, o, error)) {
        printErr(error);
        return 2;
    }
    const QRegularExpression expect(o.expect);
    if (o.hasExpect && !expect.isValid()) {
        printErr(QStringLiteral("--expect: %1 in %2").arg(expect.errorString(), o.expect));
        return 2;
    }
    if (!o.verbose)
        QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));

    TApp hub;
    TMsgManager::setPopupPresenter([](TMsgManager::PopupIcon, const QString &title, const QString &text, int) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(title.trimmed()), qPrintable(text));
    });

    const IOHandler::DeviceInfo request =
        o.link.serial
            ? IOHandler::DeviceInfo::serial(5, o.link.serialPath, o.link.baud)
            : IOHandler::DeviceInfo::udp(5, o.link.localIp, o.link.localPort, o.link.targetIp, o.link.targetPort);

    auto *link = new IOHandler(request.id, true);
    QEventLoop loop;
    int result = 1;
    bool opened = false;
    QString seen; // cleaned text (or hex) received so far, what --expect is matched against
    ConsoleTextCleaner cleaner;
    auto finish = [&](int code) {
        result = code;
        loop.quit();
    };

    QTimer openTimer, waitTimer;
    openTimer.setSingleShot(true);
    waitTimer.setSingleShot(true);
    QObject::connect(&openTimer, &QTimer::timeout, &loop, [&] {
        printErr(QStringLiteral("%1 did not open within %2 ms").arg(o.link.describe()).arg(OpenTimeoutMs));
        finish(1);
    });
    QObject::connect(&waitTimer, &QTimer::timeout, &loop, [&] {
        if (o.hasExpect)
            printErr(QStringLiteral("no match for \"%1\" within %2 ms").arg(o.expect).arg(o.waitMs));
        finish(o.hasExpect ? 1 : 0);
    });

    QObject::connect(link, &IOHandler::recIoBuff, &loop, [&](QByteArray bytes, QVariant) {
        QString text;
        if (o.hex) {
            text = ConsoleText::toHex(bytes);
            printOut(text + QLatin1Char('\n'));
        } else {
            text = cleaner.feed(bytes).remove(QLatin1Char('\r'));
            printOut(text);
        }
        seen += text;
        if (o.hasExpect && opened && expect.match(seen).hasMatch())
            finish(0);
    });

    QObject::connect(&hub, QOverload<int, int, QVariant>::of(&TApp::TAppEvent), &loop,
                     [&](int event, int, QVariant var) {
                         if (!IOHandler::isRecordOfLink(var, request.id))
                             return;
                         if (event == TApp::EventLinkOpened && !opened) {
                             opened = true;
                             openTimer.stop();
                             for (const QString &command : qAsConst(o.sends))
                                 emit link->sendBuffSignal(ConsoleText::commandBytes(command, false), QVariant(0));
                             waitTimer.start(o.waitMs);
                             if (o.hasExpect && expect.match(seen).hasMatch())
                                 finish(0);
                         } else if (event == TApp::EventOpenFailed) {
                             printErr(QStringLiteral("could not open ") + o.link.describe());
                             finish(1);
                         } else if (event == TApp::EventLinkClosed && opened) {
                             printErr(QStringLiteral("link closed: ") + o.link.describe());
                             finish(1);
                         }
                     });

    emit link->openDeviceSignal(request, true);
    openTimer.start(OpenTimeoutMs);
    loop.exec();

    IOHandler::destroy(link); // closes the port with the link
    TMsgManager::setPopupPresenter({});
    if (!o.hex && !seen.isEmpty() && !seen.endsWith(QLatin1Char('\n')))
        printOut(QStringLiteral("\n"));
    return result;
}

CommandTable::Registrar reg(cliCommands(), "console",
                            "console (--serial PATH [--baud N] | --udp [IP:]PORT --target IP:PORT)\n"
                            "        [--send CMD]... [--expect REGEX] [--wait MS] [--hex] [--verbose]",
                            &runConsole);
} // namespace
