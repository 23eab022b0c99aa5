#include "livefiring.h"

LiveFiring::LiveFiring(const QList<RowRange> &rows)
    : holders_(kUniverseSize * 256, -1), values_(kUniverseSize, 0) {
    for (qsizetype i = rows.size() - 1; i >= 0; --i) { // backwards, so the first row wins
        const RowRange &r = rows[i];
        if (r.chanel < 1 || r.chanel > kUniverseSize)
            continue;
        for (int v = qMax(0, r.low); v <= qMin(255, r.high); ++v)
            holders_[(r.chanel - 1) * 256 + v] = int(i);
    }
}

QList<Firing> LiveFiring::frame(const QByteArray &frame, bool fireInitial) {
    QList<Firing> fired;
    const int count = int(qMin<qsizetype>(frame.size(), kUniverseSize));
    const bool first = !started_;
    started_ = true;
    for (int c = 0; c < count; ++c) {
        const int now = static_cast<unsigned char>(frame[c]);
        const int before = values_[c];
        values_[c] = static_cast<unsigned char>(now);
        const int row = holder(c + 1, now);
        if (row < 0)
            continue;
        if (first ? fireInitial : row != holder(c + 1, before))
            fired.append({row, c + 1, now});
    }
    return fired;
}

int LiveFiring::heldRow(int chanel) const { return holder(chanel, values_[chanel - 1]); }
