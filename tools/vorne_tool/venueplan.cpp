#include "venueplan.h"

#include "csvrecords.h"
#include "imagewriter.h"
#include "library.h"

#include <QHash>
#include <QRegularExpression>

#include <functional>

namespace {

const QStringList kColumns = {QStringLiteral("box"), QStringLiteral("manufacturer"), QStringLiteral("device")};

// The columns a header names, or empty when the record is a plan line.
QList<int> headerColumns(const CsvRecord &record) {
    QList<int> columnOf(kColumns.size(), -1);
    for (qsizetype c = 0; c < record.fields.size(); ++c) {
        const int known = int(kColumns.indexOf(record.fields[c].trimmed().toLower()));
        if (known < 0 || columnOf[known] >= 0)
            return {};
        columnOf[known] = int(c);
    }
    return columnOf.contains(-1) ? QList<int>() : columnOf;
}

// A spreadsheet pads its lines with empty cells up to its widest one.
QStringList withoutTrailingEmpty(QStringList fields) {
    while (fields.size() > kColumns.size() && fields.last().trimmed().isEmpty())
        fields.removeLast();
    return fields;
}

// The project's name, exactly or with the spaces a spreadsheet put around it.
int findNamed(const QString &cell, const std::function<int(const QString &)> &find) {
    const int exact = find(cell);
    return exact >= 0 ? exact : find(cell.trimmed());
}

// "line N: message" from the CSV reader, split.
PlanRefusal csvRefusal(const QString &error) {
    static const QRegularExpression linePrefix(QStringLiteral("^line (\\d+): (.*)$"),
                                               QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = linePrefix.match(error);
    return m.hasMatch() ? PlanRefusal{m.captured(1).toInt(), m.captured(2)} : PlanRefusal{0, error};
}

} // namespace

QList<PlannedBox> readVenuePlan(const QByteArray &csv, const ProjectFileContent &project,
                                const QList<CheckDiagnostic> &diagnostics, QList<PlanRefusal> *refusals) {
    refusals->clear();
    CsvRecords records;
    QString error;
    if (!readCsvRecords(csv, CsvEncoding::Auto, &records, &error)) {
        refusals->append(csvRefusal(error));
        return {};
    }
    const MyLibrary &library = project.library;
    QList<int> columnOf = {0, 1, 2};
    bool first = true;
    QList<PlannedBox> boxes;
    QHash<QString, int> boxLine, deviceLine;
    for (const CsvRecord &record : records.records) {
        if (record.blank())
            continue;
        if (first) {
            first = false;
            if (const QList<int> named = headerColumns(record); !named.isEmpty()) {
                columnOf = named;
                continue;
            }
        }
        const QStringList fields = withoutTrailingEmpty(record.fields);
        if (fields.size() != kColumns.size()) {
            refusals->append(
                {record.line,
                 QStringLiteral("%1 fields where a plan line has 3: box,manufacturer,device").arg(fields.size())});
            continue;
        }
        PlannedBox b;
        b.line = record.line;
        b.box = fields[columnOf[0]].trimmed();
        b.manufacturer = fields[columnOf[1]];
        b.device = fields[columnOf[2]];
        auto refuse = [&](const QString &message) { refusals->append({record.line, message}); };
        if (b.box.isEmpty()) {
            refuse(QStringLiteral("no box name"));
            continue;
        }
        if (const auto earlier = boxLine.constFind(b.box); earlier != boxLine.constEnd())
            refuse(QStringLiteral("box %1 is planned already on line %2").arg(b.box).arg(*earlier));
        else
            boxLine.insert(b.box, b.line);
        b.preset = findNamed(b.manufacturer, [&](const QString &name) { return findPreset(library, name); });
        if (b.preset < 0) {
            refuse(QStringLiteral("no manufacturer \"%1\" in the project").arg(b.manufacturer));
            continue;
        }
        const MyPreset &preset = library[b.preset];
        b.manufacturer = preset.deviceParent;
        b.deviceIndex = findNamed(b.device, [&](const QString &name) { return findDevice(library, b.preset, name); });
        if (b.deviceIndex < 0) {
            refuse(QStringLiteral("no device \"%1\" of \"%2\" in the project").arg(b.device, b.manufacturer));
            continue;
        }
        const MyDevice &device = preset.listMyDevices[b.deviceIndex];
        b.device = device.deviceType;
        const QString who = QStringLiteral("%1 / %2").arg(b.manufacturer, b.device);
        const QString key = QString::number(b.preset) + QLatin1Char('/') + QString::number(b.deviceIndex);
        if (const auto earlier = deviceLine.constFind(key); earlier != deviceLine.constEnd())
            refuse(QStringLiteral("%1 is planned already on line %2").arg(who).arg(*earlier));
        else
            deviceLine.insert(key, b.line);
        QStringList problems;
        for (const CheckDiagnostic &d : diagnostics)
            if (d.error && d.preset == b.preset && d.device == b.deviceIndex)
                problems << QStringLiteral("line %1: %2").arg(d.line).arg(d.message);
        if (!problems.isEmpty())
            refuse(QStringLiteral("%1 does not give a sound image (vorne_tool check): %2")
                       .arg(who, problems.join(QStringLiteral("; "))));
        else if (!buildImage(b.manufacturer, device, &b.image, &error))
            refuse(QStringLiteral("%1: %2").arg(who, error));
        boxes.append(b);
    }
    if (boxes.isEmpty() && refusals->isEmpty())
        refusals->append({0, QStringLiteral("the plan names no box")});
    return boxes;
}
