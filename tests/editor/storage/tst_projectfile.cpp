// The project file format: the worked example byte for byte, every line form
// of the reader, and what malformed input does.
#include "projectfile.h"

#include <QBuffer>
#include <QFile>
#include <QtTest>

namespace {
QByteArray fixture(const char *name) {
    QFile file(QStringLiteral(VORNE_TEST_DATA "/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", name);
    return file.readAll();
}

ProjectFileContent readBytes(const QByteArray &bytes) {
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    ProjectFileContent content;
    QString error;
    if (!readProjectFile(&buffer, &content, &error))
        qFatal("read failed: %s", qPrintable(error));
    return content;
}

QByteArray writeBytes(const MyLibrary &library, const QString &base = QStringLiteral("P")) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QString error;
    if (!writeProjectFile(&buffer, library, base, libraryTree(library), &error))
        qFatal("write failed: %s", qPrintable(error));
    return bytes;
}

MyLibrary roundTrip(const MyLibrary &library) { return readBytes(writeBytes(library)).library; }

MyChanel row(const char *ch, const char *lo, const char *hi, const QString &cmd, const QString &fn) {
    MyChanel r;
    r.dmx_chanel = QLatin1String(ch);
    r.dmx_valueFrom = QLatin1String(lo);
    r.dmx_valueTo = QLatin1String(hi);
    r.rs_c = cmd;
    r.function = fn;
    return r;
}

MyDevice device(const QString &name, const QString &desc = QString(), const QString &time = QString()) {
    MyDevice d;
    d.deviceType = d.deviceTypeSaved = name;
    d.deviceDesc = d.deviceDescSaved = desc;
    d.deviceTime = time;
    return d;
}

MyLibrary demoLibrary() {
    MyDevice d =
        device(QStringLiteral("Projector X"), QStringLiteral("Main hall"), QStringLiteral("06.12.2026 | 10:15:00"));
    const char *values[] = {"9600", "8", "1", "None", "None", "100", "2", "", "", "OK", "", "", "", "500"};
    for (int i = 0; i < MyConnParam::FieldCount; ++i)
        d.connParam[i] = d.connParamSaved[i] = QLatin1String(values[i]);
    d.listChanel = {row("1", "0", "127", QStringLiteral("ASCII:PWR OFF"), QStringLiteral("Power off")),
                    row("1", "128", "255", QStringLiteral("ASCII:PWR ON"), QStringLiteral("Power on"))};
    return {MyPreset{QStringLiteral("Acme"), {d}}};
}

bool sameDevice(const MyDevice &a, const MyDevice &b) {
    return a.deviceType == b.deviceType && a.deviceDesc == b.deviceDesc && a.deviceTypeSaved == b.deviceTypeSaved &&
           a.deviceDescSaved == b.deviceDescSaved && a.deviceTime == b.deviceTime && a.connParam == b.connParam &&
           a.connParamSaved == b.connParamSaved && a.listChanel == b.listChanel &&
           a.changesInTable == b.changesInTable && a.changesInConn == b.changesInConn && a.isChanges == b.isChanges;
}

bool sameLibrary(const MyLibrary &a, const MyLibrary &b) {
    if (a.size() != b.size())
        return false;
    for (int p = 0; p < a.size(); ++p) {
        if (a[p].deviceParent != b[p].deviceParent || a[p].listMyDevices.size() != b[p].listMyDevices.size())
            return false;
        for (int d = 0; d < a[p].listMyDevices.size(); ++d)
            if (!sameDevice(a[p].listMyDevices[d], b[p].listMyDevices[d]))
                return false;
    }
    return true;
}

// A minimal data part giving `name` one setting and the given row lines.
QByteArray sections(const QByteArray &name, const QByteArray &speed, const QByteArray &rows) {
    return "\n$" + name + "\nSpeed=" + speed + "\n!\n\n###\n%" + name + "\n" + rows + "!\n";
}
} // namespace

class TestProjectFile : public QObject {
    Q_OBJECT
private slots:
    void workedExampleIsWrittenByteForByte() {
        QCOMPARE(writeBytes(demoLibrary(), QStringLiteral("Demo")), fixture("Demo.prj"));
    }

