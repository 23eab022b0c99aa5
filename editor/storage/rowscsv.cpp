#include "rowscsv.h"

#include "hexconv.h"
#include "rowentry.h"

#include <QFileInfo>

namespace {

const QStringList kColumns = {QStringLiteral("channel"), QStringLiteral("low"), QStringLiteral("high"),
                              QStringLiteral("ascii"),   QStringLiteral("hex"), QStringLiteral("function")};
enum Column { Channel, Low, High, Ascii, Hex, Function };

const QString kAsciiPrefix = QStringLiteral("ASCII:");
const QString kHexPrefix = QStringLiteral("HEX:");

QString csvField(const QString &text) {
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char(';')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// One record with the line it begins on.
struct Record {
    int line = 0;
    QStringList fields;
    bool blank() const { return fields.size() == 1 && fields[0].isEmpty(); }
};

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

bool decode(const QByteArray &bytes, CsvEncoding encoding, QString *text, CsvRows *out, QString *error) {
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

// The line the header stands on: the first that is not empty.
QString headerLine(const QString &text) {
    qsizetype start = 0;
    while (start < text.size() && (text[start] == QLatin1Char('\r') || text[start] == QLatin1Char('\n')))
        ++start;
    qsizetype end = start;
    while (end < text.size() && text[end] != QLatin1Char('\r') && text[end] != QLatin1Char('\n'))
        ++end;
    return text.mid(start, end - start);
}

// "007" is the channel 7 the popup would have been given; anything but
// digits is left for the rules to refuse.
QString canonicalNumber(const QString &cell) {
    if (cell.size() < 2 || cell[0] != QLatin1Char('0'))
        return cell;
    for (QChar c : cell)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return cell;
    qsizetype zeros = 0;
    while (zeros + 1 < cell.size() && cell[zeros] == QLatin1Char('0'))
        ++zeros;
    return cell.mid(zeros);
}

// The two CSV columns of a stored command. The image writer takes a text
// beginning with "HEX:" in any letter case as HEX and removes only the
// capital markers, so what it sends is what goes into the column.
void commandCells(const QString &command, QString *ascii, QString *hex) {
    if (!command.startsWith(kHexPrefix, Qt::CaseInsensitive)) {
        *ascii = command.startsWith(kAsciiPrefix) ? command.mid(kAsciiPrefix.size()) : command;
        return;
    }
    QString digits = command;
    digits.remove(kHexPrefix, Qt::CaseSensitive);
    if (firstNonHexDigit(digits) < 0) {
        *hex = digits;
        return;
    }
    // The writer's own decoding: pairs of characters, at most the 12 bytes of the image field.
    const QByteArray latin1 = digits.toLatin1();
    QByteArray bytes;
    for (qsizetype at = 0; at < latin1.size() && bytes.size() < kRowHexLength / 2; at += 2)
        bytes += getHEX(latin1.constData() + at);
    *hex = bytesToHexText(bytes);
}

// RFC 4180 records; a line break is CRLF, LF or CR. A quote inside an
// unquoted field is kept as it stands.
bool parseRecords(const QString &text, QChar separator, QList<Record> *records, QString *error) {
    Record record{1, {QString()}};
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

QByteArray rowsToCsv(const QList<MyChanel> &rows) {
    QString out = kColumns.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    for (const MyChanel &row : rows) {
        QString ascii, hex;
        commandCells(row.rs_c, &ascii, &hex);
        const QStringList fields = {row.dmx_chanel, row.dmx_valueFrom, row.dmx_valueTo, ascii, hex, row.function};
        QStringList cells;
        for (const QString &f : fields)
            cells << csvField(f);
        out += cells.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    return out.toUtf8();
}

QString withCsvSuffix(const QString &fileName) {
    if (!QFileInfo(fileName).suffix().isEmpty())
        return fileName;
    return fileName + (fileName.endsWith(QLatin1Char('.')) ? QStringLiteral("csv") : QStringLiteral(".csv"));
}

bool readRowsCsv(const QByteArray &bytes, CsvRows *out, QString *error, CsvEncoding encoding) {
    *out = CsvRows();
    QString text;
    if (!decode(bytes, encoding, &text, out, error))
        return false;
    // A spreadsheet set to a comma decimal writes semicolons; the header tells.
    const QString first = headerLine(text);
    const QChar separator =
        first.contains(QLatin1Char(';')) && !first.contains(QLatin1Char(',')) ? QLatin1Char(';') : QLatin1Char(',');
    QList<Record> records;
    if (!parseRecords(text, separator, &records, error))
        return false;
    qsizetype at = 0;
    while (at < records.size() && records[at].blank())
        ++at;
    if (at == records.size()) {
        *error = QStringLiteral("line 1: no header line \"%1\"").arg(kColumns.join(QLatin1Char(',')));
        return false;
    }
    // Columns by name, in any order.
    const Record &header = records[at];
    QList<int> columnOf(kColumns.size(), -1);
    for (qsizetype c = 0; c < header.fields.size(); ++c) {
        const int known = int(kColumns.indexOf(header.fields[c].trimmed().toLower()));
        if (known < 0 || columnOf[known] >= 0) {
            *error = QStringLiteral("line %1: the header must name the columns %2, each once")
                         .arg(header.line)
                         .arg(kColumns.join(QLatin1Char(',')));
            return false;
        }
        columnOf[known] = int(c);
    }
    if (columnOf.contains(-1)) {
        *error = QStringLiteral("line %1: the header must name the columns %2, each once")
                     .arg(header.line)
                     .arg(kColumns.join(QLatin1Char(',')));
        return false;
    }
    for (qsizetype r = at + 1; r < records.size(); ++r) {
        const Record &record = records[r];
        if (record.blank())
            continue;
        if (record.fields.size() != header.fields.size()) {
            *error = QStringLiteral("line %1: %2 fields where the header has %3")
                         .arg(record.line)
                         .arg(record.fields.size())
                         .arg(header.fields.size());
            return false;
        }
        auto cell = [&](Column c) { return record.fields[columnOf[c]]; };
        out->rows.append({canonicalNumber(cell(Channel).trimmed()), canonicalNumber(cell(Low).trimmed()),
                          canonicalNumber(cell(High).trimmed()), cell(Ascii), cell(Hex), cell(Function)});
        out->lines.append(record.line);
    }
    return true;
}

QList<CsvRefusal> csvRefusals(const CsvRows &csv, const QList<MyChanel> &existing) {
    QList<CsvRefusal> refusals;
    for (const RowRefusal &r : newRowRefusals(csv.rows, existing))
        refusals.append({csv.lines[r.index], r.message});
    return refusals;
}
