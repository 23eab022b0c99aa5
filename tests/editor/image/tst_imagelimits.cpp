// What the image cuts or changes, judged against what the writer really
// writes: each warning must appear exactly when the record read back differs.
#include "imagelimits.h"
#include "imagereader.h"
#include "imagewriter.h"
#include "usbentry.h"

#include <QtTest>

namespace {
MyChanel row(const QString &cmd, const QString &function = QStringLiteral("f")) {
    MyChanel r;
    r.dmx_chanel = QStringLiteral("1");
    r.dmx_valueFrom = QStringLiteral("0");
    r.dmx_valueTo = QStringLiteral("1");
    r.rs_c = cmd;
    r.function = function;
    return r;
}

QString fieldsDiffer(const QString &written, const QString &text) { return written == text ? "kept" : "changed"; }
} // namespace

class TestImageLimits : public QObject {
    Q_OBJECT
private slots:
    void deviceTexts_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("29") << QString(29, QLatin1Char('m'));
        QTest::newRow("30") << QString(30, QLatin1Char('m'));
        QTest::newRow("31") << QString(31, QLatin1Char('m'));
        QTest::newRow("30 Latin-1") << QString(30, QChar(0xE9));
    }
    void deviceTexts() {
        QFETCH(QString, text);
        MyDevice device;
        device.deviceType = text;
        device.deviceDesc = text;
        const MyDeviceUSB d = deviceRecord(text, device);
        const QString written = fieldText(d.deviceMan, sizeof d.deviceMan);
        const bool cut = written != text;
        QCOMPARE(manufacturerImageChanges(text).size(), cut ? 1 : 0);
        QCOMPARE(deviceImageChanges(device).size(), cut ? 2 : 0);
        if (cut)
            QCOMPARE(manufacturerImageChanges(text).first(),
                     QStringLiteral("manufacturer name \"%1\" is 31 bytes; the image keeps the first 30").arg(text));
    }

    void rowsBeyondTheHeaderCount() {
        MyDevice device;
        device.deviceType = QStringLiteral("Big");
        device.listChanel = QList<MyChanel>(65535, row(QStringLiteral("ASCII:X")));
        QString error;
        QByteArray bytes;
        QVERIFY(buildImage(QString(), device, &bytes, &error));
        QCOMPARE(deviceImageRefusal(device), QString());
        device.listChanel.append(row(QStringLiteral("ASCII:X")));
        QVERIFY(!buildImage(QString(), device, &bytes, &error));
        QCOMPARE(deviceImageRefusal(device),
                 QStringLiteral("device \"Big\" has 65536 rows; an image holds at most 65535, so none can be written"));
    }

    void dates_data() {
        QTest::addColumn<QString>("time");
        QTest::addColumn<bool>("warned");
        QTest::newRow("valid") << "01.02.2024 | 10:00:00" << false;
        QTest::newRow("no date") << "" << false;
        QTest::newRow("other form") << "2024-02-01 10:00:00" << true;
        QTest::newRow("no such day") << "31.02.2024 | 10:00:00" << true;
        QTest::newRow("display form of an image") << "Thu 01.02.2024 10:00:00" << true;
    }
    void dates() {
        QFETCH(QString, time);
        QFETCH(bool, warned);
        MyDevice device;
        device.deviceTime = time;
        const QStringList changes = deviceImageChanges(device);
        QCOMPARE(changes.size(), warned ? 1 : 0);
        if (warned) {
            QCOMPARE(deviceRecord(QString(), device).deviceTime, 0xFFFFFFFFu);
            QVERIFY2(changes.first().endsWith("the image stores 0xFFFFFFFF (no time)"), qPrintable(changes.first()));
        }
    }

    void commands_data() {
        QTest::addColumn<QString>("cmd");
        QTest::addColumn<QStringList>("expected");
        const QStringList none;
        QTest::newRow("ASCII 12") << "ASCII:123456789012" << none;
        QTest::newRow("ASCII 13") << "ASCII:1234567890123"
                                  << QStringList{
                                         "ASCII command \"1234567890123\" is 13 bytes; the image keeps the first 12"};
        QTest::newRow("HEX 12 bytes") << "HEX:000102030405060708090A0B" << none;
        QTest::newRow("HEX 13 bytes")
            << "HEX:000102030405060708090A0B0C"
            << QStringList{"HEX command \"000102030405060708090A0B0C\" is 13 bytes; the image keeps the first 12"};
        QTest::newRow("HEX 25 digits") << "HEX:000102030405060708090A0B1"
                                       << QStringList{
                                              "HEX command \"000102030405060708090A0B1\" is 13 bytes; the image "
                                              "keeps the first 12"};
        QTest::newRow("HEX odd") << "HEX:ABc"
                                 << QStringList{"HEX command \"ABc\" has an odd number of digits; the image takes its "
                                                "last digit as the byte 0C"};
        QTest::newRow("HEX lower case") << "HEX:0d0a" << none;
    }
    void commands() {
        QFETCH(QString, cmd);
        QFETCH(QStringList, expected);
        QCOMPARE(rowImageChanges(row(cmd)), expected);
        // The writer agrees: what is read back differs exactly when warned.
        const QString back = commandText(chanelRecord(row(cmd)));
        QCOMPARE(fieldsDiffer(back.toUpper(), cmd.toUpper()), expected.isEmpty() ? "kept" : "changed");
    }

    void functionName() {
        QVERIFY(rowImageChanges(row("ASCII:X", QString(12, QLatin1Char('f')))).isEmpty());
        QCOMPARE(rowImageChanges(row("ASCII:X", QStringLiteral("Lamp on full"))), QStringList());
        QCOMPARE(rowImageChanges(row("ASCII:X", QStringLiteral("Lamp on full!"))),
                 QStringList{"function name \"Lamp on full!\" is 13 bytes; the image keeps the first 12"});
        const MyChanelUSB ch = chanelRecord(row("ASCII:X", QStringLiteral("Lamp on full!")));
        QCOMPARE(fieldText(ch.function, sizeof ch.function), QStringLiteral("Lamp on full"));
    }

    void settings_data() {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        using F = MyConnParam;
        QTest::newRow("number") << int(F::Speed) << "9600"
                                << "";
        QTest::newRow("empty number") << int(F::Delay_Time) << ""
                                      << "";
        QTest::newRow("not a number") << int(F::Replay_Wait_Time) << "5s"
                                      << "Replay_Wait_Time \"5s\" is not a whole number; the image gets 0";
        QTest::newRow("parity 5") << int(F::Parity) << "Space"
                                  << "";
        QTest::newRow("parity 6") << int(F::Parity) << "Spaces"
                                  << "Parity \"Spaces\" is 6 bytes; the image keeps the first 5";
        QTest::newRow("handshake fills its field") << int(F::Handshake) << "XON/XOFF"
                                                   << "";
        QTest::newRow("handshake 9") << int(F::Handshake) << "XON/XOFF2"
                                     << "Handshake \"XON/XOFF2\" is 9 bytes; the image keeps the first 8";
        QTest::newRow("reply 5") << int(F::Normal_Replay) << "READY"
                                 << "";
        QTest::newRow("reply 6") << int(F::Error_Replay) << "ERRORS"
                                 << "Error_Replay \"ERRORS\" is 6 bytes; the image keeps the first 5";
        QTest::newRow("reply HEX 5 bytes") << int(F::Normal_Replay_HEX) << "0D0A0D0A0D"
                                           << "";
        QTest::newRow("reply HEX 6 bytes")
            << int(F::Normal_Replay_HEX) << "0D0A0D0A0D0A"
            << "Normal_Replay_HEX \"0D0A0D0A0D0A\" is 6 bytes; the image keeps the first 5";
        QTest::newRow("reply HEX odd") << int(F::Error_Replay_HEX) << "0D0"
                                       << "Error_Replay_HEX \"0D0\" has an odd number of digits; the image takes its "
                                          "last digit as the byte 00";
        QTest::newRow("reply HEX not a digit")
            << int(F::Normal_Replay_HEX) << "0D0x"
            << "Normal_Replay_HEX \"0D0x\" holds \"x\", which is not a hex digit; the image reads it as none";
        QTest::newRow("prefix 12") << int(F::CMD_Prefix) << "123456789012"
                                   << "";
        QTest::newRow("prefix 13") << int(F::CMD_Prefix) << "1234567890123"
                                   << "CMD_Prefix \"1234567890123\" is 13 bytes; the image keeps the first 12";
        QTest::newRow("prefix HEX 13 bytes")
            << int(F::CMD_Prefix_HEX) << "00112233445566778899AABBCC"
            << "CMD_Prefix_HEX \"00112233445566778899AABBCC\" is 13 bytes; the image keeps the first 12";
    }
    void settings() {
        QFETCH(int, field);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        MyConnParam conn;
        conn[field] = text;
        const QList<ConnImageChange> changes = connImageChanges(conn);
        if (expected.isEmpty()) {
            QVERIFY(changes.isEmpty());
            return;
        }
        QCOMPARE(changes.size(), 1);
        QCOMPARE(changes[0].field, field);
        QCOMPARE(changes[0].otherField, -1);
        QCOMPARE(changes[0].message, expected);
    }

    void bothTextsOfAPair() {
        MyConnParam conn;
        conn[MyConnParam::Normal_Replay] = QStringLiteral("OK");
        conn[MyConnParam::Normal_Replay_HEX] = QStringLiteral("0D0A0D");
        const QList<ConnImageChange> changes = connImageChanges(conn);
        QCOMPARE(changes.size(), 1);
        QCOMPARE(changes[0].field, int(MyConnParam::Normal_Replay));
        QCOMPARE(changes[0].otherField, int(MyConnParam::Normal_Replay_HEX));
        QCOMPARE(changes[0].message, QStringLiteral("both Normal_Replay and Normal_Replay_HEX are given; the image "
                                                    "takes the length from Normal_Replay_HEX and writes Normal_Replay "
                                                    "over its first bytes"));
        // As the writer does: length 3 from the HEX text, "OK" over its first two bytes.
        const MyConnParamUSB c = connRecord(conn);
        QCOMPARE(int(c.Normal_Replay_Len), 3);
        QCOMPARE(QByteArray(c.Normal_Replay, 5), QByteArray("OK\0\0\0", 5));
    }
};

QTEST_GUILESS_MAIN(TestImageLimits)
#include "tst_imagelimits.moc"