    void workedExampleIsReadIntoTheLibrary() {
        const ProjectFileContent content = readBytes(fixture("Demo.prj"));
        QVERIFY(content.hasHeader);
        QCOMPARE(content.header, QStringLiteral("Demo"));
        QCOMPARE(content.firstPreset, 0);
        QCOMPARE(content.firstDevice, 0);
        QCOMPARE(content.library.size(), 1);
        const MyDevice &d = content.library[0].listMyDevices.at(0);
        QCOMPARE(d.deviceType, QStringLiteral("Projector X"));
        QCOMPARE(d.deviceTypeSaved, QStringLiteral("Projector X"));
        QCOMPARE(d.deviceDesc, QStringLiteral("Main hall"));
        QCOMPARE(d.deviceDescSaved, QStringLiteral("Main hall"));
        QCOMPARE(d.deviceTime, QStringLiteral("06.12.2026 | 10:15:00"));
        const MyDevice expected = demoLibrary()[0].listMyDevices[0];
        QCOMPARE(d.connParam, expected.connParam);
        QCOMPARE(d.connParamSaved, expected.connParam);
        QCOMPARE(d.listChanel, expected.listChanel);
        QVERIFY(!d.isChanges && !d.changesInConn && !d.changesInTable);
    }

    void writeReadWriteIsIdentical() {
        const QByteArray demo = fixture("Demo.prj");
        QCOMPARE(writeBytes(readBytes(demo).library, QStringLiteral("Demo")), demo);
    }

    void contractReaderFillsLibrary() {
        QByteArray demo = fixture("Demo.prj");
        QBuffer buffer(&demo);
        buffer.open(QIODevice::ReadOnly);
        MyLibrary library{MyPreset{QStringLiteral("stale"), {}}};
        QVERIFY(readProjectFile(&buffer, &library, nullptr));
        QCOMPARE(library.size(), 1);
        QCOMPARE(library[0].listMyDevices[0].listChanel.size(), 2);
    }

    void readerAndWriterRefuseClosedDevices() {
        QBuffer closed;
        MyLibrary library;
        QString error;
        QVERIFY(!readProjectFile(&closed, &library, &error));
        QVERIFY(!error.isEmpty());
        error.clear();
        QVERIFY(!writeProjectFile(&closed, library, QStringLiteral("x"), {}, &error));
        QVERIFY(!error.isEmpty());
    }

    void treePartFollowsTheGivenOrderAndDataPartTheLibrary() {
        MyLibrary library{
            MyPreset{QStringLiteral("Zeta"), {device(QStringLiteral("Z1"))}},
            MyPreset{QStringLiteral("Alpha"), {device(QStringLiteral("A2")), device(QStringLiteral("A1"))}}};
        ProjectTree tree{{QStringLiteral("Alpha"), {{QStringLiteral("A1"), {}, {}}, {QStringLiteral("A2"), {}, {}}}},
                         {QStringLiteral("Zeta"), {{QStringLiteral("Z1"), {}, {}}}}};
        const QByteArray bytes = projectFileBytes(library, QStringLiteral("T"), tree);
        QVERIFY(bytes.startsWith("@T\nAlpha\n\tA1\n\tA2\nZeta\n\tZ1\n!\n\n$Z1\n"));
        QVERIFY(bytes.indexOf("$A2") < bytes.indexOf("$A1"));
    }

    void devicesLeftOutOfTheTreeKeepSectionsButAreNotLoaded() {
        // A USB entry is not in the tree part; its sections are written all the same.
        MyDevice usb = device(QStringLiteral("USB dev"));
        usb.connParam[MyConnParam::Speed] = QStringLiteral("4800");
        MyLibrary library = demoLibrary();
        library.append(MyPreset{QStringLiteral("USB:file.bin"), {usb}});
        ProjectTree tree = libraryTree(library);
        tree.removeLast();
        const QByteArray bytes = projectFileBytes(library, QStringLiteral("Demo"), tree);
        QVERIFY(bytes.contains("$USB dev\nSpeed=4800\n"));
        const MyLibrary loaded = readBytes(bytes).library;
        QCOMPARE(loaded.size(), 1);
        QCOMPARE(loaded[0].deviceParent, QStringLiteral("Acme"));
    }

