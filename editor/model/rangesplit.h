// The range split: one DMX channel's values cut into N neighbouring ranges in
// one step, each row's command and function name made from a pattern with a
// counter. "{n}" is the row's number from 1; "{n:FORMAT}" formats it, FORMAT
// being an optional 0, an optional width and one of d, x and X ("{n:02X}"
// gives 01, 02, ... 0A); "{{" and "}}" stand for the braces themselves.
#pragma once

#include "rowrules.h"

#include <QList>
#include <QString>

struct SplitRequest {
    QString chanel;
    QString first; // lowest value of the first range
    QString last;  // highest value of the last range
    int count = 1; // number of ranges
    QString command;
    bool hexCommand = false;
    QString function;
};

// The pattern with the counter put in; false with `error` set when the
// pattern holds a placeholder it does not know. When a counter needs more
// digits than the width its placeholder gives, `overflow` (if given) tells
// which; it stays empty otherwise.
bool expandCounter(const QString &pattern, int n, QString *text, QString *error, QString *overflow = nullptr);

// A row whose counter outgrew its width: "1B{n:02X}" gives 1B100 for the
// 256th range, which is not shaped like its neighbours (as HEX, an odd digit
// shifts the last byte). Such a row must be refused.
struct SplitOverflow {
    qsizetype index;
    QString message;
};

// The rows of the split, lowest range first; the values are divided as
// evenly as they go, the first ranges one value wider where they do not
// divide. False with `error` set when the request cannot be split (a number
// missing, the last value below the first, more ranges than values, a bad
// pattern). The rows are not judged here (rowentry does that), except for
// the counters that outgrow their width, listed in `overflows`.
bool splitChanel(const SplitRequest &request, QList<TypedRow> *rows, QString *error,
                 QList<SplitOverflow> *overflows = nullptr);
