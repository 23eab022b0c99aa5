#include "projectsave.h"

#include <QFile>
#include <QSaveFile>

namespace {
QString failure(const QString &path, const QString &reason) {
    return QStringLiteral("Cannot save project \"%1\": %2").arg(path, reason);
}
} // namespace

bool saveProjectFile(const QString &path, const MyLibrary &library, const ProjectTree &tree, QString *error) {
    QSaveFile file(path);
    // A folder that forbids new files gets the file rewritten in place rather than no file at all.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = failure(path, file.errorString());
        return false;
    }
    QString reason;
    if (!writeProjectFile(&file, library, projectBaseName(path), tree, &reason)) {
        file.cancelWriting();
        if (error)
            *error = failure(path, reason);
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = failure(path, file.errorString());
        return false;
    }
    return true;
}

QByteArray newProjectBytes(const QString &baseName) { return '@' + baseName.toLatin1() + "\n!"; }

QByteArray newSectionsProjectBytes() { return QByteArrayLiteral("@\n!\n"); }

bool createFileIfMissing(const QString &path, const QByteArray &bytes) {
    if (QFile::exists(path))
        return true;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    return file.write(bytes) == bytes.size();
}
