#include "toolcommands.h"

#include "imagedump.h"
#include "imagereader.h"
#include "imagewriter.h"
#include "library.h"
#include "projectfile.h"

#include <QFile>
#include <QFileInfo>

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
    "  image PROJECT.prj MANUFACTURER DEVICE OUT.bin\n"
    "      Writes the device configuration image of one device, byte for byte as the editor does.\n"
    "  dump FILE.bin\n"
    "      Prints every field of an image and checks its CRC.\n"
    "  --help\n"
    "      Shows this text.\n"
    "  --version\n"
    "      Shows the version.\n"
    "\n"
    "Exit status: 0 success, 1 data problem (unreadable, malformed or not found), 2 usage error.\n";

int usageError(QTextStream &err, const QString &message) {
    err << "vorne_tool: " << message << " (see vorne_tool --help)\n";
    return ExitUsage;
}

int dataError(QTextStream &err, const QString &message) {
    err << "vorne_tool: " << message << "\n";
    return ExitData;
}

bool loadProject(const QString &path, MyLibrary *library, QTextStream &err) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        dataError(err, QStringLiteral("cannot open %1: %2").arg(path, file.errorString()));
        return false;
    }
    QString error;
    if (!readProjectFile(&file, library, &error)) {
        dataError(err, QStringLiteral("cannot read %1: %2").arg(path, error));
        return false;
    }
    return true;
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

int writeDeviceImage(const QStringList &a, QTextStream &err) {
    const QString &project = a[0], &man = a[1], &type = a[2], &outPath = a[3];
    MyLibrary library;
    if (!loadProject(project, &library, err))
        return ExitData;
    const int preset = findPreset(library, man);
    if (preset < 0)
        return dataError(err, QStringLiteral("no manufacturer \"%1\" in %2").arg(man, project));
    const int device = findDevice(library, preset, type);
    if (device < 0)
        return dataError(err, QStringLiteral("no device \"%1\" of \"%2\" in %3").arg(type, man, project));
    QString error;
    if (!saveImageFile(outPath, man, library[preset].listMyDevices[device], &error))
        return dataError(err, error);
    return ExitOk;
}

int dumpImageFile(const QString &path, QTextStream &out, QTextStream &err) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return dataError(err, QStringLiteral("cannot open %1: %2").arg(path, file.errorString()));
    DecodedImage img;
    QString error;
    if (!readImage(&file, &img, &error))
        return dataError(err, QStringLiteral("%1: %2").arg(path, error));
    QStringList problems;
    out << "File: " << QFileInfo(path).absoluteFilePath() << "\n" << dumpImage(img, &problems);
    if (!problems.isEmpty())
        return dataError(err, QStringLiteral("%1: %2").arg(path, problems.join(QStringLiteral("; "))));
    return ExitOk;
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
    if (command == QLatin1String("image")) {
        if (rest.size() != 4)
            return usageError(err, QStringLiteral("image takes PROJECT.prj MANUFACTURER DEVICE OUT.bin"));
        return writeDeviceImage(rest, err);
    }
    if (command == QLatin1String("dump")) {
        if (rest.size() != 1)
            return usageError(err, QStringLiteral("dump takes FILE.bin"));
        return dumpImageFile(rest[0], out, err);
    }
    return usageError(err, QStringLiteral("unknown command \"%1\"").arg(command));
}
