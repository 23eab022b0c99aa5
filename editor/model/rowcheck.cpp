#include "rowcheck.h"

#include "hexconv.h"

#include <algorithm>

namespace {
const QLatin1String kAscii("ASCII:");
const QLatin1String kHex("HEX:");

// The number a cell holds within [min, max], or a sentence saying why not.
bool readNumber(const QString &label, const QString &cell, int min, int max, int *value, QStringList *problems) {
    bool ok = false;
    *value = cell.toInt(&ok);
    if (cell.isEmpty())
        *problems << QStringLiteral("%1 is empty").arg(label);
    else if (!ok)
        *problems << QStringLiteral("%1 \"%2\" is not a number").arg(label, cell);
    else if (*value < min || *value > max)
        *problems << QStringLiteral("%1 %2 is outside %3 to %4").arg(label).arg(*value).arg(min).arg(max);
    else
        return true;
    return false;
}

void commandProblems(const QString &cmd, QStringList *problems) {
    if (cmd.startsWith(kAscii)) {
        if (cmd.size() == kAscii.size())
            *problems << QStringLiteral("the command \"%1\" has no text").arg(cmd);
        return;
    }
    if (!cmd.startsWith(kHex)) {
        *problems << QStringLiteral("the command \"%1\" begins with neither \"ASCII:\" nor \"HEX:\"").arg(cmd);
        return;
    }
    const QString digits = cmd.mid(kHex.size());
    if (digits.isEmpty()) {
        *problems << QStringLiteral("the command \"%1\" has no text").arg(cmd);
        return;
    }
    if (const qsizetype bad = firstNonHexDigit(digits); bad >= 0)
        *problems << QStringLiteral("the HEX command \"%1\" holds \"%2\", which is not a hex digit")
                         .arg(digits, digits.at(bad));
}

struct Range {
    int chanel;
    int low;
    int high;
    qsizetype index;
};

// The row's numbers when every one of them keeps the rules.
bool soundRange(const MyChanel &row, Range *range) {
    QStringList ignored;
    return readNumber(QString(), row.dmx_chanel, kFirstDmxChanel, kLastDmxChanel, &range->chanel, &ignored) &&
           readNumber(QString(), row.dmx_valueFrom, 0, kTopDmxValue, &range->low, &ignored) &&
           readNumber(QString(), row.dmx_valueTo, 0, kTopDmxValue, &range->high, &ignored) &&
           range->high >= range->low && range->high - range->low != kTopDmxValue;
}
} // namespace

bool rangesOverlap(int low1, int high1, int low2, int high2) { return low1 <= high2 && low2 <= high1; }

QStringList rowProblems(const MyChanel &row) {
    QStringList problems;
    int chanel = 0, low = 0, high = 0;
    readNumber(QStringLiteral("DMX channel"), row.dmx_chanel, kFirstDmxChanel, kLastDmxChanel, &chanel, &problems);
    const bool lowOk = readNumber(QStringLiteral("low value"), row.dmx_valueFrom, 0, kTopDmxValue, &low, &problems);
    const bool highOk = readNumber(QStringLiteral("high value"), row.dmx_valueTo, 0, kTopDmxValue, &high, &problems);
    if (lowOk && highOk) {
        if (high < low)
            problems << QStringLiteral("high value %1 is below low value %2").arg(high).arg(low);
        else if (high - low == kTopDmxValue)
            problems << QStringLiteral("values 0-255 take the whole channel; 0-254 or 1-255 is the widest range");
    }
    commandProblems(row.rs_c, &problems);
    return problems;
}

QList<RowOverlap> findOverlaps(const QList<MyChanel> &rows) {
    QList<Range> ranges;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        Range r{0, 0, 0, i};
        if (soundRange(rows[i], &r))
            ranges.append(r);
    }
    std::stable_sort(ranges.begin(), ranges.end(), [](const Range &x, const Range &y) {
        return x.chanel != y.chanel ? x.chanel < y.chanel : x.low < y.low;
    });
    // Sorted by low value, a row overlaps an earlier one exactly when it
    // starts at or below the highest end reached so far on its channel.
    QList<RowOverlap> overlaps;
    const Range *reach = nullptr;
    for (const Range &r : ranges) {
        if (reach && reach->chanel == r.chanel && r.low <= reach->high)
            overlaps.append({qMin(reach->index, r.index), qMax(reach->index, r.index)});
        if (!reach || reach->chanel != r.chanel || r.high > reach->high)
            reach = &r;
    }
    return overlaps;
}
