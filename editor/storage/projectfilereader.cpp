// Reading of the project file. The data part is read in one pass that indexes
// the sections by device name, so loading is linear in the file size.
#include "projectfile.h"

#include "channelrules.h"
#include "connkeys.h"
#include "textlines.h"

#include <QBuffer>
#include <QHash>

#include <algorithm>

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

bool blankOrComment(QByteArrayView line) { return line.trimmed().isEmpty() || line[0] == '#'; }

QString quotedName(const QString &name) { return QLatin1Char('"') + name + QLatin1Char('"'); }

// The account of passed-over lines, kept only when lines are asked for.
class LineAccount {
public:
    explicit LineAccount(ProjectFileLines *where) : where_(where) {}
    bool active() const { return where_ != nullptr; }
    ProjectFileLines *lines() const { return where_; }
    void passOver(int lineNo, QByteArrayView line, PassedOverLine::Kind kind, const QString &why) {
        if (where_)
            where_->passedOver.append({lineNo, kind, QString::fromLatin1(line), why});
    }

private:
    ProjectFileLines *where_;
};

// Returns the line of the "!" that ends the tree part, 0 when there is none.
int parseTree(const QByteArray &data, ProjectFileContent *content, ProjectFileLines *where) {
    LineAccount account(where);
    TextLines lines(data);
    int lineNo = 0;
    while (!lines.atEnd()) {
        const QString line = lines.next();
        ++lineNo;
        if (line.startsWith(QLatin1Char('!'))) {
            if (where && line.trimmed().size() > 1)
                where->endLinesWithText.append(lineNo);
            return lineNo;
        }
        if (line.startsWith(QLatin1Char('@'))) {
            content->hasHeader = true;
            content->header = line.mid(1).trimmed();
        } else if (startsWithBlank(line)) {
            const QString trimmed = line.trimmed();
            if (trimmed.isEmpty())
                continue;
            if (content->library.isEmpty()) {
                account.passOver(lineNo, line.toLatin1(), PassedOverLine::OrphanDevice,
                                 QStringLiteral("it is a device line above every manufacturer line"));
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
    return 0;
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
    int devices = 0;         // devices of the name; each after the first has sections of its own in a saved file
    int copiesTaken[2] = {}; // later sections that repeat the ones read, settings and rows
    bool bodySeen[2] = {};
    QByteArray body[2]; // the content of the first settings and rows section read
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

// One pass over the whole file, the tree part included. Every "$" or "%" line
// outside a section opens a section that runs to the next "!" line; a section
// of a name nobody asked for, or one that comes after that name's first rows
// section, is skipped. With an account, every line after the tree part that
// nothing takes in is noted; the tree part's own lines are the tree reader's.
class SectionScan {
public:
    // `detail`: also note where each device's rows and settings stand.
    SectionScan(QHash<QString, DeviceSections> *byName, ProjectFileLines *where, bool detail, int treeEnd)
        : byName_(byName), account_(where), detail_(detail), treeEnd_(treeEnd), closedAt_(treeEnd) {}

    void run(const QByteArray &data) {
        TextLines lines(data);
        int lineNo = 0;
        while (!lines.atEnd()) {
            const QByteArrayView line = lines.nextBytes();
            ++lineNo;
            const char first = line.isEmpty() ? '\0' : line[0];
            if (!open_)
                outside(lineNo, line, first);
            else if (first == '!')
                close(lineNo, line);
            else
                inside(lineNo, line);
        }
        if (open_)
            close(0, {});
    }

private:
    struct Open {
        int line = 0;
        QString name;
        bool rows = false;
        DeviceSections *target = nullptr; // null: the section is skipped
        DeviceSections *named = nullptr;  // the name's sections, null when no device has the name
        bool noted = false;               // after the tree part, with an account
        bool keepsBody = false;           // noted, of a name several devices share: copies are told apart
        QByteArray body;
        QList<QPair<int, QByteArrayView>> skipped; // a skipped section's lines that are not empty nor comments
    };

    QHash<QString, DeviceSections> *byName_;
    LineAccount account_;
    bool detail_;
    int treeEnd_;
    bool open_ = false;
    Open section_;
    int closedAt_;       // the "!" that ended the tree part or the last section
    QString closedWhat_; // what it ended

    bool noted(int lineNo) const { return account_.active() && treeEnd_ > 0 && lineNo > treeEnd_; }

    void outside(int lineNo, QByteArrayView line, char first) {
        const bool settings = first == '$';
        if (!settings && first != '%') {
            if (noted(lineNo) && !blankOrComment(line))
                account_.passOver(lineNo, line, PassedOverLine::OutsideSections,
                                  QStringLiteral("it stands outside every section: the \"!\" on line %1 ended %2")
                                      .arg(QString::number(closedAt_),
                                           closedWhat_.isEmpty() ? QStringLiteral("the tree part") : closedWhat_));
            return;
        }
        open_ = true;
        section_ = Open();
        section_.line = lineNo;
        section_.rows = !settings;
        section_.name = QString::fromLatin1(line.sliced(1)).trimmed();
        section_.noted = noted(lineNo);
        const auto it = byName_->find(section_.name);
        section_.named = it == byName_->end() ? nullptr : &*it;
        section_.keepsBody = section_.noted && section_.named && section_.named->devices > 1;
        section_.target = section_.named && !section_.named->rowsSeen ? section_.named : nullptr;
        if (DeviceSections *target = section_.target) {
            if (settings && !target->settingsSeen)
                target->lines.settingsLine = lineNo;
            target->settingsSeen = target->settingsSeen || settings;
            if (!settings) {
                target->rowsSeen = true;
                target->lines.rowsLine = lineNo;
            }
        } else if (section_.noted) {
            section_.skipped.append({lineNo, line});
        }
    }

    void inside(int lineNo, QByteArrayView line) {
        if (section_.keepsBody) {
            section_.body.append(line);
            section_.body.append('\n');
        }
        DeviceSections *target = section_.target;
        if (!target) {
            if (section_.noted && !blankOrComment(line))
                section_.skipped.append({lineNo, line});
            return;
        }
        if (!section_.rows) {
            const quint32 before = target->presentFields;
            const int field = parseSetting(QString::fromLatin1(line), target);
            if (field >= 0) {
                if (section_.noted && (before & (1u << field)) && target->lines.fieldLines[field] > treeEnd_)
                    account_.lines()->repeatedSettings.append({target->lines.fieldLines[field], lineNo, field});
                target->lines.fieldLines[field] = lineNo;
            } else if (section_.noted && !blankOrComment(line)) {
                account_.passOver(lineNo, line, PassedOverLine::NotASetting,
                                  QStringLiteral("it is not a setting (one of the fourteen keys, then \"=\")"));
            }
            return;
        }
        const RowLine kind = parseRow(line, target);
        if (kind == RowLine::Read || kind == RowLine::ReadWithExtraFields) {
            if (detail_)
                target->lines.rowLines.append(lineNo);
            if (section_.noted && kind == RowLine::ReadWithExtraFields)
                account_.lines()->longRowLines.append(lineNo);
        } else if (section_.noted && kind == RowLine::Short) {
            account_.passOver(lineNo, line, PassedOverLine::ShortRow,
                              QStringLiteral("it is a rows line of fewer than five fields"));
        } else if (section_.noted && kind == RowLine::Indented) {
            account_.passOver(lineNo, line, PassedOverLine::IndentedRow,
                              QStringLiteral("it is a rows line that begins with a blank"));
        }
    }

    // A skipped section that repeats the name's sections read gives a save's
    // second device of that name its own copy back: it is not lost.
    bool isCopy() const {
        const DeviceSections *named = section_.named;
        const int kind = section_.rows ? 1 : 0;
        return named && named->copiesTaken[kind] < named->devices - 1 && named->bodySeen[kind] &&
               named->body[kind] == section_.body;
    }

    void close(int lineNo, QByteArrayView line) {
        const QString kind = section_.rows ? QStringLiteral("rows") : QStringLiteral("settings");
        const int k = section_.rows ? 1 : 0;
        if (section_.target && section_.noted && line.trimmed().size() > 1)
            account_.lines()->endLinesWithText.append(lineNo);
        if (section_.target && section_.keepsBody && !section_.target->bodySeen[k]) {
            section_.target->bodySeen[k] = true;
            section_.target->body[k] = section_.body;
        } else if (!section_.target && section_.noted) {
            if (isCopy()) {
                ++section_.named->copiesTaken[k];
            } else {
                const int rowsLine = section_.named ? section_.named->lines.rowsLine : 0;
                account_.lines()->ignoredSections.append({section_.line, section_.name, section_.rows, rowsLine});
                QString reason;
                if (!section_.named)
                    reason = QStringLiteral("which no device line names");
                else if (section_.rows)
                    reason = QStringLiteral("a second one; only the first, on line %1, is read").arg(rowsLine);
                else
                    reason = QStringLiteral("which comes after the rows section of that name on line %1, where "
                                            "reading the name ends")
                                 .arg(rowsLine);
                const QString why = QStringLiteral("it belongs to the %1 section of %2 on line %3, %4")
                                        .arg(kind, quotedName(section_.name), QString::number(section_.line), reason);
                if (lineNo > 0)
                    section_.skipped.append({lineNo, line});
                for (const auto &[at, text] : section_.skipped)
                    account_.passOver(at, text, PassedOverLine::IgnoredSection, why);
            }
        }
        open_ = false;
        closedAt_ = lineNo;
        // The tree part's "!" also ends a section that a manufacturer line opened.
        closedWhat_ = lineNo <= treeEnd_ ? QString()
                                         : QStringLiteral("the %1 section of %2").arg(kind, quotedName(section_.name));
    }
};

void parseSections(const QByteArray &data, QHash<QString, DeviceSections> *byName, ProjectFileLines *where, bool detail,
                   int treeEnd) {
    SectionScan(byName, where, detail, treeEnd).run(data);
    for (DeviceSections &sections : *byName) {
        if (detail)
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

// With `where`, what the reading passes over is noted there; with `detail`
// too, where each device's records stand.
void fillLibrary(const QByteArray &data, MyLibrary *library, ProjectFileLines *where, bool detail, int treeEnd) {
    QHash<QString, DeviceSections> byName;
    for (const MyPreset &preset : *library)
        for (const MyDevice &device : preset.listMyDevices)
            ++byName[device.deviceType].devices;
    parseSections(data, &byName, where, detail, treeEnd);
    for (qsizetype i = 0; i < library->size(); ++i) {
        QList<MyDevice> &devices = (*library)[i].listMyDevices;
        for (qsizetype j = 0; j < devices.size(); ++j) {
            const DeviceSections &sections = *byName.constFind(devices[j].deviceType);
            applySections(sections, &devices[j]);
            if (detail) {
                ProjectDeviceLines &lines = where->manufacturers[i].devices[j];
                const int treeLine = lines.line;
                lines = sections.lines;
                lines.line = treeLine;
            }
        }
    }
}

// A file whose line ends are carriage returns alone reads as one line: the
// header or a manufacturer takes it whole, and every line after the first is lost.
void noteCarriageReturnLines(const QByteArray &data, ProjectFileLines *where) {
    if (data.contains('\n') || !data.contains('\r'))
        return;
    const QList<QByteArray> lines = data.split('\r');
    for (qsizetype i = 1; i < lines.size(); ++i)
        if (!lines[i].trimmed().isEmpty())
            where->passedOver.append({int(i + 1), PassedOverLine::CarriageReturns, QString::fromLatin1(lines[i]),
                                      QStringLiteral("the file's line ends are carriage returns alone, so the editor "
                                                     "reads the whole file as its first line")});
}
// What the sections do not show: carriage-return-only line ends; then by line.
void finishAccount(const QByteArray &data, ProjectFileLines *where) {
    noteCarriageReturnLines(data, where);
    std::stable_sort(where->passedOver.begin(), where->passedOver.end(),
                     [](const PassedOverLine &a, const PassedOverLine &b) { return a.line < b.line; });
}
} // namespace

bool readProjectTree(QIODevice *in, ProjectFileContent *content, QString *error) {
    QByteArray data;
    if (!readAllFrom(in, &data, error))
        return false;
    parseTree(data, content, nullptr);
    return true;
}

bool readProjectData(QIODevice *in, MyLibrary *library, QString *error, QList<PassedOverLine> *passedOver) {
    QByteArray data;
    if (!readAllFrom(in, &data, error))
        return false;
    if (!passedOver) {
        fillLibrary(data, library, nullptr, false, 0);
        return true;
    }
    // The tree part is read again for its own lines; it is small beside the sections.
    ProjectFileContent tree;
    ProjectFileLines account;
    const int treeEnd = parseTree(data, &tree, &account);
    fillLibrary(data, library, &account, false, treeEnd);
    finishAccount(data, &account);
    *passedOver = std::move(account.passedOver);
    return true;
}

bool readProjectData(QIODevice *in, MyLibrary *library, QString *error) {
    return readProjectData(in, library, error, nullptr);
}

bool readDeviceData(QIODevice *in, const QString &name, MyDevice *device, QString *error) {
    QByteArray data;
    if (!readAllFrom(in, &data, error))
        return false;
    QHash<QString, DeviceSections> byName;
    byName.insert(name, DeviceSections());
    parseSections(data, &byName, nullptr, false, 0);
    applySections(*byName.constFind(name), device);
    return true;
}

bool readProjectFile(QIODevice *in, ProjectFileContent *content, QString *error, ProjectFileLines *lines) {
    QByteArray data;
    if (!readAllFrom(in, &data, error))
        return false;
    const int treeEnd = parseTree(data, content, lines);
    fillLibrary(data, &content->library, lines, lines != nullptr, treeEnd);
    if (lines)
        finishAccount(data, lines);
    return true;
}

QList<PassedOverLine> projectPassedOver(const QByteArray &data) {
    QByteArray copy = data;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    ProjectFileContent content;
    readProjectTree(&buffer, &content, nullptr);
    buffer.seek(0);
    QList<PassedOverLine> passedOver;
    readProjectData(&buffer, &content.library, nullptr, &passedOver);
    return passedOver;
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
