#include "rangesplit.h"

#include <QRegularExpression>

namespace {
constexpr int kTopValue = 255;

bool wholeNumber(const QString &text, int *n) {
    bool ok = false;
    *n = text.trimmed().toInt(&ok);
    return ok;
}
} // namespace

bool expandCounter(const QString &pattern, int n, QString *text, QString *error, QString *overflow) {
    static const QRegularExpression placeholder(QStringLiteral("^\\{n(?::(0?)([1-9][0-9]?)?([dxX])?)?\\}"));
    text->clear();
    if (overflow)
        overflow->clear();
    for (qsizetype i = 0; i < pattern.size();) {
        const QStringView rest = QStringView(pattern).mid(i);
        if (rest.startsWith(QLatin1String("{{")) || rest.startsWith(QLatin1String("}}"))) {
            *text += pattern[i];
            i += 2;
            continue;
        }
        if (pattern[i] == QLatin1Char('{')) {
            const QRegularExpressionMatch m = placeholder.match(pattern.mid(i));
            if (!m.hasMatch()) {
                *error = QStringLiteral("\"%1\" holds a placeholder other than {n} or {n:FORMAT}").arg(pattern);
                return false;
            }
            const QString kind = m.captured(3);
            const int base = kind.isEmpty() || kind == QLatin1String("d") ? 10 : 16;
            QString digits = QString::number(n, base);
            if (kind == QLatin1String("X"))
                digits = digits.toUpper();
            const int width = m.captured(2).toInt();
            if (overflow && overflow->isEmpty() && width > 0 && digits.size() > width)
                *overflow = QStringLiteral("the counter %1 gives %2 here, more than its %3 digit%4; widen it")
                                .arg(m.captured(0), digits)
                                .arg(width)
                                .arg(width == 1 ? QString() : QStringLiteral("s"));
            *text += digits.rightJustified(width, m.captured(1).isEmpty() ? QLatin1Char(' ') : QLatin1Char('0'));
            i += m.capturedLength();
            continue;
        }
        if (pattern[i] == QLatin1Char('}')) {
            *error = QStringLiteral("\"%1\" holds a \"}\" that closes no placeholder").arg(pattern);
            return false;
        }
        *text += pattern[i++];
    }
    return true;
}

bool splitChanel(const SplitRequest &request, QList<TypedRow> *rows, QString *error, QList<SplitOverflow> *overflows) {
    rows->clear();
    if (overflows)
        overflows->clear();
    int first = 0, last = 0;
    if (!wholeNumber(request.first, &first) || !wholeNumber(request.last, &last) || first < 0 || last > kTopValue) {
        *error = QStringLiteral("The first and the last value must be numbers from 0 to 255.");
        return false;
    }
    if (last < first) {
        *error = QStringLiteral("The last value must not be below the first.");
        return false;
    }
    const int span = last - first + 1;
    if (request.count < 1 || request.count > span) {
        *error = QStringLiteral("%1 values cannot be split into %2 ranges.").arg(span).arg(request.count);
        return false;
    }
    const int width = span / request.count, wider = span % request.count;
    int low = first;
    for (int i = 1; i <= request.count; ++i) {
        const int high = low + width - 1 + (i <= wider ? 1 : 0);
        QString command, function, commandOverflow, functionOverflow;
        if (!expandCounter(request.command, i, &command, error, &commandOverflow) ||
            !expandCounter(request.function, i, &function, error, &functionOverflow)) {
            rows->clear();
            if (overflows)
                overflows->clear();
            return false;
        }
        if (overflows && !commandOverflow.isEmpty())
            overflows->append({rows->size(), QStringLiteral("Command: ") + commandOverflow + QLatin1Char('.')});
        else if (overflows && !functionOverflow.isEmpty())
            overflows->append({rows->size(), QStringLiteral("Function name: ") + functionOverflow + QLatin1Char('.')});
        rows->append({request.chanel.trimmed(), QString::number(low), QString::number(high),
                      request.hexCommand ? QString() : command, request.hexCommand ? command : QString(), function});
        low = high + 1;
    }
    return true;
}
