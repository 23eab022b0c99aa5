// Reading of the project file. The data part is read in one pass that indexes
// the sections by device name, so loading is linear in the file size.
#include "projectfile.h"

#include "channelrules.h"
#include "connkeys.h"
#include "textlines.h"

#include <QHash>

namespace {
const QLatin1String kDesc("desc:");
const QLatin1String kTime("time:");
constexpr QByteArrayView kFieldSeparator(",\t");
constexpr int kRowFields = 5;

bool readAllFrom(QIODevice *in, QByteArray *data, QString *error) {
    if (!in || !in->isOpen() || !in->isReadable()) {
        if (error)
            *error = QStringLiteral("The project file is not open for reading.");
        return false;
    }
    *data = in->readAll();
    return true;
}

bool startsWithBlank(QByteArrayView line) { return !line.isEmpty() && (line[0] == '\t' || line[0] == ' '); }

bool startsWithBlank(const QString &line) {
    return !line.isEmpty() && (line.at(0) == QLatin1Char('\t') || line.at(0) == QLatin1Char(' '));
}

// "\tname\t\tdesc:description\t\ttime:date", each part optional after the name.
MyDevice deviceFromLine(const QString &trimmed) {
    const qsizetype descAt = trimmed.indexOf(kDesc);
    const qsizetype timeAt = trimmed.indexOf(kTime);
    MyDevice device;
    if (descAt >= 0) {
        device.deviceType = trimmed.left(descAt).trimmed();
        const qsizetype descEnd = trimmed.indexOf(kTime, descAt + kDesc.size());
        device.deviceDesc =
            trimmed.mid(descAt + kDesc.size(), descEnd < 0 ? -1 : descEnd - descAt - kDesc.size()).trimmed();
    } else {
        device.deviceType = (timeAt >= 0 ? trimmed.left(timeAt) : trimmed).trimmed();
    }
    if (timeAt >= 0)
        device.deviceTime = trimmed.mid(timeAt + kTime.size()).trimmed();
    device.deviceTypeSaved = device.deviceType;
    device.deviceDescSaved = device.deviceDesc;
    return device;
}

void parseTree(const QByteArray &data, ProjectFileContent *content, ProjectFileLines *where) {
    TextLines lines(data);
    int lineNo = 0;
    while (!lines.atEnd()) {
        const QString line = lines.next();
        ++lineNo;
        if (line.startsWith(QLatin1Char('!')))
            break;
        if (line.startsWith(QLatin1Char('@'))) {
            content->hasHeader = true;
            content->header = line.mid(1).trimmed();
        } else if (startsWithBlank(line)) {
            const QString trimmed = line.trimmed();
            if (trimmed.isEmpty())
                continue;
            if (content->library.isEmpty()) {
                if (where) // a device needs a manufacturer above it
                    where->orphanDeviceLines.append(lineNo);
                continue;
            }
            QList<MyDevice> &devices = content->library.last().listMyDevices;
            devices.append(deviceFromLine(trimmed));
            if (where) {
                ProjectDeviceLines device;
                device.line = lineNo;
                where->manufacturers.last().devices.append(device);
            }
            if (content->firstPreset < 0) {
                content->firstPreset = int(content->library.size() - 1);
                content->firstDevice = int(devices.size() - 1);
            }
        } else {
            MyPreset preset;
            preset.deviceParent = line.trimmed();
            content->library.append(preset);
            if (where)
                where->manufacturers.append(ProjectManufacturerLines{lineNo, {}});
        }
    }
}

// What the sections of one device name hold.
struct DeviceSections {
    bool settingsSeen = false;
    quint32 presentFields = 0; // bit per field seen in a settings section
    MyConnParam settings;
    bool rowsSeen = false;
    QList<MyChanel> rows;
    // Noted only when lines are asked for.
    ProjectDeviceLines lines;
};

// Returns the field the line set, or -1.
int parseSetting(const QString &line, DeviceSections *target) {
    if (line.startsWith(QLatin1Char('#')))
        return -1;
    const int field = connFieldOfLine(line);
    if (field < 0)
        return -1;
    const QString text = field == MyConnParam::Handshake ? line : removeWhitespace(line);
    target->settings[field] = text.mid(text.indexOf(QLatin1Char('=')) + 1).trimmed();
    target->presentFields |= 1u << field;
    return field;
}

// What became of a line of a rows section.
enum class RowLine { Skipped, Indented, Read, ReadWithExtraFields, Short };

// Rows are most of a large file, so they are split on the raw bytes.
RowLine parseRow(QByteArrayView line, DeviceSections *target) {
    if (line.isEmpty() || line[0] == '#')
        return RowLine::Skipped;
    if (startsWithBlank(line))
        return line.trimmed().isEmpty() ? RowLine::Skipped : RowLine::Indented;
    QByteArrayView fields[kRowFields];
    qsizetype from = 0;
    for (int i = 0; i < kRowFields; ++i) {
        if (from < 0)
            return RowLine::Short;
        const qsizetype separator = line.indexOf(kFieldSeparator, from);
        fields[i] = line.sliced(from, (separator < 0 ? line.size() : separator) - from);
        from = separator < 0 ? -1 : separator + kFieldSeparator.size();
    }
    MyChanel row;
    row.dmx_chanel = removeWhitespace(QString::fromLatin1(fields[0]));
    row.dmx_valueFrom = removeWhitespace(QString::fromLatin1(fields[1]));
    row.dmx_valueTo = removeWhitespace(QString::fromLatin1(fields[2]));
    row.rs_c = QString::fromLatin1(fields[3]);
    row.function = QString::fromLatin1(fields[4]);
    target->rows.append(row);
    return from < 0 ? RowLine::Read : RowLine::ReadWithExtraFields;
}

void noteRowLine(RowLine kind, int lineNo, DeviceSections *target, ProjectFileLines *where) {
    switch (kind) {
    case RowLine::Skipped:
        break;
    case RowLine::Indented:
        where->indentedRowLines.append(lineNo);
        break;
    case RowLine::ReadWithExtraFields:
        where->longRowLines.append(lineNo);
        Q_FALLTHROUGH();
    case RowLine::Read:
        target->lines.rowLines.append(lineNo);
        break;
    case RowLine::Short:
        where->shortRowLines.append(lineNo);
        break;
    }
}

// Sorts the rows with the editor's sort and keeps their line numbers in step.
void sortRowsWithLines(DeviceSections *sections) {
    QList<MyChanel> &rows = sections->rows;
    for (qsizetype i = 0; i < rows.size(); ++i)
        rows[i].status = QString::number(i); // rows are read with an empty status
    sortChanel(&rows);
    QList<int> sortedLines;
    sortedLines.reserve(rows.size());
    for (MyChanel &row : rows) {
        sortedLines.append(sections->lines.rowLines[row.status.toInt()]);
        row.status = QString();
    }
    sections->lines.rowLines = sortedLines;
}

// One pass over the whole file. Every "$" or "%" line outside a section opens
// a section that runs to the next "!" line; a section of a name nobody asked
// for, or one that comes after that name's first rows section, is skipped.
void parseSections(const QByteArray &data, QHash<QString, DeviceSections> *byName, ProjectFileLines *where) {
    enum class State { Outside, Settings, Rows } state = State::Outside;
    DeviceSections *target = nullptr;
    TextLines lines(data);
    int lineNo = 0;
    while (!lines.atEnd()) {
        const QByteArrayView line = lines.nextBytes();
        ++lineNo;
        const char first = line.isEmpty() ? '\0' : line[0];
        if (state == State::Outside) {
            const bool settings = first == '$';
            if (!settings && first != '%')
                continue;
            const QString name = QString::fromLatin1(line.sliced(1)).trimmed();
            const auto it = byName->find(name);
            target = it == byName->end() || it->rowsSeen ? nullptr : &*it;
            if (target && settings) {
                if (!target->settingsSeen)
                    target->lines.settingsLine = lineNo;
                target->settingsSeen = true;
            }
            if (target && !settings) {
                target->rowsSeen = true;
                target->lines.rowsLine = lineNo;
            }
            if (where && !target)
                where->ignoredSections.append({lineNo, name, !settings, it == byName->end() ? 0 : it->lines.rowsLine});
            state = settings ? State::Settings : State::Rows;
        } else if (first == '!') {
            state = State::Outside;
        } else if (target) {
            if (state == State::Settings) {
                const int field = parseSetting(QString::fromLatin1(line), target);
                if (field >= 0)
                    target->lines.fieldLines[field] = lineNo;
                else if (where && first != '#' && !line.trimmed().isEmpty())
                    where->unknownSettingLines.append(lineNo);
            } else {
                const RowLine kind = parseRow(line, target);
                if (where)
                    noteRowLine(kind, lineNo, target, where);
            }
        }
    }
    for (DeviceSections &sections : *byName) {
        if (where)
            sortRowsWithLines(&sections);
        else
            sortChanel(&sections.rows);
    }
}

void applySections(const DeviceSections &sections, MyDevice *device) {
    for (int field = 0; field < MyConnParam::FieldCount; ++field) {
        if (sections.presentFields & (1u << field)) {
            device->connParam[field] = sections.settings[field];
            device->connParamSaved[field] = sections.settings[field];
        }
    }
    if (sections.settingsSeen) {
        device->connParam.flags = 0;
        device->connParamSaved.flags = 0;
    }
    if (sections.rowsSeen) {
        if (device->listChanel.isEmpty()) {
            device->listChanel = sections.rows; // already sorted, shared until edited
        } else {
            device->listChanel.append(sections.rows);
            sortChanel(&device->listChanel);
        }
    }
}

void fillLibrary(const QByteArray &data, MyLibrary *library, ProjectFileLines *where) {
    QHash<QString, DeviceSections> byName;
    for (const MyPreset &preset : *library)
        for (const MyDevice &device : preset.listMyDevices)
            byName.insert(device.deviceType, DeviceSections());
    parseSections(data, &byName, where);
    for (qsizetype i = 0; i < library->size(); ++i) {
        QList<MyDevice> &devices = (*library)[i].listMyDevices;
        for (qsizetype j = 0; j < devices.size(); ++j) {
            const DeviceSections &sections = *byName.constFind(devices[j].deviceType);
            applySections(sections, &devices[j]);
            if (where) {
                ProjectDeviceLines &lines = where->manufacturers[i].devices[j];
                const int treeLine = lines.line;
                lines = sections.lines;
                lines.line = treeLine;
            }
        }
    }
}
} // namespace

