// Human-readable listing of every field of a decoded image, for vorne_tool dump.
#pragma once

#include "imagefields.h"
#include "imagereader.h"

#include <QString>

// The listing, one field a line. `problems` receives what makes the image
// unfit for the converter (header constants, size, CRC); empty when sound.
QString dumpImage(const DecodedImage &img, QStringList *problems);

