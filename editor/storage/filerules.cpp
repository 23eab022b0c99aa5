#include "filerules.h"

#include "channelrules.h"
#include "connkeys.h"

#include <QHash>

#include <functional>

namespace {
const QLatin1String kDesc("desc:");
const QLatin1String kTime("time:");

bool isControl(QChar c) { return c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F); }

QString hexCode(QChar c) {
    return QStringLiteral("0x") + QString::number(c.unicode(), 16).toUpper().rightJustified(2, QLatin1Char('0'));
}

// Every line holds one record and every character is one Latin-1 byte.
QString characterProblem(const QString &text) {
    for (QChar c : text) {
        if (c == QLatin1Char('\t'))
            return QStringLiteral("it contains a TAB");
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            return QStringLiteral("it contains a line break");
        if (isControl(c))
            return QStringLiteral("it contains the control character %1").arg(hexCode(c));
        if (c.unicode() > 0xFF)
            return QStringLiteral("it contains \"%1\", which the file would store as \"?\"").arg(c);
    }
    return {};
}

bool hasSpace(const QString &text) {
    for (QChar c : text)
        if (c.isSpace())
            return true;
    return false;
}

// Names are trimmed when read.
QString trimmedNameProblem(const QString &text) {
    if (text.trimmed().isEmpty())
        return QStringLiteral("it is empty");
    if (text.trimmed() != text)
        return QStringLiteral("it begins or ends with a blank");
    return {};
}

// A device line splits at the first "desc:" and "time:".
QString markerProblem(const QString &text) {
    if (text.contains(kDesc))
        return QStringLiteral("it contains \"desc:\"");
    if (text.contains(kTime))
        return QStringLiteral("it contains \"time:\"");
    return {};
}

QString manufacturerProblem(const QString &text) {
    if (QString p = characterProblem(text); !p.isEmpty())
        return p;
    if (QString p = trimmedNameProblem(text); !p.isEmpty())
        return p;
    // The line's first character decides: end of tree, header, device line,
    // or (for the section scan) a device's settings or rows.
    static const QString kLeading = QStringLiteral("!@$%");
    if (kLeading.contains(text.at(0)))
        return QStringLiteral("it begins with \"%1\"").arg(text.at(0));
    return {};
}

QString deviceTextProblem(const QString &text, bool isName) {
    if (QString p = characterProblem(text); !p.isEmpty())
        return p;
    if (isName) {
        if (QString p = trimmedNameProblem(text); !p.isEmpty())
            return p;
    } else if (text.trimmed() != text) {
        return QStringLiteral("it begins or ends with a blank");
    }
    return markerProblem(text);
}

// Row numbers lose every blank when read; the channel also starts the line.
QString rowNumberProblem(const QString &text, bool startsLine) {
    if (QString p = characterProblem(text); !p.isEmpty())
        return p;
    if (hasSpace(text))
        return QStringLiteral("it contains a blank");
    if (startsLine && (text.startsWith(QLatin1Char('!')) || text.startsWith(QLatin1Char('#'))))
        return QStringLiteral("it begins with \"%1\"").arg(text.at(0));
    return {};
}

bool isReplyOrPrefix(int field) {
    return field == MyConnParam::CMD_Prefix || field == MyConnParam::Normal_Replay ||
           field == MyConnParam::Error_Replay;
}

QString quoted(const QString &text) { return QLatin1Char('"') + text + QLatin1Char('"'); }

QString deviceWhat(const MyPreset &preset, const MyDevice &device) {
    return QStringLiteral("Device %1 (%2)").arg(quoted(device.deviceType), preset.deviceParent);
}

void addProblem(QList<KeepProblem> *out, int preset, int device, int row, const QString &what, const QString &problem) {
    if (!problem.isEmpty())
        out->append({preset, device, row, what, problem});
}

void checkRow(QList<KeepProblem> *out, int i, int j, int k, const QString &what, const MyChanel &row) {
    const struct {
        ProjectText kind;
        const char *label;
        const QString &text;
    } cells[] = {
        {ProjectText::RowChannel, "DMX channel", row.dmx_chanel},
        {ProjectText::RowValue, "low value", row.dmx_valueFrom},
        {ProjectText::RowValue, "high value", row.dmx_valueTo},
        {ProjectText::RowCommand, "command", row.rs_c},
        {ProjectText::RowFunction, "function name", row.function},
    };
    for (const auto &cell : cells) {
        const QString problem = projectTextProblem(cell.kind, cell.text);
        if (!problem.isEmpty())
            addProblem(out, i, j, k, what, QStringLiteral("its %1: %2").arg(QLatin1String(cell.label), problem));
    }
}
} // namespace

