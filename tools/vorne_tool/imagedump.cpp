#include "imagedump.h"

#include "hexconv.h"
#include "imagefields.h"
#include "usbentry.h"

#include <QDateTime>

namespace {

QByteArray fieldBytes(const char *field, int width) {
    int n = 0;
    while (n < width && field[n] != 0)
        ++n;
    return QByteArray(field, n);
}

// A reply or prefix: raw bytes when its length byte is set, else ASCII text.
QString pairText(unsigned char len, const char *field, int width) {
    if (len == 0)
        return QStringLiteral("length 0, ASCII %1").arg(quoted(fieldBytes(field, width)));
    return QStringLiteral("length %1, HEX %2").arg(len).arg(bytesToHexText(QByteArray(field, qMin(int(len), width))));
}

QString timeText(quint32 secs) {
    if (secs == 0xFFFFFFFFu)
        return QStringLiteral("0xFFFFFFFF (no time)");
    return QStringLiteral("%1 (%2)").arg(secs).arg(
        QDateTime::fromSecsSinceEpoch(secs).toString(QStringLiteral("dd.MM.yyyy | hh:mm:ss")));
}

QString hex4(quint16 v) {
    return QStringLiteral("0x") + QString::number(v, 16).toUpper().rightJustified(4, QLatin1Char('0'));
}

} // namespace

QString dumpImage(const DecodedImage &img, QStringList *problems) {
    QStringList lines;
    const MyHeaderUSB &h = img.header;
    const MyHeaderUSB expected;
    lines << QStringLiteral("Size: %1 bytes").arg(img.fileSize);
    lines << QStringLiteral("Header: %1 %2 %3 %4, count %5")
                 .arg(h.word0)
                 .arg(hex4(h.word1), hex4(h.word2))
                 .arg(h.word3)
                 .arg(h.count);
    if (h.word0 != expected.word0 || h.word1 != expected.word1 || h.word2 != expected.word2 ||
        h.word3 != expected.word3)
        *problems << QStringLiteral("header words differ from 5 0xFFFF 0xFFFF 14");
    if (!img.sizeMatches())
        *problems << QStringLiteral("size %1 bytes, %2 expected for %3 channel records")
                         .arg(img.fileSize)
                         .arg(image::imageSize(h.count))
                         .arg(h.count);

    const MyDeviceUSB &d = img.device;
    lines << QStringLiteral("Manufacturer: %1").arg(quoted(fieldBytes(d.deviceMan, sizeof d.deviceMan)));
    lines << QStringLiteral("Device: %1").arg(quoted(fieldBytes(d.deviceType, sizeof d.deviceType)));
    lines << QStringLiteral("Description: %1").arg(quoted(fieldBytes(d.deviceDesc, sizeof d.deviceDesc)));
    lines << QStringLiteral("Time: %1").arg(timeText(d.deviceTime));

    const MyConnParamUSB &c = img.conn;
    lines << QStringLiteral("Speed: %1").arg(c.Speed);
    lines << QStringLiteral("Data_Bits: %1").arg(c.Data_Bits);
    lines << QStringLiteral("Stop_Bits: %1").arg(c.Stop_Bits);
    lines << QStringLiteral("Parity: %1").arg(quoted(fieldBytes(c.Parity, sizeof c.Parity)));
    lines << QStringLiteral("Handshake: %1").arg(quoted(fieldBytes(c.Handshake, sizeof c.Handshake)));
    lines << QStringLiteral("Delay_Time: %1").arg(c.Delay_Time);
    lines << QStringLiteral("Retry_Count: %1").arg(c.Retry_Count);
    lines
        << QStringLiteral("Error_Replay: %1").arg(pairText(c.Error_Replay_Len, c.Error_Replay, sizeof c.Error_Replay));
    lines << QStringLiteral("Normal_Replay: %1")
                 .arg(pairText(c.Normal_Replay_Len, c.Normal_Replay, sizeof c.Normal_Replay));
    lines << QStringLiteral("Replay_Wait_Time: %1").arg(c.Replay_Wait_Time);
    lines << QStringLiteral("CMD_Prefix: %1").arg(pairText(c.CMD_Prefix_Len, c.CMD_Prefix, sizeof c.CMD_Prefix));

    for (int i = 0; i < img.chanels.size(); ++i) {
        const MyChanelUSB &ch = img.chanels[i];
        const QString cmd =
            ch.cmdLen == 0
                ? QStringLiteral("ASCII %1").arg(quoted(fieldBytes(reinterpret_cast<const char *>(ch.cmd), 12)))
                : QStringLiteral("HEX %1").arg(commandText(ch).mid(4));
        lines << QStringLiteral("Row %1: DMX %2, values %3-%4, %5, function %6")
                     .arg(i + 1)
                     .arg(ch.dmx_chanel)
                     .arg(ch.dmx_valueFrom)
                     .arg(ch.dmx_valueTo)
                     .arg(cmd, quoted(fieldBytes(ch.function, sizeof ch.function)));
        if (ch.cmdLen > 12)
            *problems << QStringLiteral("row %1 command length %2 exceeds 12").arg(i + 1).arg(ch.cmdLen);
    }

    if (img.hasCrc) {
        lines << QStringLiteral("CRC: stored %1, computed %2: %3")
                     .arg(hex4(img.storedCrc), hex4(img.computedCrc),
                          img.crcMatches() ? QStringLiteral("OK") : QStringLiteral("MISMATCH"));
        if (!img.crcMatches())
            *problems << QStringLiteral("CRC mismatch (stored %1, computed %2)")
                             .arg(hex4(img.storedCrc), hex4(img.computedCrc));
    } else {
        lines << QStringLiteral("CRC: missing, computed %1").arg(hex4(img.computedCrc));
        *problems << QStringLiteral("CRC missing");
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}
