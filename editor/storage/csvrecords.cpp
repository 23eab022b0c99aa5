#include "csvrecords.h"

namespace {

// Where the bytes stop being UTF-8, and whether they hold any multi-byte
// UTF-8 sequence: Latin-1 text with accents almost never does.
struct Utf8Scan {
    qsizetype firstBad = -1;
    bool multiByte = false;
};

Utf8Scan scanUtf8(const QByteArray &bytes) {
    Utf8Scan scan;
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const uchar c = uchar(bytes[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        // Lead bytes that cannot start a shortest-form sequence up to U+10FFFF are out.
        int length = 0;
        char32_t code = 0, lowest = 0;
        if (c >= 0xC2 && c <= 0xDF)
            length = 2, code = c & 0x1F, lowest = 0x80;
        else if (c >= 0xE0 && c <= 0xEF)
            length = 3, code = c & 0x0F, lowest = 0x800;
        else if (c >= 0xF0 && c <= 0xF4)
            length = 4, code = c & 0x07, lowest = 0x10000;
        bool valid = length > 0 && i + length <= n;
        for (int k = 1; valid && k < length; ++k) {
            const uchar next = uchar(bytes[i + k]);
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        valid = valid && code >= lowest && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
        if (!valid) {
            if (scan.firstBad < 0)
                scan.firstBad = i;
            ++i;
            continue;
        }
        scan.multiByte = true;
        i += length;
    }
    return scan;
}

// The line of byte `at`, from 1, counting CRLF, LF and CR as the parser does.
int lineOfByte(const QByteArray &bytes, qsizetype at) {
    int line = 1;
    for (qsizetype i = 0; i < at; ++i)
        if (bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 >= bytes.size() || bytes[i + 1] != '\n')))
            ++line;
    return line;
}

bool decode(const QByteArray &bytes, CsvEncoding encoding, QString *text, CsvRecords *out, QString *error) {
    // The mark is no part of the table in any encoding, but it does say UTF-8.
    const bool marked = bytes.startsWith("\xEF\xBB\xBF");
    const QByteArray data = marked ? bytes.mid(3) : bytes;
    if (encoding == CsvEncoding::Auto) {
        const Utf8Scan scan = scanUtf8(data);
        if (scan.firstBad >= 0 && (scan.multiByte || marked)) {
            out->encodingUnclear = true;
            *error = QStringLiteral("line %1: byte 0x%2 is not UTF-8, yet the file holds UTF-8 characters too; "
                                    "choose the encoding to read it with (Latin-1 or UTF-8)")
                         .arg(lineOfByte(data, scan.firstBad))
                         .arg(QString::number(uchar(data[scan.firstBad]), 16).toUpper());
            return false;
        }
        encoding = scan.firstBad >= 0 ? CsvEncoding::Latin1 : CsvEncoding::Utf8;
    }
    out->utf8 = encoding == CsvEncoding::Utf8;
    *text = out->utf8 ? QString::fromUtf8(data) : QString::fromLatin1(data);
    return true;
}

// The first line that is not empty.
QString firstLine(const QString &text) {
    qsizetype start = 0;
    while (start < text.size() && (text[start] == QLatin1Char('\r') || text[start] == QLatin1Char('\n')))
        ++start;
    qsizetype end = start;
    while (end < text.size() && text[end] != QLatin1Char('\r') && text[end] != QLatin1Char('\n'))
        ++end;
    return text.mid(start, end - start);
}

// RFC 4180 records; a line break is CRLF, LF or CR. A quote inside an
// unquoted field is kept as it stands.
bool parseRecords(const QString &text, QChar separator, QList<CsvRecord> *records, QString *error) {
    CsvRecord record{1, {QString()}};
    int line = 1;
    qsizetype i = 0;
    auto lineBreak = [&](qsizetype at) -> int {
        if (text[at] == QLatin1Char('\n'))
            return 1;
        if (text[at] != QLatin1Char('\r'))
            return 0;
        return at + 1 < text.size() && text[at + 1] == QLatin1Char('\n') ? 2 : 1;
    };
    while (i < text.size()) {
        QString &field = record.fields.last();
        if (field.isEmpty() && text[i] == QLatin1Char('"')) {
            const int opened = line;
            for (++i;; ++i) {
                if (i >= text.size()) {
                    *error = QStringLiteral("line %1: a quoted field is not closed").arg(opened);
                    return false;
                }
                if (text[i] == QLatin1Char('"')) {
                    if (i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
                        field += QLatin1Char('"');
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                if (int n = lineBreak(i)) {
                    field += text.mid(i, n);
                    i += n - 1;
                    ++line;
                    continue;
                }
                field += text[i];
            }
            if (i < text.size() && text[i] != separator && !lineBreak(i)) {
                *error = QStringLiteral("line %1: text after a closing quote").arg(line);
                return false;
            }
            continue;
        }
        if (text[i] == separator) {
            record.fields.append(QString());
            ++i;
        } else if (int n = lineBreak(i)) {
            records->append(record);
            i += n;
            record = {++line, {QString()}};
        } else {
            field += text[i++];
        }
    }
    if (!record.blank())
        records->append(record);
    return true;
}

} // namespace

bool readCsvRecords(const QByteArray &bytes, CsvEncoding encoding, CsvRecords *out, QString *error) {
    *out = CsvRecords();
    QString text;
    if (!decode(bytes, encoding, &text, out, error))
        return false;
    // A spreadsheet set to a comma decimal writes semicolons; the first line tells.
    const QString first = firstLine(text);
    const QChar separator =
        first.contains(QLatin1Char(';')) && !first.contains(QLatin1Char(',')) ? QLatin1Char(';') : QLatin1Char(',');
    return parseRecords(text, separator, &out->records, error);
}
