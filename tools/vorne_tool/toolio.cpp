#include "toolio.h"

#include "library.h"

#include <QFile>

int usageError(QTextStream &err, const QString &message) {
    err << "vorne_tool: " << message << " (see vorne_tool --help)\n";
    return ExitUsage;
}

int dataError(QTextStream &err, const QString &message) {
    err << "vorne_tool: " << message << "\n";
    return ExitData;
}

bool loadProject(const QString &path, ProjectFileContent *content, ProjectFileLines *lines, QTextStream &err) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        dataError(err, QStringLiteral("cannot open %1: %2").arg(path, file.errorString()));
        return false;
    }
    QString error;
    if (!readProjectFile(&file, content, &error, lines)) {
        dataError(err, QStringLiteral("cannot read %1: %2").arg(path, error));
        return false;
    }
    return true;
}

bool loadProject(const QString &path, MyLibrary *library, QTextStream &err) {
    ProjectFileContent content;
    if (!loadProject(path, &content, nullptr, err))
        return false;
    *library = std::move(content.library);
    return true;
}

bool findNamedDevice(const MyLibrary &library, const QString &project, const QString &manufacturer,
                     const QString &device, int *preset, int *index, QTextStream &err) {
    *preset = findPreset(library, manufacturer);
    if (*preset < 0) {
        dataError(err, QStringLiteral("no manufacturer \"%1\" in %2").arg(manufacturer, project));
        return false;
    }
    *index = findDevice(library, *preset, device);
    if (*index < 0) {
        dataError(err, QStringLiteral("no device \"%1\" of \"%2\" in %3").arg(device, manufacturer, project));
        return false;
    }
    return true;
}

bool loadImage(const QString &path, DecodedImage *image, QTextStream &err) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        dataError(err, QStringLiteral("cannot open %1: %2").arg(path, file.errorString()));
        return false;
    }
    QString error;
    if (!readImage(&file, image, &error)) {
        dataError(err, QStringLiteral("%1: %2").arg(path, error));
        return false;
    }
    return true;
}
