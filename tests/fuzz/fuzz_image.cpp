// The image reader on arbitrary bytes, with what consumes its result: the USB
// entry of the editor and the tool's field listing.
#include "fuzztargets.h"
#include "imagedump.h"
#include "imagereader.h"
#include "usbentry.h"

int fuzzImageReader(const uint8_t *data, size_t size) {
    DecodedImage img;
    QString error;
    if (!decodeImage(reinterpret_cast<const char *>(data), qint64(size), &img, &error)) {
        fuzzCheck(!error.isEmpty(), "a refused image says why");
        return 0;
    }
    fuzzCheck(img.chanels.size() <= img.header.count, "no more rows than the header counts");
    fuzzCheck(image::FixedSize + img.chanels.size() * qint64(image::ChanelSize) <= qint64(size),
              "every row read lies inside the data");

    const MyPreset entry = usbEntryFromImage(img);
    fuzzCheck(entry.listMyDevices.size() == 1, "the USB entry holds one device");
    fuzzCheck(entry.listMyDevices[0].listChanel.size() == img.chanels.size() &&
                  entry.listMyDevices[0].listChanelShadow.size() == img.chanels.size(),
              "one row and one shadow row per record");

    QStringList problems;
    const QString listing = dumpImage(img, &problems);
    fuzzCheck(listing.startsWith(QStringLiteral("Size: ")), "the listing starts with the size");
    return 0;
}
