// What the user is told when a project holds what a save loses: entries the
// file will not give back as they are, and lines of the file the reading
// passed over. The file is written all the same: the editor cannot rename a
// manufacturer or mend a hand-edited line, so refusing the save would trap
// the user.
#pragma once

#include "filerules.h"
#include "projectfile.h"

// `text` as one printable line: control characters as "\xNN".
QString printableText(const QString &text);

// Empty when nothing is lost; otherwise one message that names each entry
// and why, at most `maxListed` of them followed by how many more there are.
QString unkeptEntriesMessage(const QList<KeepProblem> &problems, int maxListed = 20);

// Told when a project whose reading passed over `lines` of `file` opens: each
// line by number and text (at most `maxListed`, then how many more), and
// that the next save drops them. Empty when there are none.
QString passedOverOpenMessage(const QString &file, const QList<PassedOverLine> &lines, int maxListed = 20);

// Told by the save that dropped them.
QString passedOverSavedMessage(const QString &file, const QList<PassedOverLine> &lines, int maxListed = 20);
