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

bool expandCounter(const QString &pattern, int n, QString *text, QString *error) {
    static const QRegularExpression placeholder(QStringLiteral("^\\{n(?::(0?)([1-9][0-9]?)?([dxX])?)?\\}"));
    text->clear();
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
            *text += digits.rightJustified(m.captured(2).toInt(),
                                           m.captured(1).isEmpty() ? QLatin1Char(' ') : QLatin1Char('0'));
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

bool splitChanel(const SplitRequest &request, QList<TypedRow> *rows, QString *error) {
    rows->clear();
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
        QString command, function;
        if (!expandCounter(request.command, i, &command, error) ||
            !expandCounter(request.function, i, &function, error)) {
            rows->clear();
            return false;
        }
        rows->append({request.chanel.trimmed(), QString::number(low), QString::number(high),
                      request.hexCommand ? QString() : command, request.hexCommand ? command : QString(), function});
        low = high + 1;
    }
    return true;
}
