// vorne_tool plan: checks a venue plan against a project and the bridges
// attached, and with --send programs every planned box, several at once, each
// by its own VORNE_uploader run.
#pragma once

#include <QStringList>
#include <QTextStream>

int runPlan(const QStringList &args, QTextStream &out, QTextStream &err);