    void devicesLeftOutOfTheTreeNeverShadowAListedDevice() {
        // The image was read before "Bcorp" was added, and its device has the
        // name of one of Bcorp's: the listed device must get its own sections.
        MyDevice usb = device(QStringLiteral("X1"));
        usb.connParam[MyConnParam::Speed] = QStringLiteral("4800");
        usb.listChanel = {row("1", "0", "255", QStringLiteral("ASCII:USB"), QStringLiteral("from image"))};
        MyDevice listed = device(QStringLiteral("X1"));
        listed.connParam[MyConnParam::Speed] = QStringLiteral("19200");
        listed.listChanel = {row("2", "0", "9", QStringLiteral("ASCII:OWN"), QStringLiteral("own"))};
        const MyLibrary library{MyPreset{QStringLiteral("USB:Acme"), {usb}},
                                MyPreset{QStringLiteral("Bcorp"), {listed}}};
        const ProjectTree tree{{QStringLiteral("Bcorp"), {{QStringLiteral("X1"), {}, {}}}}};
        const QByteArray bytes = projectFileBytes(library, QStringLiteral("P"), tree);
        QVERIFY(bytes.indexOf("Speed=19200") < bytes.indexOf("Speed=4800"));
        const MyLibrary loaded = readBytes(bytes).library;
        QCOMPARE(loaded.size(), 1);
        const MyDevice &back = loaded[0].listMyDevices[0];
        QCOMPARE(back.connParam[MyConnParam::Speed], QStringLiteral("19200"));
        QCOMPARE(back.listChanel, listed.listChanel);
    }

    void deviceLineOmitsEmptyDescriptionAndDate() {
        MyLibrary library{
            MyPreset{QStringLiteral("M"),
                     {device(QStringLiteral("a")), device(QStringLiteral("b"), QString(), QStringLiteral("t")),
                      device(QStringLiteral("c"), QStringLiteral("d"))}}};
        QVERIFY(writeBytes(library).startsWith("@P\nM\n\ta\n\tb\t\ttime:t\n\tc\t\tdesc:d\n!\n"));
        const MyLibrary back = roundTrip(library);
        QCOMPARE(back[0].listMyDevices[1].deviceTime, QStringLiteral("t"));
        QCOMPARE(back[0].listMyDevices[1].deviceDesc, QString());
        QCOMPARE(back[0].listMyDevices[2].deviceDesc, QStringLiteral("d"));
        QCOMPARE(back[0].listMyDevices[2].deviceTime, QString());
    }

    void latin1SurvivesARoundTrip() {
        const QString umlaut = QString::fromUtf8("Lärm é °C");
        MyDevice d = device(QString::fromUtf8("Gerät °"), QString::fromUtf8("Saal é"), QStringLiteral("t"));
        d.connParam[MyConnParam::Normal_Replay] = QString::fromUtf8("é");
        d.listChanel = {row("3", "0", "10", QStringLiteral("ASCII:") + umlaut, QString::fromUtf8("Wärme"))};
        const MyLibrary library{MyPreset{QString::fromUtf8("Müller"), {d}}};
        const QByteArray bytes = writeBytes(library);
        QVERIFY(bytes.contains("M\xfcller\n\tGer\xe4t \xb0"));
        const MyLibrary back = readBytes(bytes).library;
        QCOMPARE(back[0].deviceParent, QString::fromUtf8("Müller"));
        const MyDevice &b = back[0].listMyDevices[0];
        QCOMPARE(b.deviceType, d.deviceType);
        QCOMPARE(b.deviceDesc, d.deviceDesc);
        QCOMPARE(b.connParam[MyConnParam::Normal_Replay], QString::fromUtf8("é"));
        QCOMPARE(b.listChanel, d.listChanel);
    }

    void charactersOutsideLatin1BecomeQuestionMarks() {
        const MyLibrary library{MyPreset{QString::fromUtf8("Łódź €"), {}}};
        QVERIFY(writeBytes(library).startsWith("@P\n?\xf3"
                                               "d? ?\n!\n"));
    }

    void carriageReturnLineEndsAreAccepted() {
        QByteArray crlf = fixture("Demo.prj");
        crlf.replace("\n", "\r\n");
        const ProjectFileContent content = readBytes(crlf);
        QCOMPARE(content.header, QStringLiteral("Demo"));
        QVERIFY(sameLibrary(content.library, readBytes(fixture("Demo.prj")).library));
    }

