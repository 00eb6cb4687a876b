#pragma once

#include "util/CommandTable.h"

// The table of zorvan-cli commands; each command registers itself in its own source file:
//   static CommandTable::Registrar reg(cliCommands(), "kvf", "kvf pack|inspect ...", &runKvf);
CommandTable &cliCommands();
