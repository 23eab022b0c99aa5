// Which rows fire as the frames of a universe come in. A row fires when its
// channel's value moves into the row's range from a value outside it;
// staying inside fires nothing more, and moving from one row's range
// straight into another's fires the second. The first frame only sets the
// values, unless the rows that hold them are asked to fire.
#pragma once

#include "rowrules.h"

#include <QByteArray>
#include <QList>

#include <vector>

constexpr int kUniverseSize = 512;

struct Firing {
    int row = -1; // index in the rows given
    int chanel = 0;
    int value = 0;
};

class LiveFiring {
public:
    explicit LiveFiring(const QList<RowRange> &rows);

    // The rows that fire on `frame` (the values of channels 1, 2, ... in
    // order), by channel. Channels past the frame's end keep their value
    // (0 before any frame). Where rows overlap, the first holding the value
    // counts, as on the box.
    QList<Firing> frame(const QByteArray &frame, bool fireInitial = false);
    // The next frame is a first one again: after a new connection.
    void restart() { started_ = false; }

    // The row holding the value a channel has now, or -1.
    int heldRow(int chanel) const;
    int value(int chanel) const { return values_[chanel - 1]; }

private:
    int holder(int chanel, int value) const { return holders_[(chanel - 1) * 256 + value]; }

    std::vector<int> holders_; // 512 x 256: the first row holding each value, or -1
    std::vector<unsigned char> values_;
    bool started_ = false;
};
