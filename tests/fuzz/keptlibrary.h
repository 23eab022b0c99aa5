// Helpers of the round-trip property: the part of a library the project file
// can keep, and a field-by-field comparison that names the first difference.
#pragma once

#include "records.h"

// `library` without the entries the file would not give back: a manufacturer
// with a problem goes with its devices, a device with a problem (its name,
// texts, settings, or a name used before) goes whole, a row with a problem
// goes alone.
MyLibrary keptLibrary(const MyLibrary &library);

// Empty when both hold the same texts in every field the file stores;
// otherwise where they first differ.
QString libraryDifference(const MyLibrary &expected, const MyLibrary &actual);
