// A device's channel table as a spreadsheet file: RFC 4180 CSV with the
// header "channel,low,high,ascii,hex,function" and one record a row. Import
// reads what spreadsheets write (UTF-8 or Latin-1, commas or, from the
// header line on, semicolons, quoted fields over several lines) and judges
// every row as the row popup would.
#pragma once

#include "records.h"
#include "rowrules.h"

#include <QByteArray>
#include <QList>
#include <QString>

// UTF-8 without a byte order mark, CRLF line ends, a field quoted where it
// holds a separator, a quote or a line break.
QByteArray rowsToCsv(const QList<MyChanel> &rows);

struct CsvRows {
    QList<TypedRow> rows;
    QList<int> lines; // the line of the file each row begins on, from 1
    bool utf8 = true; // false: read as Latin-1 (the bytes are not UTF-8)
};

// The rows of a CSV file in file order; false with `error` ("line N: ...")
// when the file is not such a table.
bool readRowsCsv(const QByteArray &bytes, CsvRows *out, QString *error);

struct CsvRefusal {
    int line;
    QString message;
};

// What keeps the rows from joining a device that holds `existing`: one
// refusal per refused row, by the line it begins on; empty when all of them
// may be added.
QList<CsvRefusal> csvRefusals(const CsvRows &csv, const QList<MyChanel> &existing);
