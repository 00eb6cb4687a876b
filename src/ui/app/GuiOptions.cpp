#include "ui/app/GuiOptions.h"

#include "core/util/AppVersion.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

#include <cstring>

int GuiOptions::parse(const QStringList &arguments)
{
    const QString program =
        arguments.isEmpty() ? QStringLiteral("Zorvan-Tools") : QFileInfo(arguments.first()).fileName();
    QTextStream err(stderr);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Maintains, flashes and factory-calibrates Zorvan and ORVE units.\n"
                       "Settings and files go to ./cfg, ./log, ./KVF and ./ParamLog of the working directory."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Prints the version and exits."));
    parser.addOption(version);
    const QCommandLineOption quitAfter(QStringLiteral("quit-after"),
                                       QStringLiteral("Quits by itself after <ms> milliseconds (smoke tests)."),
                                       QStringLiteral("ms"));
    parser.addOption(quitAfter);

    if (!parser.parse(arguments)) {
        err << program << ": " << parser.errorText() << '\n';
        return 2;
    }
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        QTextStream(stdout) << parser.helpText();
        return 0;
    }
    if (parser.isSet(version)) {
        QTextStream(stdout) << program << ' ' << AppVersion::text() << '\n';
        return 0;
    }
    if (!parser.positionalArguments().isEmpty()) {
        err << program << ": unexpected argument '" << parser.positionalArguments().first() << "'\n";
        return 2;
    }
    if (parser.isSet(quitAfter)) {
        bool ok = false;
        m_quitAfterMs = parser.value(quitAfter).toInt(&ok);
        if (!ok || m_quitAfterMs <= 0) {
            err << program << ": --quit-after takes a positive number of milliseconds\n";
            return 2;
        }
    }
    return -1;
}

bool GuiOptions::answersWithoutWindow(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--version") || !std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h") ||
            !std::strcmp(argv[i], "--help-all"))
            return true;
    }
    return false;
}
