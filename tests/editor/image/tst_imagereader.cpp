// Reading images back: the worked example's texts and rows, every truncation
// of it without a byte read outside the data, and the USB entry built from it.
#include "imagereader.h"
#include "imagesamples.h"
#include "imagewriter.h"
#include "usbentry.h"

#include <QBuffer>
#include <QLocale>
#include <QtEndian>
#include <QtTest>
#include <memory>

namespace {

// Decodes from a heap block of exactly `size` bytes, so the sanitizer catches
// any read past the end (a QByteArray would hide one behind its terminator).
bool decodeExact(const QByteArray &data, qsizetype size, DecodedImage *img, QString *error) {
    std::unique_ptr<char[]> exact(new char[size_t(size) + (size == 0 ? 1 : 0)]);
    memcpy(exact.get(), data.constData(), size_t(size));
    return decodeImage(exact.get(), size, img, error);
}

MyDevice readBack(const QByteArray &data) {
    DecodedImage img;
    QString error;
    if (!decodeImage(data, &img, &error))
        qWarning("%s", qPrintable(error));
    const MyPreset usb = usbEntryFromImage(img);
    return usb.listMyDevices.value(0);
}

QByteArray imageOf(const MyDevice &d) {
    QByteArray out;
    QString error;
    buildImage("M", d, &out, &error);
    return out;
}

} // namespace

class TestImageReader : public QObject {
    Q_OBJECT
private slots:
    void workedExampleTexts() {
        DecodedImage img;
        QString error;
        QBuffer buf;
        buf.setData(fixture("worked_example.bin"));
        buf.open(QIODevice::ReadOnly);
        QVERIFY(readImage(&buf, &img, &error));
        QVERIFY(img.crcMatches());
        QVERIFY(img.sizeMatches());
        QCOMPARE(img.storedCrc, quint16(0xDDA5));

        const MyPreset usb = usbEntryFromImage(img);
        QCOMPARE(usb.deviceParent, QStringLiteral("USB:Acme"));
        QCOMPARE(usb.listMyDevices.size(), 1);
        const MyDevice &d = usb.listMyDevices.first();
        QCOMPARE(d.deviceType, QStringLiteral("Projector X1"));
        QCOMPARE(d.deviceTypeSaved, d.deviceType);
        QCOMPARE(d.deviceDesc, QStringLiteral("Main hall"));
        QCOMPARE(d.deviceDescSaved, d.deviceDesc);
        QCOMPARE(d.deviceTime, QStringLiteral("Thu 01.02.2024 10:00:00"));

        const char *texts[] = {"9600", "8", "1", "None", "None", "100", "2", "", "", "OK", "", "ERR", "", "500"};
        for (int i = 0; i < MyConnParam::FieldCount; ++i)
            QCOMPARE(d.connParam[i], QString::fromLatin1(texts[i]));
        QCOMPARE(d.connParamSaved, d.connParam);
        QCOMPARE(d.connParam.flags, 0u);
        QVERIFY(!d.changesInConn && !d.changesInTable && !d.isChanges);

        QCOMPARE(d.listChanel.size(), 2);
        QCOMPARE(d.listChanel[0], row("1", "0", "127", "ASCII:PWR ON", "Power on"));
        QCOMPARE(d.listChanel[1], row("1", "128", "255", "HEX:505746300D", "Power off"));
        QCOMPARE(d.listChanelShadow.size(), 2);
        QCOMPARE(d.listChanelShadow[0], row("1", "0", "127", "PWR ON", "Power on"));
        QCOMPARE(d.listChanelShadow[1], row("1", "128", "255", "PWF0\r", "Power off"));
    }

