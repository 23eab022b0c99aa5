// The commands of rows that fired, sent to the equipment one at a time in
// the order they fired, each with its exchange, over a port kept open. Rows
// keep firing while a command waits for its reply, so commands queue, up to
// a bound; a port that fails is opened again for the next command.
#pragma once

#include "exchange.h"
#include "portsettings.h"

#include <QObject>

constexpr int kCommandQueueBound = 1000;

class SerialExchange;

class CommandQueue : public QObject {
    Q_OBJECT
public:
    explicit CommandQueue(QObject *parent = nullptr);

    // The device whose rows are sent, and the port: false with `error` when
    // the settings or the port refuse (nothing is sent).
    bool open(const QString &port, const MyConnParamUSB &conn, QString *error);
    // False, with nothing queued, when kCommandQueueBound commands wait.
    bool enqueue(const MyChanelUSB &row, const QString &name);
    // Drops what waits, ends the exchange running and closes the port.
    void close();

signals:
    void sending(const QString &name);
    void tryEnded(const ExchangeTry &t, const ExchangeSettings &settings);
    void finished(const ExchangeResult &result);
    void notSent(const QString &name, const QString &why);

private:
    struct Waiting {
        MyChanelUSB row;
        QString name;
    };
    void pump();

    SerialExchange *exchange;
    QString port_;
    MyConnParamUSB conn_ = image::zeroed<MyConnParamUSB>();
    PortSettings settings_;
    ExchangeSettings sending_;
    QList<Waiting> waiting_;
};
