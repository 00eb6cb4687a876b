// zorvan-sim: simulated units on pseudo-terminals and local UDP, for tests, demos and benchmarks.
#include "sim/SimModes.h"

#include <QCoreApplication>

CommandTable &simModes()
{
    static CommandTable table("zorvan-sim", "mode");
    return table;
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    return simModes().dispatch(app.arguments().mid(1));
}
