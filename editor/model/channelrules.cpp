#include "channelrules.h"

#include <bitset>
#include <utility>
#include <vector>

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

// Two exchange passes, not a library sort: the table and the device image
// write rows in list order, and rows that nest or repeat a range (hand-edited
// files, read images) must come out exactly as the box has always seen them.
// The exchanges run on the parsed numbers and the rows move once at the end.
void sortChanel(QList<MyChanel> *rows) {
    struct Keyed {
        RowKey key;
        qsizetype index;
    };
    std::vector<Keyed> keys;
    keys.reserve(size_t(rows->size()));
    for (qsizetype i = 0; i < rows->size(); ++i)
        keys.push_back({keyOf(rows->at(i)), i});

    const size_t n = keys.size();
    bool byChanel = true;
    for (size_t i = 1; i < n && byChanel; ++i)
        byChanel = keys[i - 1].key.chanel <= keys[i].key.chanel;
    // In channel order the first pass exchanges nothing.
    if (!byChanel) {
        for (size_t i = 0; i < n; ++i)
            for (size_t j = i + 1; j < n; ++j)
                if (keys[j].key.chanel < keys[i].key.chanel)
                    std::swap(keys[i], keys[j]);
    }
    // Rows of one channel now stand together, so the scan ends at the next channel.
    for (size_t i = 0; i < n; ++i) {
        for (size_t j = i + 1; j < n && keys[j].key.chanel == keys[i].key.chanel; ++j) {
            if (keys[j].key.low < keys[i].key.low || keys[j].key.high < keys[i].key.high)
                std::swap(keys[i], keys[j]);
        }
    }

    bool moved = false;
    for (size_t i = 0; i < n && !moved; ++i)
        moved = keys[i].index != qsizetype(i);
    if (!moved)
        return;
    QList<MyChanel> sorted;
    sorted.reserve(rows->size());
    for (const Keyed &k : keys)
        sorted.append(std::move((*rows)[k.index]));
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