    void settingsLoseBlanksExceptHandshake() {
        const QByteArray file =
            "@P\nM\n\tD\n!\n\n$D\nNormal_Replay=O K \nError_Replay =X\nHandshake= XON / XOFF \nCMD_Prefix=\tA B\n!\n"
            "%D\n!\n";
        const MyDevice d = readBytes(file).library[0].listMyDevices[0];
        QCOMPARE(d.connParam[MyConnParam::Normal_Replay], QStringLiteral("OK"));
        QCOMPARE(d.connParam[MyConnParam::Error_Replay], QString()); // the key must be followed by "="
        QCOMPARE(d.connParam[MyConnParam::Handshake], QStringLiteral("XON / XOFF"));
        QCOMPARE(d.connParam[MyConnParam::CMD_Prefix], QStringLiteral("AB"));
        QCOMPARE(d.connParamSaved, d.connParam);
        QVERIFY(d.listChanel.isEmpty());

        const MyDevice r =
            readBytes("@P\nM\n\tD\n!\n%D\n1 2,\t0 ,\t1 0,\tASCII:A B ,\t f n \n!\n").library[0].listMyDevices[0];
        QCOMPARE(r.listChanel.size(), 1);
        QCOMPARE(r.listChanel[0].dmx_chanel, QStringLiteral("12"));
        QCOMPARE(r.listChanel[0].dmx_valueFrom, QStringLiteral("0"));
        QCOMPARE(r.listChanel[0].dmx_valueTo, QStringLiteral("10"));
        QCOMPARE(r.listChanel[0].rs_c, QStringLiteral("ASCII:A B "));
        QCOMPARE(r.listChanel[0].function, QStringLiteral(" f n "));
        QCOMPARE(r.listChanel[0].status, QString());
    }

    void settingsSectionIgnoresCommentsUnknownKeysAndPrefixLookalikes() {
        const QByteArray file = "@P\nM\n\tD\n!\n$D\n#Speed=1\nSpeedy=2\nspeed=3\n Speed=4\nNormal_Replay_HEX=0A\n"
                                "Normal_Replay=OK\nFoo=bar\n!\n";
        const MyDevice d = readBytes(file).library[0].listMyDevices[0];
        QCOMPARE(d.connParam[MyConnParam::Speed], QString());
        QCOMPARE(d.connParam[MyConnParam::Normal_Replay_HEX], QStringLiteral("0A"));
        QCOMPARE(d.connParam[MyConnParam::Normal_Replay], QStringLiteral("OK"));
    }

