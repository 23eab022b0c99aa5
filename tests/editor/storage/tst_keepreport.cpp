// The message after a save that wrote entries the file will not give back.
#include "keepreport.h"

#include <QtTest>

class TestKeepReport : public QObject {
    Q_OBJECT
private slots:
    void nothingLostSaysNothing() { QVERIFY(unkeptEntriesMessage({}).isEmpty()); }

    void eachEntryWithItsReasonThenHowManyMore() {
        QList<KeepProblem> problems;
        for (int i = 0; i < 23; ++i)
            problems.append(
                {i, -1, -1, QStringLiteral("Manufacturer \"%%1\"").arg(i), QStringLiteral("it begins with \"%\"")});
        const QStringList lines = unkeptEntriesMessage(problems).split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 2 + 20 + 1);
        QCOMPARE(lines[2], QStringLiteral("- Manufacturer \"%0\": it begins with \"%\"."));
        QCOMPARE(lines[21], QStringLiteral("- Manufacturer \"%19\": it begins with \"%\"."));
        QCOMPARE(lines.last(), QStringLiteral("... and 3 more."));
        QCOMPARE(unkeptEntriesMessage(problems.mid(0, 20)).split(QLatin1Char('\n')).size(), 22);
    }
};

QTEST_GUILESS_MAIN(TestKeepReport)
#include "tst_keepreport.moc"
