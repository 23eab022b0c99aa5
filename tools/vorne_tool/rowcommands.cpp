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
