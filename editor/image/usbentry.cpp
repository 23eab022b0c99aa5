#include "usbentry.h"

#include "hexconv.h"

#include <QDateTime>
#include <QLocale>

QString usbDisplayTime(quint32 secs) {
    // The day name speaks the user's language, as users of the editor have always seen it;
    // the numbers stay in plain digits whatever the locale would write.
    const QDateTime time = QDateTime::fromSecsSinceEpoch(qint64(secs));
    return QLocale::system().dayName(time.date().dayOfWeek(), QLocale::ShortFormat) +
           time.toString(QStringLiteral(" dd.MM.yyyy hh:mm:ss"));
}

QString commandText(const MyChanelUSB &ch) {
    if (ch.cmdLen == 0)
        return QStringLiteral("ASCII:") + fieldText(reinterpret_cast<const char *>(ch.cmd), sizeof ch.cmd);
    const int n = qMin(int(ch.cmdLen), int(sizeof ch.cmd));
    return QStringLiteral("HEX:") + bytesToHexText(QByteArray(reinterpret_cast<const char *>(ch.cmd), n));
}

QString shadowCommandText(const MyChanelUSB &ch) {
    return fieldText(reinterpret_cast<const char *>(ch.cmd), sizeof ch.cmd);
}

MyConnParam connFromImage(const MyConnParamUSB &c) {
    using F = MyConnParam;
    MyConnParam p;
    p[F::Speed] = QString::number(c.Speed);
    p[F::Data_Bits] = QString::number(c.Data_Bits);
    p[F::Stop_Bits] = QString::number(c.Stop_Bits);
    p[F::Parity] = fieldText(c.Parity, sizeof c.Parity);
    p[F::Handshake] = fieldText(c.Handshake, sizeof c.Handshake);
    p[F::Delay_Time] = QString::number(c.Delay_Time);
    p[F::Retry_Count] = QString::number(c.Retry_Count);
    p[F::Error_Replay] = fieldText(c.Error_Replay, sizeof c.Error_Replay);
    p[F::Normal_Replay] = fieldText(c.Normal_Replay, sizeof c.Normal_Replay);
    p[F::Replay_Wait_Time] = QString::number(c.Replay_Wait_Time);
    return p;
}

MyChanel rowFromImage(const MyChanelUSB &ch, bool shadow) {
    MyChanel row;
    row.dmx_chanel = QString::number(ch.dmx_chanel);
    row.dmx_valueFrom = QString::number(ch.dmx_valueFrom);
    row.dmx_valueTo = QString::number(ch.dmx_valueTo);
    row.rs_c = shadow ? shadowCommandText(ch) : commandText(ch);
    row.function = fieldText(ch.function, sizeof ch.function);
    return row;
}

MyPreset usbEntryFromImage(const DecodedImage &img) {
    MyDevice d;
    d.deviceType = fieldText(img.device.deviceType, sizeof img.device.deviceType);
    d.deviceTypeSaved = d.deviceType;
    d.deviceDesc = fieldText(img.device.deviceDesc, sizeof img.device.deviceDesc);
    d.deviceDescSaved = d.deviceDesc;
    d.deviceTime = usbDisplayTime(img.device.deviceTime);
    d.connParam = connFromImage(img.conn);
    d.connParamSaved = d.connParam;
    for (const MyChanelUSB &ch : img.chanels) {
        d.listChanel.append(rowFromImage(ch, false));
        d.listChanelShadow.append(rowFromImage(ch, true));
    }
    MyPreset preset;
    preset.deviceParent = usb::kPrefix + fieldText(img.device.deviceMan, sizeof img.device.deviceMan);
    preset.listMyDevices.append(d);
    return preset;
}
