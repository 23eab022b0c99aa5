// The project file as a fixed point: whatever library a file gives, the part
// of it that the file can keep is written, read back field by field the same,
// and written again byte for byte the same.
#include "fuzztargets.h"
#include "keptlibrary.h"
#include "projectfile.h"

#include <QBuffer>

#include <cstdio>

namespace {
MyLibrary readBytes(const QByteArray &bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    MyLibrary library;
    readProjectFile(&buffer, &library, nullptr);
    return library;
}

QByteArray writeBytes(const MyLibrary &library) {
    return projectFileBytes(library, QStringLiteral("Fuzz"), libraryTree(library));
}
} // namespace

int fuzzProjectRoundTrip(const uint8_t *data, size_t size) {
    const MyLibrary kept = keptLibrary(readBytes(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size))));
    const QByteArray written = writeBytes(kept);
    const MyLibrary back = readBytes(written);
    const QString difference = libraryDifference(kept, back);
    if (!difference.isEmpty())
        fprintf(stderr, "%s\n", qPrintable(difference));
    fuzzCheck(difference.isEmpty(), "a library the file can keep reads back as it was written");
    fuzzCheck(writeBytes(back) == written, "writing what was read back gives the same bytes");
    return 0;
}
