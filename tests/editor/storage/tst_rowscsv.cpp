// Channel tables as CSV: the round trip, RFC 4180 quoting, what spreadsheets
// write, and an import that refuses row by row with the file's line numbers.
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
