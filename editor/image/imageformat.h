// Layout of the device configuration image that the converter executes:
// header, device record, connection record, n channel records, CRC-16/XMODEM
// over everything after the header. Packed, little-endian. The records are
// kept as plain packed structs; encode/decode turn them into the exact file
// bytes on any host byte order.
#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <cstring>

#pragma pack(push, 1)

struct MyHeaderUSB {
    quint16 word0 = 5;
    quint16 word1 = 0xFFFF;
    quint16 word2 = 0xFFFF;
    quint16 word3 = 14;
    quint16 count = 0; // number of channel records
};

struct MyDeviceUSB {
    char deviceMan[30];
    char deviceType[30];
    char deviceDesc[30];
    quint32 deviceTime; // seconds since 1970 UTC, 0xFFFFFFFF when unknown
};

struct MyConnParamUSB {
    qint32 Speed;
    qint32 Data_Bits;
    qint32 Stop_Bits;
    char Parity[5];
    char Handshake[8];
    qint32 Delay_Time;
    qint32 Retry_Count;
    unsigned char Error_Replay_Len; // 0: ASCII text, else number of raw bytes
    char Error_Replay[5];
    unsigned char Normal_Replay_Len;
    char Normal_Replay[5];
    qint32 Replay_Wait_Time;
    unsigned char CMD_Prefix_Len;
    char CMD_Prefix[12];
};

struct MyChanelUSB {
    qint16 dmx_chanel;
    unsigned char cmdLen; // 0: cmd is ASCII text, else number of raw bytes
    unsigned char cmd[12];
    char function[12];
    unsigned char dmx_valueFrom;
    unsigned char dmx_valueTo;
};

#pragma pack(pop)

namespace image {

constexpr int HeaderSize = 10;
constexpr int DeviceSize = 94;
constexpr int ConnSize = 62;
constexpr int ChanelSize = 29;
constexpr int CrcSize = 2;
constexpr int DeviceOffset = HeaderSize;
constexpr int ConnOffset = DeviceOffset + DeviceSize;
constexpr int FixedSize = ConnOffset + ConnSize; // 166: everything before the rows
constexpr int MaxChanels = 0xFFFF;               // the header's 16-bit count

static_assert(sizeof(MyHeaderUSB) == HeaderSize, "header layout");
static_assert(sizeof(MyDeviceUSB) == DeviceSize, "device record layout");
static_assert(sizeof(MyConnParamUSB) == ConnSize, "connection record layout");
static_assert(sizeof(MyChanelUSB) == ChanelSize, "channel record layout");

constexpr qint64 imageSize(int chanelCount) { return FixedSize + qint64(ChanelSize) * chanelCount + CrcSize; }

// A record zero-filled, as the writer starts every record.
template <typename Record> Record zeroed() {
    Record r;
    memset(static_cast<void *>(&r), 0, sizeof r);
    return r;
}

QByteArray encode(const MyHeaderUSB &h);
QByteArray encode(const MyDeviceUSB &d);
QByteArray encode(const MyConnParamUSB &c);
QByteArray encode(const MyChanelUSB &ch);

// Each reads exactly the record's size from `p`; the caller checks the bounds.
MyHeaderUSB decodeHeader(const char *p);
MyDeviceUSB decodeDevice(const char *p);
MyConnParamUSB decodeConn(const char *p);
MyChanelUSB decodeChanel(const char *p);

} // namespace image
