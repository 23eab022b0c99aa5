#include "rowcommands.h"

#include "filerules.h"
#include "hexconv.h"
#include "imagedump.h"
#include "imagefields.h"
#include "imagereader.h"
#include "imagewriter.h"
#include "projectcheck.h"
#include "projectsave.h"
#include "rowentry.h"
#include "rowscsv.h"
#include "toolio.h"

#include <QFile>
#include <QSaveFile>

namespace {

QString where(const QString &manufacturer, const MyDevice &device) {
    return manufacturer + QStringLiteral(" / ") + device.deviceType;
}

struct RowsOptions {
    bool force = false; // import: rewrite even what loses lines or entries
    CsvEncoding encoding = CsvEncoding::Auto;
};

int exportRows(const QStringList &a, QTextStream &out, QTextStream &err) {
    const QString &project = a[0], &csvPath = a[3];
    MyLibrary library;
    int preset = -1, device = -1;
    if (!loadProject(project, &library, err) || !findNamedDevice(library, project, a[1], a[2], &preset, &device, err))
        return ExitData;
    const MyDevice &d = library[preset].listMyDevices[device];
    QSaveFile file(csvPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(rowsToCsv(d.listChanel)) < 0 || !file.commit())
        return dataError(err, QStringLiteral("cannot write %1: %2").arg(csvPath, file.errorString()));
    out << where(a[1], d) << ": " << d.listChanel.size() << " rows -> " << csvPath << "\n";
    return ExitOk;
}

// The earlier device whose sections the reader gives `device` too, or null:
// rows written into this one's own sections would never be read back.
const MyDevice *nameTakenBefore(const MyLibrary &library, int preset, int device, QString *owner) {
    const QString &name = library[preset].listMyDevices[device].deviceType;
    for (int i = 0; i <= preset; ++i) {
        const QList<MyDevice> &devices = library[i].listMyDevices;
        for (int j = 0; j < (i == preset ? device : devices.size()); ++j)
            if (devices[j].deviceType == name) {
                *owner = library[i].deviceParent;
                return &devices[j];
            }
    }
    return nullptr;
}

// What rewriting the project would drop or change, said as check says it:
// errors that stop the rewrite, or with --force warnings of what it loses.
bool rewriteLosses(const QString &project, const ProjectFileLines &lines, const MyLibrary &library, bool force,
                   QTextStream &err) {
    const QList<KeepProblem> unkept = libraryKeepProblems(library, -1);
    if (lines.passedOver.isEmpty() && unkept.isEmpty())
        return false;
    for (const PassedOverLine &p : lines.passedOver)
        err << formatDiagnostic(project, {p.line, !force,
                                          p.why + (force ? QStringLiteral("; the editor passed over this line; dropped")
                                                         : QStringLiteral("; the editor passes over this line; a "
                                                                          "rewrite drops it"))})
            << "\n";
    for (const KeepProblem &p : unkept)
        err << project << (force ? ": warning: " : ": error: ") << keepMessage(p.what, p.problem) << "\n";
    if (!force)
        dataError(err, QStringLiteral("%1 is not rewritten: it would lose what is named above (see vorne_tool check "
                                      "%1); --force rewrites it all the same")
                           .arg(project));
    return true;
}

int importRows(const QStringList &a, const RowsOptions &options, QTextStream &out, QTextStream &err) {
    const QString &project = a[0], &csvPath = a[3];
    ProjectFileContent content;
    ProjectFileLines lines;
    int preset = -1, device = -1;
    if (!loadProject(project, &content, &lines, err) ||
        !findNamedDevice(content.library, project, a[1], a[2], &preset, &device, err))
        return ExitData;
    QString owner;
    if (nameTakenBefore(content.library, preset, device, &owner))
        return dataError(err, QStringLiteral("device \"%1\" of \"%2\" shares its name with a device of \"%3\" "
                                             "before it, whose rows the editor reads for both: rows imported into it "
                                             "would never be read back; nothing imported")
                                  .arg(a[2], a[1], owner));
    QFile file(csvPath);
    if (!file.open(QIODevice::ReadOnly))
        return dataError(err, QStringLiteral("cannot open %1: %2").arg(csvPath, file.errorString()));
    CsvRows csv;
    QString error;
    if (!readRowsCsv(file.readAll(), &csv, &error, options.encoding))
        return dataError(
            err,
            QStringLiteral("%1: %2%3")
                .arg(csvPath, error,
                     csv.encodingUnclear ? QStringLiteral("; give --encoding latin1 or --encoding utf8") : QString()));
    MyDevice &d = content.library[preset].listMyDevices[device];
    const QList<CsvRefusal> refusals = csvRefusals(csv, d.listChanel);
    if (!refusals.isEmpty()) {
        for (const CsvRefusal &r : refusals)
            err << csvPath << ":" << r.line
                << ": error: " << QString(r.message).replace(QLatin1Char('\n'), QLatin1Char(' ')) << "\n";
        return dataError(err, QStringLiteral("nothing imported: %1 of %2 rows refused")
                                  .arg(QString::number(refusals.size()), QString::number(csv.rows.size())));
    }
    if (csv.rows.isEmpty()) {
        out << where(a[1], d) << ": " << csvPath << " holds no rows; " << project << " is left as it is\n";
        return ExitOk;
    }
    addNewRows(&d.listChanel, csv.rows);
    if (rewriteLosses(project, lines, content.library, options.force, err) && !options.force)
        return ExitData;
    if (!saveProjectFile(project, content.library, libraryTree(content.library), &error))
        return dataError(err, error);
    out << where(a[1], d) << ": " << csv.rows.size() << " rows imported from " << csvPath
        << (csv.utf8 ? " (UTF-8)" : " (Latin-1)") << "\n";
    return ExitOk;
}

bool numberOperand(const QString &text, int lowest, int highest, int *n) {
    bool ok = false;
    *n = text.toInt(&ok);
    return ok && *n >= lowest && *n <= highest;
}

// The answer to "what fires": the row, then the bytes the image holds for it.
void printFiring(QTextStream &out, const QString &row, const MyChanelUSB &ch, const MyConnParamUSB &conn) {
    auto bytesText = [](const QByteArray &b) {
        return b.isEmpty() ? QStringLiteral("none")
                           : QStringLiteral("HEX %1, text %2").arg(bytesToHexText(b), quoted(b));
    };
    out << row << ": values " << ch.dmx_valueFrom << "-" << ch.dmx_valueTo << ", function "
        << quoted(QByteArray(ch.function, int(qstrnlen(ch.function, sizeof ch.function)))) << "\n";
    out << "  command: " << bytesText(commandBytes(ch)) << "\n";
    out << "  prefix:  " << bytesText(prefixBytes(conn)) << "\n";
}

int fireInProject(const QStringList &a, int chanel, int value, QTextStream &out, QTextStream &err) {
    const QString &project = a[0];
    ProjectFileContent content;
    ProjectFileLines lines;
    int preset = -1, device = -1;
    if (!loadProject(project, &content, &lines, err) ||
        !findNamedDevice(content.library, project, a[1], a[2], &preset, &device, err))
        return ExitData;
    const MyDevice &d = content.library[preset].listMyDevices[device];
    const QString asked =
        QStringLiteral("%1: DMX %2 at %3").arg(where(a[1], d), QString::number(chanel), QString::number(value));
    const QList<int> firing = rowsFiringAt(rowRanges(d.listChanel), chanel, value);
    if (firing.isEmpty()) {
        out << asked << ": no row fires\n";
        return ExitData;
    }
    const QList<int> &rowLines = lines.manufacturers[preset].devices[device].rowLines;
    auto rowName = [&](int i) {
        const int line = i < rowLines.size() ? rowLines[i] : 0;
        return QStringLiteral("row %1 (%2 line %3)").arg(QString::number(i + 1), project, QString::number(line));
    };
    printFiring(out, asked + QStringLiteral(" fires ") + rowName(firing[0]), chanelRecord(d.listChanel[firing[0]]),
                connRecord(d.connParam));
    for (qsizetype i = 1; i < firing.size(); ++i)
        err << "vorne_tool: warning: " << rowName(firing[i]) << " holds the value too; the box sends the first\n";
    return ExitOk;
}

int fireInImage(const QString &path, int chanel, int value, QTextStream &out, QTextStream &err) {
    DecodedImage img;
    if (!loadImage(path, &img, err))
        return ExitData;
    QList<RowRange> ranges;
    for (const MyChanelUSB &ch : img.chanels)
        ranges.append({ch.dmx_chanel, ch.dmx_valueFrom, ch.dmx_valueTo});
    const QList<int> firing = rowsFiringAt(ranges, chanel, value);
    const QString asked = QStringLiteral("%1: DMX %2 at %3").arg(path, QString::number(chanel), QString::number(value));
    if (firing.isEmpty()) {
        out << asked << ": no row fires\n";
        return ExitData;
    }
    printFiring(out, asked + QStringLiteral(" fires row %1").arg(firing[0] + 1), img.chanels[firing[0]], img.conn);
    for (qsizetype i = 1; i < firing.size(); ++i)
        err << "vorne_tool: warning: row " << firing[i] + 1 << " holds the value too; the box sends the first\n";
    if (!img.crcMatches())
        err << "vorne_tool: warning: " << path << ": the CRC does not match; the box refuses this image\n";
    return ExitOk;
}

} // namespace

