// Hexadecimal text, numbers and bytes.
#include "hexconv.h"

#include <QtTest>

class TestHexConv : public QObject {
    Q_OBJECT
private slots:
    void getHexDecodesTwoCharacters_data() {
        QTest::addColumn<QByteArray>("chars"); // always two bytes: the decoder reads exactly two
        QTest::addColumn<int>("value");
        QTest::newRow("upper") << QByteArray("4F", 2) << 0x4F;
        QTest::newRow("lower") << QByteArray("4f", 2) << 0x4F;
        QTest::newRow("FF") << QByteArray("FF", 2) << 0xFF;
        QTest::newRow("digit then end") << QByteArray("7\0", 2) << 0x07;
        QTest::newRow("space then digit") << QByteArray(" 4", 2) << 0x04;
        QTest::newRow("G1") << QByteArray("G1", 2) << 0x01;
        QTest::newRow("0g") << QByteArray("0g", 2) << 0x00;
        QTest::newRow("two zeros") << QByteArray("\0\0", 2) << 0x00;
        QTest::newRow("high bit bytes skipped") << QByteArray("\xC3\x41", 2) << 0x0A;
    }
    void getHexDecodesTwoCharacters() {
        QFETCH(QByteArray, chars);
        QFETCH(int, value);
        QCOMPARE(quint8(getHEX(chars.constData())), quint8(value));
    }

    void getIntFromHex_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("0x1F") << "0x1F" << 31;
        QTest::newRow("leading space") << " 0x1F" << 31;
        QTest::newRow("lower digits") << "0xff" << 255;
        QTest::newRow("not hex") << "0xZZ" << 0;
        QTest::newRow("no 0x drops first character") << "127" << 0x27;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("text before 0x") << "ab0x10" << 16;
        QTest::newRow("capital X is not a prefix") << "0X10" << 0; // only "0" goes, "X10" is no number
    }
    void getIntFromHex() {
        QFETCH(QString, text);
        QFETCH(int, value);
        QCOMPARE(::getIntFromHex(text), value);
        QCOMPARE(getIntStrFromHex(text), QString::number(value));
    }

    void getStrHexFromStr_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("upper");
        QTest::addColumn<QString>("shown");
        QTest::newRow("5") << "5" << true << "0x05";
        QTest::newRow("0") << "0" << true << "0x00";
        QTest::newRow("15") << "15" << true << "0x0F";
        QTest::newRow("16") << "16" << true << "0x10";
        QTest::newRow("200") << "200" << true << "0xC8";
        QTest::newRow("10") << "10" << true << "0x0A";
        QTest::newRow("255") << "255" << true << "0xFF";
        QTest::newRow("256") << "256" << true << "0x0100";
        QTest::newRow("512") << "512" << true << "0x0200";
        QTest::newRow("abc") << "abc" << true << "0x00";
        QTest::newRow("lower case") << "200" << false << "0xc8";
        QTest::newRow("lower case small") << "10" << false << "0x0a";
    }
    void getStrHexFromStr() {
        QFETCH(QString, text);
        QFETCH(bool, upper);
        QFETCH(QString, shown);
        QCOMPARE(::getStrHexFromStr(text, upper), shown);
    }

    void bytesAsHexText() {
        QCOMPARE(bytesToHexText(QByteArray("\x50\x57\x46\x30\x0d", 5)), QStringLiteral("505746300D"));
        QCOMPARE(bytesToHexText(QByteArray()), QString());
    }

    void firstNonHexDigit() {
        QCOMPARE(::firstNonHexDigit(QStringLiteral("09afAF")), -1);
        QCOMPARE(::firstNonHexDigit(QString()), -1);
        QCOMPARE(::firstNonHexDigit(QStringLiteral("0g")), 1);
        QCOMPARE(::firstNonHexDigit(QStringLiteral("0D 0A")), 2);
        for (QChar beside : QStringLiteral("/:@G`g")) // each next to a range of digits
            QCOMPARE(::firstNonHexDigit(QStringLiteral("0") + beside), 1);
        QCOMPARE(::firstNonHexDigit(QString(QChar(0xFF10))), 0); // a full-width digit is no hex digit
    }
};

QTEST_GUILESS_MAIN(TestHexConv)
#include "tst_hexconv.moc"
