// What the tree popup may put into the library: the texts of a manufacturer
// or a device entry checked against what the project file gives back, as the
// message the popup shows. The first text that fails is named.
#pragma once

#include "deviceedit.h"

#include <QString>

// Caption of connection field `field` (MyConnParam::Field) in the popup.
QString connFieldLabel(int field);

// Empty when the file keeps the name; otherwise the message to show.
QString manufacturerEntryMessage(const QString &name);

// Empty when the file keeps every text of the entry: name, description,
// time, then the fourteen settings in field order.
QString deviceEntryMessage(const DeviceEntry &entry);
