#include "filerules.h"

#include "channelrules.h"
#include "connkeys.h"
#include "projectfile.h"

#include <QBuffer>
#include <QHash>

#include <functional>
#include <initializer_list>

namespace {
const QLatin1String kDesc("desc:");
const QLatin1String kTime("time:");
const QLatin1String kCellSeparator(",\t");

bool isControl(QChar c) { return c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F); }

QString hexCode(QChar c) {
    return QStringLiteral("0x") + QString::number(c.unicode(), 16).toUpper().rightJustified(2, QLatin1Char('0'));
}

bool hasSpace(const QString &text) {
    for (QChar c : text)
        if (c.isSpace())
            return true;
    return false;
}

// What no line of the file keeps: a line feed ends the line, and a character
// outside Latin-1 is written as "?".
QString storedProblem(const QString &text) {
    for (QChar c : text) {
        if (c == QLatin1Char('\n'))
            return QStringLiteral("it contains a line break");
        if (c.unicode() > 0xFF)
            return QStringLiteral("it contains \"%1\", which the file would store as \"?\"").arg(c);
    }
    return {};
}

// Typed input gets one line per record and printable Latin-1 only, though
// the file would keep a TAB or a control character in many places.
QString typedCharacterProblem(const QString &text) {
    for (QChar c : text) {
        if (c == QLatin1Char('\t'))
            return QStringLiteral("it contains a TAB");
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            return QStringLiteral("it contains a line break");
        if (isControl(c))
            return QStringLiteral("it contains the control character %1").arg(hexCode(c));
    }
    return storedProblem(text);
}

QString edgeBlankProblem(const QString &text) {
    return text.trimmed() != text ? QStringLiteral("it begins or ends with a blank") : QString();
}

QString leadingProblem(const QString &text, const QString &marks) {
    if (!text.isEmpty() && marks.contains(text.at(0)))
        return QStringLiteral("it begins with \"%1\"").arg(text.at(0));
    return {};
}

QString containsProblem(const QString &text, QLatin1String marker) {
    return text.contains(marker) ? QStringLiteral("it contains \"%1\"").arg(marker) : QString();
}

QString firstProblem(std::initializer_list<QString> problems) {
    for (const QString &p : problems)
        if (!p.isEmpty())
            return p;
    return {};
}

// What the format itself changes in one text, whatever stands beside it.
QString formatProblem(ProjectText kind, const QString &text) {
    switch (kind) {
    case ProjectText::ManufacturerName:
        // Trimmed on reading; "!" ends the tree part, "@" is the header.
        return firstProblem({edgeBlankProblem(text), leadingProblem(text, QStringLiteral("!@"))});
    case ProjectText::DeviceName:
        // The name is what stands before the first "desc:" or "time:".
        return firstProblem({edgeBlankProblem(text), containsProblem(text, kDesc), containsProblem(text, kTime)});
    case ProjectText::DeviceDescription:
        // It runs to the first "time:" after its own "desc:".
        return firstProblem({edgeBlankProblem(text), containsProblem(text, kTime)});
    case ProjectText::DeviceTime:
        return edgeBlankProblem(text);
    case ProjectText::RowChannel:
    case ProjectText::RowValue:
        // Row numbers lose every blank; the channel also starts the line.
        if (hasSpace(text))
            return QStringLiteral("it contains a blank");
        return kind == ProjectText::RowChannel ? leadingProblem(text, QStringLiteral("!#")) : QString();
    case ProjectText::RowCommand:
    case ProjectText::RowFunction:
        if (text.contains(kCellSeparator))
            return QStringLiteral("it contains a comma followed by a TAB, which splits the row line");
        // The function ends the line, and a carriage return before the line feed is part of the line end.
        if (kind == ProjectText::RowFunction && text.endsWith(QLatin1Char('\r')))
            return QStringLiteral("it ends with a carriage return, which the file reads as part of the line break");
        return {};
    }
    return {};
}

QString keptProblem(ProjectText kind, const QString &text) {
    if (QString p = storedProblem(text); !p.isEmpty())
        return p;
    return formatProblem(kind, text);
}

bool isReplyOrPrefix(int field) {
    return field == MyConnParam::CMD_Prefix || field == MyConnParam::Normal_Replay ||
           field == MyConnParam::Error_Replay;
}

