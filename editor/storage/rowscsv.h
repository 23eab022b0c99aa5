// A device's channel table as a spreadsheet file: RFC 4180 CSV with the
// header "channel,low,high,ascii,hex,function" and one record a row. Import
// reads what spreadsheets write (UTF-8 or Latin-1, commas or, when the header
// line says so, semicolons, quoted fields over several lines) and judges
// every row as the row popup would.
#pragma once

#include "csvrecords.h"
#include "records.h"
#include "rowrules.h"

#include <QByteArray>
#include <QList>
#include <QString>

// UTF-8 without a byte order mark, CRLF line ends, a field quoted where it
// holds a separator, a quote or a line break. A command goes into the column
// of the kind the image writer sends it as, so that a re-import sends the
// same bytes.
QByteArray rowsToCsv(const QList<MyChanel> &rows);

// The name with ".csv" added when it has no suffix.
QString withCsvSuffix(const QString &fileName);

struct CsvRows {
    QList<TypedRow> rows;
    QList<int> lines; // the line of the file each row begins on, from 1
    bool utf8 = true; // false: read as Latin-1
    // Set when Auto failed because the bytes mix UTF-8 sequences with bytes
    // that are not UTF-8: read again with the encoding the user chooses.
    bool encodingUnclear = false;
};

// The rows of a CSV file in file order; false with `error` ("line N: ...")
// when the file is not such a table, or, with `encodingUnclear` set, when
// Auto cannot tell its encoding. Number cells lose their leading zeros.
bool readRowsCsv(const QByteArray &bytes, CsvRows *out, QString *error, CsvEncoding encoding = CsvEncoding::Auto);

struct CsvRefusal {
    int line;
    QString message;
};

// What keeps the rows from joining a device that holds `existing`: one
// refusal per refused row, by the line it begins on; empty when all of them
// may be added.
QList<CsvRefusal> csvRefusals(const CsvRows &csv, const QList<MyChanel> &existing);