bool readProjectTree(QIODevice *in, ProjectFileContent *content, QString *error) {
    QByteArray data;
    if (!readAllFrom(in, &data, error))
        return false;
    parseTree(data, content, nullptr);
    return true;
}

bool readProjectData(QIODevice *in, MyLibrary *library, QString *error) {
    QByteArray data;
    if (!readAllFrom(in, &data, error))
        return false;
    fillLibrary(data, library, nullptr);
    return true;
}

bool readDeviceData(QIODevice *in, const QString &name, MyDevice *device, QString *error) {
    QByteArray data;
    if (!readAllFrom(in, &data, error))
        return false;
    QHash<QString, DeviceSections> byName;
    byName.insert(name, DeviceSections());
    parseSections(data, &byName, nullptr);
    applySections(*byName.constFind(name), device);
    return true;
}

bool readProjectFile(QIODevice *in, ProjectFileContent *content, QString *error, ProjectFileLines *lines) {
    QByteArray data;
    if (!readAllFrom(in, &data, error))
        return false;
    parseTree(data, content, lines);
    fillLibrary(data, &content->library, lines);
    return true;
}

bool readProjectFile(QIODevice *in, ProjectFileContent *content, QString *error) {
    return readProjectFile(in, content, error, nullptr);
}

bool readProjectFile(QIODevice *in, MyLibrary *library, QString *error) {
    ProjectFileContent content;
    if (!readProjectFile(in, &content, error))
        return false;
    *library = std::move(content.library);
    return true;
}
