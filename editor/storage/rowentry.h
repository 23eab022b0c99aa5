// Everything a new mapping row must pass before it joins a device, whether it
// was typed into the row popup, read from a spreadsheet or made by the range
// split: what the popup's fields let through, the channel rules against the
// device's other rows, and what the project file can keep.
#pragma once

#include "rowrules.h"

#include <QList>
#include <QString>

// Field lengths the device image has room for, as the popup limits them.
inline constexpr int kRowAsciiLength = 11;
inline constexpr int kRowHexLength = 24;
inline constexpr int kRowFunctionLength = 11;

// Empty when the file keeps the stored command and the function name as
// typed; otherwise the message naming the field that it would not.
QString rowKeepMessage(const TypedRow &typed);

// The first thing wrong with a row that did not come through the popup's
// fields, as the message to show; empty when it may be added beside `others`
// (the device's rows, each overlap counted as the popup counts it).
QString rowEntryMessage(const TypedRow &typed, const QList<RowRange> &others);

// The channel and range of stored rows, as the rules read them.
QList<RowRange> rowRanges(const QList<MyChanel> &rows);

// A new row refused, by its index among the new rows.
struct RowRefusal {
    qsizetype index;
    QString message;
};

// Each new row checked as above against the device's rows and the new rows
// before it; one refusal per row that fails, in order.
QList<RowRefusal> newRowRefusals(const QList<TypedRow> &added, const QList<MyChanel> &existing);

// Stores new rows as the popup does: status "changed", then sorted with the rest.
void addNewRows(QList<MyChanel> *rows, const QList<TypedRow> &added);
