#include "core/util/CommandTable.h"

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
    const QString name = args.takeFirst();
    for (const Command &command : m_commands) {
        if (command.name == name)
            return command.run(args);
    }
    err << m_program << ": unknown " << m_kind << " '" << name << "'\n" << usage();
    return 2;
}
