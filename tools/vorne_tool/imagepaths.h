// Where `vorne_tool image --all` puts each device's image: DIR/<manufacturer>/<device>.bin,
// with names made safe for a file system and no two devices on one file.
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
