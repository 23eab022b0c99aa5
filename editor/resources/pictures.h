// The editor's pictures, drawn in code so nothing is copied from anywhere:
// tree icons, window icon, logo, label backgrounds and the number pictures
// the channel table shows for DMX channels and values.
#pragma once

#include <QImage>

QImage drawDeviceIcon(int size);
QImage drawManufacturerIcon(int size);
QImage drawUsbFlashIcon(int size);
QImage drawUsbFlashDeviceIcon(int size);
QImage drawWindowIcon(int size);
QImage drawLogo();
QImage drawLabelBackground(); // "1.png"
QImage drawWhite();           // "white.png"

// A number badge; DMX channels (up to 512) and values (up to 255) differ in colour.
enum class NumberKind { Channel, Value };
QImage drawNumber(int number, NumberKind kind);
