// zorvan-cli: the engines of Zorvan-Tools from the command line, for factory scripts.
#include "CliCommands.h"

#include <QCoreApplication>

CommandTable &cliCommands()
{
    static CommandTable table("zorvan-cli", "command");
    return table;
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    return cliCommands().dispatch(app.arguments().mid(1));
}
