#include "imagesamples.h"

#include <QFile>

MyChanel row(const QString &dmx, const QString &from, const QString &to, const QString &cmd, const QString &function) {
    MyChanel r;
    r.dmx_chanel = dmx;
    r.dmx_valueFrom = from;
    r.dmx_valueTo = to;
    r.rs_c = cmd;
    r.function = function;
    return r;
}

MyDevice workedExampleDevice() {
    using F = MyConnParam;
    MyDevice d;
    d.deviceType = "Projector X1";
    d.deviceDesc = "Main hall";
    d.deviceTime = "01.02.2024 | 10:00:00";
    d.connParam[F::Speed] = "9600";
    d.connParam[F::Data_Bits] = "8";
    d.connParam[F::Stop_Bits] = "1";
    d.connParam[F::Parity] = "None";
    d.connParam[F::Handshake] = "None";
    d.connParam[F::Delay_Time] = "100";
    d.connParam[F::Retry_Count] = "2";
    d.connParam[F::Error_Replay] = "ERR";
    d.connParam[F::Normal_Replay] = "OK";
    d.connParam[F::Replay_Wait_Time] = "500";
    d.connParam[F::CMD_Prefix_HEX] = "02";
    d.listChanel << row("1", "0", "127", "ASCII:PWR ON", "Power on")
                 << row("1", "128", "255", "HEX:505746300D", "Power off");
    return d;
}

QByteArray fixture(const char *name) {
    QFile f(QStringLiteral(VORNE_TEST_DATA "/") + QLatin1String(name));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", name);
    return f.readAll();
}