// Settings lose every blank, except Handshake, which is only trimmed.
QString keptConnProblem(int field, const QString &text) {
    if (QString p = storedProblem(text); !p.isEmpty())
        return p;
    if (field == MyConnParam::Handshake)
        return edgeBlankProblem(text);
    if (hasSpace(text)) {
        if (isReplyOrPrefix(field))
            return QStringLiteral("it contains a blank, which the file drops (the HEX field keeps blanks as 20)");
        return QStringLiteral("it contains a blank, which the file drops");
    }
    return {};
}

QString quoted(const QString &text) { return QLatin1Char('"') + text + QLatin1Char('"'); }

QString deviceWhat(const MyPreset &preset, const MyDevice &device) {
    return QStringLiteral("Device %1 (%2)").arg(quoted(device.deviceType), preset.deviceParent);
}

void addProblem(QList<KeepProblem> *out, int preset, int device, int row, const QString &what, const QString &problem) {
    if (!problem.isEmpty())
        out->append({preset, device, row, what, problem});
}

// The device line "\tname\t\tdesc:description\t\ttime:date" leaves out what is
// empty, so whether a marker breaks it depends on its neighbours.
void checkDeviceLine(QList<KeepProblem> *out, int i, int j, const QString &what, const MyDevice &device) {
    QString name = keptProblem(ProjectText::DeviceName, device.deviceType);
    if (name.isEmpty() && device.deviceType.isEmpty() && device.deviceDesc.isEmpty() && device.deviceTime.isEmpty())
        name = QStringLiteral("it is empty, and with no description or date its line is blank, which the reader skips");
    addProblem(out, i, j, -1, what, name);
    if (QString p = keptProblem(ProjectText::DeviceDescription, device.deviceDesc); !p.isEmpty())
        addProblem(out, i, j, -1, what, QStringLiteral("its description: ") + p);
    QString time = keptProblem(ProjectText::DeviceTime, device.deviceTime);
    // Without a description the first "desc:" of the line is the date's.
    if (time.isEmpty() && device.deviceDesc.isEmpty() && device.deviceTime.contains(kDesc))
        time = QStringLiteral("it contains \"desc:\" and the description is empty");
    if (!time.isEmpty())
        addProblem(out, i, j, -1, what, QStringLiteral("its date: ") + time);
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
        const QString problem = keptProblem(cell.kind, cell.text);
        if (!problem.isEmpty())
            addProblem(out, i, j, k, what, QStringLiteral("its %1: %2").arg(QLatin1String(cell.label), problem));
    }
}

bool sameData(const MyDevice &a, const MyDevice &b) {
    for (int field = 0; field < MyConnParam::FieldCount; ++field)
        if (a.connParam[field] != b.connParam[field])
            return false;
    if (a.listChanel.size() != b.listChanel.size())
        return false;
    for (qsizetype k = 0; k < a.listChanel.size(); ++k) {
        const MyChanel &x = a.listChanel[k];
        const MyChanel &y = b.listChanel[k];
        if (x.dmx_chanel != y.dmx_chanel || x.dmx_valueFrom != y.dmx_valueFrom || x.dmx_valueTo != y.dmx_valueTo ||
            x.rs_c != y.rs_c || x.function != y.function)
            return false;
    }
    return true;
}

// The section scan reads the tree part too: the first manufacturer line that
// begins with "$" or "%" opens a section there, which runs to the tree's "!"
// and holds every later line (so later ones open nothing). Where it names a
// device, that device is read from those lines instead of its own sections;
// whether it changes is found by reading it back.
KeepProblem openerProblem(const MyLibrary &library, const std::function<bool(int)> &isUsbEntry) {
    int opener = -1;
    for (int i = 0; i < library.size() && opener < 0; ++i)
        if (!isUsbEntry(i) && (library[i].deviceParent.startsWith(QLatin1Char('$')) ||
                               library[i].deviceParent.startsWith(QLatin1Char('%'))))
            opener = i;
    if (opener < 0)
        return {};
    const QString name = library[opener].deviceParent.mid(1).trimmed();
    const MyDevice *named = nullptr;
    for (int i = 0; i < library.size() && !named; ++i)
        if (!isUsbEntry(i))
            for (const MyDevice &device : library[i].listMyDevices)
                if (device.deviceType == name) {
                    named = &device;
                    break;
                }
    if (!named)
        return {};
    ProjectTree tree = libraryTree(library);
    for (int i = int(library.size()) - 1; i >= 0; --i)
        if (isUsbEntry(i))
            tree.removeAt(i);
    QByteArray bytes = projectFileBytes(library, QString(), tree);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    MyDevice back;
    if (!readDeviceData(&buffer, name, &back, nullptr) || sameData(back, *named))
        return {};
    return {opener, -1, -1, QStringLiteral("Manufacturer %1").arg(quoted(library[opener].deviceParent)),
            QStringLiteral("it begins with \"%1\", so its line opens a section of device %2 in the tree part, and "
                           "that device would lose its own settings and rows")
                .arg(library[opener].deviceParent.at(0))
                .arg(quoted(name))};
}

