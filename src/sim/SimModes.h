#pragma once

#include "core/util/CommandTable.h"

#include <QStringList>

// The table of zorvan-sim modes (simulated units); each mode registers itself in its own source file:
//   static CommandTable::Registrar reg(simModes(), "console", "console [--udp PORT] ...", &runConsole);
// A mode prints where it serves (a pseudo-terminal's slave path, or the UDP address) as its first
// stdout line and serves until killed.
CommandTable &simModes();

// Takes "OPTION VALUE" out of args: value and found set when it is there; false (with error) when the
// option is the last argument.
bool takeOptionValue(QStringList &args, const QString &option, QString &value, QString &error, bool *found = nullptr);
