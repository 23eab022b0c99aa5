// vorne_tool check: every problem of a project file with the line it stands
// on, from the rules the editor itself keeps (what the file can hold, the
// row rules, what the image writer cuts).
#pragma once

#include "projectfile.h"

#include <QList>
#include <QString>

struct CheckDiagnostic {
    int line = 0;
    bool error = false;
    QString message;
    int preset = -1; // the device concerned, -1 when the line belongs to none
    int device = -1;
};

// The problems of a file read with readProjectFile and its lines, by line.
QList<CheckDiagnostic> checkProject(const ProjectFileContent &content, const ProjectFileLines &lines);

// "FILE:LINE: error: MESSAGE" or "FILE:LINE: warning: MESSAGE".
QString formatDiagnostic(const QString &file, const CheckDiagnostic &d);

// "3 errors, 1 warning in 2 devices".
QString checkSummary(const QList<CheckDiagnostic> &diagnostics);
