// Order and free space of a device's DMX mapping rows. Channels and values are
// read from the row texts as numbers; a text that is not a number counts as 0.
#pragma once

#include "records.h"

// Orders rows by DMX channel, then low value, then high value, numerically,
// with two exchange passes: first by channel, then, inside a channel, row j
// goes before row i when its low or its high value is smaller. Rows that nest
// or repeat a range therefore come out in the passes' order, not a stable one.
void sortChanel(QList<MyChanel> *rows);

// The ranges still free around rows sorted by sortChanel: one record per range
// with the channel, low and high cells set, sorted the same way. A gap at the
// bottom of a channel is offered from three values on, at the top from two,
// between two rows from one; a channel without rows is offered as 1-255.
QList<MyChanel> findFreeRanges(const QList<MyChanel> &sortedRows);

// The integer a row cell holds; 0 when the text is not a decimal number.
int chanelNumber(const QString &cell);
