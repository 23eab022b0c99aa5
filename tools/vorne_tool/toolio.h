// What every vorne_tool command shares: its error lines and reading a project.
#pragma once

#include "imagereader.h"
#include "projectfile.h"

#include <QString>
#include <QTextStream>

// Exit codes: success, a data problem (unreadable or malformed input, a name
// not found, a failed write), a usage error.
enum ToolExit { ExitOk = 0, ExitData = 1, ExitUsage = 2 };

int usageError(QTextStream &err, const QString &message);
int dataError(QTextStream &err, const QString &message);

bool loadProject(const QString &path, ProjectFileContent *content, ProjectFileLines *lines, QTextStream &err);
bool loadProject(const QString &path, MyLibrary *library, QTextStream &err);

// An image file decoded; false after saying why it could not be.
bool loadImage(const QString &path, DecodedImage *image, QTextStream &err);

// The device a MANUFACTURER DEVICE pair names; false after saying which name
// is not in the project.
bool findNamedDevice(const MyLibrary &library, const QString &project, const QString &manufacturer,
                     const QString &device, int *preset, int *index, QTextStream &err);
