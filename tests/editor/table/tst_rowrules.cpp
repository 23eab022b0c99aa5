// The row popup's decisions without widgets: the live verdict of a value
// field, the order of the checks on OK, and how a confirmed row is stored.
#include "rowrules.h"

#include <QtTest>

namespace {
using Label = ValuePassVerdict::Label;

TypedRow typed(const QString &dmx, const QString &low, const QString &high, const QString &ascii = QStringLiteral("ON"),
               const QString &hex = QString(), const QString &function = QString()) {
    return {dmx, low, high, ascii, hex, function};
}

MyChanel row(const char *ch, const char *lo, const char *hi, const char *cmd, const char *function = "") {
    MyChanel r;
    r.dmx_chanel = QLatin1String(ch);
    r.dmx_valueFrom = QLatin1String(lo);
    r.dmx_valueTo = QLatin1String(hi);
    r.rs_c = QLatin1String(cmd);
    r.function = QLatin1String(function);
    return r;
}

const QString kHigher =
    QStringLiteral("High \"DMX Value\" must be higher than Low \"DMX Value\". Please specify a value between");
} // namespace

class TestRowRules : public QObject {
    Q_OBJECT
private slots:
    void conflictIsAnySharedValueOnTheTypedChannel() {
        // Table: channel 4 holds 10-20 and 40-50; channel 5 holds 10-20.
        const QList<RowRange> rows{{4, 10, 20}, {4, 40, 50}, {5, 10, 20}};
        const struct {
            const char *low, *high;
            bool busy;
            QList<int> shown, hidden;
        } cases[] = {
            {"15", "25", true, {0}, {1}},    // shares 15-20
            {"21", "25", false, {}, {0, 1}}, // touches nothing
            {"20", "20", true, {0}, {1}},    // one shared end value
            {"0", "255", true, {0, 1}, {}},  // covers both
            {"21", "39", false, {}, {0, 1}}, // the gap between them
        };
        for (const auto &c : cases) {
            for (bool lowPass : {true, false}) {
                const QString low = QLatin1String(c.low), high = QLatin1String(c.high);
                const ValuePassVerdict v =
                    checkValuePass(lowPass, QStringLiteral("4"), lowPass ? low : high, lowPass ? high : low, rows, -1);
                QVERIFY(!v.outOfRange);
                QCOMPARE(v.rangeBusy, c.busy);
                QCOMPARE(v.shownRows, c.shown);
                QCOMPARE(v.hiddenRows, c.hidden);
                QCOMPARE(v.label, c.busy ? Label::ValueRed : Label::ValuesBlack);
            }
        }
    }

    void editedRowIsShownAndNeverConflicts() {
        const QList<RowRange> rows{{4, 10, 20}, {4, 30, 40}};
        // Editing 10-20 to 5-25: only itself overlaps.
        ValuePassVerdict v =
            checkValuePass(false, QStringLiteral("4"), QStringLiteral("25"), QStringLiteral("5"), rows, 0);
        QVERIFY(!v.rangeBusy);
        QCOMPARE(v.shownRows, QList<int>{0});
        QCOMPARE(v.hiddenRows, QList<int>{1});
        // Widening into the neighbour still conflicts.
        v = checkValuePass(false, QStringLiteral("4"), QStringLiteral("30"), QStringLiteral("5"), rows, 0);
        QVERIFY(v.rangeBusy);
        QCOMPARE(v.shownRows, (QList<int>{0, 1}));
    }

    void emptyFieldsMakeTheRangeBusy() {
        const QList<RowRange> rows{{4, 10, 20}, {4, 30, 40}};
        // Empty value field: every row of the channel stays shown.
        ValuePassVerdict v = checkValuePass(true, QStringLiteral("4"), QString(), QStringLiteral("50"), rows, -1);
        QVERIFY(v.rangeBusy);
        QCOMPARE(v.label, Label::ValueRed);
        QCOMPARE(v.shownRows, (QList<int>{0, 1}));
        QVERIFY(v.hiddenRows.isEmpty());
        // Empty DMX: the DMX label is the one in red.
        v = checkValuePass(false, QString(), QStringLiteral("50"), QStringLiteral("45"), rows, -1);
        QVERIFY(v.rangeBusy);
        QCOMPARE(v.label, Label::DmxRed);
        v = checkValuePass(false, QString(), QString(), QStringLiteral("45"), rows, -1);
        QCOMPARE(v.label, Label::DmxRed);
        // The other end empty counts as 0: 0-5 on the high pass.
        v = checkValuePass(false, QStringLiteral("4"), QStringLiteral("5"), QString(), rows, -1);
        QVERIFY(!v.rangeBusy);
        QCOMPARE(v.label, Label::ValuesBlack);
    }

    void reversedRangeIsOnlyAReminder() {
        const ValuePassVerdict v =
            checkValuePass(false, QStringLiteral("4"), QStringLiteral("9"), QStringLiteral("10"), {{4, 9, 10}}, -1);
        // 10 down to 9 holds no value, so the row 9-10 is no conflict; OK refuses the order itself.
        QVERIFY(!v.rangeBusy);
        QCOMPARE(v.hiddenRows, QList<int>{0});
        QCOMPARE(v.label, Label::ValueRed);
        // Equal ends are a range of one value.
        QCOMPARE(checkValuePass(true, QStringLiteral("4"), QStringLiteral("9"), QStringLiteral("9"), {}, -1).label,
                 Label::ValuesBlack);
    }

