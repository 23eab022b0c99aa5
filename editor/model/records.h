// The equipment library: manufacturers, their devices, each device's serial
// settings and its DMX mapping rows. Plain value records; every number the
// user picks stays text until an integer is really needed.
#pragma once

#include <QList>
#include <QString>

// Serial connection settings of one device. The field order of the fourteen
// texts is the on-screen order and the bit numbering of `flags`.
struct MyConnParam {
    enum Field {
        Speed,
        Data_Bits,
        Stop_Bits,
        Parity,
        Handshake,
        Delay_Time,
        Retry_Count,
        CMD_Prefix,
        CMD_Prefix_HEX,
        Normal_Replay,
        Normal_Replay_HEX,
        Error_Replay,
        Error_Replay_HEX,
        Replay_Wait_Time,
        FieldCount
    };
    // Bit i: field i differs from its reference; bit 14 + i: that change was saved.
    static constexpr quint32 AllChanged = 0x3FFF;

    quint32 flags = 0;
    QString texts[FieldCount];

    QString &operator[](int field) { return texts[field]; }
    const QString &operator[](int field) const { return texts[field]; }

    bool operator==(const MyConnParam &o) const;
    bool operator!=(const MyConnParam &o) const { return !(*this == o); }
};

// One DMX mapping row. Cells are texts: channel 1..512, values 0..255,
// command "ASCII:..." or "HEX:...", free function name.
struct MyChanel {
    QString status; // "changed", "saved" or empty (loaded from file)
    QString dmx_chanel;
    QString dmx_valueFrom;
    QString dmx_valueTo;
    QString rs_c;
    QString function;

    bool operator==(const MyChanel &o) const;
    bool operator!=(const MyChanel &o) const { return !(*this == o); }
};

struct MyDevice {
    QString deviceType;
    QString deviceDesc;
    QString deviceTypeSaved;
    QString deviceDescSaved;
    QString deviceTime; // "dd.MM.yyyy | hh:mm:ss"
    MyConnParam connParam;
    MyConnParam connParamSaved;
    QList<MyChanel> listChanel;
    QList<MyChanel> listChanelShadow; // written by the image reader and USB clone only
    bool changesInTable = false;
    bool changesInConn = false;
    bool isChanges = false;
};

struct MyPreset {
    QString deviceParent;
    QList<MyDevice> listMyDevices;
};

using MyLibrary = QList<MyPreset>;

// Status texts of a row and markers of a tree item.
inline const QString kStatusChanged = QStringLiteral("changed");
inline const QString kStatusSaved = QStringLiteral("saved");
