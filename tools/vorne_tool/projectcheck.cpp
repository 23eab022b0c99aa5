#include "projectcheck.h"

#include "connkeys.h"
#include "filerules.h"
#include "imagelimits.h"
#include "keepreport.h"
#include "rowcheck.h"

#include <QHash>
#include <QSet>
#include <algorithm>

namespace {

class Checker {
public:
    Checker(const ProjectFileContent &content, const ProjectFileLines &lines) : library(content.library), at(lines) {}

    QList<CheckDiagnostic> run() {
        findRepeats();
        skippedLines();
        keepProblems();
        for (int i = 0; i < library.size(); ++i) {
            // An empty line of the tree part: kept as it is, but hardly meant.
            if (library[i].deviceParent.isEmpty())
                add(at.manufacturers[i].line, false, QStringLiteral("manufacturer without a name (an empty line)"));
            for (const QString &m : manufacturerImageChanges(library[i].deviceParent))
                add(at.manufacturers[i].line, false, m);
            for (int j = 0; j < library[i].listMyDevices.size(); ++j)
                checkDevice(i, j);
        }
        // By line; on one line errors first.
        std::stable_sort(out.begin(), out.end(), [](const CheckDiagnostic &a, const CheckDiagnostic &b) {
            return a.line != b.line ? a.line < b.line : a.error && !b.error;
        });
        return out;
    }

private:
    const MyLibrary &library;
    const ProjectFileLines &at;
    QList<CheckDiagnostic> out;
    // Devices named like an earlier one: the reader gives them that one's
    // sections, so their settings and rows are checked once, there.
    QHash<QPair<int, int>, QPair<int, int>> repeats; // -> the first device of the name

    void add(int line, bool error, const QString &message, int preset = -1, int device = -1) {
        out.append({line, error, message, preset, device});
    }

    void findRepeats() {
        QHash<QString, QPair<int, int>> first;
        for (int i = 0; i < library.size(); ++i)
            for (int j = 0; j < library[i].listMyDevices.size(); ++j) {
                const QString &name = library[i].listMyDevices[j].deviceType;
                if (const auto it = first.constFind(name); it != first.constEnd())
                    repeats.insert({i, j}, *it);
                else
                    first.insert(name, {i, j});
            }
    }

    // What the reading passes over is lost at the next save; a setting given
    // twice or a long rows line only loses what the later line or the first
    // five fields override.
    void skippedLines() {
        for (const PassedOverLine &p : at.passedOver)
            add(p.line, true, p.why + QStringLiteral("; the editor passes over this line; the next save drops it"));
        for (int line : at.longRowLines)
            add(line, false,
                QStringLiteral("rows line with more than five fields; the editor drops all after the fifth"));
        for (int line : at.endLinesWithText)
            add(line, false,
                QStringLiteral("the editor reads this line as \"!\" alone, the end of a section or of the tree "
                               "part; the next save drops the rest of it"));
        for (const ProjectRepeatedSetting &r : at.repeatedSettings)
            add(r.line, false,
                QStringLiteral("setting %1 is given again on line %2, where the later value counts; the next save "
                               "keeps only that one")
                    .arg(connKey(r.field), QString::number(r.laterLine)));
    }

    // The first section of `name` passed over after the name's rows section, 0 when none.
    int laterSectionOf(const QString &name) const {
        for (const ProjectIgnoredSection &s : at.ignoredSections)
            if (s.namesRowsLine > 0 && s.name == name)
                return s.line;
        return 0;
    }

    // What the file would not give back, by the rules every input path of the editor asks.
    void keepProblems() {
        // A file holds no USB entry: a manufacturer named "USB:..." is an ordinary one.
        for (const KeepProblem &p : libraryKeepProblems(library, -1)) {
            const bool ofRepeat = repeats.contains({p.preset, p.device});
            int line = 0;
            if (p.device < 0) {
                line = at.manufacturers[p.preset].line;
            } else {
                const ProjectDeviceLines &device = at.manufacturers[p.preset].devices[p.device];
                line = device.line;
                if (p.row >= 0) {
                    if (ofRepeat)
                        continue;
                    line = device.rowLines.value(p.row, device.line);
                } else if (const int field = settingOf(p.problem); field >= 0) {
                    if (ofRepeat)
                        continue;
                    line = device.fieldLines[field] > 0 ? device.fieldLines[field] : device.line;
                }
            }
            QString message = keepMessage(p.what, p.problem);
            if (message.endsWith(QLatin1Char('.')))
                message.chop(1);
            add(line, true, message, p.preset, p.device);
        }
    }

    // The shared rules name the setting a device's problem is about at the head of their clause.
    static int settingOf(const QString &problem) {
        for (int field = 0; field < MyConnParam::FieldCount; ++field)
            if (problem.startsWith(QStringLiteral("its setting %1: ").arg(connKey(field))))
                return field;
        return -1;
    }

