// Where `vorne_tool image --all` puts each device's image: DIR/<manufacturer>/<device>.bin,
// with names made safe for a file system, no two devices on one file and none
// written through a symbolic link to a place outside DIR.
#pragma once

#include "records.h"

#include <QList>
#include <QString>

// `name` as one path component: separators, characters other systems refuse
// and control characters become "_"; never empty, "." or "..", at most 200
// characters and at most `maxBytes` bytes in the file system's encoding (cut
// between characters, never inside one).
QString safeFileName(const QString &name, int maxBytes = 255);

struct DeviceImagePath {
    int preset;
    int device;
    QString folder; // DIR/<manufacturer>
    QString path;   // folder/<device>.bin
};

// One path per device of `library`, in library order. A name already taken in
// its folder (letter case ignored, for the file systems that ignore it) gets
// "-2", "-3", ... before ".bin"; a device's file name stays within a file
// system's 255 bytes with room for that suffix.
QList<DeviceImagePath> deviceImagePaths(const MyLibrary &library, const QString &dir);

// Something is at `path`, a dangling symbolic link included (QFileInfo::exists
// follows the link and says no).
bool pathTaken(const QString &path);

// The file a QSaveFile on `path` writes: it follows a chain of symbolic links at
// the name itself, dangling ones too.
QString savedFilePath(const QString &path);

// Where the bytes of `image` go once every link is followed. A link may lead
// elsewhere inside `dir`; one that leads out of it (the manufacturer's folder or
// the file itself) is refused, so an export never writes outside its folder.
struct ImageLanding {
    QString file;             // canonical folder and name; empty when the folder is missing
    QString refusal;          // why not written there, naming the link; empty when fine
    bool throughLink = false; // a link on the way below `dir`
};
ImageLanding imageLanding(const QString &dir, const DeviceImagePath &image);
