// The image writer byte by byte: the worked example, every field rule, the
// CRC and the limits of the row count.
#include "crc16.h"
#include "imagefields.h"
#include "imagesamples.h"
#include "imagewriter.h"
#include "readonlyfolder.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

namespace {

QByteArray bytes(const char *hex) { return QByteArray::fromHex(hex); }

QByteArray build(const QString &man, const MyDevice &d) {
    QByteArray out;
    QString error;
    if (!buildImage(man, d, &out, &error))
        qWarning("%s", qPrintable(error));
    return out;
}

MyDevice bare() {
    MyDevice d;
    d.deviceType = "D";
    return d;
}

} // namespace

class TestImageWriter : public QObject {
    Q_OBJECT
private slots:
    void crcCheckValue() {
        QCOMPARE(crc16Xmodem(QByteArray("123456789")), quint16(0x31C3));
        QCOMPARE(crc16Xmodem(QByteArray()), quint16(0));
        // Feeding in pieces continues the same checksum.
        const quint16 head = crc16Xmodem("1234", 4);
        QCOMPARE(crc16Xmodem("56789", 5, head), quint16(0x31C3));
    }

    void workedExampleByteForByte() {
        const QByteArray expected = fixture("worked_example.bin");
        QCOMPARE(expected.size(), 226);
        QCOMPARE(build("Acme", workedExampleDevice()).toHex(' '), expected.toHex(' '));

        QBuffer buf;
        buf.open(QIODevice::WriteOnly);
        QString error;
        QVERIFY(writeImage(&buf, "Acme", workedExampleDevice(), &error));
        QCOMPARE(buf.data(), expected);
    }

