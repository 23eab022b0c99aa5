// config.ini's reader on arbitrary bytes. Besides not crashing, the project it
// settles on stays about as long as one line of the file: the fallback for a
// missing project must not grow with every LastProject line.
#include "configfile.h"
#include "fuzztargets.h"

#include <QBuffer>

int fuzzConfigReader(const uint8_t *data, size_t size) {
    QBuffer buffer;
    buffer.setData(reinterpret_cast<const char *>(data), qsizetype(size));
    buffer.open(QIODevice::ReadOnly);
    AppConfig config;
    config.defaultPath = QStringLiteral("/nonexistent-vorne-fuzz");
    fuzzCheck(readConfig(&buffer, &config, nullptr), "a readable config.ini never fails to read");

    // A value that names an existing file is taken as it is (at most the whole
    // input, made absolute); a fallback is a folder of such a path plus a file name.
    const qsizetype bound = 2 * (qsizetype(size) + config.defaultPath.size()) + 4096;
    fuzzCheck(config.projectName.size() <= bound, "the project path stays bounded by the input");
    fuzzCheck(config.defaultPath.size() <= bound, "the default folder stays bounded by the input");
    for (const QStringList &list : config.lists)
        fuzzCheck(list.size() <= qsizetype(size), "a list has no more entries than the input has bytes");
    return 0;
}
