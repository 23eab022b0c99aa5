// vorne_tool's commands over one device's channel table: "rows export" and
// "rows import" (a CSV file), and "fire" (which row, and which bytes, a
// channel at a value sets off, in a project or in an image).
#pragma once

#include <QStringList>
#include <QTextStream>

// `args` follow the command's name.
int runRows(const QStringList &args, QTextStream &out, QTextStream &err);
int runFire(const QStringList &args, QTextStream &out, QTextStream &err);
