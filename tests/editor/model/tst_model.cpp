// Change flags of connection settings and lookups of records by name.
#include "connflags.h"
#include "library.h"

#include <QtTest>

namespace {
MyConnParam sampleConn() {
    MyConnParam p;
    const char *values[] = {"9600", "8", "1", "None", "HW", "100", "3", "", "1B", "OK", "", "ER", "", "500"};
    for (int i = 0; i < MyConnParam::FieldCount; ++i)
        p[i] = QString::fromLatin1(values[i]);
    return p;
}

MyDevice device(const QString &name) {
    MyDevice d;
    d.deviceType = name;
    return d;
}
} // namespace

class TestModel : public QObject {
    Q_OBJECT
private slots:
    void compareIsCaseSensitiveAndIgnoresFlag() {
        QVERIFY(!compareTwoStrings("abc", "abc", 0));
        QVERIFY(compareTwoStrings("abc", "ABC", 0));
        QVERIFY(!compareTwoStrings("abc", "abc", 13));
        QVERIFY(compareTwoStrings("", "x", 7));
    }

    void changedBitsFollowFieldNumbering() {
        const MyConnParam saved = sampleConn();
        MyConnParam cur = saved;
        cur[MyConnParam::Speed] = "19200";
        cur[MyConnParam::Replay_Wait_Time] = "501";
        cur.flags = 0;
        QVERIFY(setConnChanged(&cur, &saved));
        QCOMPARE(cur.flags, quint32((1u << 0) | (1u << 13)));
    }

    void settingChangedAndChangedBackLeavesBitClear() {
        const MyConnParam saved = sampleConn();
        MyConnParam cur = saved;
        cur[MyConnParam::Parity] = "Odd";
        cur.flags = 0;
        QVERIFY(setConnChanged(&cur, &saved));
        cur[MyConnParam::Parity] = "None";
        cur.flags = 0; // the caller clears before each comparison
        QVERIFY(!setConnChanged(&cur, &saved));
        QCOMPARE(cur.flags, 0u);
    }

    void setBitsStayWhenNotCleared() {
        const MyConnParam saved = sampleConn();
        MyConnParam cur = saved;
        cur.flags = 1u << 4;
        QVERIFY(setConnChanged(&cur, &saved));
        QCOMPARE(cur.flags, 1u << 4);
    }

    void savedBits() {
        MyConnParam p;
        p.flags = (1u << 0) | (1u << 9) | (1u << 13);
        setConnSaved2(&p);
        QCOMPARE(p.flags, quint32((1u << 0) | (1u << 9) | (1u << 13) | (1u << 14) | (1u << 23) | (1u << 27)));
        QVERIFY(isFieldSaved(p, 9));
        QVERIFY(!isFieldSaved(p, 1));

        const MyConnParam saved = sampleConn();
        MyConnParam cur = saved;
        QVERIFY(!setConnSaved(&cur, &saved));
        cur[MyConnParam::CMD_Prefix_HEX] = "1C";
        QVERIFY(setConnSaved(&cur, &saved));
        QCOMPARE(cur.flags, 1u << (14 + MyConnParam::CMD_Prefix_HEX));
    }

    void newDeviceIsAllChanged() {
        QCOMPARE(MyConnParam::AllChanged, 0x3FFFu);
        MyConnParam p;
        p.flags = MyConnParam::AllChanged;
        for (int i = 0; i < MyConnParam::FieldCount; ++i)
            QVERIFY(isFieldChanged(p, i));
        QVERIFY(!isFieldChanged(p, 14));
    }

    void lookupsByName() {
        MyLibrary lib;
        MyPreset a{"Acme", {device("Proj"), device("Dup"), device("Dup")}};
        MyPreset b{"acme", {device("Other"), device("Proj")}};
        MyPreset empty{"Empty", {}};
        lib << a << b << empty << MyPreset{"Acme", {device("Late")}};

        QCOMPARE(findPreset(lib, "Acme"), 0); // first match wins
        QCOMPARE(findPreset(lib, "acme"), 1); // case-sensitive
        QCOMPARE(findPreset(lib, "none"), -1);
        QCOMPARE(findDevice(lib, 0, "Dup"), 1);
        QCOMPARE(findDevice(lib, 1, "Proj"), 1); // only within the given manufacturer
        QCOMPARE(findDevice(lib, 1, "Dup"), -1);
        QCOMPARE(findDevice(lib, 0, "Late"), -1);
        QCOMPARE(findDevice(lib, 2, "Proj"), -1);
        QCOMPARE(findDevice(lib, 7, "Proj"), -1);
        QCOMPARE(findDevice(lib, -1, "Proj"), -1);
    }

    void editsReachTheLibraryEntry() {
        MyLibrary lib{MyPreset{"Acme", {device("Proj")}}};
        MyDevice &d = lib[0].listMyDevices[0];
        d.listChanel.append(MyChanel{"changed", "1", "0", "10", "ASCII:on", "On"});
        QCOMPARE(lib.at(0).listMyDevices.at(0).listChanel.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestModel)
#include "tst_model.moc"