QList<KeepProblem> keepProblems(const MyLibrary &library, const std::function<bool(int)> &isUsbEntry) {
    QList<KeepProblem> out;
    const KeepProblem opener = openerProblem(library, isUsbEntry);
    QHash<QString, QPair<int, int>> firstOfName; // device name -> the device whose sections it gets
    for (int i = 0; i < library.size(); ++i) {
        const MyPreset &preset = library.at(i);
        // The USB entry never reaches the tree part, so nothing of it comes
        // back; its sections are written after all others and claim no name.
        if (isUsbEntry(i))
            continue;
        addProblem(&out, i, -1, -1, QStringLiteral("Manufacturer %1").arg(quoted(preset.deviceParent)),
                   keptProblem(ProjectText::ManufacturerName, preset.deviceParent));
        if (opener.preset == i)
            out.append(opener);
        for (int j = 0; j < preset.listMyDevices.size(); ++j) {
            const MyDevice &device = preset.listMyDevices.at(j);
            const QString what = deviceWhat(preset, device);
            checkDeviceLine(&out, i, j, what, device);
            const auto first = firstOfName.constFind(device.deviceType);
            if (first == firstOfName.constEnd()) {
                firstOfName.insert(device.deviceType, {i, j});
            } else if (const MyDevice &earlier = library[first->first].listMyDevices[first->second];
                       !sameData(device, earlier)) {
                addProblem(&out, i, j, -1, what,
                           QStringLiteral("its name is taken by a device of %1 before it, whose settings and rows "
                                          "it would be given")
                               .arg(quoted(library[first->first].deviceParent)));
            }
            for (int field = 0; field < MyConnParam::FieldCount; ++field) {
                if (QString p = keptConnProblem(field, device.connParam[field]); !p.isEmpty())
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

QString projectTextProblem(ProjectText kind, const QString &text) {
    if (QString p = typedCharacterProblem(text); !p.isEmpty())
        return p;
    const bool isName = kind == ProjectText::ManufacturerName || kind == ProjectText::DeviceName;
    if (isName && text.trimmed().isEmpty())
        return QStringLiteral("it is empty");
    if (QString p = formatProblem(kind, text); !p.isEmpty())
        return p;
    switch (kind) {
    case ProjectText::ManufacturerName:
        // Harmless until a device is named like the rest of the line.
        return leadingProblem(text, QStringLiteral("$%"));
    case ProjectText::DeviceDescription:
    case ProjectText::DeviceTime:
        // Breaks the line as soon as the text beside it is empty.
        return firstProblem({containsProblem(text, kDesc), containsProblem(text, kTime)});
    default:
        return {};
    }
}

QString connTextProblem(int field, const QString &text) {
    if (QString p = typedCharacterProblem(text); !p.isEmpty())
        return p;
    return keptConnProblem(field, text);
}

QString keepMessage(const QString &label, const QString &problem) {
    return QStringLiteral("%1 cannot be kept in the project file: %2.").arg(label, problem);
}

QList<KeepProblem> libraryKeepProblems(const MyLibrary &library) {
    return keepProblems(library,
                        [&library](int i) { return library.at(i).deviceParent.startsWith(QLatin1String("USB:")); });
}

QList<KeepProblem> libraryKeepProblems(const MyLibrary &library, int usbPreset) {
    return keepProblems(library, [usbPreset](int i) { return i == usbPreset; });
}
