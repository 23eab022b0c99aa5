// The records of a CSV file as spreadsheets write it: RFC 4180, UTF-8 or
// Latin-1, commas or semicolons, quoted fields over several lines, each
// record with the line it begins on. The rows import and the venue plan
// read their files by these same rules.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

enum class CsvEncoding {
    Auto,   // UTF-8 when the bytes are UTF-8, Latin-1 when they hold no multi-byte UTF-8 sequence (and no mark)
    Latin1, // every byte one character
    Utf8,   // bytes that are not UTF-8 become U+FFFD (which the row rules refuse)
};

struct CsvRecord {
    int line = 0; // from 1
    QStringList fields;
    // An empty line: one empty field.
    bool blank() const { return fields.size() == 1 && fields[0].isEmpty(); }
};

struct CsvRecords {
    QList<CsvRecord> records; // in file order, empty lines included (but none after the last line break)
    bool utf8 = true;         // false: read as Latin-1
    // Set when Auto failed because the bytes mix UTF-8 sequences with bytes
    // that are not UTF-8: read again with the encoding the user chooses.
    bool encodingUnclear = false;
};

// Semicolons separate the fields when the first line that is not empty holds
// one and no comma (a spreadsheet set to a comma decimal), else commas. False
// with `error` ("line N: ...") when a quoted field is not closed, text follows
// a closing quote, or (with `encodingUnclear` set) Auto cannot tell the encoding.
bool readCsvRecords(const QByteArray &bytes, CsvEncoding encoding, CsvRecords *out, QString *error);
