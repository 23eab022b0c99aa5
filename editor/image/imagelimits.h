// What the image writer will cut or change in a device's texts, worked out
// from the same field widths and rules it writes with. Each entry is one
// sentence for the user; empty lists mean the image holds every text whole.
#pragma once

#include "records.h"

#include <QStringList>

// A change to one connection setting; `otherField` names the partner of an
// ASCII/HEX pair when both texts play a part, else -1.
struct ConnImageChange {
    int field;
    int otherField;
    QString message;
};

// "LABEL \"TEXT\" is N bytes; the image keeps the first WIDTH", or empty.
QString imageTextCut(const QString &label, const QString &text, int width);

QStringList manufacturerImageChanges(const QString &name);

// Why no image of the device can be written at all, or empty: more rows
// than the header's count can hold.
QString deviceImageRefusal(const MyDevice &device);

// Name, description, and a date that does not parse (stored as 0xFFFFFFFF).
// An empty date is no change: the image marks it as unknown on purpose.
QStringList deviceImageChanges(const MyDevice &device);

// Numbers that are not numbers, parity and handshake beyond their fields,
// replies and prefix cut, odd HEX digits, and both texts of a pair given.
QList<ConnImageChange> connImageChanges(const MyConnParam &conn);

// Commands beyond 12 bytes, odd HEX digits, a function name beyond 12 bytes.
QStringList rowImageChanges(const MyChanel &row);