    void savedFileIsTheImage() {
        QTemporaryDir dir;
        const QString path = dir.filePath("x.bin");
        QString error;
        QVERIFY2(saveImageFile(path, "Acme", workedExampleDevice(), &error), qPrintable(error));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), fixture("worked_example.bin"));
    }

    void saveInAFolderThatForbidsNewFilesRewritesInPlace() {
        ReadOnlyFolder folder;
        QVERIFY(folder.addWritableFile(QStringLiteral("x.bin"), "an older image"));
        QVERIFY(folder.lock());
        const QString path = folder.filePath(QStringLiteral("x.bin"));
        const QByteArray expected = fixture("worked_example.bin");
        VERIFY_IN_LOCKED_FOLDER(folder, [&] {
            QString error;
            QFile file(path);
            return saveImageFile(path, "Acme", workedExampleDevice(), &error) && file.open(QIODevice::ReadOnly) &&
                   file.readAll() == expected;
        });
    }

    void saveFailureNamesFileAndKeepsOldFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath("missing/x.bin");
        QString error;
        QVERIFY(!saveImageFile(path, "Acme", workedExampleDevice(), &error));
        QVERIFY2(error.contains(path), qPrintable(error));
        QVERIFY(!QFile::exists(path));

        // A refused table leaves an existing file as it was.
        const QString existing = dir.filePath("old.bin");
        QFile old(existing);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
        MyDevice big = bare();
        big.listChanel = QList<MyChanel>(image::MaxChanels + 1, row("1", "0", "0", "", ""));
        QVERIFY(!saveImageFile(existing, "Acme", big, &error));
        QVERIFY2(error.contains(existing) && error.contains("65536"), qPrintable(error));
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old"));
    }

    void failedWriteReported() {
        QBuffer readOnly;
        readOnly.open(QIODevice::ReadOnly);
        QString error;
        QVERIFY(!writeImage(&readOnly, "Acme", workedExampleDevice(), &error));
        QVERIFY(!error.isEmpty());
    }

    void emptyTable() {
        const QByteArray img = build("M", bare());
        QCOMPARE(img.size(), 168);
        QCOMPARE(img.left(10), bytes("0500ffffffff0e000000"));
        QCOMPARE(qFromLittleEndian<quint16>(img.constData() + 166), crc16Xmodem(img.constData() + 10, 156));
    }

    void rowCountLimits() {
        MyDevice d = bare();
        d.listChanel = QList<MyChanel>(image::MaxChanels, row("7", "1", "2", "HEX:41", "f"));
        const QByteArray img = build("M", d);
        QCOMPARE(img.size(), qsizetype(image::imageSize(image::MaxChanels)));
        QCOMPARE(qFromLittleEndian<quint16>(img.constData() + 8), quint16(0xFFFF));
        QCOMPARE(img.mid(166 + 29 * (image::MaxChanels - 1), 4), bytes("07000141"));
        QCOMPARE(qFromLittleEndian<quint16>(img.constData() + img.size() - 2),
                 crc16Xmodem(img.constData() + 10, img.size() - 12));

        d.listChanel.append(d.listChanel.first());
        QByteArray out;
        QString error;
        QVERIFY(!buildImage("M", d, &out, &error));
        QVERIFY(out.isEmpty());
        QVERIFY(error.contains("65536"));
    }

    void deviceFields_data() {
        QTest::addColumn<QString>("man");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QByteArray>("record"); // the 94 bytes at offset 10
        const QString n30 = QString(30, 'N');
        QByteArray full30(30, 'N');
        QByteArray zero30(30, 0);
        QByteArray noTime = bytes("ffffffff");
        QTest::newRow("30 characters fill the field") << n30 << n30 << "" << full30 + full30 + zero30 + noTime;
        QTest::newRow("31st character cut") << n30 + "X" << n30 + "Y"
                                            << "" << full30 + full30 + zero30 + noTime;
        QTest::newRow("USB entry name and display time")
            << "USB:Acme"
            << ""
            << "Thu 01.02.2024 10:00:00" << QByteArray("USB:Acme").leftJustified(30, 0) + zero30 + zero30 + noTime;
        QTest::newRow("epoch") << ""
                               << ""
                               << "01.01.1970 | 00:00:00" << zero30 + zero30 + zero30 + bytes("00000000");
        QTest::newRow("before epoch") << ""
                                      << ""
                                      << "31.12.1969 | 23:59:59" << zero30 + zero30 + zero30 + noTime;
        QTest::newRow("impossible date") << ""
                                         << ""
                                         << "31.02.2024 | 10:00:00" << zero30 + zero30 + zero30 + noTime;
        QTest::newRow("Latin-1 text") << QString::fromLatin1("B\xfchne") << ""
                                      << "" << QByteArray("B\xfchne").leftJustified(30, 0) + zero30 + zero30 + noTime;
    }
    void deviceFields() {
        QFETCH(QString, man);
        QFETCH(QString, type);
        QFETCH(QString, time);
        QFETCH(QByteArray, record);
        MyDevice d;
        d.deviceType = type;
        d.deviceTime = time;
        QCOMPARE(build(man, d).mid(10, 94).toHex(' '), record.toHex(' '));
    }

    void connectionFields_data() {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("offset"); // within the file
        QTest::addColumn<QByteArray>("expected");
        using F = MyConnParam;
        QTest::newRow("XON/XOFF fills 8 bytes") << int(F::Handshake) << "XON/XOFF" << 121 << QByteArray("XON/XOFF");
        QTest::newRow("None then four zeros") << int(F::Handshake) << "None" << 121 << QByteArray("None\0\0\0\0", 8);
        QTest::newRow("Even parity") << int(F::Parity) << "Even" << 116 << QByteArray("Even\0", 5);
        QTest::newRow("delay abc is 0") << int(F::Delay_Time) << "abc" << 129 << bytes("00000000");
        QTest::newRow("delay unaligned") << int(F::Delay_Time) << "100" << 129 << bytes("64000000");
        QTest::newRow("retry") << int(F::Retry_Count) << "-1" << 133 << bytes("ffffffff");
        QTest::newRow("speed") << int(F::Speed) << "115200" << 104 << bytes("00c20100");
        QTest::newRow("wait time unaligned") << int(F::Replay_Wait_Time) << "500" << 149 << bytes("f4010000");
        QTest::newRow("normal reply OK") << int(F::Normal_Replay) << "OK" << 143 << bytes("004f4b000000");
        QTest::newRow("normal reply HEX 0D0A") << int(F::Normal_Replay_HEX) << "0D0A" << 143 << bytes("020d0a000000");
        QTest::newRow("HEX reply keeps 5 bytes")
            << int(F::Normal_Replay_HEX) << "0102030405060708" << 143 << bytes("050102030405f4");
        QTest::newRow("5-char normal reply leaves wait time")
            << int(F::Normal_Replay) << "ABCDE" << 143 << bytes("004142434445f4010000");
        QTest::newRow("5-char error reply leaves normal length")
            << int(F::Error_Replay) << "ABCDE" << 137 << bytes("004142434445") + bytes("00");
        QTest::newRow("error reply lone HEX digit")
            << int(F::Error_Replay_HEX) << "ABC" << 137 << bytes("02ab0c000000");
        QTest::newRow("prefix HEX 12 bytes of 60 digits")
            << int(F::CMD_Prefix_HEX) << QString(60, 'F') << 153 << bytes("0c") + QByteArray(12, '\xff');
        QTest::newRow("prefix ASCII cut at 12")
            << int(F::CMD_Prefix) << "ABCDEFGHIJKLMN" << 153 << bytes("00") + QByteArray("ABCDEFGHIJKL");
    }
    void connectionFields() {
        QFETCH(int, field);
        QFETCH(QString, text);
        QFETCH(int, offset);
        QFETCH(QByteArray, expected);
        MyDevice d = bare();
        d.connParam[MyConnParam::Replay_Wait_Time] = "500"; // a known neighbour for the reply fields
        d.connParam[field] = text;
        QCOMPARE(build("M", d).mid(offset, expected.size()).toHex(' '), expected.toHex(' '));
    }

    void bothReplyTextsGiven() {
        // HEX sets the length; the ASCII text overwrites the leading bytes and ends with a zero.
        QByteArray field(5, '\x55');
        unsigned char len = 0x55;
        fillAsciiHex(field.data(), 5, &len, "X", "0D0A41");
        QCOMPARE(len, 3);
        QCOMPARE(field, bytes("5800410000"));
        fillAsciiHex(field.data(), 5, &len, "", "");
        QCOMPARE(len, 0);
        QCOMPARE(field, QByteArray(5, 0));
    }

    void commands_data() {
        QTest::addColumn<QString>("cmd");
        QTest::addColumn<QByteArray>("expected"); // cmdLen then the 12 cmd bytes
        QTest::newRow("HEX 5 bytes") << "HEX:505746300D" << bytes("05505746300d00000000000000");
        QTest::newRow("ASCII PWR ON") << "ASCII:PWR ON" << bytes("00") + QByteArray("PWR ON").leftJustified(12, 0);
        QTest::newRow("HEX alone") << "HEX:" << QByteArray(13, 0);
        QTest::newRow("lone last digit") << "HEX:ABC" << bytes("02ab0c00000000000000000000");
        QTest::newRow("HEX cut at 12 bytes") << "HEX:" + QString(30, '1') << bytes("0c") + QByteArray(12, '\x11');
        QTest::newRow("24 digits exactly") << "HEX:" + QString(24, 'a') << bytes("0c") + QByteArray(12, '\xaa');
        QTest::newRow("lower-case prefix decodes its letters") << "hex:41" << bytes("030e0041000000000000000000");
        QTest::newRow("11 characters then zero")
            << "ASCII:ABCDEFGHIJK" << bytes("00") + QByteArray("ABCDEFGHIJK") + bytes("00");
        QTest::newRow("12 characters fill") << "ASCII:ABCDEFGHIJKL" << bytes("00") + QByteArray("ABCDEFGHIJKL");
        QTest::newRow("13th character cut") << "ASCII:ABCDEFGHIJKLM" << bytes("00") + QByteArray("ABCDEFGHIJKL");
        QTest::newRow("no prefix is ASCII") << "PING" << bytes("00") + QByteArray("PING").leftJustified(12, 0);
        QTest::newRow("empty") << "" << QByteArray(13, 0);
    }
    void commands() {
        QFETCH(QString, cmd);
        QFETCH(QByteArray, expected);
        MyDevice d = bare();
        d.listChanel << row("1", "0", "0", cmd, "");
        QCOMPARE(build("M", d).mid(168, 13).toHex(' '), expected.toHex(' '));
    }

    void rowNumbers_data() {
        QTest::addColumn<QString>("dmx");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("function");
        QTest::addColumn<QByteArray>("expected"); // whole record without cmdLen/cmd
        QTest::newRow("512") << "512"
                             << "0"
                             << "255"
                             << "Power" << bytes("0002") + QByteArray("Power").leftJustified(12, 0) + bytes("00ff");
        QTest::newRow("low 16 and 8 bits") << "65537"
                                           << "256"
                                           << "257"
                                           << "" << bytes("0100") + QByteArray(12, 0) + bytes("0001");
        QTest::newRow("not numbers") << "x"
                                     << "y"
                                     << "z"
                                     << "" << bytes("0000") + QByteArray(12, 0) + bytes("0000");
        QTest::newRow("12-char function fills")
            << "1"
            << "1"
            << "1"
            << "ABCDEFGHIJKLMN" << bytes("0100") + QByteArray("ABCDEFGHIJKL") + bytes("0101");
    }
    void rowNumbers() {
        QFETCH(QString, dmx);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, function);
        QFETCH(QByteArray, expected);
        MyDevice d = bare();
        d.listChanel << row(dmx, from, to, "", function);
        const QByteArray rec = build("M", d).mid(166, 29);
        QCOMPARE((rec.left(2) + rec.mid(15)).toHex(' '), expected.toHex(' '));
    }

    void connectionRecordUsesCurrentSettings() {
        MyDevice d = bare();
        d.connParam[MyConnParam::Speed] = "19200";
        d.connParamSaved[MyConnParam::Speed] = "9600";
        QCOMPARE(build("M", d).mid(104, 4), bytes("004b0000"));
    }
};

QTEST_GUILESS_MAIN(TestImageWriter)
#include "tst_imagewriter.moc"
