#include "channelrules.h"

#include <algorithm>
#include <bitset>

namespace {
constexpr int kFirstChanel = 1;
constexpr int kLastChanel = 512;
constexpr int kTopValue = 255;
// No real channel has this number, so the first row always opens a channel.
constexpr int kNoChanel = 3000;

struct RowKey {
    int chanel;
    int low;
    int high;
};

RowKey keyOf(const MyChanel &row) {
    return {chanelNumber(row.dmx_chanel), chanelNumber(row.dmx_valueFrom), chanelNumber(row.dmx_valueTo)};
}

MyChanel freeRange(int chanel, int low, int high) {
    MyChanel range;
    range.dmx_chanel = QString::number(chanel);
    range.dmx_valueFrom = QString::number(low);
    range.dmx_valueTo = QString::number(high);
    return range;
}
} // namespace

int chanelNumber(const QString &cell) {
    bool ok = false;
    const int value = cell.toInt(&ok);
    return ok ? value : 0;
}

void sortChanel(QList<MyChanel> *rows) {
    // Parse each row once; the table may hold tens of thousands of rows.
    QList<std::pair<RowKey, qsizetype>> keys;
    keys.reserve(rows->size());
    for (qsizetype i = 0; i < rows->size(); ++i)
        keys.append({keyOf(rows->at(i)), i});
    std::stable_sort(keys.begin(), keys.end(), [](const auto &a, const auto &b) {
        if (a.first.chanel != b.first.chanel)
            return a.first.chanel < b.first.chanel;
        if (a.first.low != b.first.low)
            return a.first.low < b.first.low;
        return a.first.high < b.first.high;
    });
    QList<MyChanel> sorted;
    sorted.reserve(rows->size());
    for (const auto &k : keys)
        sorted.append(std::move((*rows)[k.second]));
    *rows = std::move(sorted);
}

QList<MyChanel> findFreeRanges(const QList<MyChanel> &sortedRows) {
    QList<MyChanel> free;
    std::bitset<kLastChanel + 1> used;
    int previous = kNoChanel;
    RowKey last{0, 0, 0};
    for (qsizetype i = 0; i < sortedRows.size(); ++i) {
        const RowKey row = keyOf(sortedRows[i]);
        if (row.chanel != previous) {
            if (i > 0 && kTopValue - last.high > 1)
                free.append(freeRange(previous, last.high + 1, kTopValue));
            if (row.low > 2)
                free.append(freeRange(row.chanel, 0, row.low - 1));
        } else if (row.low - last.high > 1) {
            free.append(freeRange(row.chanel, last.high + 1, row.low - 1));
        }
        if (row.chanel >= kFirstChanel && row.chanel <= kLastChanel)
            used.set(row.chanel);
        previous = row.chanel;
        last = row;
    }
    if (!sortedRows.isEmpty() && kTopValue - last.high > 1)
        free.append(freeRange(last.chanel, last.high + 1, kTopValue));
    for (int chanel = kFirstChanel; chanel <= kLastChanel; ++chanel)
        if (!used.test(chanel))
            free.append(freeRange(chanel, 1, kTopValue));
    sortChanel(&free);
    return free;
}