    void valuesAndChannelsAboveTheirRange() {
        QVERIFY(checkValuePass(true, QStringLiteral("4"), QStringLiteral("256"), QString(), {}, -1).outOfRange);
        QVERIFY(!checkValuePass(true, QStringLiteral("4"), QStringLiteral("255"), QString(), {}, -1).outOfRange);
        QVERIFY(dmxAboveRange(QStringLiteral("513")));
        QVERIFY(!dmxAboveRange(QStringLiteral("512")));
        QVERIFY(!dmxAboveRange(QStringLiteral("0")));
        QCOMPARE(dmxOutOfRangeMessage(),
                 QStringLiteral("Is not a valid entry. Please specify a value between 1 and 512"));
        QCOMPARE(valueOutOfRangeMessage(),
                 QStringLiteral("Is not a valid entry. Please specify a value between 0 and 255"));
    }

    void finalCheckRunsInOrder() {
        const QString dmxEmpty = QStringLiteral("Field \"DMX\" is empty. Please specify a value between 1 and 512");
        const QString valuesEmpty =
            QStringLiteral("Field \"DMX Values\" is empty. Please specify a value between 0 and 255");
        const QString noCommand = QStringLiteral("Please enter ASCII or HEX command.");
        const QString width = QStringLiteral("The diference between High \"DMX Value\" and Low \"DMX Value\" must be "
                                             "less than 255.\nFor example 1-255 or 0-254");
        const QString busy = QStringLiteral("This range are not empty. Please specify a different values");
        const struct {
            TypedRow row;
            bool busy;
            QString message;
        } cases[] = {
            // Each row also breaks every later rule, so only the order picks the message.
            {typed("", "", "", "", ""), true, dmxEmpty},
            {typed("0", "", "", "", ""), true, dmxOutOfRangeMessage()},
            {typed("513", "", "", "", ""), true, dmxOutOfRangeMessage()},
            {typed("1", "", "10", "", ""), true, valuesEmpty},
            {typed("1", "10", "", "", ""), true, valuesEmpty},
            {typed("1", "300", "5", "", ""), true, valueOutOfRangeMessage()},
            {typed("1", "10", "5", "", ""), true, noCommand},
            {typed("1", "10", "9"), true, kHigher + QStringLiteral(" 10 and 255")},
            {typed("1", "0", "255"), true, width},
            {typed("1", "0", "254"), true, busy},
            {typed("1", "1", "255"), false, QString()},
            {typed("1", "7", "7"), false, QString()},
            {typed("512", "0", "254", "", "0A0D"), false, QString()},
        };
        for (const auto &c : cases)
            QCOMPARE(finalCheckMessage(c.row, c.busy), c.message);
        // The low value's own text goes into the message.
        QCOMPARE(finalCheckMessage(typed("3", "010", "9"), false), kHigher + QStringLiteral(" 010 and 255"));
    }

    void commandPrefersAscii() {
        QCOMPARE(rowCommandText(typed("1", "0", "1", "ON", "0A")), QStringLiteral("ASCII:ON"));
        QCOMPARE(rowCommandText(typed("1", "0", "1", "", "0A0D")), QStringLiteral("HEX:0A0D"));
    }

    void storingInsertsOrReplacesOnlyWhatChanged() {
        QList<MyChanel> rows{row("1", "0", "127", "ASCII:OFF", "Off")};
        QVERIFY(storeTypedRow(&rows, -1, typed("2", "1", "255", "ON", "", "On")));
        QCOMPARE(rows.size(), 2);
        MyChanel expected = row("2", "1", "255", "ASCII:ON", "On");
        expected.status = QStringLiteral("changed");
        QCOMPARE(rows[1], expected);

        // The same five cells: nothing is touched, not even the status.
        QVERIFY(!storeTypedRow(&rows, 0, typed("1", "0", "127", "OFF", "", "Off")));
        QCOMPARE(rows[0], row("1", "0", "127", "ASCII:OFF", "Off"));
        // One cell differs: the row is replaced and marked.
        const struct {
            TypedRow row;
            MyChanel stored;
        } edits[] = {
            {typed("1", "0", "126", "OFF", "", "Off"), row("1", "0", "126", "ASCII:OFF", "Off")},
            {typed("1", "0", "127", "", "4F", "Off"), row("1", "0", "127", "HEX:4F", "Off")},
            {typed("1", "0", "127", "OFF", "", "Dark"), row("1", "0", "127", "ASCII:OFF", "Dark")},
        };
        for (const auto &e : edits) {
            QList<MyChanel> list{row("1", "0", "127", "ASCII:OFF", "Off")};
            QVERIFY(storeTypedRow(&list, 0, e.row));
            MyChanel want = e.stored;
            want.status = QStringLiteral("changed");
            QCOMPARE(list, QList<MyChanel>{want});
        }
        // A row number that is gone changes nothing.
        QVERIFY(!storeTypedRow(&rows, 5, typed("1", "0", "1")));
        QVERIFY(!storeTypedRow(&rows, -2, typed("1", "0", "1")));
        QCOMPARE(rows.size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestRowRules)
#include "tst_rowrules.moc"
