// The rules of one mapping row and the overlaps between rows of a channel.
#include "rowcheck.h"

#include <QtTest>

namespace {
MyChanel row(const QString &ch, const QString &lo, const QString &hi, const QString &cmd = QStringLiteral("ASCII:X")) {
    MyChanel r;
    r.dmx_chanel = ch;
    r.dmx_valueFrom = lo;
    r.dmx_valueTo = hi;
    r.rs_c = cmd;
    return r;
}
} // namespace

Q_DECLARE_METATYPE(MyChanel)

class TestRowCheck : public QObject {
    Q_OBJECT
private slots:
    void rowProblems_data() {
        QTest::addColumn<MyChanel>("r");
        QTest::addColumn<QStringList>("expected");
        const QStringList none;
        QTest::newRow("sound") << row("1", "0", "127", "ASCII:PWR ON") << none;
        QTest::newRow("channel 512, one value") << row("512", "7", "7") << none;
        QTest::newRow("widest ranges") << row("1", "0", "254") << none;
        QTest::newRow("widest ranges, top") << row("1", "1", "255") << none;
        QTest::newRow("channel 0") << row("0", "0", "1") << QStringList{"DMX channel 0 is outside 1 to 512"};
        QTest::newRow("channel 513") << row("513", "0", "1") << QStringList{"DMX channel 513 is outside 1 to 512"};
        QTest::newRow("channel text") << row("1a", "0", "1") << QStringList{"DMX channel \"1a\" is not a number"};
        QTest::newRow("channel empty") << row("", "0", "1") << QStringList{"DMX channel is empty"};
        QTest::newRow("low 256") << row("1", "256", "255") << QStringList{"low value 256 is outside 0 to 255"};
        QTest::newRow("high -1") << row("1", "0", "-1") << QStringList{"high value -1 is outside 0 to 255"};
        QTest::newRow("high text") << row("1", "0", "x") << QStringList{"high value \"x\" is not a number"};
        QTest::newRow("high below low") << row("1", "10", "9") << QStringList{"high value 9 is below low value 10"};
        QTest::newRow("full range") << row("1", "0", "255")
                                    << QStringList{
                                           "values 0-255 take the whole channel; 0-254 or 1-255 is the widest range"};
        QTest::newRow("ASCII without text")
            << row("1", "0", "1", "ASCII:") << QStringList{"the command \"ASCII:\" has no text"};
        QTest::newRow("HEX without digits")
            << row("1", "0", "1", "HEX:") << QStringList{"the command \"HEX:\" has no text"};
        QTest::newRow("ASCII blank is text") << row("1", "0", "1", "ASCII: ") << none;
        QTest::newRow("no prefix") << row("1", "0", "1", "PWR ON")
                                   << QStringList{"the command \"PWR ON\" begins with neither \"ASCII:\" nor \"HEX:\""};
        QTest::newRow("empty command") << row("1", "0", "1", "")
                                       << QStringList{"the command \"\" begins with neither \"ASCII:\" nor \"HEX:\""};
        QTest::newRow("lower-case prefix")
            << row("1", "0", "1", "hex:0D")
            << QStringList{"the command \"hex:0D\" begins with neither \"ASCII:\" nor \"HEX:\""};
        QTest::newRow("HEX digits either case") << row("1", "0", "1", "HEX:0d0A") << none;
        QTest::newRow("HEX not a digit") << row("1", "0", "1", "HEX:0D G")
                                         << QStringList{
                                                "the HEX command \"0D G\" holds \" \", which is not a hex digit"};
        QTest::newRow("several faults") << row("600", "20", "10", "X")
                                        << QStringList{"DMX channel 600 is outside 1 to 512",
                                                       "high value 10 is below low value 20",
                                                       "the command \"X\" begins with neither \"ASCII:\" nor \"HEX:\""};
    }
    void rowProblems() {
        QFETCH(MyChanel, r);
        QFETCH(QStringList, expected);
        QCOMPARE(::rowProblems(r), expected);
    }

    void overlaps_data() {
        QTest::addColumn<QList<MyChanel>>("rows");
        QTest::addColumn<QString>("pairs");
        QTest::newRow("shared values") << QList<MyChanel>{row("3", "10", "20"), row("3", "15", "25")} << "0-1";
        QTest::newRow("touching ends") << QList<MyChanel>{row("3", "10", "20"), row("3", "20", "25")} << "0-1";
        QTest::newRow("adjacent") << QList<MyChanel>{row("3", "10", "20"), row("3", "21", "25")} << "";
        QTest::newRow("other channel") << QList<MyChanel>{row("3", "10", "20"), row("4", "10", "20")} << "";
        QTest::newRow("order of the list does not matter")
            << QList<MyChanel>{row("3", "15", "25"), row("9", "0", "1"), row("3", "10", "20")} << "0-2";
        QTest::newRow("nested rows each overlap the wide one")
            << QList<MyChanel>{row("1", "0", "100"), row("1", "10", "20"), row("1", "30", "40")} << "0-1 0-2";
        QTest::newRow("wide row found past a short one")
            << QList<MyChanel>{row("1", "0", "100"), row("1", "5", "6"), row("1", "50", "60")} << "0-1 0-2";
        QTest::newRow("equal rows") << QList<MyChanel>{row("2", "5", "5"), row("2", "5", "5")} << "0-1";
        QTest::newRow("faulty rows are left out")
            << QList<MyChanel>{row("1", "20", "10"), row("1", "0", "255"), row("1", "x", "30"), row("1", "5", "15")}
            << "";
    }
    void overlaps() {
        QFETCH(QList<MyChanel>, rows);
        QFETCH(QString, pairs);
        QStringList found;
        for (const RowOverlap &o : findOverlaps(rows))
            found << QStringLiteral("%1-%2").arg(o.a).arg(o.b);
        QCOMPARE(found.join(QLatin1Char(' ')), pairs);
    }

    void rangesOverlap() {
        QVERIFY(::rangesOverlap(10, 20, 20, 30));
        QVERIFY(::rangesOverlap(15, 25, 10, 20));
        QVERIFY(::rangesOverlap(0, 255, 7, 7));
        QVERIFY(!::rangesOverlap(10, 20, 21, 30));
        QVERIFY(!::rangesOverlap(21, 30, 10, 20));
    }
};

QTEST_GUILESS_MAIN(TestRowCheck)
#include "tst_rowcheck.moc"
