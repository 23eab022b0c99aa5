// vorne_tool: the editor's project and image code on the command line.
#pragma once

#include <QStringList>
#include <QTextStream>

#include "toolio.h"

// Runs one command; `args` excludes the program name.
int runTool(const QStringList &args, QTextStream &out, QTextStream &err);
