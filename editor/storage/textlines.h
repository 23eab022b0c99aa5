// Line access to the editor's 8-bit text files: Latin-1, one byte per
// character, lines ended by LF or CR LF. A last line without a line end still
// counts; nothing after the final line feed does.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class TextLines {
public:
    explicit TextLines(const QByteArray &data) : data_(data) {}

    bool atEnd() const { return pos_ >= data_.size(); }
    // The next line without its line end; call only when !atEnd().
    QString next() { return QString::fromLatin1(nextBytes()); }
    // The same as raw bytes, valid while the data lives.
    QByteArrayView nextBytes();

private:
    QByteArray data_;
    qsizetype pos_ = 0;
};

// Appends `line` as Latin-1 ("?" for characters outside it) and a line feed.
void appendLine(QByteArray *out, const QString &line);
