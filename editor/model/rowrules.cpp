#include "rowrules.h"

#include "channelrules.h"

namespace {
constexpr int kFirstChanel = 1;
constexpr int kLastChanel = 512;
constexpr int kTopValue = 255;

const QString kAsciiPrefix = QStringLiteral("ASCII:");
const QString kHexPrefix = QStringLiteral("HEX:");

// Closed ranges; a reversed typed range holds no value, so it shares none.
bool shareAValue(int lowA, int highA, int lowB, int highB) { return lowA <= highA && lowA <= highB && lowB <= highA; }
} // namespace

int popupNumber(const QString &text) { return chanelNumber(text); }

QList<int> rowsFiringAt(const QList<RowRange> &rows, int chanel, int value) {
    QList<int> firing;
    for (int i = 0; i < rows.size(); ++i)
        if (rows[i].chanel == chanel && rows[i].low <= value && value <= rows[i].high)
            firing.append(i);
    return firing;
}

QString dmxOutOfRangeMessage() {
    return QStringLiteral("Is not a valid entry. Please specify a value between 1 and 512");
}

QString valueOutOfRangeMessage() {
    return QStringLiteral("Is not a valid entry. Please specify a value between 0 and 255");
}

bool dmxAboveRange(const QString &dmx) { return popupNumber(dmx) > kLastChanel; }

ValuePassVerdict checkValuePass(bool valueIsLow, const QString &dmx, const QString &value, const QString &other,
                                const QList<RowRange> &rows, int editRow) {
    ValuePassVerdict verdict;
    const int typed = popupNumber(value);
    if (typed > kTopValue) {
        verdict.outOfRange = true;
        return verdict;
    }
    const int low = valueIsLow ? typed : popupNumber(other);
    const int high = valueIsLow ? popupNumber(other) : typed;
    const int chanel = popupNumber(dmx);

    bool conflict = false;
    for (int row = 0; row < rows.size(); ++row) {
        const RowRange &r = rows[row];
        if (row == editRow) {
            verdict.shownRows.append(row);
            continue;
        }
        if (r.chanel != chanel)
            continue;
        if (value.isEmpty() || shareAValue(low, high, r.low, r.high)) {
            conflict = conflict || !value.isEmpty();
            verdict.shownRows.append(row);
        } else {
            verdict.hiddenRows.append(row);
        }
    }

    if (dmx.isEmpty() || value.isEmpty() || conflict) {
        verdict.label = dmx.isEmpty() ? ValuePassVerdict::Label::DmxRed : ValuePassVerdict::Label::ValueRed;
        verdict.rangeBusy = true;
    } else {
        // A reversed range is only a reminder here; OK refuses it with its own message.
        verdict.label = high < low ? ValuePassVerdict::Label::ValueRed : ValuePassVerdict::Label::ValuesBlack;
    }
    return verdict;
}

QString finalCheckMessage(const TypedRow &typed, bool rangeBusy) {
    if (typed.dmx.isEmpty())
        return QStringLiteral("Field \"DMX\" is empty. Please specify a value between 1 and 512");
    // The live check lets a pasted or hand-edited channel 0 through; the box has no such channel.
    const int chanel = popupNumber(typed.dmx);
    if (chanel < kFirstChanel || chanel > kLastChanel)
        return dmxOutOfRangeMessage();
    if (typed.low.isEmpty() || typed.high.isEmpty())
        return QStringLiteral("Field \"DMX Values\" is empty. Please specify a value between 0 and 255");
    const int low = popupNumber(typed.low);
    const int high = popupNumber(typed.high);
    if (low > kTopValue || high > kTopValue)
        return valueOutOfRangeMessage();
    if (typed.ascii.isEmpty() && typed.hex.isEmpty())
        return QStringLiteral("Please enter ASCII or HEX command.");
    if (high < low)
        return QStringLiteral(
                   "High \"DMX Value\" must be higher than Low \"DMX Value\". Please specify a value between") +
               QStringLiteral(" %1 and %2").arg(typed.low).arg(kTopValue);
    if (high - low == kTopValue)
        return QStringLiteral("The diference between High \"DMX Value\" and Low \"DMX Value\" must be less than "
                              "255.\nFor example 1-255 or 0-254");
    if (rangeBusy)
        return QStringLiteral("This range are not empty. Please specify a different values");
    return QString();
}

QString rowCommandText(const TypedRow &typed) {
    return typed.ascii.isEmpty() ? kHexPrefix + typed.hex : kAsciiPrefix + typed.ascii;
}

bool storeTypedRow(QList<MyChanel> *rows, int editRow, const TypedRow &typed) {
    MyChanel row;
    row.status = kStatusChanged;
    row.dmx_chanel = typed.dmx;
    row.dmx_valueFrom = typed.low;
    row.dmx_valueTo = typed.high;
    row.rs_c = rowCommandText(typed);
    row.function = typed.function;
    if (editRow == -1) {
        rows->append(row);
        return true;
    }
    if (editRow < 0 || editRow >= rows->size())
        return false;
    const MyChanel &old = rows->at(editRow);
    if (old.dmx_chanel == row.dmx_chanel && old.dmx_valueFrom == row.dmx_valueFrom &&
        old.dmx_valueTo == row.dmx_valueTo && old.rs_c == row.rs_c && old.function == row.function)
        return false;
    (*rows)[editRow] = row;
    return true;
}
