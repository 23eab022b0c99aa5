// The project file gives back what it keeps: the inputs that once broke the
// round trip are caught by the file rules, and what the rules let through
// reads back field by field and writes back byte for byte.
#include "connkeys.h"
#include "filerules.h"
#include "keptlibrary.h"
#include "projectcheck.h"
#include "projectfile.h"

#include <QBuffer>
#include <QFile>
#include <QRandomGenerator>
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

// Project files from the pieces the format reacts to, mostly plain ones, so
// that most files have a problem or two and many have none.
class FileMaker {
public:
    QByteArray file() {
        QByteArray f = "@P\n";
        for (int m = pick(3) + 1; m > 0; --m) {
            f += (pick(3) == 0 ? text(3) : oneOf({"Acme", "Beam", ""})) + "\n";
            for (int d = pick(3); d > 0; --d) {
                QByteArray line = "\t" + (pick(3) == 0 ? text(3) : name());
                if (pick(2))
                    line += "\t\tdesc:" + text(2);
                if (pick(2))
                    line += "\t\ttime:" + text(2);
                f += line + "\n";
            }
        }
        f += "!\n";
        for (int s = pick(4); s > 0; --s) {
            const QByteArray of = name();
            if (pick(2)) {
                f += "\n$" + of + "\n";
                for (int k = pick(3); k > 0; --k)
                    f += connKey(pick(MyConnParam::FieldCount)).toLatin1() + "=" + text(2) + "\n";
                f += "!\n";
            }
            f += "%" + of + "\n";
            for (int r = pick(4); r > 0; --r) {
                const QByteArrayList cells{pick(3) ? oneOf({"1", "2", "!", "#1", " 3", "\x0B!", "\x0C#1"}) : text(2),
                                           oneOf({"0", "10", "200"}), oneOf({"50", "100", "255"}),
                                           pick(3) ? oneOf({"ASCII:ON", "HEX:0D"}) : text(2), text(3)};
                f += cells.join(",\t") + (pick(4) ? "\n" : "\r\n");
            }
            f += "!\n";
        }
        return f;
    }

private:
    QRandomGenerator rng{22};

    int pick(int n) { return int(rng.bounded(n)); }
    QByteArray oneOf(std::initializer_list<const char *> texts) {
        return QByteArray(texts.begin()[pick(int(texts.size()))]);
    }
    QByteArray name() { return oneOf({"Dev", "X", "", "Dev "}); }
    QByteArray text(int pieces) {
        QByteArray t;
        for (int n = pick(pieces + 1); n > 0; --n)
            t += pick(4) ? oneOf({"A", "b", "7", "\xE9", "Dev", " "})
                         : oneOf({" ", "\t", "\x0B", "\r", "\xA0", "!", "@", "$", "%", "#", "desc:", "time:", ",",
                                  ",\t", "=", "\x01"});
        return t;
    }
};

// Whether the entry `p` names differs after the round trip; where the file
// loses a manufacturer or a device line, positions no longer match and any
// difference counts.
bool changes(const MyLibrary &before, const MyLibrary &after, const KeepProblem &p) {
    if (p.device < 0 || before.size() != after.size() ||
        before[p.preset].listMyDevices.size() != after[p.preset].listMyDevices.size())
        return !libraryDifference(before, after).isEmpty();
    const MyDevice &x = before[p.preset].listMyDevices[p.device];
    const MyDevice &y = after[p.preset].listMyDevices[p.device];
    if (p.row < 0)
        return !libraryDifference({MyPreset{QString(), {x}}}, {MyPreset{QString(), {y}}}).isEmpty();
    return x.listChanel.size() != y.listChanel.size() || x.listChanel[p.row] != y.listChanel[p.row];
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

    // What vorne_tool check passes without an error comes back unchanged, and
    // every entry it says the file cannot keep does change.
    void checkErrorsAreExactlyWhatChanges() {
        const QList<QByteArray> kept = {
            "@P\n\nAcme\n\tDev\n!\n",                             // an empty line: a manufacturer without a name
            "@P\nAcme\n\tDev\t\tdesc:Hall\t\ttime:1 desc:2\n!\n", // the first "desc:" is the description's
            "@P\nAcme\n\tSpot\nOther\n\tSpot\n!\n",               // both read the same sections
            "@P\nA\tB\n\tC\tD\t\tdesc:x\ty\n!\n%C\tD\n1,\t0,\t9,\tASCII:\x01,\tf\rg\n!\n", // TABs and controls inside
        };
        QList<QByteArray> files = kept;
        FileMaker maker;
        for (int n = 0; n < 3000; ++n)
            files << maker.file();
        int clean = 0, caught = 0;
        for (const QByteArray &file : files) {
            QBuffer buffer;
            buffer.setData(file);
            buffer.open(QIODevice::ReadOnly);
            ProjectFileContent content;
            ProjectFileLines lines;
            QVERIFY(readProjectFile(&buffer, &content, nullptr, &lines));
            const MyLibrary &library = content.library;
            const QByteArray written = writeBytes(library);
            const MyLibrary back = readBytes(written);
            const QString input = QString::fromLatin1(file.toPercentEncoding());
            bool keepErrors = false;
            for (const CheckDiagnostic &d : checkProject(content, lines))
                keepErrors = keepErrors || (d.error && d.message.contains(QLatin1String("cannot be kept")));
            QVERIFY2(!keepErrors || !kept.contains(file), qPrintable(input));
            if (!keepErrors) {
                ++clean;
                const QString difference = libraryDifference(library, back);
                QVERIFY2(difference.isEmpty(), qPrintable(input + QStringLiteral(": ") + difference));
                QVERIFY2(writeBytes(back) == written, qPrintable(input));
            }
            for (const KeepProblem &p : libraryKeepProblems(library, -1)) {
                ++caught;
                QVERIFY2(changes(library, back, p),
                         qPrintable(input + QStringLiteral(": ") + p.what + QStringLiteral(": ") + p.problem));
            }
        }
        QVERIFY2(clean > 500 && caught > 500, qPrintable(QStringLiteral("%1 clean, %2 caught").arg(clean).arg(caught)));
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
