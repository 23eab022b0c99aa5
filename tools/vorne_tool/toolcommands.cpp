#include "toolcommands.h"

#include "firingrow.h"
#include "imagedump.h"
#include "imagejson.h"
#include "imagepaths.h"
#include "imagereader.h"
#include "imagewriter.h"
#include "library.h"
#include "plancommand.h"
#include "projectcheck.h"
#include "projectfile.h"
#include "rowcommands.h"
#include "sendcommand.h"
#include "toolio.h"
#include "watchcommand.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonDocument>

#ifndef VORNE_VERSION
#define VORNE_VERSION "unknown"
#endif

namespace {

const char *const kUsage =
    "Usage: vorne_tool COMMAND ARGUMENTS\n"
    "\n"
    "Commands:\n"
    "  list PROJECT.prj\n"
    "      Lists the manufacturers and their devices with the number of channel rows.\n"
    "  check [--werror] PROJECT.prj\n"
    "      Reads the project as the editor does and prints each problem as\n"
    "      FILE:LINE: error: ... or FILE:LINE: warning: ..., by line, then a summary\n"
    "      on standard error. Errors: what the editor refuses or loses (rows outside\n"
    "      the channel rules, overlapping rows, missing or bad commands, every line\n"
    "      it passes over, which the next save drops; texts a save and reload would\n"
    "      change, two devices of one name whose sections differ, more rows than an\n"
    "      image holds). A project without errors gives every line back from a save.\n"
    "      Warnings: what the image cuts or changes, a setting given twice, rows lines\n"
    "      of more than five fields, devices without sections, entries without a\n"
    "      name, devices named like an earlier one.\n"
    "      Exit 1 when there are errors, or warnings with --werror.\n"
    "  image [--no-clobber] PROJECT.prj MANUFACTURER DEVICE OUT.bin\n"
    "      Writes the device configuration image of one device, byte for byte as the editor does.\n"
    "  image --all [--no-clobber] PROJECT.prj DIR\n"
    "      Writes the image of every device as DIR/MANUFACTURER/DEVICE.bin (names made safe\n"
    "      for the file system and shortened to its 255 bytes, \"-2\", \"-3\", ... added where\n"
    "      two would share a file) and prints \"MANUFACTURER / DEVICE -> PATH\" for each.\n"
    "      Each file that was already there and is replaced is told on standard error.\n"
    "      A symbolic link below DIR is followed only to a place inside DIR that this\n"
    "      run has not written; a device whose link leads elsewhere is not written.\n"
    "      --no-clobber: replace no file (a symbolic link, dangling or not, counts as\n"
    "      one); exit 1 when one had to be skipped or was not written.\n"
    "  dump [--json] FILE.bin\n"
    "      Prints every field of an image and checks its CRC; with --json as one JSON object.\n"
    "  rows export PROJECT.prj MANUFACTURER DEVICE OUT.csv\n"
    "      Writes the device's channel table as CSV (UTF-8, RFC 4180): a header line\n"
    "      \"channel,low,high,ascii,hex,function\", then one row a line.\n"
    "  rows import [--force] [--encoding latin1|utf8] PROJECT.prj MANUFACTURER DEVICE IN.csv\n"
    "      Adds the rows of a CSV file like that (UTF-8 or Latin-1, columns in any order,\n"
    "      commas or semicolons) to the device and rewrites the project as the editor\n"
    "      saves it. Every row must pass the row popup's rules, also against the rows\n"
    "      already there; otherwise nothing is added and each refused row is named as\n"
    "      IN.csv:LINE: error: .... A project whose reading passes over lines or that\n"
    "      holds texts the file cannot keep is not rewritten (each is named, as check\n"
    "      names it); --force rewrites it all the same and lists what it drops. A\n"
    "      device named like an earlier one is refused: its rows would never be read\n"
    "      back. A file without rows leaves the project as it is.\n"
    "      --encoding latin1|utf8: read the CSV in this encoding; needed when a file\n"
    "      mixes UTF-8 characters with bytes that are not UTF-8.\n"
    "  fire PROJECT.prj MANUFACTURER DEVICE CHANNEL VALUE\n"
    "  fire FILE.bin CHANNEL VALUE\n"
    "      Names the row that fires when the console puts CHANNEL at VALUE (with its\n"
    "      line in the project), the command bytes the image holds for it in HEX and as\n"
    "      text, and the connection's prefix bytes. Exit 1 when no row fires.\n"
    "  send PROJECT.prj MANUFACTURER DEVICE CHANNEL VALUE --port PORT\n"
    "  send FILE.bin CHANNEL VALUE --port PORT\n"
    "      Sends that row's command to the equipment over the serial port PORT as the box\n"
    "      would: opened with the device's speed, data bits, stop bits, parity and\n"
    "      handshake, the prefix and command bytes written, then up to the reply wait time\n"
    "      for the normal or the error reply; after the error reply or none, up to the\n"
    "      retry count more tries, each after the delay time. Prints each try, bytes sent\n"
    "      and received in HEX and as text, and the outcome. Exit 0 when the normal reply\n"
    "      came (or none is expected and the bytes went out), 1 on the error reply or no\n"
    "      reply after the last try, 2 on a usage or port error (no such port, permission\n"
    "      denied, busy, unplugged, a setting the port cannot take; nothing is sent).\n"
    "  watch PROJECT.prj MANUFACTURER DEVICE [--universe U] [--ola HOST:PORT] [--fire-initial]\n"
    "        [--port PORT]\n"
    "  watch FILE.bin [options]\n"
    "      Listens to universe U (default 1) of olad (default localhost:9010) and prints\n"
    "      a line each time a row fires: a row fires when its channel's value moves into\n"
    "      its range from outside it. The first frame after connecting only sets the\n"
    "      values (--fire-initial: it fires the rows that hold them). With --port, each\n"
    "      row that fires is also sent as send does, one after the other (at most 1000\n"
    "      waiting; more are told and not sent). olad away is tried again every second.\n"
    "      Ends on Ctrl+C with exit 0.\n"
    "  plan PROJECT.prj PLAN.csv [--send] [--jobs N]\n"
    "      Checks a venue plan: one line a converter box, \"BOX,MANUFACTURER,DEVICE\" (a\n"
    "      header naming the columns box, manufacturer and device may come first, in\n"
    "      any order; CSV as rows import reads it). Every device must be in the project\n"
    "      and give an image without check's errors, and no box or device may be\n"
    "      planned twice; otherwise each reason is named as PLAN.csv:LINE: error: ...\n"
    "      and nothing is sent. Then tells which planned boxes are attached\n"
    "      (VORNE_uploader --list) and prints box, device and image CRC of each.\n"
    "      --send: writes each image and runs VORNE_uploader -s --serial BOX for every\n"
    "      planned box that is attached, up to N at once (default: all), and ends with\n"
    "      a table of box, device, image CRC, outcome (the uploader's INFO or ERROR\n"
    "      line) and time. Exit 0 only when every planned box confirmed its image; a\n"
    "      box absent, a failed transfer or a refused plan exits 1.\n"
    "  --help\n"
    "      Shows this text.\n"
    "  --version\n"
    "      Shows the version.\n"
    "\n"
    "Exit status: 0 success, 1 data problem (unreadable, malformed or not found, a write\n"
    "failed or a file not replaced with --no-clobber; for check, errors found), 2 usage error.\n";

// A command's options ("--x", anywhere before a "--") and its operands.
struct CommandLine {
    QStringList options;
    QStringList operands;
};

CommandLine splitOptions(const QStringList &args) {
    CommandLine line;
    bool optionsEnded = false;
    for (const QString &arg : args) {
        if (!optionsEnded && arg == QLatin1String("--"))
            optionsEnded = true;
        else if (!optionsEnded && arg.startsWith(QLatin1String("--")))
            line.options << arg;
        else
            line.operands << arg;
    }
    return line;
}

// The first option not in `known`, or empty.
QString unknownOption(const CommandLine &line, const QStringList &known) {
    for (const QString &option : line.options)
        if (!known.contains(option))
            return option;
    return QString();
}

int checkProjectFile(const QString &path, bool werror, QTextStream &out, QTextStream &err) {
    ProjectFileContent content;
    ProjectFileLines lines;
    if (!loadProject(path, &content, &lines, err))
        return ExitData;
    const QList<CheckDiagnostic> diagnostics = checkProject(content, lines);
    bool failed = false;
    for (const CheckDiagnostic &d : diagnostics) {
        out << formatDiagnostic(path, d) << "\n";
        failed = failed || d.error || werror;
    }
    out.flush();
    if (!diagnostics.isEmpty())
        err << checkSummary(diagnostics) << "\n";
    return failed ? ExitData : ExitOk;
}

int listProject(const QString &path, QTextStream &out, QTextStream &err) {
    MyLibrary library;
    if (!loadProject(path, &library, err))
        return ExitData;
    for (const MyPreset &preset : library) {
        out << preset.deviceParent << "\n";
        for (const MyDevice &device : preset.listMyDevices) {
            const qsizetype rows = device.listChanel.size();
            out << "  " << device.deviceType << ": " << rows << (rows == 1 ? " row" : " rows") << "\n";
        }
    }
    return ExitOk;
}

QString notReplaced(const QString &path) {
    return QStringLiteral("%1 is already there; not replaced (--no-clobber)").arg(path);
}

int writeDeviceImage(const QStringList &a, bool noClobber, QTextStream &err) {
    const QString &project = a[0], &man = a[1], &type = a[2], &outPath = a[3];
    MyLibrary library;
    int preset = -1, device = -1;
    if (!loadProject(project, &library, err) || !findNamedDevice(library, project, man, type, &preset, &device, err))
        return ExitData;
    // OUT.bin is named by the user, so a link there is followed, as the editor's save does.
    if (noClobber && pathTaken(outPath))
        return dataError(err, notReplaced(outPath));
    QString error;
    if (!saveImageFile(outPath, man, library[preset].listMyDevices[device], &error))
        return dataError(err, error);
    return ExitOk;
}

// Every device, each from its own record (so a repeated name still gets its
// own description and date); the rest are written when one fails. No two
// devices share a path, and a link below DIR is followed only where it stays
// inside DIR and on no file this run wrote, so a file found in place was there
// before the run: replacing it is told, so an export over an older one does
// not pass unseen.
int writeAllImages(const QString &project, const QString &dir, bool noClobber, QTextStream &out, QTextStream &err) {
    MyLibrary library;
    if (!loadProject(project, &library, err))
        return ExitData;
    const QList<DeviceImagePath> paths = deviceImagePaths(library, dir);
    if (paths.isEmpty())
        err << "vorne_tool: " << project << " has no devices; nothing written\n";
    bool failed = false;
    QHash<QString, QString> written; // case-folded file, links followed -> the device written there
    for (const DeviceImagePath &p : paths) {
        const MyPreset &preset = library[p.preset];
        const MyDevice &device = preset.listMyDevices[p.device];
        const QString who = QStringLiteral("%1 / %2").arg(preset.deviceParent, device.deviceType);
        ImageLanding landing;
        const auto blocked = [&]() -> QString {
            if (noClobber && pathTaken(p.path))
                return notReplaced(p.path);
            if (!QDir().mkpath(p.folder))
                return QStringLiteral("Cannot create the folder %1").arg(p.folder);
            landing = imageLanding(dir, p);
            if (!landing.refusal.isEmpty())
                return landing.refusal;
            if (const auto earlier = written.constFind(landing.file.toCaseFolded()); earlier != written.constEnd())
                return QStringLiteral("%1 leads to %2, which holds the image of %3 from this run; not replaced")
                    .arg(p.path, landing.file, *earlier);
            return QString();
        };
        QString error = blocked();
        const bool replacing = error.isEmpty() && QFileInfo::exists(landing.file);
        if (error.isEmpty() && !saveImageFile(p.path, preset.deviceParent, device, &error) && error.isEmpty())
            error = QStringLiteral("Cannot write %1").arg(p.path);
        if (!error.isEmpty()) {
            out.flush();
            dataError(err, QStringLiteral("%1: %2").arg(who, error));
            failed = true;
            continue;
        }
        written.insert(landing.file.toCaseFolded(), who);
        out << who << " -> " << p.path << "\n";
        if (replacing) {
            out.flush();
            err << "vorne_tool: replaced " << p.path << ", which was there before";
            if (landing.throughLink)
                err << " (through a link, " << landing.file << ")";
            err << "\n";
            err.flush();
        }
    }
    return failed ? ExitData : ExitOk;
}

int dumpImageFile(const QString &path, bool json, QTextStream &out, QTextStream &err) {
    DecodedImage img;
    if (!loadImage(path, &img, err))
        return ExitData;
    QStringList problems;
    const QString text = dumpImage(img, &problems);
    if (json) {
        QJsonObject object = imageJson(img, problems);
        object.insert(QStringLiteral("file"), QFileInfo(path).absoluteFilePath());
        out << QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Indented));
    } else {
        out << "File: " << QFileInfo(path).absoluteFilePath() << "\n" << text;
    }
    out.flush();
    if (!problems.isEmpty())
        return dataError(err, QStringLiteral("%1: %2").arg(path, problems.join(QStringLiteral("; "))));
    return ExitOk;
}

