// Device records made and changed by the tree popup, the range rules of its
// number fields, and what the popup may put into the library.
#include "connflags.h"
#include "deviceedit.h"
#include "entryrules.h"
#include "filerules.h"

#include <QtTest>

namespace {
DeviceEntry entry(const QString &name = QStringLiteral("Projector X")) {
    DeviceEntry e;
    e.name = name;
    e.description = QStringLiteral("Main hall");
    e.time = QStringLiteral("06.12.2026 | 10:15:00");
    const char *values[] = {"9600", "8", "1", "None", "XON/XOFF", "100", "2", "", "1B", "OK", "", "", "4552", "500"};
    for (int i = 0; i < MyConnParam::FieldCount; ++i)
        e.conn[i] = QString::fromLatin1(values[i]);
    return e;
}

MyChanel row(const char *channel, const char *from, const char *to, const char *command) {
    return MyChanel{QString(), channel, from, to, command, QStringLiteral("f")};
}

MyLibrary library() {
    MyLibrary lib;
    for (const char *name : {"Acme", "Beta", "Acme"}) {
        MyPreset p;
        p.deviceParent = QLatin1String(name);
        lib.append(p);
    }
    lib[0].listMyDevices = {makeNewDevice(entry("A1")), makeNewDevice(entry("Twin"))};
    lib[1].listMyDevices = {makeNewDevice(entry("Twin")), makeNewDevice(entry("B1"))};
    return lib;
}

QStringList names(const MyLibrary &lib) {
    QStringList out;
    for (const MyPreset &p : lib)
        for (const MyDevice &d : p.listMyDevices)
            out << p.deviceParent + QLatin1Char('/') + d.deviceType;
    return out;
}
} // namespace

class TestTreeRules : public QObject {
    Q_OBJECT
private slots:
    void newDeviceCountsEverySettingAsChanged() {
        const MyDevice d = makeNewDevice(entry());
        QCOMPARE(d.deviceType, QStringLiteral("Projector X"));
        QCOMPARE(d.deviceTypeSaved, d.deviceType);
        QCOMPARE(d.deviceDescSaved, QStringLiteral("Main hall"));
        QCOMPARE(d.deviceTime, QStringLiteral("06.12.2026 | 10:15:00"));
        QCOMPARE(d.connParam.flags, quint32(0x3FFF));
        QCOMPARE(d.connParamSaved.flags, quint32(0));
        for (int i = 0; i < MyConnParam::FieldCount; ++i)
            QCOMPARE(d.connParamSaved[i], d.connParam[i]);
        QVERIFY(d.isChanges && d.changesInConn && !d.changesInTable);
        QVERIFY(d.listChanel.isEmpty() && d.listChanelShadow.isEmpty());
    }

