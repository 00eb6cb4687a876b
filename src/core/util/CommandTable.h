#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The subcommands of a command-line program (zorvan-cli commands, zorvan-sim modes). Each
// subcommand's source file registers itself with a static Registrar, so main() needs no list.
class CommandTable
{
public:
    using Run = int (*)(const QStringList &args); // args after the command name; returns the exit code

    struct Command
    {
        QString name;
        QString usage; // one or more lines for the usage message
        Run run;
    };

    struct Registrar
    {
        Registrar(CommandTable &table, const char *name, const char *usage, Run run);
    };

    CommandTable(const char *program, const char *kind) : m_program(program), m_kind(kind) {}

    // Runs the command named by args[0]: exit 2 with the usage on stderr for none or an unknown one,
    // exit 0 with the usage on stdout for --help.
    int dispatch(QStringList args) const;
    QString usage() const;

private:
    QString m_program;
    QString m_kind;
    QList<Command> m_commands;
};
