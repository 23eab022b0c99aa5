// Field rules of the image writer: fixed-width texts, channel commands and the
// ASCII/HEX pairs of replies and prefix.
#pragma once

#include "imageformat.h"

#include <QByteArray>
#include <QString>

// Zero-fills `width` bytes at `field` and copies the Latin-1 text from the
// first byte, cut at the width (a text of exactly `width` gets no zero byte).
void fillText(char *field, int width, const QString &text);

// Fills cmdLen and cmd from a row's command text. "HEX:..." (case ignored when
// testing the prefix) gives raw bytes decoded two digits at a time, at most 12,
// cmdLen = their count; anything else is ASCII text with "ASCII:" removed,
// cut at 12 bytes, cmdLen 0.
void fillCmd(MyChanelUSB *ch, QString s);

// Fills a reply or prefix field of `t_len` bytes and its length byte: a HEX
// text sets raw bytes and their count; an ASCII text is then copied over the
// leading bytes with the length byte left as it was (0 when there was no HEX).
void fillAsciiHex(char *target, int t_len, unsigned char *t_wr, QString ascii, QString hex);

// The bytes the box sends for a row: cmdLen raw bytes, or with cmdLen 0 the
// ASCII text up to its first zero byte.
QByteArray commandBytes(const MyChanelUSB &ch);
// The bytes it sends before every command, and the two replies it waits
// for, read the same way.
QByteArray prefixBytes(const MyConnParamUSB &c);
QByteArray normalReplyBytes(const MyConnParamUSB &c);
QByteArray errorReplyBytes(const MyConnParamUSB &c);

// Field bytes quoted, with bytes outside printable Latin-1 as \xNN.
QString quoted(const QByteArray &bytes);
