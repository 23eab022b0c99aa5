#include "imagepaths.h"

#include <QDir>
#include <QSet>

namespace {
constexpr int kMaxNameLength = 200;
const QString kForbidden = QStringLiteral("/\\:*?\"<>|");
} // namespace

QString safeFileName(const QString &name) {
    QString safe = name.left(kMaxNameLength);
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
    for (int i = 0; i < library.size(); ++i) {
        const QString folder = root.filePath(safeFileName(library[i].deviceParent));
        for (int j = 0; j < library[i].listMyDevices.size(); ++j) {
            const QString base = QDir(folder).filePath(safeFileName(library[i].listMyDevices[j].deviceType));
            QString path = base + QStringLiteral(".bin");
            for (int n = 2; taken.contains(path.toCaseFolded()); ++n)
                path = QStringLiteral("%1-%2.bin").arg(base).arg(n);
            taken.insert(path.toCaseFolded());
            paths.append({i, j, folder, path});
        }
    }
    return paths;
}
