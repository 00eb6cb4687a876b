#pragma once

#include "core/util/CommandTable.h"

// The table of zorvan-cli commands; each command registers itself in its own source file:
//   static CommandTable::Registrar reg(cliCommands(), "kvf", "kvf pack|inspect ...", &runKvf);
CommandTable &cliCommands();

class QTextStream;

// The CLI's error stream, and its failure line: "<command>: <text>" on stderr, returning code.
QTextStream &cliErr();
int cliFail(const char *command, int code, const QString &text);
