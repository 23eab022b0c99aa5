// Conversions between hexadecimal text, numbers and bytes, as used by the
// command, reply and prefix fields and by the image writer and reader.
#pragma once

#include <QString>

// Decodes exactly the two characters at `s` as one byte. Characters that are
// not hexadecimal digits (the terminating zero included) are skipped without a
// shift, so "7\0" gives 0x07 and " 4" gives 0x04. `s` must point to two
// readable characters.
char getHEX(const char *s);

// Drops everything up to and including the first "0x" and reads the rest as
// base 16; 0 when the rest is not a number. A text without "0x" loses only its
// first character ("127" gives 0x27).
int getIntFromHex(QString s);

// getIntFromHex written in decimal.
QString getIntStrFromHex(QString s);

// Decimal text shown as "0x" and at least two hexadecimal digits ("5" gives
// "0x05", "256" gives "0x0100"); 0 when `s` is not a decimal number.
QString getStrHexFromStr(QString s, bool upperCase = true);

// Bytes as upper-case hexadecimal text, two digits per byte, no separators.
QString bytesToHexText(const QByteArray &bytes);

// Index of the first character of `text` that is not a hexadecimal digit, or -1.
qsizetype firstNonHexDigit(const QString &text);
