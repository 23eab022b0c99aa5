// The firing rule as the console moves one channel, frame after frame.
#include "livefiring.h"

#include <QtTest>

class TestLiveFiring : public QObject {
    Q_OBJECT
private slots:
    // Channel 1 holds rows 0 (0-99), 1 (100-199) and 2 (200-255, overlapped
    // by row 3, which never counts); channel 2 holds row 4 (10-20).
    // `values` are channel 1's values frame by frame; `fired` the rows.
    void rule_data() {
        QTest::addColumn<bool>("fireInitial");
        QTest::addColumn<QList<int>>("values");
        QTest::addColumn<QString>("fired");
        QTest::newRow("first frame sets the state") << false << QList<int>{50} << "";
        QTest::newRow("first frame fires with --fire-initial") << true << QList<int>{50} << "0";
        QTest::newRow("stay inside") << false << QList<int>{0, 50, 99} << "";
        QTest::newRow("enter from the next row's range") << false << QList<int>{150, 99} << "0";
        QTest::newRow("jump to the next row") << false << QList<int>{50, 150, 250} << "1 2";
        QTest::newRow("edges") << false << QList<int>{99, 100, 199, 200} << "1 2";
        QTest::newRow("leave and re-enter") << false << QList<int>{150, 150, 50, 150} << "0 1";
        QTest::newRow("the first of two overlapping rows") << false << QList<int>{0, 255} << "2";
    }
    void rule() {
        QFETCH(bool, fireInitial);
        QFETCH(QList<int>, values);
        QFETCH(QString, fired);
        LiveFiring firing({{1, 0, 99}, {1, 100, 199}, {1, 200, 255}, {1, 230, 240}, {2, 10, 20}});
        QStringList got;
        for (int v : values) {
            QByteArray frame(kUniverseSize, 0);
            frame[0] = char(v);
            for (const Firing &f : firing.frame(frame, fireInitial)) {
                QCOMPARE(f.value, v);
                got << QString::number(f.row);
            }
        }
        QCOMPARE(got.join(QLatin1Char(' ')), fired);
    }

    // Several channels in one frame fire by channel; a short frame leaves
    // the channels past its end as they were; a new connection starts over.
    void framesAndConnections() {
        LiveFiring firing({{2, 10, 20}, {1, 1, 255}, {512, 5, 5}});
        QVERIFY(firing.frame(QByteArray(kUniverseSize, 0)).isEmpty());
        QByteArray frame(kUniverseSize, 0);
        frame[0] = 7, frame[1] = 15, frame[511] = 5;
        const QList<Firing> fired = firing.frame(frame);
        QCOMPARE(fired.size(), 3);
        QCOMPARE(fired[0].chanel * 1000 + fired[0].row, 1001);
        QCOMPARE(fired[1].chanel * 1000 + fired[1].row, 2000);
        QCOMPARE(fired[2].chanel * 1000 + fired[2].row, 512002);
        QVERIFY(firing.frame(QByteArray(1, 7)).isEmpty());
        QCOMPARE(firing.heldRow(2), 0);
        firing.restart();
        QVERIFY(firing.frame(QByteArray(kUniverseSize, 0)).isEmpty());
        frame[0] = 0;
        QCOMPARE(firing.frame(frame).size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestLiveFiring)
#include "tst_livefiring.moc"
