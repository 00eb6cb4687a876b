// zorvan-sim: simulated units on pseudo-terminals and local UDP, for tests, demos and benchmarks.
#include "sim/SimModes.h"

#include <QCoreApplication>

CommandTable &simModes()
{
    static CommandTable table("zorvan-sim", "mode");
    return table;
}

bool takeOptionValue(QStringList &args, const QString &option, QString &value, QString &error, bool *found)
{
    if (found)
        *found = false;
    const int i = args.indexOf(option);
    if (i < 0)
        return true;
    if (i + 1 >= args.size()) {
        error = option + QStringLiteral(" needs a value");
        return false;
    }
    value = args.takeAt(i + 1);
    args.removeAt(i);
    if (found)
        *found = true;
    return true;
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    return simModes().dispatch(app.arguments().mid(1));
}
