// How a device's connection record becomes the settings of a serial port: the
// texts and numbers the image holds, read as the box is expected to read
// them, refused by name when a port cannot take them.
#pragma once

#include "imageformat.h"

#include <QSerialPort>
#include <QString>

struct PortSettings {
    qint32 speed = 9600;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::FlowControl flow = QSerialPort::NoFlowControl;
};

// False with `error` naming the setting when the record holds a value no
// serial port takes: a speed below 1, data bits outside 5 to 8, stop bits
// other than 1 or 2, a parity other than "None", "Odd", "Even", a handshake
// other than "None", "XON/XOFF", "HW" (texts compared exactly).
bool portSettingsFor(const MyConnParamUSB &conn, PortSettings *settings, QString *error);

// "19200 baud, 8 data bits, 1 stop bit, parity Even, handshake None".
QString portSettingsText(const PortSettings &settings);

// Milliseconds the line takes to carry `bytes` bytes at these settings
// (start bit, data bits, parity bit, stop bits), rounded up.
int lineTimeMs(const PortSettings &settings, qsizetype bytes);

// The setters of an open port, as the settings reach it.
class PortSetup {
public:
    virtual ~PortSetup() = default;
    virtual bool setBaudRate(qint32 speed) = 0;
    virtual bool setDataBits(QSerialPort::DataBits bits) = 0;
    virtual bool setStopBits(QSerialPort::StopBits bits) = 0;
    virtual bool setParity(QSerialPort::Parity parity) = 0;
    virtual bool setFlowControl(QSerialPort::FlowControl flow) = 0;
};

// Sets each of the five; false with `error` naming the first the port
// refused (an adapter that cannot run at the speed, a pseudo-terminal that
// has no parity).
bool applyPortSettings(const PortSettings &settings, PortSetup *port, QString *error);
