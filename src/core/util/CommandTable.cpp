#include "core/util/CommandTable.h"

#include "core/util/AppVersion.h"

#include <QTextStream>

#include <algorithm>

CommandTable::Registrar::Registrar(CommandTable &table, const char *name, const char *usage, Run run)
{
    table.m_commands.append({QString::fromUtf8(name), QString::fromUtf8(usage), run});
    std::sort(table.m_commands.begin(), table.m_commands.end(),
              [](const Command &a, const Command &b) { return a.name < b.name; });
}

QString CommandTable::usage() const
{
    QString text = QStringLiteral("usage: %1 <%2> [options]\n\n%2s:\n").arg(m_program, m_kind);
    for (const Command &command : m_commands)
        text += QStringLiteral("  ") + command.usage + QLatin1Char('\n');
    if (m_commands.isEmpty())
        text += QStringLiteral("  (none yet)\n");
    return text;
}

QString CommandTable::commandUsage(const QString &name) const
{
    for (const Command &command : m_commands) {
        if (command.name == name)
            return QStringLiteral("usage: %1 %2\n").arg(m_program, command.usage);
    }
    return QString();
}

bool CommandTable::asksForHelp(const QStringList &args)
{
    // "-h" only in front: later it may be the value of an option (a console command, say).
    return args.contains(QLatin1String("--help")) || (!args.isEmpty() && args.first() == QLatin1String("-h"));
}

int CommandTable::dispatch(QStringList args) const
{
    QTextStream err(stderr);
    if (args.isEmpty()) {
        err << usage();
        return 2;
    }
    if (args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h")) {
        QTextStream(stdout) << usage();
        return 0;
    }
    if (args.first() == QLatin1String("--version")) {
        QTextStream(stdout) << m_program << ' ' << AppVersion::text() << '\n';
        return 0;
    }
    if (args.first().startsWith(QLatin1Char('-'))) {
        err << m_program << ": unknown option '" << args.first() << "'\n" << usage();
        return 2;
    }
    const QString name = args.takeFirst();
    for (const Command &command : m_commands) {
        if (command.name != name)
            continue;
        if (asksForHelp(args)) {
            QTextStream(stdout) << commandUsage(name);
            return 0;
        }
        return command.run(args);
    }
    err << m_program << ": unknown " << m_kind << " '" << name << "'\n" << usage();
    return 2;
}