    void cloneCopiesRowsThatStayApart() {
        MyDevice source = makeNewDevice(entry("Source"));
        source.listChanel = {row("1", "0", "127", "ASCII:OFF"), row("2", "0", "255", "HEX:4F4E")};
        source.listChanel[0].status = kStatusSaved;
        MyDevice clone = makeClonedDevice(entry("Clone:Source"), source);
        QCOMPARE(clone.listChanel.size(), 2);
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(clone.listChanel[i].rs_c, source.listChanel[i].rs_c);
            QCOMPARE(clone.listChanel[i].status, kStatusChanged);
        }
        QVERIFY(clone.changesInTable);
        clone.listChanel[0].rs_c = QStringLiteral("ASCII:ON");
        QCOMPARE(source.listChanel[0].rs_c, QStringLiteral("ASCII:OFF"));
        QCOMPARE(source.listChanel[0].status, kStatusSaved);
        QVERIFY(makeClonedDevice(entry("Empty"), MyDevice()).listChanel.isEmpty());
    }

    // Loaded state: both records equal, no flags.
    void editRecomputesChangesAgainstTheSavedSettings() {
        MyDevice d = makeNewDevice(entry());
        d.connParam.flags = 0;
        d.isChanges = d.changesInConn = false;

        DeviceEntry e = entry();
        e.conn[MyConnParam::Speed] = QStringLiteral("19200");
        e.conn[MyConnParam::Replay_Wait_Time] = QStringLiteral("800");
        applyDeviceEdit(&d, e);
        QCOMPARE(d.connParam.flags, quint32((1u << MyConnParam::Speed) | (1u << MyConnParam::Replay_Wait_Time)));
        QVERIFY(d.changesInConn && d.isChanges);
        QCOMPARE(d.connParamSaved[MyConnParam::Speed], QStringLiteral("9600"));

        // Changed back: the bits clear, the device no longer counts as changed.
        applyDeviceEdit(&d, entry());
        QCOMPARE(d.connParam.flags, quint32(0));
        QVERIFY(!d.changesInConn && !d.isChanges);

        // Name and description alone count too.
        e = entry(QStringLiteral("Renamed"));
        applyDeviceEdit(&d, e);
        QVERIFY(d.isChanges && !d.changesInConn);
        QCOMPARE(d.deviceTypeSaved, QStringLiteral("Projector X"));
        e = entry();
        e.description = QStringLiteral("Side hall");
        applyDeviceEdit(&d, e);
        QVERIFY(d.isChanges);
        QCOMPARE(d.deviceDesc, QStringLiteral("Side hall"));
    }

    void numberFieldRanges() {
        for (const char *ok : {"1", "100", "10000"})
            QVERIFY2(isTimeValueValid(QLatin1String(ok)), ok);
        for (const char *bad : {"", "0", "10001", "99999", "abc", "-5"})
            QVERIFY2(!isTimeValueValid(QLatin1String(bad)), bad);
        for (const char *ok : {"", "0", "5", "10"})
            QVERIFY2(isRetryCountValid(QLatin1String(ok)), ok);
        for (const char *bad : {"11", "-1", "100"})
            QVERIFY2(!isRetryCountValid(QLatin1String(bad)), bad);
        QCOMPARE(kTimeRangeMessage, QStringLiteral("Is not a valid entry. Please specify a value between 1 and 10000"));
        QCOMPARE(kRetryRangeMessage, QStringLiteral("Is not a valid entry. Please specify a value between 0 and 10"));
    }

    void removalsFindTheRightRecords() {
        MyLibrary lib = library();
        QVERIFY(removeFirstDeviceNamed(&lib, QStringLiteral("Twin")));
        QCOMPARE(names(lib), (QStringList{"Acme/A1", "Beta/Twin", "Beta/B1"}));
        QVERIFY(!removeFirstDeviceNamed(&lib, QStringLiteral("None")));

        lib = library();
        QVERIFY(removeDeviceOf(&lib, QStringLiteral("Beta"), QStringLiteral("Twin")));
        QCOMPARE(names(lib), (QStringList{"Acme/A1", "Acme/Twin", "Beta/B1"}));
        QVERIFY(!removeDeviceOf(&lib, QStringLiteral("Beta"), QStringLiteral("A1")));
        QVERIFY(!removeDeviceOf(&lib, QStringLiteral("Gone"), QStringLiteral("A1")));

        // The first manufacturer of the name goes, with its devices.
        lib = library();
        QVERIFY(removeManufacturerNamed(&lib, QStringLiteral("Acme")));
        QCOMPARE(lib.size(), 2);
        QCOMPARE(lib[0].deviceParent, QStringLiteral("Beta"));
        QCOMPARE(lib[1].deviceParent, QStringLiteral("Acme"));
        QVERIFY(!removeManufacturerNamed(&lib, QStringLiteral("Gone")));
    }

    void entryMessagesNameTheFieldAndTheRule() {
        QVERIFY(manufacturerEntryMessage(QStringLiteral("Acme")).isEmpty());
        QCOMPARE(manufacturerEntryMessage(QStringLiteral("$Acme")),
                 QStringLiteral("Device Manufacturer cannot be kept in the project file: it begins with \"$\"."));
        for (const char *bad : {"", " ", "!A", "@A", "%A", " A", "A ", "\tA"})
            QVERIFY2(!manufacturerEntryMessage(QLatin1String(bad)).isEmpty(), bad);

        QVERIFY(deviceEntryMessage(entry()).isEmpty());
        DeviceEntry e = entry(QStringLiteral("Lamp desc:1"));
        QCOMPARE(deviceEntryMessage(e),
                 QStringLiteral("Device Type cannot be kept in the project file: it contains \"desc:\"."));
        e = entry();
        e.description = QStringLiteral("at time:5");
        QVERIFY(deviceEntryMessage(e).startsWith(QStringLiteral("Device Description cannot be kept")));
        e = entry();
        e.conn[MyConnParam::Normal_Replay] = QStringLiteral("O K");
        QVERIFY(deviceEntryMessage(e).startsWith(QStringLiteral("Normal reply cannot be kept")));
        QVERIFY(deviceEntryMessage(e).contains(QStringLiteral("HEX field")));
        e = entry();
        e.conn[MyConnParam::Handshake] = QStringLiteral("XON / XOFF");
        QVERIFY(deviceEntryMessage(e).isEmpty());
        e.conn[MyConnParam::Replay_Wait_Time] = QString(QChar(0x20AC));
        QVERIFY(deviceEntryMessage(e).startsWith(QStringLiteral("Wait time [ms] cannot be kept")));
        // The name is named first when several texts fail.
        e.name = QString();
        QVERIFY(deviceEntryMessage(e).startsWith(QStringLiteral("Device Type")));
    }
};

QTEST_GUILESS_MAIN(TestTreeRules)
#include "tst_treerules.moc"
