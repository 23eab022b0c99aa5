// Channel tables as CSV: the round trip, RFC 4180 quoting, what spreadsheets
// write, how the encoding is told, and an import that refuses row by row with
// the file's line numbers.
#include "rowentry.h"
#include "rowscsv.h"

#include <QtTest>

namespace {
MyChanel row(const char *ch, const char *lo, const char *hi, const char *cmd, const char *function) {
    return {QString(),
            QString::fromUtf8(ch),
            QString::fromUtf8(lo),
            QString::fromUtf8(hi),
            QString::fromUtf8(cmd),
            QString::fromLatin1(function)};
}
} // namespace

class TestRowsCsv : public QObject {
    Q_OBJECT
private slots:
    void exportThenImportGivesTheSameTable() {
        const QList<MyChanel> rows = {row("1", "0", "9", "ASCII:A,B", "say \"hi\""),
                                      row("1", "10", "19", "HEX:0D0A", ""), row("7", "5", "5", "ASCII: x ", "Caf\xE9")};
        const QByteArray csv = rowsToCsv(rows);
        QVERIFY(csv.startsWith("channel,low,high,ascii,hex,function\r\n1,0,9,\"A,B\",,\"say \"\"hi\"\"\"\r\n"));
        CsvRows read;
        QString error;
        QVERIFY2(readRowsCsv(csv, &read, &error), qPrintable(error));
        QVERIFY(read.utf8);
        QCOMPARE(read.lines, (QList<int>{2, 3, 4}));
        QVERIFY(csvRefusals(read, {}).isEmpty());
        QList<MyChanel> back;
        addNewRows(&back, read.rows);
        for (MyChanel &r : back)
            r.status.clear();
        QCOMPARE(back, rows);
    }

    void readsWhatSpreadsheetsWrite() {
        const struct {
            const char *what;
            QByteArray bytes;
            QString function;
            int line;
        } cases[] = {
            {"Latin-1, LF", "channel,low,high,ascii,hex,function\n1,0,9,ON,,Caf\xE9\n", QStringLiteral("Caf\u00E9"), 2},
            {"UTF-8 mark, semicolons, columns moved",
             "\xEF\xBB\xBF"
             "Function;HEX;ascii;LOW;high;channel\r\nCaf\xC3\xA9;;ON;0;9;1\r\n",
             QStringLiteral("Caf\u00E9"), 2},
            {"a line break inside quotes, a blank line",
             "channel,low,high,ascii,hex,function\n\n1,0,9,ON,,\"two\nlines\"\n", QStringLiteral("two\nlines"), 3},
            // The separator comes from the header, not from the blank lines before it.
            {"blank lines before a semicolon header", "\r\n\nchannel;low;high;ascii;hex;function\r\n1;0;9;ON;;x,y\r\n",
             QStringLiteral("x,y"), 4},
        };
        for (const auto &c : cases) {
            CsvRows read;
            QString error;
            QVERIFY2(readRowsCsv(c.bytes, &read, &error), c.what);
            QCOMPARE(read.rows.size(), 1);
            QCOMPARE(read.rows[0].function, c.function);
            QCOMPARE(read.rows[0].ascii, QStringLiteral("ON"));
            QCOMPARE(read.lines[0], c.line);
        }
    }

    // A re-import must send what the image writer sends: it takes "HEX:" in any
    // letter case as HEX and removes only the capital markers.
    void exportPutsEachCommandWhereTheWriterSendsIt() {
        const struct {
            const char *command, *cells;
        } cases[] = {
            {"HEX:0d0a", "|0d0a"},       {"hex:41", "|0E0041"}, // the writer decodes the prefix's letters too
            {"HEX:0DHEX:0A", "|0D0A"},   {"HEX:0D G", "|0D00"}, {"ASCII:PWR ON", "PWR ON|"},
            {"ascii:PWR", "ascii:PWR|"}, {"PWR", "PWR|"},
        };
        for (const auto &c : cases) {
            CsvRows read;
            QString error;
            QVERIFY2(readRowsCsv(rowsToCsv({row("1", "0", "9", c.command, "")}), &read, &error), qPrintable(error));
            QCOMPARE(read.rows.value(0).ascii + QLatin1Char('|') + read.rows.value(0).hex, QLatin1String(c.cells));
        }
    }

    void encodingIsToldByTheBytesOrChosen() {
        auto csv = [](const QByteArray &first, const QByteArray &second, const char *eol = "\n") {
            return QByteArray("channel,low,high,ascii,hex,function") + eol + "1,0,9,ON,,Caf" + first + eol +
                   "1,10,19,ON,,Caf" + second + eol;
        };
        const QByteArray mixed = csv("\xC3\xA9", "\xE9");
        const struct {
            QByteArray bytes;
            CsvEncoding encoding;
            QString read; // "U" or "L" and the function names, or the start of the error
        } cases[] = {
            {csv("\xC3\xA9", "e"), CsvEncoding::Auto, QStringLiteral("U Caf\u00E9|Cafe")},
            {csv("\xE9", "\xC0\xAF"), CsvEncoding::Auto, QStringLiteral("L Caf\u00E9|Caf\u00C0\u00AF")}, // overlong
            {mixed, CsvEncoding::Auto, QStringLiteral("line 3: byte 0xE9 is not UTF-8")},
            {csv("\xE9", "\xC3\xA9", "\r"), CsvEncoding::Auto, QStringLiteral("line 2: byte 0xE9 is not UTF-8")},
            {"\xEF\xBB\xBF" + csv("\xE9", "e"), CsvEncoding::Auto, QStringLiteral("line 2: byte 0xE9 is not UTF-8")},
            {mixed, CsvEncoding::Latin1, QStringLiteral("L Caf\u00C3\u00A9|Caf\u00E9")},
            {mixed, CsvEncoding::Utf8, QStringLiteral("U Caf\u00E9|Caf\uFFFD")},
        };
        for (const auto &c : cases) {
            CsvRows read;
            QString error;
            const bool ok = readRowsCsv(c.bytes, &read, &error, c.encoding);
            QCOMPARE(read.encodingUnclear, !ok);
            QStringList functions;
            for (const TypedRow &r : read.rows)
                functions << r.function;
            QCOMPARE(ok ? QLatin1String(read.utf8 ? "U " : "L ") + functions.join(QLatin1Char('|'))
                        : error.left(c.read.size()),
                     c.read);
        }
        // Forced through as UTF-8, a byte that is not UTF-8 cannot be kept: its row is refused by its line.
        CsvRows read;
        QString error;
        QVERIFY(readRowsCsv(mixed, &read, &error, CsvEncoding::Utf8));
        QCOMPARE(csvRefusals(read, {}).value(0).line, 3);
        QVERIFY(csvRefusals(read, {}).value(0).message.contains(QLatin1String("Function Name cannot be kept")));
    }

