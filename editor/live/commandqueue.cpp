#include "commandqueue.h"

#include "imagefields.h"
#include "serialexchange.h"

CommandQueue::CommandQueue(QObject *parent) : QObject(parent), exchange(new SerialExchange(this)) {
    connect(exchange, &SerialExchange::tryEnded, this, [this](const ExchangeTry &t) { emit tryEnded(t, sending_); });
    connect(exchange, &SerialExchange::finished, this, [this](const ExchangeResult &r) {
        emit finished(r);
        pump();
    });
}

bool CommandQueue::open(const QString &port, const MyConnParamUSB &conn, QString *error) {
    close();
    if (!portSettingsFor(conn, &settings_, error) || !exchange->open(port, settings_, error))
        return false;
    port_ = port;
    conn_ = conn;
    return true;
}

bool CommandQueue::enqueue(const MyChanelUSB &row, const QString &name) {
    if (waiting_.size() >= kCommandQueueBound)
        return false;
    waiting_.append({row, name});
    pump();
    return true;
}

void CommandQueue::close() {
    waiting_.clear();
    exchange->close();
}

void CommandQueue::pump() {
    while (!exchange->running() && !waiting_.isEmpty()) {
        const Waiting next = waiting_.takeFirst();
        QString error;
        if (!exchange->isOpen() && !exchange->open(port_, settings_, &error)) {
            emit notSent(next.name, error);
            continue;
        }
        const QByteArray bytes = prefixBytes(conn_) + commandBytes(next.row);
        sending_ = exchangeSettingsFor(conn_, next.row, lineTimeMs(settings_, bytes.size()));
        emit sending(next.name);
        exchange->run(sending_);
    }
}