    void rowsSectionSkipsCommentsIndentedAndEmptyLinesAndSorts() {
        const QByteArray file = "@P\nM\n\tD\n!\n%D\n#1,\t0,\t1,\tx,\ty\n\t2,\t0,\t1,\tx,\ty\n 3,\t0,\t1,\tx,\ty\n\n"
                                "10,\t0,\t1,\tx,\ty\n9,\t5,\t6,\tx,\ty\n9,\t0,\t1,\tx,\ty,\textra,\tmore\n!\n"
                                "11,\t0,\t1,\tafter,\tend\n";
        const QList<MyChanel> rows = readBytes(file).library[0].listMyDevices[0].listChanel;
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[0], row("9", "0", "1", QStringLiteral("x"), QStringLiteral("y")));
        QCOMPARE(rows[1].dmx_valueFrom, QStringLiteral("5"));
        QCOMPARE(rows[2].dmx_chanel, QStringLiteral("10"));
    }

    void rowsWithFewerThanFiveFieldsAreSkipped() {
        const QByteArray file = "@P\nM\n\tD\n!\n%D\n1,\t0,\t1,\tx\n2,\t0,\t1,\tx,\t\n3\n!\n";
        const QList<MyChanel> rows = readBytes(file).library[0].listMyDevices[0].listChanel;
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0].dmx_chanel, QStringLiteral("2"));
        QCOMPARE(rows[0].function, QString());
    }

    void nameOrDescriptionWithMarkersDoesNotSurvive() {
        const QString t = QStringLiteral("01.01.2026 | 00:00:00");
        const QList<MyDevice> broken{device(QStringLiteral("A desc:B"), QStringLiteral("d"), t),
                                     device(QStringLiteral("A time:B"), QStringLiteral("d"), t),
                                     device(QStringLiteral("A time:B")),
                                     device(QStringLiteral("N"), QStringLiteral("x time:y"), t)};
        for (const MyDevice &d : broken) {
            const MyDevice back = roundTrip({MyPreset{QStringLiteral("M"), {d}}})[0].listMyDevices[0];
            QVERIFY2(back.deviceType != d.deviceType || back.deviceDesc != d.deviceDesc ||
                         back.deviceTime != d.deviceTime,
                     qPrintable(d.deviceType));
        }
        const MyDevice back = roundTrip({MyPreset{QStringLiteral("M"), {broken[0]}}})[0].listMyDevices[0];
        QCOMPARE(back.deviceType, QStringLiteral("A"));
        QCOMPARE(back.deviceDesc, QStringLiteral("B\t\tdesc:d"));
    }

    void duplicateNamesShareTheFirstSections() {
        const QByteArray file = "@P\nA\n\tD\nB\n\tD\n!\n" + sections("D", "1", "1,\t0,\t1,\tfirst,\tf\n") +
                                sections("D", "2", "2,\t0,\t1,\tsecond,\ts\n");
        const MyLibrary library = readBytes(file).library;
        for (int p = 0; p < 2; ++p) {
            const MyDevice &d = library[p].listMyDevices[0];
            QCOMPARE(d.connParam[MyConnParam::Speed], QStringLiteral("1"));
            QCOMPARE(d.listChanel.size(), 1);
            QCOMPARE(d.listChanel[0].rs_c, QStringLiteral("first"));
        }
    }

    void settingsSectionsBeforeTheRowsSectionAllApply() {
        const QByteArray file = "@P\nM\n\tD\n!\n$D\nSpeed=1\nParity=Odd\n!\n$D\nSpeed=2\n!\n%D\n!\n$D\nSpeed=3\n!\n";
        const MyDevice d = readBytes(file).library[0].listMyDevices[0];
        QCOMPARE(d.connParam[MyConnParam::Speed], QStringLiteral("2"));
        QCOMPARE(d.connParam[MyConnParam::Parity], QStringLiteral("Odd"));
    }

    void sectionsOfUnknownDevicesAndStrayLinesAreIgnored() {
        const QByteArray file = "@P\nM\n\tD\n\tE\n!\nstray\n" + sections("X", "9", "1,\t0,\t1,\tx,\tx\n") +
                                sections("D", "7", "") + "Speed=8\n1,\t0,\t1,\tx,\tx\n";
        const MyLibrary library = readBytes(file).library;
        QCOMPARE(library[0].listMyDevices[0].connParam[MyConnParam::Speed], QStringLiteral("7"));
        QVERIFY(library[0].listMyDevices[0].listChanel.isEmpty());
        const MyDevice &e = library[0].listMyDevices[1];
        QCOMPARE(e.connParam, MyConnParam());
        QVERIFY(e.listChanel.isEmpty());
    }

    void sectionWithoutEndRunsToEndOfFile() {
        const MyDevice d = readBytes("@P\nM\n\tD\n!\n%D\n4,\t0,\t1,\tx,\ty").library[0].listMyDevices[0];
        QCOMPARE(d.listChanel.size(), 1);
        QCOMPARE(d.listChanel[0].function, QStringLiteral("y"));
    }

    void manufacturerWithoutDevicesSurvives() {
        const MyLibrary library{MyPreset{QStringLiteral("Empty"), {}}, demoLibrary()[0]};
        const QByteArray bytes = writeBytes(library);
        QVERIFY(bytes.startsWith("@P\nEmpty\nAcme\n\tProjector X"));
        const MyLibrary back = readBytes(bytes).library;
        QCOMPARE(back.size(), 2);
        QCOMPARE(back[0].deviceParent, QStringLiteral("Empty"));
        QVERIFY(back[0].listMyDevices.isEmpty());
        QCOMPARE(readBytes(bytes).firstPreset, 1);
    }

    void emptyTreeLineIsAManufacturerWithoutName() {
        const MyLibrary library = readBytes("@P\nA\n\nB\n!\n").library;
        QCOMPARE(library.size(), 3);
        QCOMPARE(library[1].deviceParent, QString());
    }

    void manufacturerNamesThatLookLikeOtherLinesDoNotSurvive() {
        MyLibrary library{MyPreset{QStringLiteral("!Bang"), {}}};
        QCOMPARE(roundTrip(library).size(), 0);
        library = {MyPreset{QStringLiteral("@At"), {}}};
        ProjectFileContent content = readBytes(writeBytes(library));
        QCOMPARE(content.library.size(), 0);
        QCOMPARE(content.header, QStringLiteral("At"));
        library = {MyPreset{QStringLiteral("A"), {}}, MyPreset{QStringLiteral(" Blank"), {}},
                   MyPreset{QStringLiteral("\tTab"), {}}};
        const MyLibrary back = roundTrip(library);
        QCOMPARE(back.size(), 1);
        QCOMPARE(back[0].listMyDevices.size(), 2);
        QCOMPARE(back[0].listMyDevices[0].deviceType, QStringLiteral("Blank"));
    }

    void treeLinesAreTrimmedAndBlankDeviceLinesIgnored() {
        const ProjectFileContent content = readBytes("@  Name  \n Orphan\nAcme  \n\t \n\t Dev \t\tdesc: d \n!\n");
        QCOMPARE(content.header, QStringLiteral("Name"));
        QCOMPARE(content.library.size(), 1);
        QCOMPARE(content.library[0].deviceParent, QStringLiteral("Acme"));
        QCOMPARE(content.library[0].listMyDevices.size(), 1);
        QCOMPARE(content.library[0].listMyDevices[0].deviceType, QStringLiteral("Dev"));
        QCOMPARE(content.library[0].listMyDevices[0].deviceDesc, QStringLiteral("d"));
    }

    void malformedInputLoadsWithoutFailing() {
        QCOMPARE(readBytes(QByteArray()).library.size(), 0);
        QVERIFY(!readBytes(QByteArray()).hasHeader);
        QCOMPARE(readBytes("\n").library.size(), 1); // one empty line: a nameless manufacturer

        QByteArray garbage(70000, '\0');
        for (int i = 0; i < garbage.size(); ++i)
            garbage[i] = char((i * 7919 + 13) % 256);
        readBytes(garbage);
        readBytes("$\n%\n!\n\t\n@\n" + garbage);

        const QByteArray longName(2 * 1024 * 1024, 'x');
        const ProjectFileContent content = readBytes("@P\n" + longName + "\n\t" + longName + "\n!\n%" + longName +
                                                     "\n1,\t0,\t1,\t" + longName + ",\tf\n!\n");
        QCOMPARE(content.library[0].deviceParent.size(), longName.size());
        QCOMPARE(content.library[0].listMyDevices[0].listChanel[0].rs_c.size(), longName.size());
    }

    void readDeviceDataFillsOneDevice() {
        QByteArray demo = fixture("Demo.prj");
        QBuffer buffer(&demo);
        buffer.open(QIODevice::ReadOnly);
        MyDevice d = device(QStringLiteral("Projector X"));
        QVERIFY(readDeviceData(&buffer, QStringLiteral("Projector X"), &d, nullptr));
        QCOMPARE(d.connParam[MyConnParam::Speed], QStringLiteral("9600"));
        QCOMPARE(d.listChanel.size(), 2);
    }

    void readTreeOnlyLeavesDevicesEmpty() {
        QByteArray demo = fixture("Demo.prj");
        QBuffer buffer(&demo);
        buffer.open(QIODevice::ReadOnly);
        ProjectFileContent content;
        QVERIFY(readProjectTree(&buffer, &content, nullptr));
        QCOMPARE(content.library[0].listMyDevices[0].connParam, MyConnParam());
        buffer.seek(0);
        QVERIFY(readProjectData(&buffer, &content.library, nullptr));
        QVERIFY(sameLibrary(content.library, readBytes(demo).library));
    }

    void baseNameDropsFolderAndEverythingFromFirstDot() {
        QCOMPARE(projectBaseName(QStringLiteral("/data/Demo.prj")), QStringLiteral("Demo"));
        QCOMPARE(projectBaseName(QStringLiteral("/x.y/Stage.v2.prj")), QStringLiteral("Stage"));
        QCOMPARE(projectBaseName(QStringLiteral("plain")), QStringLiteral("plain"));
    }

    // The lines a check reports must be those of the records the editor reads.
    void linesOfWhatIsReadAndSkipped() {
        const QByteArray file = "@P\n"                          // 1
                                "\tOrphan\n"                    // 2
                                "Acme\n"                        // 3
                                "\tB\n"                         // 4
                                "\tA\t\tdesc:x\n"               // 5
                                "Other\n"                       // 6
                                "\tA\n"                         // 7
                                "!\n"                           // 8
                                "\n"                            // 9
                                "$A\n"                          // 10
                                "Speed=1\n"                     // 11
                                "# Speed=3\n"                   // 12
                                "Normal_Replay=OK\r\n"          // 13
                                "!\n"                           // 14
                                "%A\n"                          // 15
                                "5,\t10,\t20,\tASCII:x,\tf\n"   // 16
                                "\t2,\t0,\t1,\tASCII:q,\tq\n"   // 17
                                "2,\t0,\t10,\tASCII:y,\tg\n"    // 18
                                "3,\t1\n"                       // 19
                                "5,\t0,\t5,\tASCII:z,\th,\tx\n" // 20
                                "!\n"                           // 21
                                "$Ghost\n"                      // 22
                                "!\n"                           // 23
                                "%A\n"                          // 24
                                "!\n"                           // 25
                                "$B\n"                          // 26
                                "Sped=2\n"                      // 27
                                "Speed=4\n"                     // 28
                                "!";                            // 29
        QByteArray copy = file;
        QBuffer buffer(&copy);
        buffer.open(QIODevice::ReadOnly);
        ProjectFileContent content;
        ProjectFileLines lines;
        QVERIFY(readProjectFile(&buffer, &content, nullptr, &lines));

        // Asking for lines reads exactly what the editor reads.
        QCOMPARE(writeBytes(content.library), writeBytes(readBytes(file).library));

        // Comments and empty lines are not noted; a long rows line is read.
        QList<QPair<int, PassedOverLine::Kind>> passed;
        for (const PassedOverLine &p : lines.passedOver)
            passed.append({p.line, p.kind});
        using K = PassedOverLine;
        const QList<QPair<int, PassedOverLine::Kind>> expected = {
            {2, K::OrphanDevice},    {17, K::IndentedRow},    {19, K::ShortRow},       {22, K::IgnoredSection},
            {23, K::IgnoredSection}, {24, K::IgnoredSection}, {25, K::IgnoredSection}, {27, K::NotASetting}};
        QCOMPARE(passed, expected);
        QCOMPARE(lines.passedOver[0].text, QStringLiteral("\tOrphan"));
        QCOMPARE(lines.longRowLines, QList<int>{20});
        QCOMPARE(lines.manufacturers.size(), 2);
        QCOMPARE(lines.manufacturers[0].line, 3);
        QCOMPARE(lines.manufacturers[1].line, 6);

        const ProjectDeviceLines &b = lines.manufacturers[0].devices[0];
        QCOMPARE(b.line, 4);
        QCOMPARE(b.settingsLine, 26);
        QCOMPARE(b.rowsLine, 0);
        QCOMPARE(b.fieldLines[MyConnParam::Speed], 28); // the line whose value is kept
        QCOMPARE(content.library[0].listMyDevices[0].connParam[MyConnParam::Speed], QStringLiteral("4"));

        const ProjectDeviceLines &a = lines.manufacturers[0].devices[1];
        QCOMPARE(a.line, 5);
        QCOMPARE(a.settingsLine, 10);
        QCOMPARE(a.rowsLine, 15);
        QCOMPARE(a.fieldLines[MyConnParam::Speed], 11);
        QCOMPARE(a.fieldLines[MyConnParam::Normal_Replay], 13);
        QCOMPARE(a.fieldLines[MyConnParam::Parity], 0);
        // Rows are sorted; their lines follow them.
        const QList<MyChanel> &rows = content.library[0].listMyDevices[1].listChanel;
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[0].function, QStringLiteral("g"));
        QCOMPARE(rows[1].function, QStringLiteral("h"));
        QCOMPARE(rows[2].function, QStringLiteral("f"));
        QCOMPARE(a.rowLines, (QList<int>{18, 20, 16}));
        for (const MyChanel &row : rows)
            QCOMPARE(row.status, QString());

        // The second "A" is given the first one's sections, lines included.
        const ProjectDeviceLines &a2 = lines.manufacturers[1].devices[0];
        QCOMPARE(a2.line, 7);
        QCOMPARE(a2.rowLines, a.rowLines);

        QCOMPARE(lines.ignoredSections.size(), 2);
        QCOMPARE(lines.ignoredSections[0].line, 22);
        QCOMPARE(lines.ignoredSections[0].name, QStringLiteral("Ghost"));
        QVERIFY(!lines.ignoredSections[0].rows);
        QCOMPARE(lines.ignoredSections[0].namesRowsLine, 0);
        QCOMPARE(lines.ignoredSections[1].line, 24);
        QVERIFY(lines.ignoredSections[1].rows);
        QCOMPARE(lines.ignoredSections[1].namesRowsLine, 15);
    }
};

QTEST_GUILESS_MAIN(TestProjectFile)
#include "tst_projectfile.moc"
