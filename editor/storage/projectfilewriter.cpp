// Writing of the project file, byte for byte in the editor's fixed line forms.
#include "projectfile.h"

#include "connkeys.h"
#include "textlines.h"

#include <QFileInfo>
#include <QSet>

namespace {
const QString kTab = QStringLiteral("\t");

QString deviceLine(const ProjectTreeDevice &device) {
    QString line = kTab + device.name;
    if (!device.desc.isEmpty())
        line += QStringLiteral("\t\tdesc:") + device.desc;
    if (!device.time.isEmpty())
        line += QStringLiteral("\t\ttime:") + device.time;
    return line;
}

void appendDeviceData(QByteArray *out, const MyDevice &device) {
    appendLine(out, QString());
    appendLine(out, QLatin1Char('$') + device.deviceType);
    for (MyConnParam::Field field : fileFieldOrder())
        appendLine(out, connKey(field) + QLatin1Char('=') + device.connParam[field]);
    appendLine(out, QStringLiteral("!"));
    appendLine(out, QString());
    appendLine(out, QStringLiteral("###"));
    appendLine(out, QLatin1Char('%') + device.deviceType);
    for (const MyChanel &row : device.listChanel)
        appendLine(out, QStringList{row.dmx_chanel, row.dmx_valueFrom, row.dmx_valueTo, row.rs_c, row.function}.join(
                            QStringLiteral(",\t")));
    appendLine(out, QStringLiteral("!"));
}
} // namespace

QByteArray projectFileBytes(const MyLibrary &library, const QString &baseName, const ProjectTree &tree) {
    QByteArray out;
    appendLine(&out, QLatin1Char('@') + baseName);
    for (const ProjectTreeManufacturer &manufacturer : tree) {
        appendLine(&out, manufacturer.name);
        for (const ProjectTreeDevice &device : manufacturer.devices)
            appendLine(&out, deviceLine(device));
    }
    appendLine(&out, QStringLiteral("!"));
    // Sections of manufacturers the tree part leaves out (the USB entry) come
    // last: the first sections of a name win on loading, and a listed device
    // may share its name with the device read from an image.
    QSet<QString> listed;
    for (const ProjectTreeManufacturer &manufacturer : tree)
        listed.insert(manufacturer.name);
    for (const bool inTree : {true, false})
        for (const MyPreset &preset : library)
            if (listed.contains(preset.deviceParent) == inTree)
                for (const MyDevice &device : preset.listMyDevices)
                    appendDeviceData(&out, device);
    return out;
}

bool writeProjectFile(QIODevice *out, const MyLibrary &library, const QString &baseName, const ProjectTree &tree,
                      QString *error) {
    if (!out || !out->isOpen() || !out->isWritable()) {
        if (error)
            *error = QStringLiteral("The project file is not open for writing.");
        return false;
    }
    const QByteArray bytes = projectFileBytes(library, baseName, tree);
    if (out->write(bytes) != bytes.size()) {
        if (error)
            *error = out->errorString();
        return false;
    }
    return true;
}

ProjectTree libraryTree(const MyLibrary &library) {
    ProjectTree tree;
    for (const MyPreset &preset : library) {
        ProjectTreeManufacturer manufacturer{preset.deviceParent, {}};
        for (const MyDevice &device : preset.listMyDevices)
            manufacturer.devices.append({device.deviceType, device.deviceDesc, device.deviceTime});
        tree.append(manufacturer);
    }
    return tree;
}

QString projectBaseName(const QString &path) { return QFileInfo(path).baseName(); }
