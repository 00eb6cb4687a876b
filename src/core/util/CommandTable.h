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

    // Runs the command named by args[0]: exit 2 with the usage on stderr for none, an unknown command
    // or an unknown option before it; exit 0 with the usage on stdout for --help, with
    // "<program> <version>" for --version, and with the command's own usage for "<command> --help"
    // (the command's parser never sees --help or -h as its first argument).
    int dispatch(QStringList args) const;
    QString usage() const;
    // "usage: <program> <command usage>" of one command; empty when there is no such command.
    QString commandUsage(const QString &name) const;
    // True when args asks for help: --help anywhere, or -h as the first argument.
    static bool asksForHelp(const QStringList &args);

private:
    QString m_program;
    QString m_kind;
    QList<Command> m_commands;
};
