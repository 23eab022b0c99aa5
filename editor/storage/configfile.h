// config.ini: the last project and the choice lists of the fourteen connection
// settings. Latin-1 lines of the form key=value; a list is its entries joined
// by ",". The first line is always skipped when reading.
#pragma once

#include "records.h"

#include <QIODevice>
#include <QStringList>

struct AppConfig {
    QString projectName = QStringLiteral("MyProject.prj"); // sProjectName
    QString defaultPath = defaultFolder();                 // sDefaultPath
    // One choice list per connection field, indexed by MyConnParam::Field.
    QStringList lists[MyConnParam::FieldCount];

    // The user's home folder joined with "Vorne".
    static QString defaultFolder();
};

// The content of the file created when none exists.
QByteArray defaultConfigBytes();

// Applies the lines after the first: LastProject moves the project and the
// default folder (falling back to the previous project's file name in the
// default folder when the named file is gone); each connection key replaces
// its list.
bool readConfig(QIODevice *in, AppConfig *config, QString *error);

// The file written on Exit, with the absolute path of the project.
QByteArray configBytes(const AppConfig &config);
bool writeConfig(QIODevice *out, const AppConfig &config, QString *error);

// Reads `path`, creating it with the defaults first when it does not exist.
// False (and `config` untouched) when it cannot be read.
bool loadConfigFile(const QString &path, AppConfig *config);

// Replaces `path` with configBytes(config) once the new content is complete,
// or rewrites it in place where the folder forbids new files.
bool saveConfigFile(const QString &path, const AppConfig &config, QString *error);
