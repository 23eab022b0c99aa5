// Lookups of library records by the names the tree shows. Names are compared
// exactly; the first match wins.
#pragma once

#include "records.h"

// Index of the first manufacturer named `name`, or -1.
int findPreset(const MyLibrary &library, const QString &name);

// Index of the first device named `name` of manufacturer `preset`, or -1
// (also -1 when `preset` is out of range).
int findDevice(const MyLibrary &library, int preset, const QString &name);