    void checkDevice(int i, int j) {
        const MyDevice &device = library[i].listMyDevices[j];
        const ProjectDeviceLines &lines = at.manufacturers[i].devices[j];
        if (const QString refusal = deviceImageRefusal(device); !refusal.isEmpty())
            add(lines.line, true, refusal, i, j);
        for (const QString &m : deviceImageChanges(device))
            add(lines.line, false, m, i, j);
        if (lines.settingsLine == 0 && lines.rowsLine == 0)
            add(lines.line, false,
                QStringLiteral("device \"%1\" has no sections; it keeps empty settings and no rows")
                    .arg(device.deviceType),
                i, j);
        else if (lines.settingsLine == 0)
            add(lines.line, false,
                QStringLiteral("device \"%1\" has no settings section; its settings stay empty").arg(device.deviceType),
                i, j);
        else if (lines.rowsLine == 0)
            add(lines.line, false,
                QStringLiteral("device \"%1\" has no rows section; it has no rows").arg(device.deviceType), i, j);
        if (device.deviceType.isEmpty())
            add(lines.line, false, QStringLiteral("device without a name"), i, j);
        if (const auto first = repeats.constFind({i, j}); first != repeats.constEnd()) {
            const int firstLine = at.manufacturers[first->first].devices[first->second].line;
            if (const int other = laterSectionOf(device.deviceType); other > 0)
                add(lines.line, true,
                    QStringLiteral("device \"%1\" has the name of the device on line %2, but the file holds other "
                                   "sections of that name (line %3); the editor gives both the first sections, so "
                                   "this device's image gets the first one's settings and rows, not its own")
                        .arg(device.deviceType, QString::number(firstLine), QString::number(other)),
                    i, j);
            else // both read the same sections, so the file gives both back; an edit to one of them would not be
                add(lines.line, false,
                    QStringLiteral("device \"%1\" has the name of the device on line %2; both are given the "
                                   "settings and rows of the first sections of that name")
                        .arg(device.deviceType, QString::number(firstLine)),
                    i, j);
            return;
        }
        for (const ConnImageChange &c : connImageChanges(device.connParam)) {
            int line = lines.fieldLines[c.field];
            if (c.otherField >= 0)
                line = qMax(line, lines.fieldLines[c.otherField]);
            add(line > 0 ? line : lines.line, false, c.message, i, j);
        }
        const QList<MyChanel> &rows = device.listChanel;
        for (qsizetype k = 0; k < rows.size(); ++k) {
            const int line = lines.rowLines.value(k, lines.line);
            for (const QString &m : rowProblems(rows[k]))
                add(line, true, m, i, j);
            for (const QString &m : rowImageChanges(rows[k]))
                add(line, false, m, i, j);
        }
        for (const RowOverlap &o : findOverlaps(rows)) {
            int first = lines.rowLines.value(o.a), second = lines.rowLines.value(o.b);
            const MyChanel *earlier = &rows[o.a], *later = &rows[o.b];
            if (first > second) {
                std::swap(first, second);
                std::swap(earlier, later);
            }
            add(second, true,
                QStringLiteral("values %1-%2 of DMX channel %3 overlap values %4-%5 on line %6")
                    .arg(later->dmx_valueFrom, later->dmx_valueTo, later->dmx_chanel, earlier->dmx_valueFrom,
                         earlier->dmx_valueTo, QString::number(first)),
                i, j);
        }
    }
};

QString counted(qsizetype n, const char *one, const char *many) {
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

} // namespace

QList<CheckDiagnostic> checkProject(const ProjectFileContent &content, const ProjectFileLines &lines) {
    return Checker(content, lines).run();
}

QString formatDiagnostic(const QString &file, const CheckDiagnostic &d) {
    // Texts quoted from the file may hold control characters; each report stays one printable line.
    return QStringLiteral("%1:%2: %3: %4")
        .arg(file, QString::number(d.line), d.error ? QStringLiteral("error") : QStringLiteral("warning"),
             printableText(d.message));
}

QString checkSummary(const QList<CheckDiagnostic> &diagnostics) {
    qsizetype errors = 0;
    QSet<QPair<int, int>> devices;
    for (const CheckDiagnostic &d : diagnostics) {
        errors += d.error ? 1 : 0;
        if (d.device >= 0)
            devices.insert({d.preset, d.device});
    }
    QString summary = counted(errors, "error", "errors") + QStringLiteral(", ") +
                      counted(diagnostics.size() - errors, "warning", "warnings");
    if (!devices.isEmpty())
        summary += QStringLiteral(" in ") + counted(devices.size(), "device", "devices");
    return summary;
}
