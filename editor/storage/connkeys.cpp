#include "connkeys.h"

namespace {
const char *const kKeys[MyConnParam::FieldCount] = {
    "Speed",
    "Data_Bits",
    "Stop_Bits",
    "Parity",
    "Handshake",
    "Delay_Time",
    "Retry_Count",
    "CMD_Prefix",
    "CMD_Prefix_HEX",
    "Normal_Replay",
    "Normal_Replay_HEX",
    "Error_Replay",
    "Error_Replay_HEX",
    "Replay_Wait_Time",
};
} // namespace

QString connKey(int field) { return QString::fromLatin1(kKeys[field]); }

const std::array<MyConnParam::Field, MyConnParam::FieldCount> &fileFieldOrder() {
    static const std::array<MyConnParam::Field, MyConnParam::FieldCount> order = {
        MyConnParam::Speed,         MyConnParam::Data_Bits,         MyConnParam::Stop_Bits,
        MyConnParam::Parity,        MyConnParam::Handshake,         MyConnParam::Delay_Time,
        MyConnParam::Normal_Replay, MyConnParam::Error_Replay,      MyConnParam::Replay_Wait_Time,
        MyConnParam::Retry_Count,   MyConnParam::Normal_Replay_HEX, MyConnParam::Error_Replay_HEX,
        MyConnParam::CMD_Prefix,    MyConnParam::CMD_Prefix_HEX,
    };
    return order;
}

int connFieldOfLine(const QString &line) {
    // No key followed by "=" begins another one, so the first match is the only one.
    for (int field = 0; field < MyConnParam::FieldCount; ++field) {
        const QLatin1String key(kKeys[field]);
        if (line.size() > key.size() && line.startsWith(key) && line.at(key.size()) == QLatin1Char('='))
            return field;
    }
    return -1;
}

QString removeWhitespace(const QString &text) {
    QString result;
    result.reserve(text.size());
    for (QChar c : text)
        if (!c.isSpace())
            result.append(c);
    return result;
}
