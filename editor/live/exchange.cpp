#include "exchange.h"

#include "hexconv.h"
#include "imagefields.h"

#include <climits>

namespace {

QString bytesText(const QByteArray &b) {
    return QStringLiteral("HEX %1, text %2").arg(bytesToHexText(b), quoted(b));
}

// Index just past the first complete `reply` in `data`, or -1.
qsizetype endOf(const QByteArray &data, const QByteArray &reply) {
    if (reply.isEmpty())
        return -1;
    const qsizetype at = data.indexOf(reply);
    return at < 0 ? -1 : at + reply.size();
}

} // namespace

ExchangeSettings exchangeSettingsFor(const MyConnParamUSB &conn, const MyChanelUSB &row, int lineMs) {
    ExchangeSettings s;
    s.bytes = prefixBytes(conn) + commandBytes(row);
    s.normalReply = normalReplyBytes(conn);
    s.errorReply = errorReplyBytes(conn);
    // The record is packed: copy its numbers out before taking references.
    const qint32 retries = conn.Retry_Count, delay = conn.Delay_Time, wait = conn.Replay_Wait_Time;
    s.tries = 1 + qBound(0, retries, INT_MAX - 1);
    s.delayMs = qMax(0, delay);
    s.waitMs = qMax(0, wait);
    s.lineMs = qMax(0, lineMs);
    return s;
}

Exchange::Exchange(const ExchangeSettings &settings, ExchangeLink *link) : settings_(settings), link_(link) {}

void Exchange::start() {
    if (state_ != State::Idle)
        return;
    try_.number = 1;
    try_.tries = qMax(1, settings_.tries);
    beginTry();
}

// The timer is set before the write: a port may report the bytes taken
// from within write(), and the reply wait it starts must stand.
void Exchange::beginTry() {
    try_.sent = settings_.bytes;
    try_.received.clear();
    state_ = State::Writing;
    link_->wakeAfter(settings_.lineMs + kWriteGraceMs);
    link_->write(settings_.bytes);
}

void Exchange::written() {
    if (state_ != State::Writing)
        return;
    state_ = State::Waiting;
    link_->wakeAfter(settings_.lineMs + settings_.waitMs);
}

void Exchange::received(const QByteArray &bytes) {
    if (state_ == State::Writing || state_ == State::Waiting) {
        try_.received += bytes;
        matchReply();
    } else if (state_ == State::Pausing) {
        try_.between += bytes;
    }
}

// The reply completed first in what came back ends the try; at a tie the
// error reply counts.
bool Exchange::matchReply() {
    const qsizetype normalEnd = endOf(try_.received, settings_.normalReply);
    const qsizetype errorEnd = endOf(try_.received, settings_.errorReply);
    if (errorEnd >= 0 && (normalEnd < 0 || errorEnd <= normalEnd)) {
        endTry(TryOutcome::ErrorReply);
        return true;
    }
    if (normalEnd >= 0) {
        endTry(TryOutcome::NormalReply);
        return true;
    }
    return false;
}

void Exchange::woken() {
    switch (state_) {
    case State::Writing:
        portFailed(QStringLiteral("the port did not send the bytes within %1 ms (does the handshake hold them back?)")
                       .arg(settings_.lineMs + kWriteGraceMs));
        break;
    case State::Waiting:
        endTry(settings_.normalReply.isEmpty() ? TryOutcome::Sent : TryOutcome::NoReply);
        break;
    case State::Pausing:
        try_.number++;
        beginTry();
        break;
    default:
        break;
    }
}

void Exchange::endTry(TryOutcome outcome) {
    try_.outcome = outcome;
    result_.triesMade = try_.number;
    link_->cancelWake();
    if (onTry)
        onTry(try_);
    try_.between.clear();
    const bool success = outcome == TryOutcome::NormalReply || outcome == TryOutcome::Sent;
    if (success)
        finish(ExchangeEnd::Confirmed);
    else if (try_.number >= try_.tries)
        finish(outcome == TryOutcome::ErrorReply ? ExchangeEnd::Refused : ExchangeEnd::Unanswered);
    else {
        state_ = State::Pausing;
        link_->wakeAfter(settings_.delayMs);
    }
}

void Exchange::portFailed(const QString &why) {
    if (state_ == State::Done || state_ == State::Idle)
        return;
    if (state_ != State::Pausing) {
        try_.outcome = TryOutcome::PortFailed;
        result_.triesMade = try_.number;
        if (onTry)
            onTry(try_);
    }
    finish(ExchangeEnd::PortFailed, why);
}

void Exchange::stop() {
    if (state_ != State::Done)
        finish(ExchangeEnd::Stopped);
}

void Exchange::finish(ExchangeEnd end, const QString &portError) {
    state_ = State::Done;
    link_->cancelWake();
    result_.end = end;
    result_.portError = portError;
    if (onEnd)
        onEnd(result_);
}

int exchangeExitCode(const ExchangeEnd end) {
    switch (end) {
    case ExchangeEnd::Confirmed:
        return 0;
    case ExchangeEnd::Refused:
    case ExchangeEnd::Unanswered:
        return 1;
    default:
        return 2;
    }
}

QStringList tryLines(const ExchangeTry &t, const ExchangeSettings &s) {
    QStringList lines;
    if (!t.between.isEmpty())
        lines << QStringLiteral("  before try %1 came %2").arg(QString::number(t.number), bytesText(t.between));
    lines << QStringLiteral("try %1 of %2: sent %3").arg(QString::number(t.number), QString::number(t.tries),
                                                        bytesText(t.sent));
    lines << (t.received.isEmpty() ? QStringLiteral("  received nothing")
                                   : QStringLiteral("  received %1").arg(bytesText(t.received)));
    switch (t.outcome) {
    case TryOutcome::NormalReply:
        lines << QStringLiteral("  the normal reply");
        break;
    case TryOutcome::ErrorReply:
        lines << QStringLiteral("  the error reply");
        break;
    case TryOutcome::NoReply:
        lines << QStringLiteral("  no normal reply within %1 ms").arg(s.waitMs);
        break;
    case TryOutcome::PortFailed:
        lines << QStringLiteral("  the port failed");
        break;
    case TryOutcome::Sent:
        lines << (s.errorReply.isEmpty()
                      ? QStringLiteral("  sent; the device expects no reply")
                      : QStringLiteral("  no error reply within %1 ms; the device expects no normal reply").arg(s.waitMs));
        break;
    }
    return lines;
}

QString endLine(const ExchangeResult &r) {
    switch (r.end) {
    case ExchangeEnd::Confirmed:
        return QStringLiteral("done at try %1").arg(r.triesMade);
    case ExchangeEnd::Refused:
        return QStringLiteral("failed: the error reply after the last try");
    case ExchangeEnd::Unanswered:
        return QStringLiteral("failed: no normal reply after the last try");
    case ExchangeEnd::PortFailed:
        return QStringLiteral("port error: %1").arg(r.portError);
    case ExchangeEnd::Stopped:
        return QStringLiteral("stopped");
    }
    return QString();
}
