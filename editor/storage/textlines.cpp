#include "textlines.h"

QByteArrayView TextLines::nextBytes() {
    qsizetype end = data_.indexOf('\n', pos_);
    qsizetype next = end + 1;
    if (end < 0)
        end = next = data_.size();
    qsizetype stop = end;
    if (stop > pos_ && data_.at(stop - 1) == '\r')
        --stop;
    const QByteArrayView line(data_.constData() + pos_, stop - pos_);
    pos_ = next;
    return line;
}

void appendLine(QByteArray *out, const QString &line) {
    out->append(line.toLatin1());
    out->append('\n');
}
