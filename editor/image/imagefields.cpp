#include "imagefields.h"

#include "hexconv.h"

#include <cstring>

namespace {

// Decodes pairs of digits into `out` until `maxBytes` or the end of the text;
// a lone last digit pairs with the terminating zero, which getHEX skips.
int decodeHexPairs(const QByteArray &digits, unsigned char *out, int maxBytes) {
    int count = 0;
    for (int pos = 0; pos < digits.size() && count < maxBytes; pos += 2)
        out[count++] = static_cast<unsigned char>(getHEX(digits.constData() + pos));
    return count;
}

} // namespace

void fillText(char *field, int width, const QString &text) {
    memset(field, 0, size_t(width));
    const QByteArray bytes = text.toLatin1();
    memcpy(field, bytes.constData(), size_t(qMin(int(bytes.size()), width)));
}

void fillCmd(MyChanelUSB *ch, QString s) {
    memset(ch->cmd, 0, sizeof ch->cmd);
    ch->cmdLen = 0;
    if (s.startsWith(QLatin1String("HEX:"), Qt::CaseInsensitive)) {
        s.remove(QLatin1String("HEX:"), Qt::CaseSensitive);
        ch->cmdLen = static_cast<unsigned char>(decodeHexPairs(s.toLatin1(), ch->cmd, int(sizeof ch->cmd)));
    } else {
        s.remove(QLatin1String("ASCII:"), Qt::CaseSensitive);
        const QByteArray bytes = s.toLatin1();
        memcpy(ch->cmd, bytes.constData(), size_t(qMin(int(bytes.size()), int(sizeof ch->cmd))));
    }
}

void fillAsciiHex(char *target, int t_len, unsigned char *t_wr, QString ascii, QString hex) {
    *t_wr = 0;
    memset(target, 0, size_t(t_len));
    if (!hex.isEmpty())
        *t_wr = static_cast<unsigned char>(
            decodeHexPairs(hex.toLatin1(), reinterpret_cast<unsigned char *>(target), t_len));
    if (!ascii.isEmpty()) {
        const QByteArray bytes = ascii.toLatin1();
        const int n = qMin(int(bytes.size()), t_len);
        memcpy(target, bytes.constData(), size_t(n));
        if (n < t_len)
            target[n] = 0;
    }
}

namespace {
QByteArray lengthOrText(unsigned char len, const char *field, int width) {
    if (len > 0)
        return QByteArray(field, qMin(int(len), width));
    int n = 0;
    while (n < width && field[n] != 0)
        ++n;
    return QByteArray(field, n);
}
} // namespace

QByteArray commandBytes(const MyChanelUSB &ch) {
    return lengthOrText(ch.cmdLen, reinterpret_cast<const char *>(ch.cmd), int(sizeof ch.cmd));
}

QByteArray prefixBytes(const MyConnParamUSB &c) {
    return lengthOrText(c.CMD_Prefix_Len, c.CMD_Prefix, int(sizeof c.CMD_Prefix));
}

QByteArray normalReplyBytes(const MyConnParamUSB &c) {
    return lengthOrText(c.Normal_Replay_Len, c.Normal_Replay, int(sizeof c.Normal_Replay));
}

QByteArray errorReplyBytes(const MyConnParamUSB &c) {
    return lengthOrText(c.Error_Replay_Len, c.Error_Replay, int(sizeof c.Error_Replay));
}

QString quoted(const QByteArray &bytes) {
    QString out = QStringLiteral("\"");
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b == '"' || b == '\\')
            out += QLatin1String("\\") + QLatin1Char(c);
        else if ((b >= 0x20 && b < 0x7F) || b >= 0xA0)
            out += QChar(b);
        else
            out += QStringLiteral("\\x") + QString::number(b, 16).toUpper().rightJustified(2, QLatin1Char('0'));
    }
    return out + QLatin1Char('"');
}
