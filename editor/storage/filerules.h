// Which texts the project file gives back exactly as they were saved.
//
// The file has no escapes: the first characters of a line decide what the
// line is, the reader trims names and deletes blanks from settings and row
// numbers, every line is one record and every character one Latin-1 byte.
// A text that breaks one of these rules would come back changed, or take
// other records with it. Every place that puts text into the library (the
// row popup, the tree popup, the save, vorne_tool) asks here, so what the
// editor accepts is what the file gives back.
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

// Empty when the file keeps `text` as it is; otherwise why not, as a clause
// that begins with "it" ("it begins with \"$\""), for the caller to put
// behind the field's name (see keepMessage).
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
    QString problem; // a clause beginning with "it", as projectTextProblem gives
};

// Every entry of `library` that the file would not give back as it is, in
// library order: names, descriptions, dates, connection texts, row cells, and
// a device that shares its name with an earlier one (it would be given the
// earlier device's settings and rows). The USB entry is left out: the file
// never holds it.
QList<KeepProblem> libraryKeepProblems(const MyLibrary &library);
