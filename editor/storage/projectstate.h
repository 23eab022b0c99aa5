// The rules of the project commands that need no window: when the library
// holds unsaved changes, what a successful save resets, and the texts and
// names the commands use.
#pragma once

#include "records.h"

// True when a device has isChanges, changesInTable or changesInConn set, or a
// manufacturer or device was added or removed (`globalAddDeleteItem`).
bool libraryHasChanges(const MyLibrary &library, bool globalAddDeleteItem);

// After the file was written: every changed setting also counts as saved,
// "changed" rows become "saved", and every device's change flags are cleared.
void markLibrarySaved(MyLibrary *library);

// "Save changes in project \"<name>\"?"
QString saveQuestionText(const QString &projectName);

// `name` with ".prj" appended unless ".prj" occurs in it in any letter case.
QString withProjectSuffix(const QString &name);
