#include "imagepaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

bool isInside(const QString &root, const QString &path) {
    if (root.isEmpty() || path.isEmpty())
        return false;
    return path == root || path.startsWith(root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/'));
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
            // Joined, not arg(): a name may hold "%1", which a second arg() would fill.
            for (int n = 2; taken.contains(path.toCaseFolded()); ++n)
                path = base + QLatin1Char('-') + QString::number(n) + QStringLiteral(".bin");
            taken.insert(path.toCaseFolded());
            paths.append({i, j, folder, path});
        }
    }
    return paths;
}

bool pathTaken(const QString &path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

QString savedFilePath(const QString &path) {
    // The same walk as QSaveFile::open: a chain of more than 127 links (a loop)
    // leaves the link itself to be replaced.
    QFileInfo info(path);
    int maxDepth = 128;
    while (--maxDepth && info.isSymLink())
        info.setFile(info.symLinkTarget());
    return maxDepth > 0 ? info.filePath() : path;
}

ImageLanding imageLanding(const QString &dir, const DeviceImagePath &image) {
    ImageLanding landing;
    const QFileInfo saved(savedFilePath(image.path));
    const QFileInfo folderLink(image.folder);
    landing.throughLink = QFileInfo(image.path).isSymLink() || folderLink.isSymLink();
    const QString folder = QFileInfo(saved.absolutePath()).canonicalFilePath();
    if (!folder.isEmpty())
        landing.file = folder + QLatin1Char('/') + saved.fileName();
    const QString root = QFileInfo(dir).canonicalFilePath();
    if (isInside(root, folder))
        return landing;
    // Name the link the user sees in DIR: the manufacturer's folder, or the file.
    const bool folderLeaves = folderLink.isSymLink() && !isInside(root, folderLink.canonicalFilePath());
    const QString link = folderLeaves ? image.folder : image.path;
    const QString target = folderLeaves ? folderLink.symLinkTarget() : saved.filePath();
    landing.refusal =
        folder.isEmpty() && !folderLeaves
            ? QStringLiteral("%1 is a symbolic link to %2, in no folder that exists; not written").arg(link, target)
            : QStringLiteral("%1 is a symbolic link to %2, outside %3; not written").arg(link, target, dir);
    return landing;
}
