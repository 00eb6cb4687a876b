#pragma once

#include <QStringList>

// The command line of the Zorvan-Tools executable, read with QCommandLineParser:
//   --version          prints "<program> <version>" and exits 0
//   -h, --help         prints the options and exits 0
//   --quit-after MS    ends the event loop MS milliseconds after the window is shown (smoke tests)
// An unknown option or a stray argument is named on stderr and exits 2. Qt's own options
// (-platform, -style, ...) are taken by QApplication before these are read.
class GuiOptions
{
public:
    // Reads arguments (the program's name first). Returns -1 when the program should go on, otherwise
    // the exit code, after printing the version, the help or the error.
    int parse(const QStringList &arguments);
    // Milliseconds after which the program quits by itself; 0 for never.
    int quitAfterMs() const { return m_quitAfterMs; }

    // True when argv asks only for a text answer (--version, --help), which needs no display.
    static bool answersWithoutWindow(int argc, char **argv);

private:
    int m_quitAfterMs = 0;
};
