// Sort order of mapping rows and the free ranges offered for a new row.
#include "channelrules.h"

#include <QtTest>

namespace {
MyChanel row(int ch, int lo, int hi, const QString &cmd = QString()) {
    MyChanel r;
    r.dmx_chanel = QString::number(ch);
    r.dmx_valueFrom = QString::number(lo);
    r.dmx_valueTo = QString::number(hi);
    r.rs_c = cmd;
    return r;
}

// (low, high) of every free range of one channel.
QList<QPair<int, int>> rangesOf(const QList<MyChanel> &free, int ch) {
    QList<QPair<int, int>> out;
    for (const MyChanel &r : free)
        if (r.dmx_chanel.toInt() == ch)
            out.append({r.dmx_valueFrom.toInt(), r.dmx_valueTo.toInt()});
    return out;
}

QList<MyChanel> freeOf(QList<MyChanel> rows) {
    sortChanel(&rows);
    return findFreeRanges(rows);
}

using Ranges = QList<QPair<int, int>>;
} // namespace

class TestChannelRules : public QObject {
    Q_OBJECT
private slots:
    void sortIsNumericByChannelLowHigh() {
        QList<MyChanel> rows{row(100, 0, 1), row(10, 5, 6), row(9, 0, 1), row(10, 0, 1), row(10, 0, 0)};
        sortChanel(&rows);
        QCOMPARE(rows, (QList<MyChanel>{row(9, 0, 1), row(10, 0, 0), row(10, 0, 1), row(10, 5, 6), row(100, 0, 1)}));
    }

    // The exchange passes are not stable: equal and nested rows come out in
    // the order the passes leave them (worked out by hand below).
    void sortExchangesEqualRowsAndReadsBadTextsAsZero() {
        MyChanel bad = row(0, 0, 0, QStringLiteral("bad"));
        bad.dmx_chanel = QStringLiteral("x");
        QList<MyChanel> rows{row(2, 0, 1, QStringLiteral("a")), row(2, 0, 1, QStringLiteral("b")), bad};
        sortChanel(&rows);
        // Pass one: "bad" (channel 0) trades places with "a"; "b" and "a" are equal and stay.
        QCOMPARE(rows[0].rs_c, QStringLiteral("bad"));
        QCOMPARE(rows[1].rs_c, QStringLiteral("b"));
        QCOMPARE(rows[2].rs_c, QStringLiteral("a"));
        QList<MyChanel> none;
        sortChanel(&none);
        QVERIFY(none.isEmpty());
        QCOMPARE(chanelNumber(QStringLiteral("12")), 12);
        QCOMPARE(chanelNumber(QStringLiteral("1x")), 0);
        QCOMPARE(chanelNumber(QString()), 0);
    }

    void sortFirstPassReordersEqualChannels() {
        QList<MyChanel> rows{row(3, 0, 1, QStringLiteral("c")), row(2, 0, 1, QStringLiteral("a")),
                             row(2, 0, 1, QStringLiteral("b")), row(1, 0, 1, QStringLiteral("d"))};
        sortChanel(&rows);
        // i=0: c<->a, then a<->d; i=1: c<->b; i=2: c<->a.
        QStringList order;
        for (const MyChanel &r : rows)
            order << r.rs_c;
        QCOMPARE(order, (QStringList{"d", "b", "a", "c"}));
    }

    void sortSecondPassMovesANestedRowBeforeItsOuterRow() {
        QList<MyChanel> two{row(5, 0, 100, QStringLiteral("outer")), row(5, 10, 50, QStringLiteral("inner"))};
        sortChanel(&two);
        // Row j goes first when its low or its high value is smaller: 50 < 100.
        QCOMPARE(two[0].rs_c, QStringLiteral("inner"));
        QCOMPARE(two[1].rs_c, QStringLiteral("outer"));

        auto order = [](QList<MyChanel> rows) {
            sortChanel(&rows);
            QStringList out;
            for (const MyChanel &r : rows)
                out << r.rs_c;
            return out;
        };
        const MyChanel a = row(5, 0, 200, QStringLiteral("a"));
        const MyChanel b = row(5, 10, 100, QStringLiteral("b"));
        const MyChanel c = row(5, 20, 50, QStringLiteral("c"));
        // Pass two on a, b, c: i=0: a<->b, b<->c gives c, a, b; i=1: a<->b gives c, b, a.
        QCOMPARE(order({a, b, c}), (QStringList{"c", "b", "a"}));
        // Pass one first moves x to the front and a to the back: x, b, c, a. Pass two
        // then: i=1: b<->c, c<->a gives a, b, c; i=2: b<->c gives a, c, b.
        QCOMPARE(order({a, b, c, row(4, 0, 0, QStringLiteral("x"))}), (QStringList{"x", "a", "c", "b"}));
    }

