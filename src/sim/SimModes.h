#pragma once

#include "core/util/CommandTable.h"

// The table of zorvan-sim modes (simulated units); each mode registers itself in its own source file:
//   static CommandTable::Registrar reg(simModes(), "console", "console [--udp PORT] ...", &runConsole);
// A mode prints where it serves (a pseudo-terminal's slave path, or the UDP address) as its first
// stdout line and serves until killed.
CommandTable &simModes();
