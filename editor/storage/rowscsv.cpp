#include "rowscsv.h"

#include "rowentry.h"

#include <QRegularExpression>
#include <QStringDecoder>

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

QString decode(const QByteArray &bytes, bool *utf8) {
    QByteArray data = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(data);
    *utf8 = !decoder.hasError();
    return *utf8 ? text : QString::fromLatin1(data);
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
        const bool hex = row.rs_c.startsWith(kHexPrefix);
        const QString ascii = hex                                 ? QString()
                              : row.rs_c.startsWith(kAsciiPrefix) ? row.rs_c.mid(kAsciiPrefix.size())
                                                                  : row.rs_c;
        const QStringList fields = {row.dmx_chanel,
                                    row.dmx_valueFrom,
                                    row.dmx_valueTo,
                                    ascii,
                                    hex ? row.rs_c.mid(kHexPrefix.size()) : QString(),
                                    row.function};
        QStringList cells;
        for (const QString &f : fields)
            cells << csvField(f);
        out += cells.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    return out.toUtf8();
}

bool readRowsCsv(const QByteArray &bytes, CsvRows *out, QString *error) {
    *out = CsvRows();
    const QString text = decode(bytes, &out->utf8);
    // A spreadsheet set to a comma decimal writes semicolons; the header tells.
    const QString first = text.left(text.indexOf(QRegularExpression(QStringLiteral("[\r\n]"))));
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
        out->rows.append({cell(Channel).trimmed(), cell(Low).trimmed(), cell(High).trimmed(), cell(Ascii), cell(Hex),
                          cell(Function)});
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
