// The compiled-in pictures: every name the editor uses exists, the number
// pictures cover exactly their ranges, and the icon file is a valid .ico.
#include "icowriter.h"
#include "pictures.h"
#include "resources.h"

#include <QFile>
#include <QIcon>
#include <QImageReader>
#include <QtEndian>
#include <QtTest>

class TestPictures : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { vorneInitResources(); }

    void namedPicturesExist() {
        for (const char *name : {"DeviceIcon.png", "ManufacturIcon.png", "USBFlashDeviceIcon.png", "USBFlashIcon.png",
                                 "logo.png", "1.png", "white.png"}) {
            const QString path = QStringLiteral(":/new/prefix1/images/") + QLatin1String(name);
            QVERIFY2(!QImage(path).isNull(), qPrintable(path));
        }
    }

    void numberPicturesCoverTheirRanges() {
        for (int n = 0; n <= 255; ++n)
            QVERIFY(QFile::exists(QStringLiteral(":/new/prefix1/images/num256/%1.png").arg(n)));
        QVERIFY(!QFile::exists(":/new/prefix1/images/num256/256.png"));
        for (int n = 0; n <= 512; ++n)
            QVERIFY(QFile::exists(QStringLiteral(":/new/prefix1/images/num512/%1.png").arg(n)));
        QVERIFY(!QFile::exists(":/new/prefix1/images/num512/513.png"));
        QVERIFY(!QFile::exists(":/new/prefix1/images/num512/-1.png"));
        QCOMPARE(QImage(":/new/prefix1/images/num512/512.png").size(), QSize(30, 16));
    }

    // Different numbers must not give the same picture.
    void numberPicturesDiffer() {
        QVERIFY(drawNumber(1, NumberKind::Value) != drawNumber(7, NumberKind::Value));
        QVERIFY(drawNumber(12, NumberKind::Value) != drawNumber(21, NumberKind::Value));
        QVERIFY(drawNumber(5, NumberKind::Value) != drawNumber(5, NumberKind::Channel));
    }

    void windowIconLoads() {
        QIcon icon(":/new/prefix1/images/Vorne.ico");
        QVERIFY(!icon.isNull());
        QVERIFY(!icon.pixmap(32, 32).isNull());
    }

    void icoHeaderAndDirectory() {
        QImage a(16, 16, QImage::Format_ARGB32);
        a.fill(qRgba(10, 20, 30, 255));
        QImage b(33, 2, QImage::Format_ARGB32); // width not a multiple of 32: padded mask rows
        b.fill(Qt::transparent);
        const QByteArray ico = encodeIco({a, b});
        const auto u16 = [&](int at) { return qFromLittleEndian<quint16>(ico.constData() + at); };
        const auto u32 = [&](int at) { return qFromLittleEndian<quint32>(ico.constData() + at); };
        QCOMPARE(u16(0), quint16(0));
        QCOMPARE(u16(2), quint16(1));
        QCOMPARE(u16(4), quint16(2));
        // Entry 1: 16x16, 32 bpp, 40 + 16*16*4 + 16 rows * 4 mask bytes.
        QCOMPARE(quint8(ico[6]), quint8(16));
        QCOMPARE(quint8(ico[7]), quint8(16));
        QCOMPARE(u16(6 + 4), quint16(1));
        QCOMPARE(u16(6 + 6), quint16(32));
        QCOMPARE(u32(6 + 8), quint32(40 + 1024 + 64));
        QCOMPARE(u32(6 + 12), quint32(6 + 32));
        // Entry 2 follows entry 1: 33x2, mask rows of 8 bytes.
        QCOMPARE(quint8(ico[22]), quint8(33));
        QCOMPARE(u32(22 + 8), quint32(40 + 33 * 2 * 4 + 2 * 8));
        QCOMPARE(u32(22 + 12), quint32(6 + 32 + 40 + 1024 + 64));
        QCOMPARE(ico.size(), int(6 + 32 + 40 + 1024 + 64 + 40 + 264 + 16));
        // Bitmap header: double height, BGRA pixel order.
        const int dib = 38;
        QCOMPARE(u32(dib), quint32(40));
        QCOMPARE(u32(dib + 8), quint32(32));
        QCOMPARE(QByteArray(ico.constData() + dib + 40, 4), QByteArray("\x1E\x14\x0A\xFF", 4));
        // Fully transparent pixels are set in the AND mask.
        const int mask2 = 6 + 32 + 40 + 1024 + 64 + 40 + 264;
        QCOMPARE(QByteArray(ico.constData() + mask2, 5), QByteArray("\xFF\xFF\xFF\xFF\x80", 5));
        // Opaque pixels are not.
        QCOMPARE(ico.mid(6 + 32 + 40 + 1024, 4), QByteArray(4, '\0'));
    }

    void icoRefusesWhatItCannotEncode() {
        QVERIFY(encodeIco({}).isEmpty());
        QVERIFY(encodeIco({QImage()}).isEmpty());
        QVERIFY(encodeIco({QImage(257, 1, QImage::Format_ARGB32)}).isEmpty());
    }

    void icoRoundTripsThroughQtReader() {
        QImage img = drawWindowIcon(32);
        QByteArray data = encodeIco({img});
        QBuffer buffer(&data);
        QImageReader reader(&buffer, "ico");
        if (!reader.canRead())
            QSKIP("no ico image plugin");
        const QImage back = reader.read().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(back.size(), QSize(32, 32));
        QCOMPARE(back.pixel(16, 16), img.convertToFormat(QImage::Format_ARGB32).pixel(16, 16));
    }
};

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
