// Device records as the tree popup makes and changes them: a new device, a
// copy of another, an edit of one in place, and the removals. The window
// reads its widgets into a DeviceEntry and leaves the record work to these.
#pragma once

#include "records.h"

// What the popup holds for one device. `conn.flags` is not used.
struct DeviceEntry {
    QString name;
    QString description;
    QString time;
    MyConnParam conn;
};

// A device that exists only in memory: both connection records from the
// entry, every setting counted as changed, no rows.
MyDevice makeNewDevice(const DeviceEntry &entry);

// As makeNewDevice, with copies of the source's rows. The copies count as
// changed rows: the file does not hold them yet.
MyDevice makeClonedDevice(const DeviceEntry &entry, const MyDevice &source);

// Takes name, description, time and settings from the entry and recomputes
// which settings differ from the saved ones.
void applyDeviceEdit(MyDevice *device, const DeviceEntry &entry);

// Delay and wait times: 1 to 10000 ms. Retry count: 0 to 10. A text that is
// not a number counts as 0.
bool isTimeValueValid(const QString &text);
bool isRetryCountValid(const QString &text);
inline const QString kTimeRangeMessage =
    QStringLiteral("Is not a valid entry. Please specify a value between 1 and 10000");
inline const QString kRetryRangeMessage =
    QStringLiteral("Is not a valid entry. Please specify a value between 0 and 10");

// Removes the first device named `name`, searching the manufacturers in order.
bool removeFirstDeviceNamed(MyLibrary *library, const QString &name);

// Removes the device named `name` of the manufacturer named `manufacturer`.
bool removeDeviceOf(MyLibrary *library, const QString &manufacturer, const QString &name);

// Removes the first manufacturer named `name` with all its devices.
bool removeManufacturerNamed(MyLibrary *library, const QString &name);
