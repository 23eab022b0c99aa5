// The project file on disk: atomic saving and the files created for a project
// that does not exist yet.
#pragma once

#include "projectfile.h"

// Writes the whole project to `path` through a temporary file that replaces
// the old one only when complete; on failure the old file stays untouched and
// `error` names the file and the reason. Where the folder forbids new files
// the file is rewritten in place.
bool saveProjectFile(const QString &path, const MyLibrary &library, const ProjectTree &tree, QString *error);

// What the tree reader creates for a missing project: "@" + base name, a line
// feed and "!" without a line feed.
QByteArray newProjectBytes(const QString &baseName);

// What the section reader creates for a missing project: "@\n!\n".
QByteArray newSectionsProjectBytes();

// Creates `path` with `bytes` unless it exists; false when it could not be created.
bool createFileIfMissing(const QString &path, const QByteArray &bytes);