int runRows(const QStringList &args, QTextStream &out, QTextStream &err) {
    const QString verb = args.value(0);
    const bool import = verb == QLatin1String("import");
    QStringList rest;
    RowsOptions options;
    bool optionsEnded = false;
    const QStringList words = args.mid(1);
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString &arg = words[i];
        if (optionsEnded || !arg.startsWith(QLatin1String("--"))) {
            rest << arg;
        } else if (arg == QLatin1String("--")) {
            optionsEnded = true;
        } else if (import && arg == QLatin1String("--force")) {
            options.force = true;
        } else if (import && (arg == QLatin1String("--encoding") || arg.startsWith(QLatin1String("--encoding=")))) {
            const QString name = arg.contains(QLatin1Char('=')) ? arg.section(QLatin1Char('='), 1) : words.value(++i);
            if (name == QLatin1String("latin1"))
                options.encoding = CsvEncoding::Latin1;
            else if (name == QLatin1String("utf8"))
                options.encoding = CsvEncoding::Utf8;
            else
                return usageError(err, QStringLiteral("--encoding takes latin1 or utf8"));
        } else {
            return usageError(err, QStringLiteral("rows %1 has no option %2").arg(verb, arg));
        }
    }
    if ((verb != QLatin1String("export") && !import) || rest.size() != 4)
        return usageError(err, QStringLiteral("rows takes export PROJECT.prj MANUFACTURER DEVICE OUT.csv, or import "
                                              "[--force] [--encoding latin1|utf8] PROJECT.prj MANUFACTURER DEVICE "
                                              "IN.csv"));
    return import ? importRows(rest, options, out, err) : exportRows(rest, out, err);
}

int runFire(const QStringList &args, QTextStream &out, QTextStream &err) {
    if (args.size() != 3 && args.size() != 5)
        return usageError(err, QStringLiteral("fire takes PROJECT.prj MANUFACTURER DEVICE CHANNEL VALUE, or "
                                              "FILE.bin CHANNEL VALUE"));
    int chanel = 0, value = 0;
    if (!numberOperand(args[args.size() - 2], 1, 512, &chanel))
        return usageError(err, QStringLiteral("the channel must be a number from 1 to 512"));
    if (!numberOperand(args.last(), 0, 255, &value))
        return usageError(err, QStringLiteral("the value must be a number from 0 to 255"));
    return args.size() == 5 ? fireInProject(args, chanel, value, out, err)
                            : fireInImage(args[0], chanel, value, out, err);
}
