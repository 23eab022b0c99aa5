// The exchange over a real serial port (Qt Serial Port): opens the port with
// the device's settings, drives the exchange from the port's signals and a
// timer, and closes the port when the exchange ends. Never blocks.
#pragma once

#include "exchange.h"
#include "portsettings.h"

#include <QObject>
#include <QSerialPort>
#include <QTimer>

#include <memory>

class SerialExchange : public QObject, private ExchangeLink {
    Q_OBJECT
public:
    explicit SerialExchange(QObject *parent = nullptr);
    ~SerialExchange() override;

    // Opens `portName`, sets it up and sends the first try; the port closes
    // when the exchange ends. False with nothing sent when the port cannot be
    // opened or refuses a setting.
    bool start(const QString &portName, const PortSettings &port, const ExchangeSettings &settings, QString *error);

    // For one exchange after another on a port kept open: open() once, then
    // run() each time the last one has finished. A port that failed is closed.
    bool open(const QString &portName, const PortSettings &port, QString *error);
    bool isOpen() const { return port_.isOpen(); }
    // Ends a running exchange and closes the port.
    void close();
    bool run(const ExchangeSettings &settings);
    // Ends a running exchange (finished() reports it stopped).
    void stop();
    bool running() const { return exchange_ && !exchange_->finished(); }

signals:
    void tryEnded(const ExchangeTry &t);
    void finished(const ExchangeResult &result);

private:
    void write(const QByteArray &bytes) override;
    void wakeAfter(int ms) override;
    void cancelWake() override;
    void portError(QSerialPort::SerialPortError error);

    QString name_; // as the user gave it
    QSerialPort port_;
    QTimer timer_;
    std::unique_ptr<Exchange> exchange_;
    qint64 unwritten_ = 0;
    bool closeWhenDone_ = false;
};

// What an exchange is about to do, as log lines: the port and its settings,
// the replies, tries, pause and wait.
QStringList planLines(const QString &portName, const PortSettings &port, const ExchangeSettings &settings);

// Why `portName` did not open, told so a user can act on it.
QString openErrorText(const QString &portName, QSerialPort::SerialPortError error, const QString &detail);

// "attached serial ports: /dev/ttyUSB0, ..." or that there are none.
QString attachedPortsText();

// The system locations of the serial ports attached now, sorted.
QStringList attachedPorts();
