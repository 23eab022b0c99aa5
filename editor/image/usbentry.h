// Turns a decoded image into the USB entry of the library: a manufacturer
// "USB:" + the image's manufacturer name holding the image's one device.
#pragma once

#include "imagereader.h"
#include "records.h"

namespace usb {
inline const QString kPrefix = QStringLiteral("USB:");
}

// The stored time shown as "ddd dd.MM.yyyy hh:mm:ss" in local time, the short
// day name in the language of the user's locale.
QString usbDisplayTime(quint32 secs);

// "HEX:" + the first cmdLen bytes as upper-case digits, or "ASCII:" + the text.
QString commandText(const MyChanelUSB &ch);

// The command without its kind: the text of cmd up to the first zero byte.
QString shadowCommandText(const MyChanelUSB &ch);

// The connection texts the image restores: numbers, parity, handshake and the
// two ASCII replies. Prefix, HEX texts and length bytes are not restored.
MyConnParam connFromImage(const MyConnParamUSB &c);

// One row of the table (empty status), or its shadow twin when `shadow`.
MyChanel rowFromImage(const MyChanelUSB &ch, bool shadow);

// The USB manufacturer with its device, all change flags clear.
MyPreset usbEntryFromImage(const DecodedImage &img);
