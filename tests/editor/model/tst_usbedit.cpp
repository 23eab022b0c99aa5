// Editing the USB device and copying it into the library, on the records.
#include "connflags.h"
#include "usbedit.h"

#include <QtTest>

namespace {

MyChanel row(const QString &status, const QString &dmx, const QString &cmd) {
    MyChanel r;
    r.status = status;
    r.dmx_chanel = dmx;
    r.dmx_valueFrom = "0";
    r.dmx_valueTo = "127";
    r.rs_c = cmd;
    r.function = "Fn " + dmx;
    return r;
}

// A device as an image gives it back, except that the prefix and HEX texts
// are filled here to prove they are never taken from the popup or the source.
MyDevice usbDevice() {
    MyDevice d;
    d.deviceType = d.deviceTypeSaved = "Projector X1";
    d.deviceDesc = d.deviceDescSaved = "Main hall";
    d.deviceTime = "Thu 01.02.2024 10:00:00";
    const char *texts[] = {"9600", "8", "1", "None", "None", "100", "2", "", "", "OK", "", "ERR", "", "500"};
    for (int f = 0; f < MyConnParam::FieldCount; ++f)
        d.connParam[f] = QString::fromLatin1(texts[f]);
    d.connParam[MyConnParam::CMD_Prefix_HEX] = "02";
    d.connParam[MyConnParam::Normal_Replay_HEX] = "0D0A";
    d.connParamSaved = d.connParam;
    d.listChanel << row("", "1", "ASCII:PWR ON") << row("saved", "2", "HEX:505746300D");
    d.listChanelShadow << row("", "1", "PWR ON") << row("", "2", "PWF0\r");
    return d;
}

// What the popup's boxes hold: the device's texts, with every prefix and HEX
// box filled with something else.
MyConnParam popupOf(const MyDevice &d) {
    MyConnParam p = d.connParam;
    for (MyConnParam::Field f : {MyConnParam::CMD_Prefix, MyConnParam::CMD_Prefix_HEX, MyConnParam::Normal_Replay_HEX,
                                 MyConnParam::Error_Replay_HEX})
        p[f] = "FF";
    return p;
}

const QList<MyConnParam::Field> kUntaken = {MyConnParam::CMD_Prefix, MyConnParam::CMD_Prefix_HEX,
                                            MyConnParam::Normal_Replay_HEX, MyConnParam::Error_Replay_HEX};

} // namespace

class TestUsbEdit : public QObject {
    Q_OBJECT

private slots:
    void takenFieldsAreTheTenTheImageRestores() {
        QCOMPARE(int(std::size(kUsbEditFields)), 10);
        for (MyConnParam::Field f : kUsbEditFields)
            QVERIFY(!kUntaken.contains(f));
    }

    void usbManufacturerIsTheLastOfItsName() {
        const MyLibrary library{MyPreset{"USB:Acme", {}}, MyPreset{"Acme", {}}, MyPreset{"USB:Acme", {}},
                                MyPreset{"Bcorp", {}}};
        QCOMPARE(findUsbPreset(library, "USB:Acme"), 2);
        QCOMPARE(findUsbPreset(library, "Acme"), 1);
        QCOMPARE(findUsbPreset(library, "usb:acme"), -1);
        QCOMPARE(findUsbPreset({}, "USB:Acme"), -1);
    }

