#include "imagereader.h"

#include "crc16.h"

#include <QFileDevice>

bool decodeImage(const char *p, qint64 size, DecodedImage *out, QString *error) {
    if (size < image::FixedSize) {
        if (error)
            *error = QStringLiteral("The file is too short to be an image: %1 bytes, at least %2 needed.")
                         .arg(size)
                         .arg(image::FixedSize);
        return false;
    }
    DecodedImage img;
    img.fileSize = size;
    img.header = image::decodeHeader(p);
    img.device = image::decodeDevice(p + image::DeviceOffset);
    img.conn = image::decodeConn(p + image::ConnOffset);

    qint64 pos = image::FixedSize;
    for (int i = 0; i < img.header.count; ++i) {
        const qint64 left = size - pos;
        if (left < 3)
            break; // only the CRC, or less, is left: the count promised more than is there
        if (left < image::ChanelSize) {
            if (error)
                *error = QStringLiteral("The file ends inside channel record %1 (%2 of %3 bytes present).")
                             .arg(i + 1)
                             .arg(left)
                             .arg(image::ChanelSize);
            return false;
        }
        img.chanels.append(image::decodeChanel(p + pos));
        pos += image::ChanelSize;
    }
    img.computedCrc = crc16Xmodem(p + image::HeaderSize, pos - image::HeaderSize);
    if (img.chanels.size() == img.header.count && size - pos >= image::CrcSize) {
        img.hasCrc = true;
        img.storedCrc = quint16(quint8(p[pos]) | quint8(p[pos + 1]) << 8);
    }
    *out = img;
    return true;
}

bool readImage(QIODevice *in, DecodedImage *out, QString *error) {
    const QByteArray data = in->readAll();
    const auto *file = qobject_cast<QFileDevice *>(in);
    if (file && file->error() != QFileDevice::NoError) {
        if (error)
            *error = in->errorString();
        return false;
    }
    return decodeImage(data, out, error);
}

QString fieldText(const char *field, int width) {
    int n = 0;
    while (n < width && field[n] != 0)
        ++n;
    return QString::fromLatin1(field, n);
}