int runCheck(const CommandLine &line, QTextStream &out, QTextStream &err) {
    const QString unknown = unknownOption(line, {QStringLiteral("--werror")});
    if (!unknown.isEmpty())
        return usageError(err, QStringLiteral("check has no option %1").arg(unknown));
    if (line.operands.size() != 1)
        return usageError(err, QStringLiteral("check takes [--werror] PROJECT.prj"));
    return checkProjectFile(line.operands[0], line.options.contains(QLatin1String("--werror")), out, err);
}

int runImage(const CommandLine &line, QTextStream &out, QTextStream &err) {
    const QString unknown = unknownOption(line, {QStringLiteral("--all"), QStringLiteral("--no-clobber")});
    if (!unknown.isEmpty())
        return usageError(err, QStringLiteral("image has no option %1").arg(unknown));
    const bool noClobber = line.options.contains(QLatin1String("--no-clobber"));
    if (line.options.contains(QLatin1String("--all"))) {
        if (line.operands.size() != 2)
            return usageError(err, QStringLiteral("image --all takes [--no-clobber] PROJECT.prj DIR"));
        return writeAllImages(line.operands[0], line.operands[1], noClobber, out, err);
    }
    if (line.operands.size() != 4)
        return usageError(err, QStringLiteral("image takes [--no-clobber] PROJECT.prj MANUFACTURER DEVICE OUT.bin"));
    return writeDeviceImage(line.operands, noClobber, err);
}

