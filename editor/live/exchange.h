// One command sent to the equipment the way the box sends it: the prefix and
// the command bytes, then a wait for the normal or the error reply, tried
// again after the error reply or silence, with a pause before each new try.
// The exchange is driven by events (bytes taken, bytes received, the timer
// ran out) and acts only through its link, so its rules run without a port
// or a clock.
#pragma once

#include "imageformat.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

// The port may take this long beyond the line time of the bytes before the
// exchange gives up on it (a handshake that never lets the bytes out).
constexpr int kWriteGraceMs = 1000;

struct ExchangeSettings {
    QByteArray bytes;       // the prefix, then the command
    QByteArray normalReply; // empty: none expected
    QByteArray errorReply;  // empty: none expected
    int tries = 1;          // the first and Retry_Count more
    int delayMs = 0;        // the pause before each try after the first
    int waitMs = 0;         // how long a try waits for a reply once the bytes are on the line
    int lineMs = 0;         // how long the line takes to carry the bytes
};

// The settings for one row of an image: negative counts and times read as 0.
ExchangeSettings exchangeSettingsFor(const MyConnParamUSB &conn, const MyChanelUSB &row, int lineMs);

enum class TryOutcome {
    NormalReply, // the normal reply came
    ErrorReply,  // the error reply came
    NoReply,     // the normal reply was expected and did not come
    Sent,        // no normal reply expected and no error reply within the wait
    PortFailed,  // the port failed during the try
};

struct ExchangeTry {
    int number = 1;
    int tries = 1;
    QByteArray sent;
    QByteArray received; // during this try, up to the end of the reply found
    QByteArray between;  // what came in before this try's bytes went out
    TryOutcome outcome = TryOutcome::NoReply;
};

enum class ExchangeEnd {
    Confirmed,  // the last try succeeded
    Refused,    // the last try got the error reply
    Unanswered, // the last try got no reply
    PortFailed, // the port failed or never took the bytes
    Stopped,    // ended from outside
};

struct ExchangeResult {
    ExchangeEnd end = ExchangeEnd::Stopped;
    int triesMade = 0;
    QString portError;
};

// What the exchange needs of the port and the clock.
class ExchangeLink {
public:
    virtual ~ExchangeLink() = default;
    virtual void write(const QByteArray &bytes) = 0;
    // One timer: a new call replaces the one running.
    virtual void wakeAfter(int ms) = 0;
    virtual void cancelWake() = 0;
};

class Exchange {
public:
    Exchange(const ExchangeSettings &settings, ExchangeLink *link);

    std::function<void(const ExchangeTry &)> onTry;
    std::function<void(const ExchangeResult &)> onEnd;

    void start();
    void written(); // the port took every byte of the try
    void received(const QByteArray &bytes);
    void woken();
    void portFailed(const QString &why);
    void stop();

    bool finished() const { return state_ == State::Done; }

private:
    enum class State { Idle, Writing, Waiting, Pausing, Done };
    void beginTry();
    void endTry(TryOutcome outcome);
    bool matchReply();
    void finish(ExchangeEnd end, const QString &portError = QString());

    ExchangeSettings settings_;
    ExchangeLink *link_;
    State state_ = State::Idle;
    ExchangeTry try_;
    ExchangeResult result_;
};

// The exit code of vorne_tool send: 0 confirmed, 1 refused or unanswered,
// 2 when the port failed.
int exchangeExitCode(const ExchangeEnd end);

// A try as log lines: what went out and came back in HEX and as text, and
// the outcome; and the line that closes the exchange.
QStringList tryLines(const ExchangeTry &t, const ExchangeSettings &settings);
QString endLine(const ExchangeResult &result);
