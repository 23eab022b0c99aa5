// What editing and cloning the USB device (the device read back from an
// image) do to the records. The USB entry is not part of the project, so an
// edit touches only what the popup can show of an image, and a clone is a new
// library device built from the USB device and the popup's values.
#pragma once

#include "records.h"

// The settings taken from the popup: the image restores these ten; the
// command prefix and the HEX texts are not among them.
inline constexpr MyConnParam::Field kUsbEditFields[] = {
    MyConnParam::Speed,         MyConnParam::Data_Bits,    MyConnParam::Stop_Bits,
    MyConnParam::Parity,        MyConnParam::Handshake,    MyConnParam::Delay_Time,
    MyConnParam::Normal_Replay, MyConnParam::Error_Replay, MyConnParam::Replay_Wait_Time,
    MyConnParam::Retry_Count,
};

// Index of the USB entry's manufacturer named `name`, or -1. The entry is
// appended when an image is read, so it is the last of its name: a library
// manufacturer made earlier may carry the same name.
int findUsbPreset(const MyLibrary &library, const QString &name);

// Takes name, description and the ten settings of `popup`; the prefix and HEX
// texts stay. Returns whether the device now differs from what the image gave
// (then its time becomes `time`). The USB device is never saved, so its change
// flags are left clear either way.
bool applyUsbEdit(MyDevice *device, const QString &name, const QString &desc, const QString &time,
                  const MyConnParam &popup);

// The library copy of `usb`: its rows as "changed" rows (the shadow rows with
// an empty status), the ten settings of `popup` in both connection records
// with all fourteen fields counted as changed, prefix and HEX texts empty.
MyDevice makeUsbClone(const MyDevice &usb, const QString &name, const QString &desc, const QString &time,
                      const MyConnParam &popup);
