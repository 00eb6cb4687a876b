// zorvan-cli: the engines of Zorvan-Tools from the command line, for factory scripts.
#include "cli/CliCommands.h"

#include <QCoreApplication>
#include <QTextStream>

CommandTable &cliCommands()
{
    static CommandTable table("zorvan-cli", "command");
    return table;
}

QTextStream &cliErr()
{
    static QTextStream stream(stderr);
    return stream;
}

int cliFail(const char *command, int code, const QString &text)
{
    cliErr() << command << ": " << text << Qt::endl;
    return code;
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    return cliCommands().dispatch(app.arguments().mid(1));
}
