#include "imageformat.h"

#include <QtEndian>
#include <cstring>

namespace image {
namespace {

// Appends fields in file order; numbers little-endian whatever the host.
class Packer {
public:
    explicit Packer(int size) { bytes.reserve(size); }
    template <typename T> void number(T v) {
        char buf[sizeof(T)];
        qToLittleEndian<T>(v, buf);
        bytes.append(buf, int(sizeof(T)));
    }
    void raw(const void *p, int n) { bytes.append(static_cast<const char *>(p), n); }
    QByteArray bytes;
};

// Reads fields in file order from a buffer the caller has bounds-checked.
class Unpacker {
public:
    explicit Unpacker(const char *p) : pos(p) {}
    template <typename T> T number() {
        const T v = qFromLittleEndian<T>(pos);
        pos += sizeof(T);
        return v;
    }
    void raw(void *dest, int n) {
        memcpy(dest, pos, size_t(n));
        pos += n;
    }

private:
    const char *pos;
};

} // namespace

QByteArray encode(const MyHeaderUSB &h) {
    Packer p(HeaderSize);
    p.number<quint16>(h.word0);
    p.number<quint16>(h.word1);
    p.number<quint16>(h.word2);
    p.number<quint16>(h.word3);
    p.number<quint16>(h.count);
    return p.bytes;
}

QByteArray encode(const MyDeviceUSB &d) {
    Packer p(DeviceSize);
    p.raw(d.deviceMan, sizeof d.deviceMan);
    p.raw(d.deviceType, sizeof d.deviceType);
    p.raw(d.deviceDesc, sizeof d.deviceDesc);
    p.number<quint32>(d.deviceTime);
    return p.bytes;
}

QByteArray encode(const MyConnParamUSB &c) {
    Packer p(ConnSize);
    p.number<qint32>(c.Speed);
    p.number<qint32>(c.Data_Bits);
    p.number<qint32>(c.Stop_Bits);
    p.raw(c.Parity, sizeof c.Parity);
    p.raw(c.Handshake, sizeof c.Handshake);
    p.number<qint32>(c.Delay_Time);
    p.number<qint32>(c.Retry_Count);
    p.raw(&c.Error_Replay_Len, 1);
    p.raw(c.Error_Replay, sizeof c.Error_Replay);
    p.raw(&c.Normal_Replay_Len, 1);
    p.raw(c.Normal_Replay, sizeof c.Normal_Replay);
    p.number<qint32>(c.Replay_Wait_Time);
    p.raw(&c.CMD_Prefix_Len, 1);
    p.raw(c.CMD_Prefix, sizeof c.CMD_Prefix);
    return p.bytes;
}

QByteArray encode(const MyChanelUSB &ch) {
    Packer p(ChanelSize);
    p.number<qint16>(ch.dmx_chanel);
    p.raw(&ch.cmdLen, 1);
    p.raw(ch.cmd, sizeof ch.cmd);
    p.raw(ch.function, sizeof ch.function);
    p.raw(&ch.dmx_valueFrom, 1);
    p.raw(&ch.dmx_valueTo, 1);
    return p.bytes;
}

MyHeaderUSB decodeHeader(const char *p) {
    Unpacker u(p);
    MyHeaderUSB h;
    h.word0 = u.number<quint16>();
    h.word1 = u.number<quint16>();
    h.word2 = u.number<quint16>();
    h.word3 = u.number<quint16>();
    h.count = u.number<quint16>();
    return h;
}

MyDeviceUSB decodeDevice(const char *p) {
    Unpacker u(p);
    auto d = zeroed<MyDeviceUSB>();
    u.raw(d.deviceMan, sizeof d.deviceMan);
    u.raw(d.deviceType, sizeof d.deviceType);
    u.raw(d.deviceDesc, sizeof d.deviceDesc);
    d.deviceTime = u.number<quint32>();
    return d;
}

MyConnParamUSB decodeConn(const char *p) {
    Unpacker u(p);
    auto c = zeroed<MyConnParamUSB>();
    c.Speed = u.number<qint32>();
    c.Data_Bits = u.number<qint32>();
    c.Stop_Bits = u.number<qint32>();
    u.raw(c.Parity, sizeof c.Parity);
    u.raw(c.Handshake, sizeof c.Handshake);
    c.Delay_Time = u.number<qint32>();
    c.Retry_Count = u.number<qint32>();
    u.raw(&c.Error_Replay_Len, 1);
    u.raw(c.Error_Replay, sizeof c.Error_Replay);
    u.raw(&c.Normal_Replay_Len, 1);
    u.raw(c.Normal_Replay, sizeof c.Normal_Replay);
    c.Replay_Wait_Time = u.number<qint32>();
    u.raw(&c.CMD_Prefix_Len, 1);
    u.raw(c.CMD_Prefix, sizeof c.CMD_Prefix);
    return c;
}

MyChanelUSB decodeChanel(const char *p) {
    Unpacker u(p);
    auto ch = zeroed<MyChanelUSB>();
    ch.dmx_chanel = u.number<qint16>();
    u.raw(&ch.cmdLen, 1);
    u.raw(ch.cmd, sizeof ch.cmd);
    u.raw(ch.function, sizeof ch.function);
    u.raw(&ch.dmx_valueFrom, 1);
    u.raw(&ch.dmx_valueTo, 1);
    return ch;
}

} // namespace image
