#include "firingrow.h"

#include "hexconv.h"
#include "imagefields.h"
#include "imagereader.h"
#include "imagewriter.h"
#include "rowentry.h"
#include "rowrules.h"
#include "toolio.h"

namespace {

bool numberOperand(const QString &text, int lowest, int highest, int *n) {
    bool ok = false;
    *n = text.toInt(&ok);
    return ok && *n >= lowest && *n <= highest;
}

void warnAlsoHolding(QTextStream &err, const QString &row) {
    err << "vorne_tool: warning: " << row << " holds the value too; the box sends the first\n";
}

int inProject(const QStringList &a, int chanel, int value, FiringRow *row, QTextStream &out, QTextStream &err) {
    const QString &project = a[0];
    ProjectFileContent content;
    ProjectFileLines lines;
    int preset = -1, device = -1;
    if (!loadProject(project, &content, &lines, err) ||
        !findNamedDevice(content.library, project, a[1], a[2], &preset, &device, err))
        return ExitData;
    const MyDevice &d = content.library[preset].listMyDevices[device];
    const QString asked = QStringLiteral("%1 / %2: DMX %3 at %4")
                              .arg(a[1], d.deviceType, QString::number(chanel), QString::number(value));
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
    row->title = asked + QStringLiteral(" fires ") + rowName(firing[0]);
    row->row = chanelRecord(d.listChanel[firing[0]]);
    row->conn = connRecord(d.connParam);
    for (qsizetype i = 1; i < firing.size(); ++i)
        warnAlsoHolding(err, rowName(firing[i]));
    return ExitOk;
}

int inImage(const QString &path, int chanel, int value, FiringRow *row, QTextStream &out, QTextStream &err) {
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
    row->title = asked + QStringLiteral(" fires row %1").arg(firing[0] + 1);
    row->row = img.chanels[firing[0]];
    row->conn = img.conn;
    for (qsizetype i = 1; i < firing.size(); ++i)
        warnAlsoHolding(err, QStringLiteral("row %1").arg(firing[i] + 1));
    if (!img.crcMatches())
        err << "vorne_tool: warning: " << path << ": the CRC does not match; the box refuses this image\n";
    return ExitOk;
}

} // namespace

int findFiringRow(const QString &command, const QStringList &a, FiringRow *row, QTextStream &out, QTextStream &err) {
    if (a.size() != 3 && a.size() != 5)
        return usageError(err, QStringLiteral("%1 takes PROJECT.prj MANUFACTURER DEVICE CHANNEL VALUE, or "
                                              "FILE.bin CHANNEL VALUE")
                                   .arg(command));
    int chanel = 0, value = 0;
    if (!numberOperand(a[a.size() - 2], 1, 512, &chanel))
        return usageError(err, QStringLiteral("the channel must be a number from 1 to 512"));
    if (!numberOperand(a.last(), 0, 255, &value))
        return usageError(err, QStringLiteral("the value must be a number from 0 to 255"));
    return a.size() == 5 ? inProject(a, chanel, value, row, out, err) : inImage(a[0], chanel, value, row, out, err);
}

void printFiring(QTextStream &out, const FiringRow &r) {
    auto bytesText = [](const QByteArray &b) {
        return b.isEmpty() ? QStringLiteral("none")
                           : QStringLiteral("HEX %1, text %2").arg(bytesToHexText(b), quoted(b));
    };
    out << r.title << ": values " << r.row.dmx_valueFrom << "-" << r.row.dmx_valueTo << ", function "
        << quoted(QByteArray(r.row.function, int(qstrnlen(r.row.function, sizeof r.row.function)))) << "\n";
    out << "  command: " << bytesText(commandBytes(r.row)) << "\n";
    out << "  prefix:  " << bytesText(prefixBytes(r.conn)) << "\n";
}

int runFire(const QStringList &args, QTextStream &out, QTextStream &err) {
    FiringRow row;
    const int found = findFiringRow(QStringLiteral("fire"), args, &row, out, err);
    if (found == ExitOk)
        printFiring(out, row);
    return found;
}
