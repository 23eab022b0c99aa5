// CRC-16/XMODEM (polynomial 0x1021, initial 0, MSB first, no reflection, no
// final XOR): the checksum the converter verifies over the image body.
#pragma once

#include <QByteArray>
#include <QtGlobal>

quint16 crc16Xmodem(const char *data, qsizetype size, quint16 crc = 0);

inline quint16 crc16Xmodem(const QByteArray &data) { return crc16Xmodem(data.constData(), data.size()); }
