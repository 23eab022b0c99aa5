#include "hexconv.h"

#include <QByteArray>

char getHEX(const char *s) {
    unsigned value = 0;
    for (int i = 0; i < 2; ++i) {
        const char c = s[i];
        if (c >= '0' && c <= '9')
            value = (value << 4) + unsigned(c - '0');
        else if (c >= 'A' && c <= 'F')
            value = (value << 4) + unsigned(c - 'A' + 10);
        else if (c >= 'a' && c <= 'f')
            value = (value << 4) + unsigned(c - 'a' + 10);
    }
    return char(value & 0xFF);
}

int getIntFromHex(QString s) {
    // indexOf gives -1 without "0x", so the first character goes: kept as is.
    s.remove(0, s.indexOf(QLatin1String("0x")) + 2);
    return s.toInt(nullptr, 16);
}

QString getIntStrFromHex(QString s) { return QString::number(getIntFromHex(s), 10); }

QString getStrHexFromStr(QString s, bool upperCase) {
    const int v = s.toInt();
    QString digits = QString::number(v, 16);
    if (upperCase)
        digits = digits.toUpper();
    return (v >= 16 && v <= 255 ? QLatin1String("0x") : QLatin1String("0x0")) + digits;
}

QString bytesToHexText(const QByteArray &bytes) { return QString::fromLatin1(bytes.toHex().toUpper()); }

qsizetype firstNonHexDigit(const QString &text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F')))
            return i;
    }
    return -1;
}
