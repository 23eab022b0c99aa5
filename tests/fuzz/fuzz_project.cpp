// The project reader on arbitrary bytes: the whole file, the tree part alone,
// and one device's sections, as start-up, Open and the tool read them.
#include "fuzztargets.h"
#include "projectfile.h"

#include <QBuffer>

#include <functional>

namespace {
bool readWith(const QByteArray &bytes, const std::function<bool(QIODevice *)> &read) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return read(&buffer);
}
} // namespace

int fuzzProjectReader(const uint8_t *data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    ProjectFileContent content;
    fuzzCheck(readWith(bytes, [&](QIODevice *in) { return readProjectFile(in, &content, nullptr); }),
              "a readable project never fails to read");
    const MyLibrary &library = content.library;
    if (content.firstPreset >= 0) {
        fuzzCheck(content.firstPreset < library.size() &&
                      content.firstDevice < library[content.firstPreset].listMyDevices.size(),
                  "the first device lies inside the library");
    }

    // The account of passed-over lines reads what the editor reads, and names each line once.
    ProjectFileContent noted;
    ProjectFileLines lines;
    readWith(bytes, [&](QIODevice *in) { return readProjectFile(in, &noted, nullptr, &lines); });
    fuzzCheck(projectFileBytes(noted.library, QString(), libraryTree(noted.library)) ==
                  projectFileBytes(library, QString(), libraryTree(library)),
              "asking for lines reads the same library");
    int lastLine = 0;
    for (const PassedOverLine &p : lines.passedOver) {
        fuzzCheck(p.line > lastLine && !p.why.isEmpty(),
                  "each passed-over line is named once, in order, with a reason");
        lastLine = p.line;
    }

    ProjectFileContent tree;
    readWith(bytes, [&](QIODevice *in) { return readProjectTree(in, &tree, nullptr); });
    fuzzCheck(tree.library.size() == library.size(), "the tree part alone gives the same manufacturers");

    // One device read alone gets what the whole-file read gave it.
    for (const MyPreset &preset : library) {
        for (const MyDevice &device : preset.listMyDevices) {
            MyDevice alone;
            readWith(bytes, [&](QIODevice *in) { return readDeviceData(in, device.deviceType, &alone, nullptr); });
            fuzzCheck(alone.connParam == device.connParam && alone.listChanel == device.listChanel,
                      "a device read alone matches the whole-file read");
            return 0; // the first device is enough; a file may list thousands
        }
    }
    return 0;
}