QString projectTextProblem(ProjectText kind, const QString &text) {
    switch (kind) {
    case ProjectText::ManufacturerName:
        return manufacturerProblem(text);
    case ProjectText::DeviceName:
        return deviceTextProblem(text, true);
    case ProjectText::DeviceDescription:
    case ProjectText::DeviceTime:
        return deviceTextProblem(text, false);
    case ProjectText::RowChannel:
        return rowNumberProblem(text, true);
    case ProjectText::RowValue:
        return rowNumberProblem(text, false);
    case ProjectText::RowCommand:
    case ProjectText::RowFunction:
        return characterProblem(text); // kept as they are, blanks included
    }
    return {};
}

QString connTextProblem(int field, const QString &text) {
    if (QString p = characterProblem(text); !p.isEmpty())
        return p;
    if (field == MyConnParam::Handshake) {
        if (text.trimmed() != text)
            return QStringLiteral("it begins or ends with a blank");
        return {};
    }
    if (hasSpace(text)) {
        if (isReplyOrPrefix(field))
            return QStringLiteral("it contains a blank, which the file drops (the HEX field keeps blanks as 20)");
        return QStringLiteral("it contains a blank, which the file drops");
    }
    return {};
}

QString keepMessage(const QString &label, const QString &problem) {
    return QStringLiteral("%1 cannot be kept in the project file: %2.").arg(label, problem);
}

namespace {
QList<KeepProblem> keepProblems(const MyLibrary &library, const std::function<bool(int)> &isUsbEntry) {
    QList<KeepProblem> out;
    QHash<QString, QString> firstOwner; // device name -> its manufacturer
    for (int i = 0; i < library.size(); ++i) {
        const MyPreset &preset = library.at(i);
        // The USB entry never reaches the tree part, so nothing of it comes
        // back; its sections are written after all others and claim no name.
        if (isUsbEntry(i))
            continue;
        addProblem(&out, i, -1, -1, QStringLiteral("Manufacturer %1").arg(quoted(preset.deviceParent)),
                   projectTextProblem(ProjectText::ManufacturerName, preset.deviceParent));
        for (int j = 0; j < preset.listMyDevices.size(); ++j) {
            const MyDevice &device = preset.listMyDevices.at(j);
            const QString what = deviceWhat(preset, device);
            addProblem(&out, i, j, -1, what, projectTextProblem(ProjectText::DeviceName, device.deviceType));
            if (QString p = projectTextProblem(ProjectText::DeviceDescription, device.deviceDesc); !p.isEmpty())
                addProblem(&out, i, j, -1, what, QStringLiteral("its description: ") + p);
            if (QString p = projectTextProblem(ProjectText::DeviceTime, device.deviceTime); !p.isEmpty())
                addProblem(&out, i, j, -1, what, QStringLiteral("its date: ") + p);
            const auto owner = firstOwner.constFind(device.deviceType);
            if (owner != firstOwner.constEnd())
                addProblem(&out, i, j, -1, what,
                           QStringLiteral("its name is taken by a device of %1 before it, whose settings and rows "
                                          "it would be given")
                               .arg(quoted(*owner)));
            else
                firstOwner.insert(device.deviceType, preset.deviceParent);
            for (int field = 0; field < MyConnParam::FieldCount; ++field) {
                if (QString p = connTextProblem(field, device.connParam[field]); !p.isEmpty())
                    addProblem(&out, i, j, -1, what, QStringLiteral("its setting %1: %2").arg(connKey(field), p));
            }
            // Reading sorts the rows; where sorting moves them again, every
            // load gives them in another order.
            QList<MyChanel> resorted = device.listChanel;
            sortChanel(&resorted);
            for (int k = 0; k < device.listChanel.size(); ++k) {
                const QString rowWhat = QStringLiteral("Row %1 of device %2 (%3)")
                                            .arg(k + 1)
                                            .arg(quoted(device.deviceType), preset.deviceParent);
                checkRow(&out, i, j, k, rowWhat, device.listChanel.at(k));
                if (resorted.at(k) != device.listChanel.at(k))
                    addProblem(&out, i, j, k, rowWhat,
                               QStringLiteral("it would come back in another place: its range and another of DMX "
                                              "channel %1 nest, and such rows change places on every load")
                                   .arg(device.listChanel.at(k).dmx_chanel));
            }
        }
    }
    return out;
}
} // namespace

QList<KeepProblem> libraryKeepProblems(const MyLibrary &library) {
    return keepProblems(library,
                        [&library](int i) { return library.at(i).deviceParent.startsWith(QLatin1String("USB:")); });
}

QList<KeepProblem> libraryKeepProblems(const MyLibrary &library, int usbPreset) {
    return keepProblems(library, [usbPreset](int i) { return i == usbPreset; });
}
