#include "imagelimits.h"

#include "hexconv.h"
#include "imageformat.h"
#include "imagewriter.h"

#include <tuple>

namespace {
using F = MyConnParam;

int latin1Size(const QString &text) { return int(text.toLatin1().size()); }

// How the writer takes HEX text: two digits a byte, the last lone digit a
// byte of its own, nothing past the field.
void hexChanges(const QString &label, const QString &digits, int width, QStringList *out) {
    const int bytes = int((digits.size() + 1) / 2);
    if (bytes > width)
        *out << QStringLiteral("%1 \"%2\" is %3 bytes; the image keeps the first %4")
                    .arg(label, digits, QString::number(bytes), QString::number(width));
    else if (digits.size() % 2 != 0)
        *out << QStringLiteral("%1 \"%2\" has an odd number of digits; the image takes its last digit as the byte 0%3")
                    .arg(label, digits, digits.right(1).toUpper());
}

void numberChange(const MyConnParam &conn, int field, const char *label, QList<ConnImageChange> *out) {
    const QString &text = conn[field];
    bool ok = false;
    text.toInt(&ok);
    if (!text.isEmpty() && !ok)
        out->append(
            {field, -1,
             QStringLiteral("%1 \"%2\" is not a whole number; the image gets 0").arg(QLatin1String(label), text)});
}

void pairChanges(const MyConnParam &conn, int ascii, int hex, const char *asciiKey, const char *hexKey, int width,
                 QList<ConnImageChange> *out) {
    const QLatin1String asciiLabel(asciiKey), hexLabel(hexKey);
    const QString cut = imageTextCut(asciiLabel, conn[ascii], width);
    if (!cut.isEmpty())
        out->append({ascii, -1, cut});
    QStringList hexNotes;
    // The settings' HEX fields take digits only; the writer reads anything else as no digit at all.
    if (const qsizetype bad = firstNonHexDigit(conn[hex]); bad >= 0)
        hexNotes << QStringLiteral("%1 \"%2\" holds \"%3\", which is not a hex digit; the image reads it as none")
                        .arg(hexLabel, conn[hex], conn[hex].at(bad));
    hexChanges(hexLabel, conn[hex], width, &hexNotes);
    for (const QString &note : hexNotes)
        out->append({hex, -1, note});
    if (!conn[ascii].isEmpty() && !conn[hex].isEmpty())
        out->append({ascii, hex,
                     QStringLiteral("both %1 and %2 are given; the image takes the length from %2 and writes %1 "
                                    "over its first bytes")
                         .arg(asciiLabel, hexLabel)});
}
} // namespace

QString imageTextCut(const QString &label, const QString &text, int width) {
    const int size = latin1Size(text);
    if (size <= width)
        return QString();
    // One arg() call: a second one would fill a "%3" inside the quoted text.
    return QStringLiteral("%1 \"%2\" is %3 bytes; the image keeps the first %4")
        .arg(label, text, QString::number(size), QString::number(width));
}

QStringList manufacturerImageChanges(const QString &name) {
    const QString cut = imageTextCut(QStringLiteral("manufacturer name"), name, sizeof(MyDeviceUSB::deviceMan));
    return cut.isEmpty() ? QStringList() : QStringList{cut};
}

QString deviceImageRefusal(const MyDevice &device) {
    const qsizetype rows = device.listChanel.size();
    if (rows <= image::MaxChanels)
        return QString();
    return QStringLiteral("device \"%1\" has %2 rows; an image holds at most %3, so none can be written")
        .arg(device.deviceType, QString::number(rows), QString::number(image::MaxChanels));
}

QStringList deviceImageChanges(const MyDevice &device) {
    QStringList out;
    for (const QString &cut :
         {imageTextCut(QStringLiteral("device name"), device.deviceType, sizeof(MyDeviceUSB::deviceType)),
          imageTextCut(QStringLiteral("description"), device.deviceDesc, sizeof(MyDeviceUSB::deviceDesc))})
        if (!cut.isEmpty())
            out << cut;
    if (!device.deviceTime.isEmpty() && imageTime(device.deviceTime) == 0xFFFFFFFFu)
        out << QStringLiteral("date \"%1\" is not a date of the form dd.MM.yyyy | hh:mm:ss; the image stores "
                              "0xFFFFFFFF (no time)")
                   .arg(device.deviceTime);
    return out;
}

QList<ConnImageChange> connImageChanges(const MyConnParam &conn) {
    QList<ConnImageChange> out;
    numberChange(conn, F::Speed, "Speed", &out);
    numberChange(conn, F::Data_Bits, "Data_Bits", &out);
    numberChange(conn, F::Stop_Bits, "Stop_Bits", &out);
    for (const auto &[field, label, width] :
         {std::tuple{F::Parity, "Parity", int(sizeof(MyConnParamUSB::Parity))},
          std::tuple{F::Handshake, "Handshake", int(sizeof(MyConnParamUSB::Handshake))}}) {
        const QString cut = imageTextCut(QLatin1String(label), conn[field], width);
        if (!cut.isEmpty())
            out.append({field, -1, cut});
    }
    numberChange(conn, F::Delay_Time, "Delay_Time", &out);
    numberChange(conn, F::Retry_Count, "Retry_Count", &out);
    pairChanges(conn, F::Error_Replay, F::Error_Replay_HEX, "Error_Replay", "Error_Replay_HEX",
                sizeof(MyConnParamUSB::Error_Replay), &out);
    pairChanges(conn, F::Normal_Replay, F::Normal_Replay_HEX, "Normal_Replay", "Normal_Replay_HEX",
                sizeof(MyConnParamUSB::Normal_Replay), &out);
    numberChange(conn, F::Replay_Wait_Time, "Replay_Wait_Time", &out);
    pairChanges(conn, F::CMD_Prefix, F::CMD_Prefix_HEX, "CMD_Prefix", "CMD_Prefix_HEX",
                sizeof(MyConnParamUSB::CMD_Prefix), &out);
    return out;
}

QStringList rowImageChanges(const MyChanel &row) {
    QStringList out;
    const int width = sizeof(MyChanelUSB::cmd);
    QString cmd = row.rs_c;
    // The kinds as the writer tells them apart.
    if (cmd.startsWith(QLatin1String("HEX:"), Qt::CaseInsensitive)) {
        hexChanges(QStringLiteral("HEX command"), cmd.remove(QLatin1String("HEX:"), Qt::CaseSensitive), width, &out);
    } else {
        const QString cut = imageTextCut(QStringLiteral("ASCII command"), cmd.remove(QLatin1String("ASCII:")), width);
        if (!cut.isEmpty())
            out << cut;
    }
    const QString cut = imageTextCut(QStringLiteral("function name"), row.function, sizeof(MyChanelUSB::function));
    if (!cut.isEmpty())
        out << cut;
    return out;
}