    void everyTruncation_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("rows"); // -1: refused
        for (int len = 0; len <= 226; ++len) {
            int rows = -1;
            if (len >= 166 && len <= 168)
                rows = 0; // count promises more, but fewer than 3 bytes are left
            else if (len >= 195 && len <= 197)
                rows = 1;
            else if (len >= 224)
                rows = 2;
            QTest::addRow("%d bytes", len) << len << rows;
        }
    }
    void everyTruncation() {
        QFETCH(int, length);
        QFETCH(int, rows);
        DecodedImage img;
        QString error;
        const bool ok = decodeExact(fixture("worked_example.bin"), length, &img, &error);
        QCOMPARE(ok, rows >= 0);
        if (!ok) {
            QVERIFY(!error.isEmpty());
            return;
        }
        QCOMPARE(img.chanels.size(), rows);
        QCOMPARE(img.hasCrc, length == 226);
        QCOMPARE(img.crcMatches(), length == 226);
        QCOMPARE(img.sizeMatches(), length == 226);
    }

    void truncationMessages() {
        const QByteArray full = fixture("worked_example.bin");
        DecodedImage img;
        QString error;
        QVERIFY(!decodeImage(full.left(100), &img, &error));
        QVERIFY2(error.contains("too short"), qPrintable(error));
        QVERIFY(!decodeImage(full.left(180), &img, &error));
        QVERIFY2(error.contains("inside channel record 1"), qPrintable(error));
        QVERIFY(!decodeImage(full.left(200), &img, &error));
        QVERIFY2(error.contains("inside channel record 2"), qPrintable(error));
    }

    void hugeCountReadsOnlyWhatIsThere() {
        QByteArray data = fixture("worked_example.bin");
        qToLittleEndian<quint16>(0xFFFF, data.data() + 8);
        DecodedImage img;
        QString error;
        QVERIFY(decodeExact(data, data.size(), &img, &error));
        QCOMPARE(img.chanels.size(), 2);
        QVERIFY(!img.hasCrc);
        QVERIFY(!img.sizeMatches());
    }

    void countZeroGivesEmptyTable() {
        QByteArray data = fixture("worked_example.bin");
        qToLittleEndian<quint16>(0, data.data() + 8);
        const MyDevice d = readBack(data);
        QVERIFY(d.listChanel.isEmpty());
        QVERIFY(d.listChanelShadow.isEmpty());
        QCOMPARE(d.deviceType, QStringLiteral("Projector X1"));
    }

    void fieldsReadWholeAndNoFurther() {
        MyDevice src = workedExampleDevice();
        src.deviceType = QString(30, 'T');
        src.deviceDesc = QString(30, 'D');
        src.connParam[MyConnParam::Handshake] = "XON/XOFF";
        src.connParam[MyConnParam::Delay_Time] = "100";
        src.connParam[MyConnParam::Error_Replay] = "ABCDE";
        src.connParam[MyConnParam::Normal_Replay] = "";
        src.connParam[MyConnParam::Normal_Replay_HEX] = "0D0A";
        src.listChanel = {row("512", "3", "4", "ASCII:ABCDEFGHIJKL", "FUNCTIONNAME"),
                          row("-1", "0", "0", "HEX:00FF", "")};
        const MyDevice d = readBack(imageOf(src));
        QCOMPARE(d.deviceType, QString(30, 'T'));
        QCOMPARE(d.deviceDesc, QString(30, 'D'));
        QCOMPARE(d.connParam[MyConnParam::Handshake], QStringLiteral("XON/XOFF"));
        QCOMPARE(d.connParam[MyConnParam::Delay_Time], QStringLiteral("100"));
        QCOMPARE(d.connParam[MyConnParam::Error_Replay], QStringLiteral("ABCDE"));
        QCOMPARE(d.connParam[MyConnParam::Normal_Replay], QStringLiteral("\r\n"));
        QCOMPARE(d.connParam[MyConnParam::Normal_Replay_HEX], QString());
        QCOMPARE(d.listChanel[0], row("512", "3", "4", "ASCII:ABCDEFGHIJKL", "FUNCTIONNAME"));
        // 65535 is stored and reads back signed; a HEX command keeps its zero bytes.
        QCOMPARE(d.listChanel[1], row("-1", "0", "0", "HEX:00FF", ""));
        QCOMPARE(d.listChanelShadow[1].rs_c, QString());
    }

    void usbEntryWrittenAgain() {
        // The display time does not parse back, and the name keeps its prefix.
        const MyPreset usb = usbEntryFromImage([] {
            DecodedImage img;
            QString error;
            decodeImage(fixture("worked_example.bin"), &img, &error);
            return img;
        }());
        QByteArray again;
        QString error;
        QVERIFY(buildImage(usb.deviceParent, usb.listMyDevices.first(), &again, &error));
        QCOMPARE(again.size(), 226);
        QCOMPARE(again.mid(10, 8), QByteArray("USB:Acme"));
        QCOMPARE(again.mid(100, 4), QByteArray(4, '\xff'));
        // The prefix byte is not restored, the rows are.
        QCOMPARE(again.mid(153, 2), QByteArray(2, 0));
        QCOMPARE(again.mid(166, 58), fixture("worked_example.bin").mid(166, 58));
    }

    void displayTimeOfNoTime() {
        QVERIFY(usbDisplayTime(0xFFFFFFFFu).endsWith(QStringLiteral(" 07.02.2106 06:28:15")));
    }

    // Registered once more under a German and an Arabic locale.
    void displayTimeSpeaksTheUsersLanguage() {
        const quint32 sunday = 1796551200; // 06.12.2026 10:00:00 UTC
        switch (QLocale::system().language()) {
        case QLocale::German:
            QCOMPARE(usbDisplayTime(sunday), QStringLiteral("So. 06.12.2026 10:00:00"));
            break;
        case QLocale::Arabic:
            QCOMPARE(usbDisplayTime(sunday), QStringLiteral("\u0627\u0644\u0623\u062d\u062f 06.12.2026 10:00:00"));
            break;
        case QLocale::C:
        case QLocale::English:
            QCOMPARE(usbDisplayTime(sunday), QStringLiteral("Sun 06.12.2026 10:00:00"));
            break;
        default:
            QSKIP("no expectation for this locale's day names");
        }
    }
};

QTEST_GUILESS_MAIN(TestImageReader)
#include "tst_imagereader.moc"
