// A venue plan: which converter box gets which device's image. One CSV line a
// box (box, manufacturer, device; a header naming those columns may come
// first, in any order), read by the rows import's CSV rules. A plan is judged
// as a whole, so a refused plan sends nothing.
#pragma once

#include "projectcheck.h"
#include "projectfile.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

struct PlannedBox {
    int line = 0; // in the plan, from 1
    QString box;  // the bridge's name, as VORNE_uploader --serial takes it
    QString manufacturer;
    QString device;
    int preset = -1; // in the project's library
    int deviceIndex = -1;
    QByteArray image; // as vorne_tool image writes it
};

struct PlanRefusal {
    int line = 0; // in the plan; 0 for the plan as a whole
    QString message;
};

// The boxes of a plan in its order, each with its image built. Every reason
// to refuse the plan goes to `refusals`, by line: a line that is not box,
// manufacturer, device; a box or a device planned twice; a device the project
// lacks or whose check finds errors (`diagnostics`, checkProject's); an image
// that cannot be built; a plan without boxes. `boxes` is meaningful only when
// nothing was refused.
QList<PlannedBox> readVenuePlan(const QByteArray &csv, const ProjectFileContent &project,
                                const QList<CheckDiagnostic> &diagnostics, QList<PlanRefusal> *refusals);
