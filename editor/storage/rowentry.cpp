#include "rowentry.h"

#include "channelrules.h"
#include "filerules.h"
#include "rowcheck.h"

#include <QRegularExpression>

namespace {

// What the popup's validators let be typed into each field.
QString fieldMessage(const TypedRow &typed) {
    static const QRegularExpression channel(QStringLiteral("^([1-9][0-9]{0,2})?$"));
    static const QRegularExpression value(QStringLiteral("^([0-9]{1,3})?$"));
    static const QRegularExpression hex(QStringLiteral("^[0-9a-fA-F]*$"));
    if (!channel.match(typed.dmx).hasMatch())
        return QStringLiteral("Field \"DMX\" takes a number from 1 to 512.");
    if (!value.match(typed.low).hasMatch() || !value.match(typed.high).hasMatch())
        return QStringLiteral("Fields \"Low Value\" and \"High Value\" take numbers from 0 to 255.");
    if (!typed.ascii.isEmpty() && !typed.hex.isEmpty())
        return QStringLiteral("Give either an ASCII or a HEX command, not both.");
    if (typed.ascii.size() > kRowAsciiLength)
        return QStringLiteral("Command ASCII holds at most %1 characters.").arg(kRowAsciiLength);
    if (!hex.match(typed.hex).hasMatch())
        return QStringLiteral("Command HEX takes hexadecimal digits only.");
    if (typed.hex.size() > kRowHexLength)
        return QStringLiteral("Command HEX holds at most %1 digits.").arg(kRowHexLength);
    if (typed.function.size() > kRowFunctionLength)
        return QStringLiteral("Function Name holds at most %1 characters.").arg(kRowFunctionLength);
    return {};
}

bool overlapsAny(const TypedRow &typed, const QList<RowRange> &others) {
    const int chanel = popupNumber(typed.dmx), low = popupNumber(typed.low), high = popupNumber(typed.high);
    for (const RowRange &r : others)
        if (r.chanel == chanel && rangesOverlap(low, high, r.low, r.high))
            return true;
    return false;
}

} // namespace

QString rowKeepMessage(const TypedRow &typed) {
    const bool ascii = !typed.ascii.isEmpty();
    const QString command = ascii ? typed.ascii : typed.hex;
    if (const QString problem = projectTextProblem(ProjectText::RowCommand, command); !problem.isEmpty())
        return keepMessage(ascii ? QStringLiteral("Command ASCII") : QStringLiteral("Command HEX"), problem);
    if (const QString problem = projectTextProblem(ProjectText::RowFunction, typed.function); !problem.isEmpty())
        return keepMessage(QStringLiteral("Function Name"), problem);
    return {};
}

QString rowEntryMessage(const TypedRow &typed, const QList<RowRange> &others) {
    QString message = fieldMessage(typed);
    if (message.isEmpty())
        message = finalCheckMessage(typed, overlapsAny(typed, others));
    if (message.isEmpty())
        message = rowKeepMessage(typed);
    return message;
}

QList<RowRange> rowRanges(const QList<MyChanel> &rows) {
    QList<RowRange> ranges;
    ranges.reserve(rows.size());
    for (const MyChanel &row : rows)
        ranges.append({chanelNumber(row.dmx_chanel), chanelNumber(row.dmx_valueFrom), chanelNumber(row.dmx_valueTo)});
    return ranges;
}

QList<RowRefusal> newRowRefusals(const QList<TypedRow> &added, const QList<MyChanel> &existing) {
    QList<RowRange> others = rowRanges(existing);
    QList<RowRefusal> refusals;
    for (qsizetype i = 0; i < added.size(); ++i) {
        const TypedRow &row = added[i];
        if (QString message = rowEntryMessage(row, others); !message.isEmpty())
            refusals.append({i, message});
        others.append({popupNumber(row.dmx), popupNumber(row.low), popupNumber(row.high)});
    }
    return refusals;
}

void addNewRows(QList<MyChanel> *rows, const QList<TypedRow> &added) {
    for (const TypedRow &row : added)
        storeTypedRow(rows, -1, row);
    sortChanel(rows);
}
