// DMX frames of one universe from olad, over OLA's own client. The client
// runs in a thread of its own with OLA's event loop; frames and the state of
// the connection reach the owner's thread as signals. A lost or refused
// connection is tried again every second until stop().
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

constexpr int kOlaRetryMs = 1000;

class OlaSource : public QObject {
    Q_OBJECT
public:
    explicit OlaSource(QObject *parent = nullptr);
    ~OlaSource() override;

    // "HOST:PORT", "HOST" or empty (localhost and OLA's port 9010): false
    // with `error` when it is neither.
    static bool parseAddress(const QString &text, QString *host, quint16 *port, QString *error);

    void start(const QString &host, quint16 port, unsigned universe);
    // Disconnects and joins the thread; returns within a tenth of a second
    // or so. No signal comes after it.
    void stop();

signals:
    void connected();    // registered for the universe; the next frame is a first one
    void disconnected(const QString &why); // and a new try follows in a second
    // The universe's channels from 1, and when the frame reached the client
    // (steady clock, nanoseconds).
    void frame(const QByteArray &values, qint64 receivedNs);

private:
    void run(std::string host, quint16 port, unsigned universe);
    bool pause(); // one retry interval; false when stopping

    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::mutex lock_;
    std::condition_variable wake_;
};