    void sortOfTwoThousandRowsMatchesTheOrderedKeys() {
        // Disjoint ranges have one order only: channel, then low.
        QList<MyChanel> rows;
        for (int i = 0; i < 2000; ++i) {
            const int slot = (i * 7919) % 2000; // every slot once, scattered
            rows.append(row(512 - slot / 4, (slot % 4) * 60, (slot % 4) * 60 + 50));
        }
        sortChanel(&rows);
        for (int i = 1; i < rows.size(); ++i) {
            const int a = rows[i - 1].dmx_chanel.toInt() * 1000 + rows[i - 1].dmx_valueFrom.toInt();
            const int b = rows[i].dmx_chanel.toInt() * 1000 + rows[i].dmx_valueFrom.toInt();
            QVERIFY2(a < b, qPrintable(QString::number(i)));
        }
    }

    void noRowsOffersEveryChannelWhole() {
        const QList<MyChanel> free = findFreeRanges({});
        QCOMPARE(free.size(), 512);
        QCOMPARE(free.first(), row(1, 1, 255));
        QCOMPARE(free.last(), row(512, 1, 255));
    }

    void gapBetweenTwoRowsOnly() {
        const QList<MyChanel> free = freeOf({row(5, 150, 255), row(5, 0, 100)});
        QCOMPARE(rangesOf(free, 5), (Ranges{{101, 149}}));
        QCOMPARE(rangesOf(free, 4), (Ranges{{1, 255}}));
        QCOMPARE(rangesOf(free, 6), (Ranges{{1, 255}}));
        QCOMPARE(free.size(), 512);
        QCOMPARE(free.first(), row(1, 1, 255));
    }

    void bottomGapNeedsThreeValues() {
        QCOMPARE(rangesOf(freeOf({row(7, 2, 10)}), 7), (Ranges{{11, 255}}));
        QCOMPARE(rangesOf(freeOf({row(7, 3, 10)}), 7), (Ranges{{0, 2}, {11, 255}}));
    }

    void topGapNeedsTwoValues() {
        QCOMPARE(rangesOf(freeOf({row(7, 0, 254)}), 7), Ranges());
        QCOMPARE(rangesOf(freeOf({row(7, 0, 253)}), 7), (Ranges{{254, 255}}));
        QCOMPARE(rangesOf(freeOf({row(7, 0, 255)}), 7), Ranges());
    }

    void gapBetweenRowsFromOneValue() {
        QCOMPARE(rangesOf(freeOf({row(3, 10, 20), row(3, 21, 30)}), 3), (Ranges{{0, 9}, {31, 255}}));
        QCOMPARE(rangesOf(freeOf({row(3, 10, 20), row(3, 22, 30)}), 3), (Ranges{{0, 9}, {21, 21}, {31, 255}}));
    }

    void channelsCloseWhenTheNextOneOpens() {
        const QList<MyChanel> free = freeOf({row(1, 0, 100), row(2, 50, 60), row(512, 0, 10)});
        QCOMPARE(free.first(), row(1, 101, 255));
        QCOMPARE(rangesOf(free, 2), (Ranges{{0, 49}, {61, 255}}));
        QCOMPARE(rangesOf(free, 512), (Ranges{{11, 255}}));
        QCOMPARE(free.last(), row(512, 11, 255));
        QCOMPARE(free.size(), 509 + 4);
        for (const MyChanel &r : free)
            QVERIFY(r.rs_c.isEmpty() && r.function.isEmpty() && r.status.isEmpty());
    }

    void fullChannelsLeaveNothingToInsert() {
        QList<MyChanel> rows;
        for (int ch = 1; ch <= 512; ++ch) {
            rows.append(row(ch, 0, 127));
            rows.append(row(ch, 128, 254));
        }
        QVERIFY(freeOf(rows).isEmpty());
    }

    void deletingTheOnlyRowFreesTheChannel() {
        QList<MyChanel> rows{row(1, 0, 255)};
        QCOMPARE(findFreeRanges(rows).first(), row(2, 1, 255));
        rows.clear();
        QCOMPARE(findFreeRanges(rows).first(), row(1, 1, 255));
    }
};

QTEST_GUILESS_MAIN(TestChannelRules)
#include "tst_channelrules.moc"
