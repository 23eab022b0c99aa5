// vorne_tool: the editor's project and image code on the command line.
#pragma once

#include <QStringList>
#include <QTextStream>

// Exit codes: success, a data problem (unreadable or malformed input, a name
// not found, a failed write), a usage error.
enum ToolExit { ExitOk = 0, ExitData = 1, ExitUsage = 2 };

// Runs one command; `args` excludes the program name.
int runTool(const QStringList &args, QTextStream &out, QTextStream &err);
