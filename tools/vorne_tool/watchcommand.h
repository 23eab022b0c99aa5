// vorne_tool watch: a universe from olad, and the rows of one device that
// fire as it moves; with a port, their commands sent to the equipment one
// after the other, as the box would.
#pragma once

#include <QStringList>
#include <QTextStream>

// `args` follow "watch"; needs a running QCoreApplication. Runs until
// SIGINT or SIGTERM.
int runWatch(const QStringList &args, QTextStream &out, QTextStream &err);
