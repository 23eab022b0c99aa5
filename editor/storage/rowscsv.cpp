#include "rowscsv.h"

#include "csvrecords.h"
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
    CsvRecords csv;
    const bool read = readCsvRecords(bytes, encoding, &csv, error);
    out->utf8 = csv.utf8;
    out->encodingUnclear = csv.encodingUnclear;
    if (!read)
        return false;
    const QList<CsvRecord> &records = csv.records;
    qsizetype at = 0;
    while (at < records.size() && records[at].blank())
        ++at;
    if (at == records.size()) {
        *error = QStringLiteral("line 1: no header line \"%1\"").arg(kColumns.join(QLatin1Char(',')));
        return false;
    }
    // Columns by name, in any order.
    const CsvRecord &header = records[at];
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
        const CsvRecord &record = records[r];
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
