// What `VORNE_uploader --list` prints: one line a bridge, in the order the
// uploader searches them, with five tab-separated fields (name, place,
// EEPROM description, state, identification). The editor and vorne_tool
// read it to offer or check the converters attached.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

struct ListedBridge {
    QString name;        // serial, or usb:BUS-PORT: what --serial takes
    QString location;    // usb:BUS-PORT
    QString description; // as its EEPROM holds it
    QString state;       // "converter", "no answer", "other" or "unreadable"
    QString ident;       // a converter's identification
    bool isConverter() const { return state == QLatin1String("converter"); }
};

// Lines that do not have the five fields are passed over.
QList<ListedBridge> parseBridgeList(const QByteArray &output);

// The converters among `bridges`, in the uploader's order, each named so that
// --serial finds it alone: the uploader refuses a serial two bridges carry, so
// such a converter goes by its place.
QList<ListedBridge> attachedConverters(const QList<ListedBridge> &bridges);

// What the user picks from: "NAME (IDENT)", or NAME when it gave no identification.
QStringList converterChoiceTexts(const QList<ListedBridge> &converters);

// The uploader's arguments to send `path`: to the bridge `serial`, or, when
// it is empty, to the one the uploader finds itself.
QStringList uploaderArguments(const QString &serial, const QString &path);

// The uploader program, found on PATH as the editor has always started it.
QString uploaderProgram();
