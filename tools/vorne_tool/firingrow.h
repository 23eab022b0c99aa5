// "Which row fires when the console puts CHANNEL at VALUE", for a device of a
// project or for an image: the answer "fire" prints and "send" sends.
#pragma once

#include "imageformat.h"

#include <QStringList>
#include <QTextStream>

struct FiringRow {
    QString title; // "MAN / DEV: DMX 1 at 200 fires row 2 (PROJECT line 26)"
    MyChanelUSB row = image::zeroed<MyChanelUSB>();
    MyConnParamUSB conn = image::zeroed<MyConnParamUSB>();
};

// `operands` are PROJECT.prj MANUFACTURER DEVICE CHANNEL VALUE or FILE.bin
// CHANNEL VALUE, `command` names the command in the usage error. Returns
// ExitOk with `row` filled; otherwise the exit code after the message (no
// row firing is told on `out`). Rows that hold the value too are warned of.
int findFiringRow(const QString &command, const QStringList &operands, FiringRow *row, QTextStream &out,
                  QTextStream &err);

// The row's values and function, and the command and prefix bytes.
void printFiring(QTextStream &out, const FiringRow &row);

// vorne_tool fire; `args` follow the command's name.
int runFire(const QStringList &args, QTextStream &out, QTextStream &err);
