// What the row popup decides from the texts typed into it: the live verdict of
// one value field while the user types, the check made on OK, and how the
// confirmed row is stored. No widgets here; the window applies the verdicts.
#pragma once

#include "records.h"

#include <QList>
#include <QString>

// Channel and value range of one table row, as its cells hold them.
struct RowRange {
    int chanel = 0;
    int low = 0;
    int high = 0;
};

// The rows of `chanel` whose range holds `value`, by index in list order;
// the box sends the command of the first.
QList<int> rowsFiringAt(const QList<RowRange> &rows, int chanel, int value);

// The number a popup field holds; 0 when it holds none.
int popupNumber(const QString &text);

// Messages shown while typing; each also clears the field it is about.
QString dmxOutOfRangeMessage();
QString valueOutOfRangeMessage();

// True when the typed channel is above what the live check lets stand.
bool dmxAboveRange(const QString &dmx);

// The verdict of one value pass (the low or the high field) of the live check.
struct ValuePassVerdict {
    enum class Label { DmxRed, ValueRed, ValuesBlack };

    bool outOfRange = false; // the field's value is above 255: message, clear, nothing else
    // The edited row and the typed channel's rows that conflict (all of them
    // when the field is empty) are shown, the channel's other rows hidden.
    QList<int> shownRows;
    QList<int> hiddenRows;
    Label label = Label::ValuesBlack;
    bool rangeBusy = false;
};

// One pass over the table's rows: `value` is this pass's field, `other` the
// opposite end of the typed range (empty counts as 0); `valueIsLow` tells
// which end `value` is. The row `editRow` is always shown and never conflicts.
ValuePassVerdict checkValuePass(bool valueIsLow, const QString &dmx, const QString &value, const QString &other,
                                const QList<RowRange> &rows, int editRow);

// The popup's texts as typed.
struct TypedRow {
    QString dmx;
    QString low;
    QString high;
    QString ascii;
    QString hex;
    QString function;
};

// The first rule the typed row breaks on OK, as the message to show; empty
// when the row may be stored. `rangeBusy` is the live check's last verdict.
QString finalCheckMessage(const TypedRow &typed, bool rangeBusy);

// The stored command: the ASCII text when there is one, else the HEX text.
QString rowCommandText(const TypedRow &typed);

// Stores the confirmed row with status "changed": appended when `editRow` is
// -1, else replacing row `editRow`, but only when one of its five cells
// differs. Returns whether the list changed; an out-of-range `editRow`
// changes nothing.
bool storeTypedRow(QList<MyChanel> *rows, int editRow, const TypedRow &typed);
