#include "serialexchange.h"

#include "hexconv.h"
#include "imagefields.h"

#include <QFileInfo>
#include <QSerialPortInfo>

namespace {

class QtPortSetup : public PortSetup {
public:
    explicit QtPortSetup(QSerialPort *port) : port_(port) {}
    bool setBaudRate(qint32 speed) override { return port_->setBaudRate(speed); }
    bool setDataBits(QSerialPort::DataBits bits) override { return port_->setDataBits(bits); }
    bool setStopBits(QSerialPort::StopBits bits) override { return port_->setStopBits(bits); }
    bool setParity(QSerialPort::Parity parity) override { return port_->setParity(parity); }
    bool setFlowControl(QSerialPort::FlowControl flow) override { return port_->setFlowControl(flow); }

private:
    QSerialPort *port_;
};

} // namespace

SerialExchange::SerialExchange(QObject *parent) : QObject(parent) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (exchange_)
            exchange_->woken();
    });
    connect(&port_, &QSerialPort::readyRead, this, [this] {
        if (exchange_)
            exchange_->received(port_.readAll());
    });
    connect(&port_, &QSerialPort::bytesWritten, this, [this](qint64 n) {
        unwritten_ -= n;
        if (unwritten_ <= 0 && exchange_)
            exchange_->written();
    });
    connect(&port_, &QSerialPort::errorOccurred, this, &SerialExchange::portError);
}

SerialExchange::~SerialExchange() {
    if (exchange_)
        exchange_->onEnd = nullptr;
    timer_.stop();
    port_.close();
}

bool SerialExchange::start(const QString &portName, const PortSettings &port, const ExchangeSettings &settings,
                           QString *error) {
    if (running()) {
        *error = QStringLiteral("an exchange is still running");
        return false;
    }
    if (!open(portName, port, error))
        return false;
    closeWhenDone_ = true;
    return run(settings);
}

bool SerialExchange::open(const QString &portName, const PortSettings &port, QString *error) {
    port_.close();
    name_ = portName;
    port_.setPortName(portName);
    if (!port_.open(QIODevice::ReadWrite)) {
        *error = openErrorText(portName, port_.error(), port_.errorString());
        return false;
    }
    QtPortSetup setup(&port_);
    QString why;
    if (!applyPortSettings(port, &setup, &why)) {
        port_.close();
        *error = QStringLiteral("%1: %2").arg(portName, why);
        return false;
    }
    port_.clear(QSerialPort::Input);
    port_.clearError();
    closeWhenDone_ = false;
    return true;
}

bool SerialExchange::run(const ExchangeSettings &settings) {
    if (running() || !port_.isOpen())
        return false;
    exchange_ = std::make_unique<Exchange>(settings, static_cast<ExchangeLink *>(this));
    exchange_->onTry = [this](const ExchangeTry &t) { emit tryEnded(t); };
    exchange_->onEnd = [this](const ExchangeResult &r) {
        timer_.stop();
        if (closeWhenDone_)
            port_.close();
        // Queued: a receiver may run() the next exchange, which replaces
        // the one still on the stack here.
        QMetaObject::invokeMethod(this, [this, r] { emit finished(r); }, Qt::QueuedConnection);
    };
    exchange_->start();
    return true;
}

void SerialExchange::close() {
    stop();
    port_.close();
}

void SerialExchange::stop() {
    if (running())
        exchange_->stop();
}

void SerialExchange::write(const QByteArray &bytes) {
    unwritten_ = bytes.size();
    if (bytes.isEmpty()) {
        // Nothing to put on the line; the try goes straight to the wait.
        QTimer::singleShot(0, this, [this] {
            if (exchange_)
                exchange_->written();
        });
        return;
    }
    if (port_.write(bytes) != bytes.size()) {
        QTimer::singleShot(0, this, [this, why = port_.errorString()] {
            if (exchange_)
                exchange_->portFailed(QStringLiteral("the port refused the bytes: %1").arg(why));
        });
        return;
    }
    // Hands the bytes to the driver now, without waiting, instead of at the
    // event loop's next turn: a live command goes out a loop turn sooner.
    port_.waitForBytesWritten(0);
}

void SerialExchange::wakeAfter(int ms) { timer_.start(ms); }

void SerialExchange::cancelWake() { timer_.stop(); }

// A read or write error on a port that was fine means it is gone, mostly an
// adapter pulled out. The port is closed at once: left open, a vanished
// device keeps reporting the error in a loop.
void SerialExchange::portError(QSerialPort::SerialPortError error) {
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError && error != QSerialPort::WriteError)
        return;
    const QString why = port_.errorString();
    port_.close();
    if (running())
        exchange_->portFailed(QStringLiteral("%1 went away (the adapter unplugged?): %2").arg(name_, why));
}

QStringList planLines(const QString &portName, const PortSettings &port, const ExchangeSettings &s) {
    auto reply = [](const QByteArray &r) {
        return r.isEmpty() ? QStringLiteral("none") : QStringLiteral("HEX %1, text %2").arg(bytesToHexText(r), quoted(r));
    };
    return {QStringLiteral("port %1: %2").arg(portName, portSettingsText(port)),
            QStringLiteral("normal reply: %1; error reply: %2").arg(reply(s.normalReply), reply(s.errorReply)),
            QStringLiteral("%1 %2, %3 ms pause before each again, %4 ms reply wait")
                .arg(QString::number(s.tries), s.tries == 1 ? QStringLiteral("try") : QStringLiteral("tries"),
                     QString::number(s.delayMs), QString::number(s.waitMs))};
}

QString openErrorText(const QString &portName, QSerialPort::SerialPortError error, const QString &detail) {
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return QStringLiteral("there is no serial port %1; %2").arg(portName, attachedPortsText());
    case QSerialPort::PermissionError:
    case QSerialPort::OpenError: {
        const QString path = QSerialPortInfo(portName).systemLocation();
        const QFileInfo file(path.isEmpty() ? portName : path);
        if (error == QSerialPort::PermissionError && !(file.isReadable() && file.isWritable()))
            return QStringLiteral(
                       "permission denied on %1 (group %2): add yourself to the group dialout (sudo usermod -aG "
                       "dialout $USER, then log in again), or give the adapter a udev rule such as "
                       "SUBSYSTEM==\"tty\", ATTRS{idVendor}==\"0403\", GROUP=\"dialout\", MODE=\"0660\" in "
                       "/etc/udev/rules.d/")
                .arg(portName, file.group());
        return QStringLiteral("%1 is busy: another program has it open (%2)").arg(portName, detail);
    }
    default:
        return QStringLiteral("cannot open %1: %2").arg(portName, detail);
    }
}

QStringList attachedPorts() {
    QStringList ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        ports << info.systemLocation();
    ports.sort();
    return ports;
}

QString attachedPortsText() {
    const QStringList ports = attachedPorts();
    return ports.isEmpty() ? QStringLiteral("no serial port is attached")
                           : QStringLiteral("attached serial ports: %1").arg(ports.join(QStringLiteral(", ")));
}
