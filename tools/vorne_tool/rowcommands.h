// vorne_tool's commands over one device's channel table: "rows export" and
// "rows import" (a CSV file).
#pragma once

#include <QStringList>
#include <QTextStream>

// `args` follow the command's name.
int runRows(const QStringList &args, QTextStream &out, QTextStream &err);
