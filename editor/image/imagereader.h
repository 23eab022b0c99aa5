// Reads a device configuration image back into its records, never past the
// end of the data. Header constants and the CRC are reported, not enforced:
// the editor restores whatever the records hold, the tool judges them.
#pragma once

#include "imageformat.h"

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QString>

struct DecodedImage {
    qint64 fileSize = 0;
    MyHeaderUSB header;
    MyDeviceUSB device = image::zeroed<MyDeviceUSB>();
    MyConnParamUSB conn = image::zeroed<MyConnParamUSB>();
    QList<MyChanelUSB> chanels; // the complete records present, at most header.count
    bool hasCrc = false;        // two bytes follow the last counted record
    quint16 storedCrc = 0;
    quint16 computedCrc = 0; // over the bytes from offset 10 to the end of the records read
    bool crcMatches() const { return hasCrc && storedCrc == computedCrc; }
    // The size is the one the header's count promises.
    bool sizeMatches() const { return fileSize == image::imageSize(header.count); }
};

// Decodes an image held in memory. Fails with `error` set when the 166 bytes
// before the rows are missing or the data ends inside a channel record.
// Records beyond the data are not read: a count larger than the rows present
// stops the reading when fewer than 3 bytes are left (only the CRC or less).
bool decodeImage(const char *data, qint64 size, DecodedImage *out, QString *error);
inline bool decodeImage(const QByteArray &data, DecodedImage *out, QString *error) {
    return decodeImage(data.constData(), data.size(), out, error);
}

// Reads the whole device from its current position and decodes it.
bool readImage(QIODevice *in, DecodedImage *out, QString *error);

// The text of a fixed-width field: Latin-1 up to the first zero byte or the
// end of the field.
QString fieldText(const char *field, int width);
