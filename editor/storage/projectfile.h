// The project file (".prj"): the whole equipment library as Latin-1 text.
// A tree part lists manufacturers and their devices (in the order the tree
// shows them); a data part follows with each device's settings section
// ("$name") and rows section ("%name"), in library order.
//
// Reading never fails on malformed content: lines of unknown form are
// ignored, rows with fewer than five fields and device lines before any
// manufacturer are skipped. It fails only when the device cannot be read.
// What it passes over is accounted for line by line on request, so nothing
// a file holds is dropped by a save without being named first.
#pragma once

#include "records.h"

#include <QIODevice>

// One device line of the tree part.
struct ProjectTreeDevice {
    QString name;
    QString desc;
    QString time;
};

// One manufacturer line of the tree part with its device lines.
struct ProjectTreeManufacturer {
    QString name;
    QList<ProjectTreeDevice> devices;
};

// The tree part in the order it is written (the window passes its sorted tree).
using ProjectTree = QList<ProjectTreeManufacturer>;

// Everything a project file holds.
struct ProjectFileContent {
    MyLibrary library;
    bool hasHeader = false;
    QString header; // the "@" line's rest, trimmed; the last "@" line wins
    // Position in `library` of the first device of the tree part, -1 when none.
    int firstPreset = -1;
    int firstDevice = -1;
};

// Where the records of a project file come from, for tools that report
// problems by line: line numbers from 1, 0 where there is no such line.
struct ProjectDeviceLines {
    int line = 0;                                 // the device line of the tree part
    int settingsLine = 0;                         // the "$" line of the first settings section read
    int rowsLine = 0;                             // the "%" line of the rows section read
    int fieldLines[MyConnParam::FieldCount] = {}; // the line whose value each setting holds
    QList<int> rowLines;                          // one per row, in the order of listChanel
};

struct ProjectManufacturerLines {
    int line = 0;
    QList<ProjectDeviceLines> devices;
};

// A section the reader passes over whole: its name is on no device line, or
// the name's rows section came before it (and it is no copy of that name's
// sections, which a save writes again for a second device of the name).
struct ProjectIgnoredSection {
    int line = 0;
    QString name;
    bool rows = false;     // a "%" section, else "$"
    int namesRowsLine = 0; // the rows section read for that name, 0 when the tree lacks the name
};

// A line the reading passed over: neither empty nor a comment, and nothing of
// it reached the library, so the next save drops it.
struct PassedOverLine {
    enum Kind {
        OutsideSections, // after the tree part, in no section
        OrphanDevice,    // a device line above every manufacturer line
        NotASetting,     // a settings line of no known key
        ShortRow,        // a rows line of fewer than five fields
        IndentedRow,     // a rows line that begins with a blank
        IgnoredSection,  // in a section the reader passes over (see ProjectIgnoredSection)
        CarriageReturns, // in a file whose line ends are carriage returns only
    };
    int line = 0;
    Kind kind = OutsideSections;
    QString text; // the line as the file holds it, without its line end
    QString why;  // a clause that begins with "it"
};

// A setting given again for the same device name: the later line counts.
struct ProjectRepeatedSetting {
    int line = 0;      // the line whose value is dropped
    int laterLine = 0; // the line whose value counts
    int field = 0;
};

struct ProjectFileLines {
    QList<ProjectManufacturerLines> manufacturers; // in library order
    QList<int> longRowLines;                       // rows lines of more than five fields, the rest dropped
    QList<int> endLinesWithText;                   // "!" lines ending a part or section, with more after the "!"
    QList<ProjectRepeatedSetting> repeatedSettings;
    QList<ProjectIgnoredSection> ignoredSections;
    // Every line the reading passed over, by line: the one account of what a
    // save would drop that check, the editor and the tools all use.
    QList<PassedOverLine> passedOver;
};

// Reads the tree part and every device's sections (as the editor does at start-up).
bool readProjectFile(QIODevice *in, MyLibrary *library, QString *error);
bool readProjectFile(QIODevice *in, ProjectFileContent *content, QString *error);
// The same, noting in `lines` where everything it read, or skipped, stands.
bool readProjectFile(QIODevice *in, ProjectFileContent *content, QString *error, ProjectFileLines *lines);

// The lines a reading of `data` passes over (ProjectFileLines::passedOver),
// found as the editor reads: the tree part, then the data part.
QList<PassedOverLine> projectPassedOver(const QByteArray &data);

// Reads only the tree part: records with names, descriptions and dates.
bool readProjectTree(QIODevice *in, ProjectFileContent *content, QString *error);

// Fills every device of `library` from the sections that carry its name, in one
// pass over the file. Settings sections before the first rows section of a name
// apply in file order; the first rows section of a name is appended to its
// devices' rows, which are then sorted. Later sections of a name are ignored.
bool readProjectData(QIODevice *in, MyLibrary *library, QString *error);
// The same, noting in `passedOver` every line the reading passes over.
bool readProjectData(QIODevice *in, MyLibrary *library, QString *error, QList<PassedOverLine> *passedOver);

// Fills one device (named `name`) from its sections, as readProjectData would.
bool readDeviceData(QIODevice *in, const QString &name, MyDevice *device, QString *error);

// Writes the whole file: header "@" + baseName, the tree part in `tree` order,
// "!", then the data part of every device of `library` in library order, the
// devices of manufacturers missing from `tree` last.
bool writeProjectFile(QIODevice *out, const MyLibrary &library, const QString &baseName, const ProjectTree &tree,
                      QString *error);

// The bytes writeProjectFile writes.
QByteArray projectFileBytes(const MyLibrary &library, const QString &baseName, const ProjectTree &tree);

// The tree part in library order, every manufacturer included.
ProjectTree libraryTree(const MyLibrary &library);

// The header name of a project path: file name without folder and without
// everything from its first dot ("/x/Demo.v2.prj" gives "Demo").
QString projectBaseName(const QString &path);