    // Leading zeros go before the rules judge; what is no number is left to be refused.
    void numbersLoseTheirLeadingZeros() {
        const struct {
            const char *typed, *stored;
            bool refused;
        } cases[] = {{"007", "7", false},
                     {" 0512 ", "512", false},
                     {"000", "0", true},
                     {"0513", "513", true},
                     {"0x7", "0x7", true}};
        for (const auto &c : cases) {
            CsvRows read;
            QString error;
            QVERIFY(readRowsCsv("channel,low,high,ascii,hex,function\n" + QByteArray(c.typed) + ",00,0099,ON,,\n",
                                &read, &error));
            const TypedRow r = read.rows.value(0);
            QCOMPARE(r.dmx + QLatin1Char(' ') + r.low + QLatin1Char('-') + r.high, QLatin1String(c.stored) + " 0-99");
            QVERIFY2(csvRefusals(read, {}).isEmpty() == !c.refused, c.typed);
        }
    }

    void exportNamesGetTheSuffix() {
        QCOMPARE(withCsvSuffix(QStringLiteral("/a.b/rows")), QStringLiteral("/a.b/rows.csv"));
        QCOMPARE(withCsvSuffix(QStringLiteral("rows.txt")), QStringLiteral("rows.txt"));
    }

    void malformedFilesAreToldByLine() {
        const struct {
            QByteArray bytes;
            const char *error;
        } cases[] = {
            {"", "line 1: no header line"},
            {"channel,low,high,ascii,hex\n", "line 1: the header must name the columns"},
            {"channel,low,high,ascii,hex,function\n1,0,9,ON,\n", "line 2: 5 fields where the header has 6"},
            {"channel,low,high,ascii,hex,function\n1,0,9,\"ON\n\n", "line 2: a quoted field is not closed"},
            {"channel,low,high,ascii,hex,function\n1,0,9,\"ON\"x,,\n", "line 2: text after a closing quote"},
        };
        for (const auto &c : cases) {
            CsvRows read;
            QString error;
            QVERIFY(!readRowsCsv(c.bytes, &read, &error));
            QVERIFY2(error.startsWith(QLatin1String(c.error)), qPrintable(error));
            QVERIFY(!read.encodingUnclear);
        }
    }

    // Every refused row is named with the line it begins on; rows before and after are judged too.
    void importRefusesRowByRowWithLineNumbers() {
        const QByteArray csv = "channel,low,high,ascii,hex,function\n"
                               "1,0,99,ON,,ok\n"            // 2: fine
                               "1,50,60,X,,\"over\nlap\"\n" // 3: overlaps line 2, and a line break
                               "2,10,20,X,,existing\n"      // 5: overlaps the device's row
                               "0,1,2,X,,\n"                // 6
                               "3,1,2,X,0D,\n"              // 7
                               "3,9,2,X,,\n"                // 8
                               "3,0,255,X,,\n"              // 9
                               "4,1,2,,,\n"                 // 10
                               "4,3,4,ABCDEFGHIJKL,,\n";    // 11
        CsvRows read;
        QString error;
        QVERIFY2(readRowsCsv(csv, &read, &error), qPrintable(error));
        const QList<CsvRefusal> refusals = csvRefusals(read, {row("2", "15", "30", "ASCII:Y", "")});
        QStringList got;
        for (const CsvRefusal &r : refusals)
            got << QStringLiteral("%1: %2").arg(r.line).arg(r.message.section(QLatin1Char('.'), 0, 0));
        QCOMPARE(got, (QStringList{
                          "3: This range are not empty",
                          "5: This range are not empty",
                          "6: Field \"DMX\" takes a number from 1 to 512",
                          "7: Give either an ASCII or a HEX command, not both",
                          "8: High \"DMX Value\" must be higher than Low \"DMX Value\"",
                          "9: The diference between High \"DMX Value\" and Low \"DMX Value\" must be less than 255",
                          "10: Please enter ASCII or HEX command",
                          "11: Command ASCII holds at most 11 characters",
                      }));
        // What the file cannot keep is refused too: the line break, once the overlap is gone.
        read.rows[1].low = QStringLiteral("100");
        read.rows[1].high = QStringLiteral("110");
        QVERIFY(csvRefusals(read, {}).value(0).message.contains(QStringLiteral("Function Name cannot be kept")));
    }
};

QTEST_GUILESS_MAIN(TestRowsCsv)
#include "tst_rowscsv.moc"
