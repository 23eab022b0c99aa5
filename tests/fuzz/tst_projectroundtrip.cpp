// The project file gives back what it keeps: the inputs that once broke the
// round trip are caught by the file rules, and what the rules let through
// reads back field by field and writes back byte for byte.
#include "filerules.h"
#include "keptlibrary.h"
#include "projectfile.h"

#include <QBuffer>
#include <QFile>
#include <QtTest>

namespace {
MyLibrary readBytes(const QByteArray &bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    MyLibrary library;
    if (!readProjectFile(&buffer, &library, nullptr))
        qFatal("read failed");
    return library;
}

QByteArray writeBytes(const MyLibrary &library, const QString &baseName = QStringLiteral("P")) {
    return projectFileBytes(library, baseName, libraryTree(library));
}

QString problemsText(const QList<KeepProblem> &problems) {
    QStringList lines;
    for (const KeepProblem &p : problems)
        lines << p.what + QStringLiteral(": ") + p.problem;
    return lines.join(QLatin1Char('\n'));
}

MyDevice device(const QString &name) {
    MyDevice d;
    d.deviceType = d.deviceTypeSaved = name;
    return d;
}
} // namespace

class TestProjectRoundTrip : public QObject {
    Q_OBJECT
private slots:
    void inputsThatLostDataAreCaught_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("what");    // the entry the rules must name
        QTest::addColumn<QString>("problem"); // a piece of the reason
        QTest::newRow("blank-edged manufacturer becomes the header") << QByteArray("\x0B@") << "Manufacturer"
                                                                     << "@";
        QTest::newRow("device without a name") << QByteArray("\n\ttime:") << "Device"
                                               << "";
        QTest::newRow("manufacturer opens a rows section")
            << QByteArray("\n\tX\n%X\n,\t,\t,\t,\t") << "Manufacturer \"%X\""
            << "%";
        QTest::newRow("channel ends the rows section") << QByteArray("\n\tD\n!\n%D\n\x0C!,\t,\t,\t,\t") << "Row 1"
                                                       << "!";
        QTest::newRow("carriage return in a function")
            << QByteArray("M\n\tD\n%D\n1,\t2,\t3,\t4,\t5\r\r\n!\n") << "Row 1"
            << "";
        QTest::newRow("manufacturer named like the USB entry")
            << QByteArray("@P\nUSB:X\n\tD\n!\n\n%D\n1,\t2,\t3,\t4,\t5\r\r\n!\n") << "Row 1"
            << "line break";
        QTest::newRow("nested ranges change places on every load")
            << QByteArray("@P\nM\n\tD\n!\n\n%D\n1,\t0,\t200,\tASCII:A,\ta\n1,\t10,\t100,\tASCII:B,\tb\n!\n") << "Row 1"
            << "another place";
        QTest::newRow("two devices of one name")
            << QByteArray("@P\nAcme\n\tSpot\nOther\n\tSpot\n!\n") << "Device \"Spot\" (Other)"
            << "taken";
    }

    void inputsThatLostDataAreCaught() {
        QFETCH(QByteArray, input);
        QFETCH(QString, what);
        QFETCH(QString, problem);
        const MyLibrary library = readBytes(input);
        const QList<KeepProblem> problems = libraryKeepProblems(library, -1);
        bool named = false;
        for (const KeepProblem &p : problems)
            named = named || (p.what.startsWith(what) && p.problem.contains(problem));
        QVERIFY2(named, qPrintable(problemsText(problems)));

        // What is left reads back as it was written, and is a fixed point.
        const MyLibrary kept = keptLibrary(library);
        const QByteArray written = writeBytes(kept);
        const MyLibrary back = readBytes(written);
        QVERIFY2(libraryDifference(kept, back).isEmpty(), qPrintable(libraryDifference(kept, back)));
        QCOMPARE(writeBytes(back), written);
    }

    // The editor saved this library and lost the device's rows and settings.
    void manufacturerNamedLikeARowsSectionIsCaughtAndItsDeviceSurvivesARename() {
        MyDevice acme = device(QStringLiteral("Acme"));
        acme.connParam[MyConnParam::Speed] = acme.connParamSaved[MyConnParam::Speed] = QStringLiteral("9600");
        MyChanel row;
        row.dmx_chanel = QStringLiteral("1");
        row.dmx_valueFrom = QStringLiteral("0");
        row.dmx_valueTo = QStringLiteral("127");
        row.rs_c = QStringLiteral("ASCII:ON");
        row.function = QStringLiteral("On");
        acme.listChanel << row;
        MyLibrary library{MyPreset{QStringLiteral("%Acme"), {acme}}};

        const QList<KeepProblem> problems = libraryKeepProblems(library);
        QCOMPARE(problems.size(), 1);
        QCOMPARE(problems[0].preset, 0);
        QCOMPARE(problems[0].device, -1);
        QVERIFY(readBytes(writeBytes(library))[0].listMyDevices[0].listChanel.isEmpty());

        library[0].deviceParent = QStringLiteral("Acme Corp");
        QVERIFY(libraryKeepProblems(library).isEmpty());
        const MyLibrary back = readBytes(writeBytes(library));
        QVERIFY2(libraryDifference(library, back).isEmpty(), qPrintable(libraryDifference(library, back)));
    }

    void leavingOutTakesTheWholeManufacturerOrDeviceButOnlyTheBadRow() {
        MyDevice good = device(QStringLiteral("Spot"));
        MyChanel ok;
        ok.dmx_chanel = QStringLiteral("2");
        MyChanel bad;
        bad.dmx_chanel = QStringLiteral("#1");
        good.listChanel << bad << ok;
        const MyLibrary library{MyPreset{QStringLiteral("!Promo"), {device(QStringLiteral("Wash"))}},
                                MyPreset{QStringLiteral("Acme"), {good, device(QStringLiteral("Spot"))}}};
        const MyLibrary kept = keptLibrary(library);
        QCOMPARE(kept.size(), 1);
        QCOMPARE(kept[0].deviceParent, QStringLiteral("Acme"));
        QCOMPARE(kept[0].listMyDevices.size(), 1); // the second "Spot" would get the first one's sections
        QCOMPARE(kept[0].listMyDevices[0].listChanel, QList<MyChanel>{ok});
    }

    void cleanProjectIsAFixedPointByteForByte() {
        QFile file(QStringLiteral(VORNE_TEST_DATA "/Demo.prj"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray demo = file.readAll();
        const MyLibrary library = readBytes(demo);
        QVERIFY2(libraryKeepProblems(library).isEmpty(), qPrintable(problemsText(libraryKeepProblems(library))));
        QCOMPARE(writeBytes(library, QStringLiteral("Demo")), demo);
    }
};

QTEST_GUILESS_MAIN(TestProjectRoundTrip)
#include "tst_projectroundtrip.moc"
