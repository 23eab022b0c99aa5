#include "portsettings.h"

#include "imagereader.h"

#include <climits>

namespace {

template <typename Value> struct Choice {
    const char *text;
    Value value;
};

const Choice<QSerialPort::Parity> kParities[] = {
    {"None", QSerialPort::NoParity}, {"Odd", QSerialPort::OddParity}, {"Even", QSerialPort::EvenParity}};
const Choice<QSerialPort::FlowControl> kHandshakes[] = {
    {"None", QSerialPort::NoFlowControl}, {"XON/XOFF", QSerialPort::SoftwareControl}, {"HW", QSerialPort::HardwareControl}};

template <typename Value, size_t N>
bool choose(const Choice<Value> (&choices)[N], const QString &text, Value *value) {
    for (const Choice<Value> &c : choices)
        if (text == QLatin1String(c.text)) {
            *value = c.value;
            return true;
        }
    return false;
}

template <typename Value, size_t N> QString textOf(const Choice<Value> (&choices)[N], Value value) {
    for (const Choice<Value> &c : choices)
        if (c.value == value)
            return QLatin1String(c.text);
    return QString();
}

bool refuse(QString *error, const QString &message) {
    *error = message;
    return false;
}

} // namespace

bool portSettingsFor(const MyConnParamUSB &conn, PortSettings *settings, QString *error) {
    PortSettings s;
    if (conn.Speed < 1)
        return refuse(error, QStringLiteral("Speed %1 is no speed a port can run at").arg(conn.Speed));
    s.speed = conn.Speed;
    if (conn.Data_Bits < 5 || conn.Data_Bits > 8)
        return refuse(error, QStringLiteral("Data bits %1: a serial port takes 5 to 8").arg(conn.Data_Bits));
    s.dataBits = QSerialPort::DataBits(conn.Data_Bits);
    if (conn.Stop_Bits != 1 && conn.Stop_Bits != 2)
        return refuse(error, QStringLiteral("Stop bits %1: a serial port takes 1 or 2").arg(conn.Stop_Bits));
    s.stopBits = conn.Stop_Bits == 1 ? QSerialPort::OneStop : QSerialPort::TwoStop;
    const QString parity = fieldText(conn.Parity, int(sizeof conn.Parity));
    if (!choose(kParities, parity, &s.parity))
        return refuse(error, QStringLiteral("Parity \"%1\" is none of None, Odd, Even").arg(parity));
    const QString handshake = fieldText(conn.Handshake, int(sizeof conn.Handshake));
    if (!choose(kHandshakes, handshake, &s.flow))
        return refuse(error, QStringLiteral("Handshake \"%1\" is none of None, XON/XOFF, HW").arg(handshake));
    *settings = s;
    return true;
}

QString portSettingsText(const PortSettings &s) {
    const int stop = s.stopBits == QSerialPort::TwoStop ? 2 : 1;
    return QStringLiteral("%1 baud, %2 data bits, %3 stop %4, parity %5, handshake %6")
        .arg(QString::number(s.speed), QString::number(int(s.dataBits)), QString::number(stop),
             stop == 1 ? QStringLiteral("bit") : QStringLiteral("bits"), textOf(kParities, s.parity),
             textOf(kHandshakes, s.flow));
}

int lineTimeMs(const PortSettings &settings, qsizetype bytes) {
    const qint64 bitsPerByte = 1 + int(settings.dataBits) + (settings.parity == QSerialPort::NoParity ? 0 : 1) +
                               (settings.stopBits == QSerialPort::TwoStop ? 2 : 1);
    const qint64 bits = bitsPerByte * bytes * 1000;
    return int(qMin<qint64>((bits + settings.speed - 1) / settings.speed, INT_MAX));
}

bool applyPortSettings(const PortSettings &s, PortSetup *port, QString *error) {
    if (!port->setBaudRate(s.speed))
        return refuse(error, QStringLiteral("the port cannot run at Speed %1").arg(s.speed));
    if (!port->setDataBits(s.dataBits))
        return refuse(error, QStringLiteral("the port cannot take Data bits %1").arg(int(s.dataBits)));
    if (!port->setStopBits(s.stopBits))
        return refuse(error, QStringLiteral("the port cannot take Stop bits %1").arg(s.stopBits == QSerialPort::TwoStop ? 2 : 1));
    if (!port->setParity(s.parity))
        return refuse(error, QStringLiteral("the port cannot take Parity %1").arg(textOf(kParities, s.parity)));
    if (!port->setFlowControl(s.flow))
        return refuse(error, QStringLiteral("the port cannot take Handshake %1").arg(textOf(kHandshakes, s.flow)));
    return true;
}
