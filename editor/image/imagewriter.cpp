#include "imagewriter.h"

#include "crc16.h"
#include "imagefields.h"

#include <QDateTime>
#include <QSaveFile>

quint32 imageTime(const QString &deviceTime) {
    const QDateTime t = QDateTime::fromString(deviceTime, QStringLiteral("dd.MM.yyyy | hh:mm:ss"));
    if (!t.isValid())
        return 0xFFFFFFFFu;
    const qint64 secs = t.toSecsSinceEpoch();
    // 0xFFFFFFFF itself means "no time", so the last representable second is one less.
    if (secs < 0 || secs >= 0xFFFFFFFFLL)
        return 0xFFFFFFFFu;
    return quint32(secs);
}

MyDeviceUSB deviceRecord(const QString &manufacturer, const MyDevice &device) {
    auto d = image::zeroed<MyDeviceUSB>();
    fillText(d.deviceMan, sizeof d.deviceMan, manufacturer);
    fillText(d.deviceType, sizeof d.deviceType, device.deviceType);
    fillText(d.deviceDesc, sizeof d.deviceDesc, device.deviceDesc);
    d.deviceTime = imageTime(device.deviceTime);
    return d;
}

MyConnParamUSB connRecord(const MyConnParam &conn) {
    using F = MyConnParam;
    auto c = image::zeroed<MyConnParamUSB>();
    c.Speed = conn[F::Speed].toInt();
    c.Data_Bits = conn[F::Data_Bits].toInt();
    c.Stop_Bits = conn[F::Stop_Bits].toInt();
    fillText(c.Parity, sizeof c.Parity, conn[F::Parity]);
    fillText(c.Handshake, sizeof c.Handshake, conn[F::Handshake]);
    c.Delay_Time = conn[F::Delay_Time].toInt();
    c.Retry_Count = conn[F::Retry_Count].toInt();
    unsigned char len = 0;
    fillAsciiHex(c.Error_Replay, sizeof c.Error_Replay, &len, conn[F::Error_Replay], conn[F::Error_Replay_HEX]);
    c.Error_Replay_Len = len;
    fillAsciiHex(c.Normal_Replay, sizeof c.Normal_Replay, &len, conn[F::Normal_Replay], conn[F::Normal_Replay_HEX]);
    c.Normal_Replay_Len = len;
    c.Replay_Wait_Time = conn[F::Replay_Wait_Time].toInt();
    fillAsciiHex(c.CMD_Prefix, sizeof c.CMD_Prefix, &len, conn[F::CMD_Prefix], conn[F::CMD_Prefix_HEX]);
    c.CMD_Prefix_Len = len;
    return c;
}

MyChanelUSB chanelRecord(const MyChanel &row) {
    auto ch = image::zeroed<MyChanelUSB>();
    ch.dmx_chanel = qint16(quint16(row.dmx_chanel.toInt()));
    ch.dmx_valueFrom = static_cast<unsigned char>(row.dmx_valueFrom.toInt());
    ch.dmx_valueTo = static_cast<unsigned char>(row.dmx_valueTo.toInt());
    fillCmd(&ch, row.rs_c);
    fillText(ch.function, sizeof ch.function, row.function);
    return ch;
}

bool buildImage(const QString &manufacturer, const MyDevice &device, QByteArray *image, QString *error) {
    const qsizetype rows = device.listChanel.size();
    if (rows > image::MaxChanels) {
        if (error)
            *error = QStringLiteral("The device has %1 channel rows; an image holds at most %2.")
                         .arg(rows)
                         .arg(image::MaxChanels);
        return false;
    }
    MyHeaderUSB header;
    header.count = quint16(rows);

    QByteArray out;
    out.reserve(image::imageSize(int(rows)));
    out += image::encode(header);
    out += image::encode(deviceRecord(manufacturer, device));
    out += image::encode(connRecord(device.connParam));
    for (const MyChanel &row : device.listChanel)
        out += image::encode(chanelRecord(row));

    const quint16 crc = crc16Xmodem(out.constData() + image::HeaderSize, out.size() - image::HeaderSize);
    out.append(char(crc & 0xFF));
    out.append(char(crc >> 8));
    *image = out;
    return true;
}

bool writeImage(QIODevice *out, const QString &manufacturer, const MyDevice &device, QString *error) {
    QByteArray bytes;
    if (!buildImage(manufacturer, device, &bytes, error))
        return false;
    if (out->write(bytes) != bytes.size()) {
        if (error)
            *error = out->errorString();
        return false;
    }
    return true;
}

bool saveImageFile(const QString &path, const QString &manufacturer, const MyDevice &device, QString *error) {
    QString reason;
    QByteArray bytes;
    if (!buildImage(manufacturer, device, &bytes, &reason)) {
        if (error)
            *error = QStringLiteral("Cannot write %1: %2").arg(path, reason);
        return false;
    }
    QSaveFile file(path);
    // A folder that forbids new files gets the file rewritten in place rather than no file at all.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}
