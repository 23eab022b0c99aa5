// vorne_tool send: the command of the row that fires, sent to the equipment
// over a serial port with the device's own settings, tries and replies.
#pragma once

#include <QStringList>
#include <QTextStream>

// `args` follow "send"; needs a running QCoreApplication.
int runSend(const QStringList &args, QTextStream &out, QTextStream &err);
