// Names of the fourteen connection settings as the text files spell them, and
// the order in which the project file and config.ini list them.
#pragma once

#include "records.h"

#include <array>

// Key of a connection field: "Speed", "Data_Bits", ..., "Replay_Wait_Time".
QString connKey(int field);

// Field order of the settings lines in both text files.
const std::array<MyConnParam::Field, MyConnParam::FieldCount> &fileFieldOrder();

// The field whose key followed by "=" begins `line`, or -1.
int connFieldOfLine(const QString &line);

// `text` with every white-space character removed.
QString removeWhitespace(const QString &text);
