// What the user is told after a save that wrote entries the project file will
// not give back as they are. The file is written all the same: the editor
// cannot rename a manufacturer, so refusing the save would trap the user.
#pragma once

#include "filerules.h"

// Empty when nothing is lost; otherwise one message that names each entry
// and why, at most `maxListed` of them followed by how many more there are.
QString unkeptEntriesMessage(const QList<KeepProblem> &problems, int maxListed = 20);
