#include "configfile.h"

#include "connkeys.h"
#include "projectsave.h"
#include "textlines.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {
const QLatin1String kLastProject("LastProject=");
const QString kSettingsHeading = QStringLiteral("###Default Connections settings");

// Values of the created file, in file key order.
const char *const kDefaultLists[MyConnParam::FieldCount] = {
    "2400,4800,9600,19200,38400,57600,115200,230400,460800", // Speed
    "5,6,7,8,9",                                             // Data_Bits
    "1,2",                                                   // Stop_Bits
    "None,Odd,Even",                                         // Parity
    "None,XON/XOFF,HW",                                      // Handshake
    "100",                                                   // Delay_Time
    "OK",                                                    // Normal_Replay
    "",                                                      // Error_Replay
    "500",                                                   // Replay_Wait_Time
    "2",                                                     // Retry_Count
    "",                                                      // Normal_Replay_HEX
    "",                                                      // Error_Replay_HEX
    "",                                                      // CMD_Prefix
    "",                                                      // CMD_Prefix_HEX
};

// A missing project falls back to its file name in the default folder. The
// name alone, not the previous path: that already holds the folder, and each
// further line would double the path.
void applyLastProject(const QString &value, AppConfig *config) {
    if (QFileInfo::exists(value))
        config->projectName = value;
    else
        config->projectName = config->defaultPath + QLatin1Char('/') + QFileInfo(config->projectName).fileName();
    config->defaultPath = QFileInfo(config->projectName).absolutePath();
}

void applyList(int field, const QString &line, AppConfig *config) {
    QString value = line.mid(line.indexOf(QLatin1Char('=')) + 1);
    if (field != MyConnParam::Handshake)
        value = removeWhitespace(value);
    config->lists[field] = value.split(QLatin1Char(','), Qt::SkipEmptyParts);
}
} // namespace

QString AppConfig::defaultFolder() { return QDir::homePath() + QStringLiteral("/Vorne"); }

QByteArray defaultConfigBytes() {
    QByteArray out;
    appendLine(&out, QStringLiteral("LastProject=MyProject.prj"));
    appendLine(&out, QString());
    appendLine(&out, kSettingsHeading);
    for (int i = 0; i < MyConnParam::FieldCount; ++i)
        appendLine(&out, connKey(fileFieldOrder()[i]) + QLatin1Char('=') + QLatin1String(kDefaultLists[i]));
    appendLine(&out, QStringLiteral("###end"));
    return out;
}

bool readConfig(QIODevice *in, AppConfig *config, QString *error) {
    if (!in || !in->isOpen() || !in->isReadable()) {
        if (error)
            *error = QStringLiteral("config.ini is not open for reading.");
        return false;
    }
    TextLines lines(in->readAll());
    if (!lines.atEnd())
        lines.next(); // the first line is never applied
    while (!lines.atEnd()) {
        const QString line = lines.next();
        if (line.startsWith(kLastProject)) {
            applyLastProject(line.mid(kLastProject.size()), config);
            continue;
        }
        const int field = connFieldOfLine(line);
        if (field >= 0)
            applyList(field, line, config);
    }
    return true;
}

QByteArray configBytes(const AppConfig &config) {
    QByteArray out;
    appendLine(&out, QStringLiteral("DefaultPath=."));
    appendLine(&out, QStringLiteral("LastProject=") + QFileInfo(config.projectName).absoluteFilePath());
    appendLine(&out, QString());
    appendLine(&out, kSettingsHeading);
    for (MyConnParam::Field field : fileFieldOrder())
        appendLine(&out, connKey(field) + QLatin1Char('=') + config.lists[field].join(QLatin1Char(',')));
    appendLine(&out, QString());
    appendLine(&out, QStringLiteral("##end"));
    return out;
}

bool writeConfig(QIODevice *out, const AppConfig &config, QString *error) {
    if (!out || !out->isOpen() || !out->isWritable()) {
        if (error)
            *error = QStringLiteral("config.ini is not open for writing.");
        return false;
    }
    const QByteArray bytes = configBytes(config);
    if (out->write(bytes) != bytes.size()) {
        if (error)
            *error = out->errorString();
        return false;
    }
    return true;
}

bool loadConfigFile(const QString &path, AppConfig *config) {
    createFileIfMissing(path, defaultConfigBytes());
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return readConfig(&file, config, nullptr);
}

bool saveConfigFile(const QString &path, const AppConfig &config, QString *error) {
    QSaveFile file(path);
    // A folder that forbids new files gets the file rewritten in place rather than no file at all.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly) || !writeConfig(&file, config, error)) {
        if (error && error->isEmpty())
            *error = file.errorString();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}
