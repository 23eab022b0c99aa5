// Encodes images as a Windows icon file (.ico) with uncompressed 32-bit
// entries, so the window icon needs no image plugin at build time.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>

// One directory entry per image, in the given order. Images wider or higher
// than 256 pixels, or an empty list, give an empty result.
QByteArray encodeIco(const QList<QImage> &images);
