#include "imagejson.h"

#include "hexconv.h"

#include <QJsonArray>

namespace {

QString text(const char *field, int width) { return fieldText(field, width); }

// A reply or prefix: raw bytes when its length byte is set, else ASCII text.
QJsonObject pair(unsigned char len, const char *field, int width) {
    QJsonObject o{{QStringLiteral("length"), int(len)}};
    if (len == 0)
        o.insert(QStringLiteral("ascii"), text(field, width));
    else
        o.insert(QStringLiteral("hex"), bytesToHexText(QByteArray(field, qMin(int(len), width))));
    return o;
}

QJsonObject row(const MyChanelUSB &ch) {
    const auto *cmd = reinterpret_cast<const char *>(ch.cmd);
    QJsonObject o{
        {QStringLiteral("dmx"), int(ch.dmx_chanel)},
        {QStringLiteral("low"), int(ch.dmx_valueFrom)},
        {QStringLiteral("high"), int(ch.dmx_valueTo)},
        {QStringLiteral("cmdLen"), int(ch.cmdLen)},
        {QStringLiteral("function"), text(ch.function, sizeof ch.function)},
    };
    if (ch.cmdLen == 0)
        o.insert(QStringLiteral("ascii"), text(cmd, sizeof ch.cmd));
    else
        o.insert(QStringLiteral("hex"), bytesToHexText(QByteArray(cmd, qMin(int(ch.cmdLen), int(sizeof ch.cmd)))));
    return o;
}

} // namespace

QJsonObject imageJson(const DecodedImage &img, const QStringList &problems) {
    const MyHeaderUSB &h = img.header;
    const MyDeviceUSB &d = img.device;
    const MyConnParamUSB &c = img.conn;
    QJsonArray rows;
    for (const MyChanelUSB &ch : img.chanels)
        rows.append(row(ch));
    const QJsonValue noTime = d.deviceTime == 0xFFFFFFFFu ? QJsonValue() : QJsonValue(qint64(d.deviceTime));
    return QJsonObject{
        {QStringLiteral("size"), qint64(img.fileSize)},
        {QStringLiteral("header"), QJsonArray{int(h.word0), int(h.word1), int(h.word2), int(h.word3), int(h.count)}},
        {QStringLiteral("manufacturer"), text(d.deviceMan, sizeof d.deviceMan)},
        {QStringLiteral("device"), text(d.deviceType, sizeof d.deviceType)},
        {QStringLiteral("description"), text(d.deviceDesc, sizeof d.deviceDesc)},
        {QStringLiteral("time"), noTime},
        {QStringLiteral("Speed"), int(c.Speed)},
        {QStringLiteral("Data_Bits"), int(c.Data_Bits)},
        {QStringLiteral("Stop_Bits"), int(c.Stop_Bits)},
        {QStringLiteral("Parity"), text(c.Parity, sizeof c.Parity)},
        {QStringLiteral("Handshake"), text(c.Handshake, sizeof c.Handshake)},
        {QStringLiteral("Delay_Time"), int(c.Delay_Time)},
        {QStringLiteral("Retry_Count"), int(c.Retry_Count)},
        {QStringLiteral("Error_Replay"), pair(c.Error_Replay_Len, c.Error_Replay, sizeof c.Error_Replay)},
        {QStringLiteral("Normal_Replay"), pair(c.Normal_Replay_Len, c.Normal_Replay, sizeof c.Normal_Replay)},
        {QStringLiteral("Replay_Wait_Time"), int(c.Replay_Wait_Time)},
        {QStringLiteral("CMD_Prefix"), pair(c.CMD_Prefix_Len, c.CMD_Prefix, sizeof c.CMD_Prefix)},
        {QStringLiteral("rows"), rows},
        {QStringLiteral("crc"),
         QJsonObject{{QStringLiteral("stored"), img.hasCrc ? QJsonValue(int(img.storedCrc)) : QJsonValue()},
                     {QStringLiteral("computed"), int(img.computedCrc)},
                     {QStringLiteral("ok"), img.crcMatches()}}},
        {QStringLiteral("problems"), QJsonArray::fromStringList(problems)},
    };
}