    void cloneCopiesRowsAsChanged() {
        const MyDevice usb = usbDevice();
        const MyDevice c = makeUsbClone(usb, "Copy", "Desc", "06.12.2026 | 10:15:00", popupOf(usb));
        QCOMPARE(c.listChanel.size(), 2);
        QCOMPARE(c.listChanelShadow.size(), 2);
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(c.listChanel[i].status, kStatusChanged);
            QCOMPARE(c.listChanelShadow[i].status, QString());
            MyChanel expected = usb.listChanel[i];
            expected.status = kStatusChanged;
            QCOMPARE(c.listChanel[i], expected);
            // The shadow rows carry the table's cells, not the reader's shadow texts.
            expected.status.clear();
            QCOMPARE(c.listChanelShadow[i], expected);
        }
        // The source keeps its rows and statuses.
        QCOMPARE(usb.listChanel, usbDevice().listChanel);
    }

    void cloneIsANewUnsavedDevice() {
        const MyDevice usb = usbDevice();
        const MyDevice c = makeUsbClone(usb, "Copy", "Desc", "06.12.2026 | 10:15:00", popupOf(usb));
        QCOMPARE(c.deviceType, QStringLiteral("Copy"));
        QCOMPARE(c.deviceTypeSaved, QStringLiteral("Copy"));
        QCOMPARE(c.deviceDesc, QStringLiteral("Desc"));
        QCOMPARE(c.deviceDescSaved, QStringLiteral("Desc"));
        QCOMPARE(c.deviceTime, QStringLiteral("06.12.2026 | 10:15:00"));
        QVERIFY(c.isChanges);
        QVERIFY(c.changesInConn);
        QCOMPARE(c.connParam.flags, quint32(0x3FFF));
        QCOMPARE(c.connParamSaved.flags, quint32(0));
    }

    void cloneTakesTenSettingsAndLeavesPrefixAndHexEmpty() {
        MyDevice usb = usbDevice();
        MyConnParam popup = popupOf(usb);
        popup[MyConnParam::Speed] = "19200";
        popup[MyConnParam::Normal_Replay] = "ACK";
        const MyDevice c = makeUsbClone(usb, "Copy", "", "", popup);
        for (MyConnParam::Field f : kUsbEditFields) {
            QCOMPARE(c.connParam[f], popup[f]);
            QCOMPARE(c.connParamSaved[f], popup[f]);
        }
        for (MyConnParam::Field f : kUntaken) {
            QCOMPARE(c.connParam[f], QString());
            QCOMPARE(c.connParamSaved[f], QString());
        }
        QCOMPARE(usb.connParam[MyConnParam::Speed], QStringLiteral("9600"));
    }

    void cloneOfAnEmptyTable() {
        MyDevice usb = usbDevice();
        usb.listChanel.clear();
        usb.listChanelShadow.clear();
        const MyDevice c = makeUsbClone(usb, "Copy", "", "", popupOf(usb));
        QVERIFY(c.listChanel.isEmpty());
        QVERIFY(c.listChanelShadow.isEmpty());
    }

    void editTakesNameDescriptionAndTenSettingsOnly() {
        MyDevice d = usbDevice();
        MyConnParam popup = popupOf(d);
        popup[MyConnParam::Retry_Count] = "5";
        QVERIFY(applyUsbEdit(&d, "Renamed", "Foyer", "06.12.2026 | 10:15:00", popup));
        QCOMPARE(d.deviceType, QStringLiteral("Renamed"));
        QCOMPARE(d.deviceDesc, QStringLiteral("Foyer"));
        QCOMPARE(d.deviceTime, QStringLiteral("06.12.2026 | 10:15:00"));
        QCOMPARE(d.connParam[MyConnParam::Retry_Count], QStringLiteral("5"));
        QCOMPARE(d.connParam[MyConnParam::CMD_Prefix_HEX], QStringLiteral("02"));
        QCOMPARE(d.connParam[MyConnParam::Normal_Replay_HEX], QStringLiteral("0D0A"));
        QCOMPARE(d.connParam[MyConnParam::CMD_Prefix], QString());
        QCOMPARE(d.connParam.flags, quint32(1u << MyConnParam::Retry_Count));
        QCOMPARE(d.connParamSaved, usbDevice().connParamSaved);
        QCOMPARE(d.listChanel, usbDevice().listChanel);
        // Never saved with the project, so it never asks to be saved.
        QVERIFY(!d.isChanges);
        QVERIFY(!d.changesInConn);
        QVERIFY(!d.changesInTable);
    }

    void editThatChangesNothingKeepsTheTime() {
        MyDevice d = usbDevice();
        d.connParam.flags = 1u << (14 + MyConnParam::Speed); // a stale saved bit is cleared
        QVERIFY(!applyUsbEdit(&d, "Projector X1", "Main hall", "06.12.2026 | 10:15:00", popupOf(d)));
        QCOMPARE(d.deviceTime, QStringLiteral("Thu 01.02.2024 10:00:00"));
        QCOMPARE(d.connParam.flags, quint32(0));
    }

    void editChangedAndChangedBack() {
        MyDevice d = usbDevice();
        MyConnParam popup = popupOf(d);
        popup[MyConnParam::Parity] = "Odd";
        QVERIFY(applyUsbEdit(&d, "Projector X1", "Main hall", "t1", popup));
        QVERIFY(isFieldChanged(d.connParam, MyConnParam::Parity));
        popup[MyConnParam::Parity] = "None";
        QVERIFY(!applyUsbEdit(&d, "Projector X1", "Main hall", "t2", popup));
        QCOMPARE(d.connParam.flags, quint32(0));
        QCOMPARE(d.deviceTime, QStringLiteral("t1"));
    }

    void editComparesWithTheNamesTheImageGave() {
        MyDevice d = usbDevice();
        QVERIFY(applyUsbEdit(&d, "Other", "Main hall", "t1", popupOf(d)));
        // Renaming back is not a change, although the device was renamed since.
        QVERIFY(!applyUsbEdit(&d, "Projector X1", "Main hall", "t2", popupOf(d)));
        QVERIFY(applyUsbEdit(&d, "Projector X1", "main hall", "t3", popupOf(d)));
    }
};

QTEST_GUILESS_MAIN(TestUsbEdit)
#include "tst_usbedit.moc"
