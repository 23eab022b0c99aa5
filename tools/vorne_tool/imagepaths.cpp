#include "imagepaths.h"

#include <QDir>
#include <QFile>
#include <QSet>

namespace {
constexpr int kMaxNameLength = 200; // characters, as earlier exports named their files
constexpr int kMaxComponentBytes = 255;
const QString kSuffixRoom = QStringLiteral("-9999999.bin");
const QString kForbidden = QStringLiteral("/\\:*?\"<>|");

// The longest start of `name` (whole characters) whose encoded length is at most maxBytes.
QString cutToBytes(const QString &name, int maxBytes) {
    qsizetype bytes = 0;
    for (qsizetype i = 0; i < name.size();) {
        const qsizetype step = name.at(i).isHighSurrogate() && i + 1 < name.size() ? 2 : 1;
        bytes += QFile::encodeName(name.mid(i, step)).size();
        if (bytes > maxBytes)
            return name.left(i);
        i += step;
    }
    return name;
}
} // namespace

QString safeFileName(const QString &name, int maxBytes) {
    QString safe = name.left(kMaxNameLength);
    if (!safe.isEmpty() && safe.back().isHighSurrogate())
        safe.chop(1);
    safe = cutToBytes(safe, maxBytes);
    for (QChar &c : safe)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || kForbidden.contains(c))
            c = QLatin1Char('_');
    if (safe.isEmpty() || safe == QLatin1String(".") || safe == QLatin1String(".."))
        safe.fill(QLatin1Char('_'), qMax(qsizetype(1), safe.size()));
    return safe;
}

QList<DeviceImagePath> deviceImagePaths(const MyLibrary &library, const QString &dir) {
    QList<DeviceImagePath> paths;
    QSet<QString> taken;
    const QDir root(dir);
    const int deviceBytes = kMaxComponentBytes - int(kSuffixRoom.size());
    for (int i = 0; i < library.size(); ++i) {
        const QString folder = root.filePath(safeFileName(library[i].deviceParent));
        for (int j = 0; j < library[i].listMyDevices.size(); ++j) {
            const QString base =
                QDir(folder).filePath(safeFileName(library[i].listMyDevices[j].deviceType, deviceBytes));
            QString path = base + QStringLiteral(".bin");
            for (int n = 2; taken.contains(path.toCaseFolded()); ++n)
                path = QStringLiteral("%1-%2.bin").arg(base).arg(n);
            taken.insert(path.toCaseFolded());
            paths.append({i, j, folder, path});
        }
    }
    return paths;
}
