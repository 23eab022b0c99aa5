#include "olasource.h"

#include <ola/Callback.h>
#include <ola/Constants.h>
#include <ola/DmxBuffer.h>
#include <ola/Logging.h>
#include <ola/client/OlaClient.h>
#include <ola/io/SelectServer.h>
#include <ola/network/SocketAddress.h>
#include <ola/network/TCPSocket.h>

#include <QMetaObject>

#include <chrono>
#include <memory>

#include <arpa/inet.h>
#include <netdb.h>

namespace {

// The first IPv4 address of `host`.
bool resolve(const std::string &host, ola::network::IPV4Address *address) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo *found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found)
        return false;
    *address = ola::network::IPV4Address(reinterpret_cast<sockaddr_in *>(found->ai_addr)->sin_addr.s_addr);
    freeaddrinfo(found);
    return true;
}

} // namespace

OlaSource::OlaSource(QObject *parent) : QObject(parent) {
    // OLA logs to stderr by default; its warnings would mix with our lines.
    ola::InitLogging(ola::OLA_LOG_NONE, ola::OLA_LOG_STDERR);
}

OlaSource::~OlaSource() { stop(); }

bool OlaSource::parseAddress(const QString &text, QString *host, quint16 *port, QString *error) {
    *host = QStringLiteral("localhost");
    *port = quint16(ola::OLA_DEFAULT_PORT);
    if (text.isEmpty())
        return true;
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    const QString name = colon < 0 ? text : text.left(colon);
    if (colon >= 0) {
        bool ok = false;
        const uint number = text.mid(colon + 1).toUInt(&ok);
        if (!ok || number < 1 || number > 65535) {
            *error = QStringLiteral("--ola takes HOST:PORT with a port from 1 to 65535");
            return false;
        }
        *port = quint16(number);
    }
    if (!name.isEmpty())
        *host = name;
    return true;
}

void OlaSource::start(const QString &host, quint16 port, unsigned universe) {
    stop();
    stopping_ = false;
    thread_ = std::thread(&OlaSource::run, this, host.toStdString(), port, universe);
}

void OlaSource::stop() {
    if (!thread_.joinable())
        return;
    {
        std::lock_guard<std::mutex> hold(lock_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

bool OlaSource::pause() {
    std::unique_lock<std::mutex> hold(lock_);
    wake_.wait_for(hold, std::chrono::milliseconds(kOlaRetryMs), [this] { return stopping_.load(); });
    return !stopping_;
}

// One connection to olad: OLA's callbacks take object methods, not lambdas.
class OlaSession {
public:
    OlaSession(OlaSource *source, ola::io::SelectServer *loop, unsigned universe, const std::atomic<bool> *stopping)
        : source_(source), loop_(loop), universe_(universe), stopping_(stopping) {}
    bool lost = false;

    void closed() {
        lost = true;
        loop_->Terminate();
    }
    void dmx(const ola::client::DMXMetadata &meta, const ola::DmxBuffer &dmx) {
        if (meta.universe != universe_)
            return;
        const qint64 at = std::chrono::duration_cast<std::chrono::nanoseconds>(
                              std::chrono::steady_clock::now().time_since_epoch())
                              .count();
        const QByteArray values(reinterpret_cast<const char *>(dmx.GetRaw()), int(dmx.Size()));
        QMetaObject::invokeMethod(
            source_, [s = source_, values, at] { emit s->frame(values, at); }, Qt::QueuedConnection);
    }
    void registered(const ola::client::Result &result) {
        if (result.Success()) {
            QMetaObject::invokeMethod(source_, [s = source_] { emit s->connected(); }, Qt::QueuedConnection);
            return;
        }
        const QString why = QStringLiteral("olad refused universe %1: %2")
                                .arg(QString::number(universe_), QString::fromStdString(result.Error()));
        QMetaObject::invokeMethod(source_, [s = source_, why] { emit s->disconnected(why); }, Qt::QueuedConnection);
        loop_->Terminate();
    }
    // stop() is looked at ten times a second: Terminate() from another
    // thread before Run() starts would be lost.
    bool tick() {
        if (*stopping_)
            loop_->Terminate();
        return true;
    }

private:
    OlaSource *source_;
    ola::io::SelectServer *loop_;
    unsigned universe_;
    const std::atomic<bool> *stopping_;
};

void OlaSource::run(std::string host, quint16 port, unsigned universe) {
    const QString where = QStringLiteral("%1:%2").arg(QString::fromStdString(host)).arg(port);
    auto tell = [this](const QString &why) {
        QMetaObject::invokeMethod(this, [this, why] { emit disconnected(why); }, Qt::QueuedConnection);
    };
    do {
        ola::network::IPV4Address address;
        if (!resolve(host, &address)) {
            tell(QStringLiteral("cannot find the host %1").arg(QString::fromStdString(host)));
            continue;
        }
        std::unique_ptr<ola::network::TCPSocket> socket(
            ola::network::TCPSocket::Connect(ola::network::IPV4SocketAddress(address, port)));
        if (!socket) {
            tell(QStringLiteral("olad does not answer at %1").arg(where));
            continue;
        }
        ola::io::SelectServer loop;
        ola::client::OlaClient client(socket.get());
        OlaSession session(this, &loop, universe, &stopping_);
        client.Setup();
        loop.AddReadDescriptor(socket.get());
        ola::SingleUseCallback0<void> *onClose = ola::NewSingleCallback(&session, &OlaSession::closed);
        client.SetCloseHandler(onClose);
        client.SetDMXCallback(ola::NewCallback(&session, &OlaSession::dmx));
        client.RegisterUniverse(universe, ola::client::REGISTER,
                                ola::NewSingleCallback(&session, &OlaSession::registered));
        loop.RegisterRepeatingTimeout(100, ola::NewCallback(&session, &OlaSession::tick));
        loop.Run();
        const bool lost = session.lost;
        loop.RemoveReadDescriptor(socket.get());
        client.Stop();
        // A close handler that never ran is dropped by the client, not
        // freed; one that ran has freed itself.
        if (!session.lost)
            delete onClose;
        if (lost && !stopping_)
            tell(QStringLiteral("olad at %1 went away").arg(where));
    } while (pause());
}
