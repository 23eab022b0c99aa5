// The range split: how values divide, the counter patterns and their widths,
// what cannot be split.
#include "rangesplit.h"

#include <QtTest>

class TestRangeSplit : public QObject {
    Q_OBJECT
private slots:
    void valuesDivideAsEvenlyAsTheyGo() {
        const struct {
            const char *first, *last;
            int count;
            QStringList ranges;
        } cases[] = {
            {"0", "9", 3, {"0-3", "4-6", "7-9"}}, // 10 values: the first range one wider
            {"250", "255", 6, {"250-250", "251-251", "252-252", "253-253", "254-254", "255-255"}},
            {"1", "255", 1, {"1-255"}},
            {"0", "255", 2, {"0-127", "128-255"}},
        };
        for (const auto &c : cases) {
            QList<TypedRow> rows;
            QString error;
            QVERIFY2(splitChanel({"7", c.first, c.last, c.count, "P{n}", false, "F{n:02X}"}, &rows, &error),
                     qPrintable(error));
            QStringList ranges;
            for (const TypedRow &r : rows)
                ranges << r.low + QLatin1Char('-') + r.high;
            QCOMPARE(ranges, c.ranges);
            QCOMPARE(rows.last().ascii, QStringLiteral("P%1").arg(c.count));
            QCOMPARE(rows.first().dmx, QStringLiteral("7"));
        }
    }

    void whatCannotBeSplitIsTold() {
        const struct {
            SplitRequest request;
            const char *error;
        } cases[] = {
            {{"1", "0", "9", 11, "P", false, ""}, "10 values cannot be split into 11 ranges."},
            {{"1", "9", "0", 2, "P", false, ""}, "The last value must not be below the first."},
            {{"1", "", "9", 2, "P", false, ""}, "The first and the last value must be numbers from 0 to 255."},
            {{"1", "0", "256", 2, "P", false, ""}, "The first and the last value must be numbers from 0 to 255."},
            {{"1", "0", "9", 2, "P{x}", false, ""}, "\"P{x}\" holds a placeholder other than {n} or {n:FORMAT}"},
        };
        for (const auto &c : cases) {
            QList<TypedRow> rows;
            QString error;
            QVERIFY(!splitChanel(c.request, &rows, &error));
            QCOMPARE(error, QLatin1String(c.error));
            QVERIFY(rows.isEmpty());
        }
    }

    // A counter that needs more digits than its width is no longer shaped like its
    // neighbours; the row stays for the preview but is listed to be refused.
    void countersThatOutgrowTheirWidthAreListed() {
        const struct {
            const char *command, *function;
            int count;
            QList<qsizetype> rows;
            const char *message;
        } cases[] = {
            {"1B{n:02X}", "", 256, {255}, "Command: the counter {n:02X} gives 100 here, more than its 2 digits"},
            {"1B{n:02X}", "", 255, {}, ""},
            {"P{n}", "F{n:x}", 256, {}, ""}, // no width, nothing to outgrow
            {"P", "F{n:1}", 12, {9, 10, 11}, "Function name: the counter {n:1} gives 10 here, more than its 1 digit;"},
        };
        for (const auto &c : cases) {
            QList<TypedRow> rows;
            QList<SplitOverflow> overflows;
            QString error;
            QVERIFY(splitChanel({"7", "0", QString::number(c.count - 1), c.count, QLatin1String(c.command), true,
                                 QLatin1String(c.function)},
                                &rows, &error, &overflows));
            QCOMPARE(rows.size(), c.count);
            QList<qsizetype> at;
            for (const SplitOverflow &o : overflows)
                at << o.index;
            QCOMPARE(at, c.rows);
            QCOMPARE(overflows.value(0).message.left(qstrlen(c.message)), QLatin1String(c.message));
        }
    }

    void countersFormatAsAsked() {
        const struct {
            const char *pattern;
            int n;
            const char *text;
        } cases[] = {{"PRESET{n}", 12, "PRESET12"},
                     {"1B{n:02X}", 10, "1B0A"},
                     {"{n:x}", 255, "ff"},
                     {"{n:3}", 7, "  7"},
                     {"{{n}}={n}", 3, "{n}=3"}};
        for (const auto &c : cases) {
            QString text, error;
            QVERIFY2(expandCounter(QLatin1String(c.pattern), c.n, &text, &error), qPrintable(error));
            QCOMPARE(text, QLatin1String(c.text));
        }
        QString text, error;
        QVERIFY(!expandCounter(QStringLiteral("a}"), 1, &text, &error));
    }
};

QTEST_GUILESS_MAIN(TestRangeSplit)
#include "tst_rangesplit.moc"
