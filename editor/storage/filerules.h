// Which texts the project file gives back exactly as they were saved.
//
// The file has no escapes: the first characters of a line decide what the
// line is, the reader trims names and deletes blanks from settings and row
// numbers, splits a device line at the first "desc:" and "time:" and a row
// line at each ",\t", and every character is one Latin-1 byte. A text that
// breaks one of these rules would come back changed, or take other records
// with it.
//
// Two layers answer here. libraryKeepProblems is exact: it names what a save
// and reload really changes, so the save report and vorne_tool check can be
// trusted. projectTextProblem and connTextProblem judge one typed text on its
// own, before the rest of the library is known, and so are stricter: they
// also refuse what only a particular library would keep (an empty name, a
// marker that breaks the line only when a neighbour is empty, a leading "$"
// or "%" that breaks a device added later) and characters nobody types on
// purpose (TAB, carriage return, control characters). Every text they accept
// is kept in any library.
#pragma once

#include "records.h"

#include <QList>
#include <QString>

// The kinds of text the file holds outside the connection settings.
enum class ProjectText {
    ManufacturerName, // a line of its own in the tree part
    DeviceName,       // a TAB-indented tree line, and the key of the device's sections
    DeviceDescription,
    DeviceTime,
    RowChannel,  // first cell of a row line
    RowValue,    // low or high value cell
    RowCommand,  // "ASCII:..." or "HEX:..."
    RowFunction, // last cell of a row line
};

// Empty when the editor may accept `text` as typed; otherwise why not, as a
// clause that begins with "it" ("it begins with \"$\""), for the caller to
// put behind the field's name (see keepMessage).
QString projectTextProblem(ProjectText kind, const QString &text);

// The same for connection field `field` (MyConnParam::Field).
QString connTextProblem(int field, const QString &text);

// "<label> cannot be kept in the project file: <problem>."
QString keepMessage(const QString &label, const QString &problem);

// One library entry the file would not give back as it is.
struct KeepProblem {
    int preset = -1;
    int device = -1; // -1: the manufacturer itself
    int row = -1;    // -1: not a row
    QString what;    // "Manufacturer \"Acme\"", "Device \"X\" (Acme)", "Row 3 of device \"X\" (Acme)"
    QString problem; // a clause beginning with "it" or "its"
};

// Every entry of `library` that a save and reload would change, in library
// order: names, descriptions, dates, connection texts, row cells, rows that
// sorting moves, a manufacturer line that opens another device's sections,
// and a device that shares its name with an earlier one but not its settings
// and rows (it would be given the earlier device's). Nothing else: what comes
// back unchanged is not reported. The tree part is taken to be in library
// order. The USB entry is left out: the file never holds it.
QList<KeepProblem> libraryKeepProblems(const MyLibrary &library);

// The same with the USB entry given by its position, -1 when there is none.
// A library read from a file has none: a manufacturer there named "USB:..."
// is an ordinary one, written to the tree part and read back like any other.
QList<KeepProblem> libraryKeepProblems(const MyLibrary &library, int usbPreset);
