// The rules a mapping row obeys on its own and against the other rows of its
// device, for rows that come from outside the row popup (project files, tools).
#pragma once

#include "records.h"

#include <QStringList>

inline constexpr int kFirstDmxChanel = 1;
inline constexpr int kLastDmxChanel = 512;
inline constexpr int kTopDmxValue = 255;

// Whether the closed ranges [low1, high1] and [low2, high2] share a value.
bool rangesOverlap(int low1, int high1, int low2, int high2);

// What is wrong with one row, one sentence per fault; empty when the row is
// sound: channel 1 to 512, values 0 to 255, high not below low, not the full
// range 0-255, an "ASCII:" or "HEX:" command with text, hex digits only
// after "HEX:".
QStringList rowProblems(const MyChanel &row);

// Two rows of one channel whose ranges share a value, by index.
struct RowOverlap {
    qsizetype a;
    qsizetype b;
};

// Every row that overlaps another appears in at least one pair. Rows whose
// numbers break the rules of rowProblems are left out.
QList<RowOverlap> findOverlaps(const QList<MyChanel> &rows);