int runDump(const CommandLine &line, QTextStream &out, QTextStream &err) {
    const QString unknown = unknownOption(line, {QStringLiteral("--json")});
    if (!unknown.isEmpty())
        return usageError(err, QStringLiteral("dump has no option %1").arg(unknown));
    if (line.operands.size() != 1)
        return usageError(err, QStringLiteral("dump takes [--json] FILE.bin"));
    return dumpImageFile(line.operands[0], line.options.contains(QLatin1String("--json")), out, err);
}

} // namespace

int runTool(const QStringList &args, QTextStream &out, QTextStream &err) {
    if (args.isEmpty())
        return usageError(err, QStringLiteral("no command given"));
    const QString &command = args.first();
    const QStringList rest = args.mid(1);
    if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        out << kUsage;
        return ExitOk;
    }
    if (command == QLatin1String("--version")) {
        out << "vorne_tool " VORNE_VERSION "\n";
        return ExitOk;
    }
    if (command == QLatin1String("list")) {
        if (rest.size() != 1)
            return usageError(err, QStringLiteral("list takes PROJECT.prj"));
        return listProject(rest[0], out, err);
    }
    if (command == QLatin1String("check"))
        return runCheck(splitOptions(rest), out, err);
    if (command == QLatin1String("image"))
        return runImage(splitOptions(rest), out, err);
    if (command == QLatin1String("dump"))
        return runDump(splitOptions(rest), out, err);
    if (command == QLatin1String("rows"))
        return runRows(rest, out, err);
    if (command == QLatin1String("fire"))
        return runFire(rest, out, err);
    if (command == QLatin1String("send"))
        return runSend(rest, out, err);
    if (command == QLatin1String("watch"))
        return runWatch(rest, out, err);
    if (command == QLatin1String("plan"))
        return runPlan(rest, out, err);
    return usageError(err, QStringLiteral("unknown command \"%1\"").arg(command));
}
