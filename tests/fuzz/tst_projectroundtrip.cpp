// The project file gives back what it keeps: the inputs that once broke the
// round trip are caught by the file rules, and what the rules let through
// reads back field by field and writes back byte for byte.
#include "connkeys.h"
#include "filerules.h"
#include "keptlibrary.h"
#include "projectcheck.h"
#include "projectfile.h"
#include "textlines.h"

#include <QBuffer>
#include <QFile>
#include <QRandomGenerator>
#include <QSet>
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

void readWithLines(const QByteArray &bytes, ProjectFileContent *content, ProjectFileLines *lines) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    if (!readProjectFile(&buffer, content, nullptr, lines))
        qFatal("read failed");
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

// The lines of `input` that `output` lacks, each line counted as often as it
// stands: empty lines, comments, headers (the file's name is written there)
// and the lines in `named` are not asked for. `squeeze` compares lines with
// their blanks and the markers of a device line taken out (the writer leaves
// out an empty description or date), for files not in the writer's own form.
QStringList linesNotGivenBack(const QByteArray &input, const QByteArray &output, const QSet<int> &named, bool squeeze) {
    auto key = [squeeze](const QString &line) {
        return squeeze ? removeWhitespace(line).remove(QLatin1String("desc:")).remove(QLatin1String("time:")) : line;
    };
    QHash<QString, int> written;
    for (TextLines lines(output); !lines.atEnd();)
        ++written[key(lines.next())];
    QStringList missing;
    int lineNo = 0;
    for (TextLines lines(input); !lines.atEnd();) {
        const QString line = lines.next();
        ++lineNo;
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#')) || line.startsWith(QLatin1Char('@')) ||
            named.contains(lineNo))
            continue;
        if (--written[key(line)] < 0)
            missing << QStringLiteral("line %1: %2").arg(QString::number(lineNo), line);
    }
    return missing;
}

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

    // Each way a hand edit hides lines from the reader: check names exactly
    // those lines, and a save gives back every line it does not name.
    void handEditedLinesAreNamedOrGivenBack_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QList<int>>("passedOver");
        const QByteArray tree = "@P\nAcme\n\tDev\n!\n";                                  // 1-4
        const QByteArray settings = "\n$Dev\nSpeed=9600\nData_Bits=8\nParity=None\n!\n"; // 5-10
        const QByteArray rows =
            "\n###\n%Dev\n1,\t0,\t127,\tASCII:OFF,\tOff\n1,\t128,\t255,\tASCII:ON,\tOn\n!\n"; // 11-16
        const QByteArray base = tree + settings + rows;
        auto edited = [&](const char *from, const char *to) { return QByteArray(base).replace(from, to); };
        QTest::newRow("as the editor writes it") << base << QList<int>{};
        QTest::newRow("stray ! in a settings section")
            << edited("Speed=9600\n", "Speed=9600\n!\n") << QList<int>{9, 10, 11};
        QTest::newRow("stray ! in a rows section") << edited("Off\n", "Off\n!\n") << QList<int>{16, 17};
        QTest::newRow("manufacturer after an early ! in the tree part")
            << edited("\tDev\n!\n", "\tDev\n!\nBeam\n\tSpot\n!\n") << QList<int>{5, 6, 7};
        QTest::newRow("section opener indented by a blank") << edited("$Dev", " $Dev") << QList<int>{6, 7, 8, 9, 10};
        QTest::newRow("line ends that are carriage returns only")
            << QByteArray(base).replace('\n', '\r') << QList<int>{2, 3, 4, 6, 7, 8, 9, 10, 12, 13, 14, 15, 16};
        QTest::newRow("settings line that is no setting") << edited("Data_Bits=8", "Data Bits=8") << QList<int>{8};
        QTest::newRow("rows line of four fields") << edited("ASCII:ON,\tOn", "ASCII:ON") << QList<int>{15};
        QTest::newRow("rows line that begins with a blank") << edited("1,\t128", " 1,\t128") << QList<int>{15};
        QTest::newRow("second rows section of a name") << base + "%Dev\n2,\t0,\t9,\tASCII:X,\tx\n!\n"
                                                       << QList<int>{17, 18, 19};
        QTest::newRow("settings section after the name's rows") << base + "$Dev\nSpeed=4800\n!\n"
                                                                << QList<int>{17, 18, 19};
        QTest::newRow("section no device line names") << base + "$Ghost\nSpeed=1\n!\n" << QList<int>{17, 18, 19};
        QTest::newRow("device line above every manufacturer")
            << edited("@P\nAcme\n", "@P\n\tLost\nAcme\n") << QList<int>{2};
        QTest::newRow("manufacturer line that opens the device's sections")
            << QByteArray(base).replace("Acme", "%Dev") << QList<int>{6, 7, 8, 9, 10, 13, 14, 15, 16};
        QTest::newRow("two devices of one name, sections that differ")
            << edited("\tDev\n!\n", "\tDev\nBeam\n\tDev\n!\n") + "$Dev\nSpeed=4800\n!\n%Dev\n!\n"
            << QList<int>{19, 20, 21, 22, 23};
        QTest::newRow("two devices of one name, one copy of the sections each")
            << edited("\tDev\n!\n", "\tDev\nBeam\n\tDev\n!\n") + settings + rows << QList<int>{};
        QTest::newRow("setting given twice: only a warning")
            << edited("Parity=None\n", "Parity=None\nSpeed=4800\n") << QList<int>{};
    }

    void handEditedLinesAreNamedOrGivenBack() {
        QFETCH(QByteArray, input);
        QFETCH(QList<int>, passedOver);
        ProjectFileContent content;
        ProjectFileLines lines;
        readWithLines(input, &content, &lines);
        QList<int> errors;
        QSet<int> named;
        for (const CheckDiagnostic &d : checkProject(content, lines)) {
            named.insert(d.line);
            if (d.error &&
                d.message.endsWith(QLatin1String("the editor passes over this line; the next save drops it")))
                errors << d.line;
        }
        QCOMPARE(errors, passedOver);
        QList<int> editorLines; // the editor reads the two parts apart; it must find the same lines
        for (const PassedOverLine &p : projectPassedOver(input))
            editorLines << p.line;
        QCOMPARE(editorLines, passedOver);
        const QStringList missing = linesNotGivenBack(input, writeBytes(content.library), named, false);
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char('\n'))));
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
        int clean = 0, caught = 0, givenBack = 0;
        for (const QByteArray &file : files) {
            ProjectFileContent content;
            ProjectFileLines lines;
            readWithLines(file, &content, &lines);
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
            // A library that reads back is not enough: every line of the file
            // that check does not name must be in the saved file too.
            QSet<int> named;
            bool errors = false;
            for (const CheckDiagnostic &d : checkProject(content, lines)) {
                named.insert(d.line);
                errors = errors || d.error;
            }
            if (!errors) {
                ++givenBack;
                const QStringList missing = linesNotGivenBack(file, written, named, true);
                QVERIFY2(missing.isEmpty(), qPrintable(input + QStringLiteral(": ") + missing.join(QLatin1Char('\n'))));
            }
            for (const KeepProblem &p : libraryKeepProblems(library, -1)) {
                ++caught;
                QVERIFY2(changes(library, back, p),
                         qPrintable(input + QStringLiteral(": ") + p.what + QStringLiteral(": ") + p.problem));
            }
        }
        QVERIFY2(clean > 500 && caught > 500 && givenBack > 300,
                 qPrintable(QStringLiteral("%1 clean, %2 caught, %3 without errors")
                                .arg(QString::number(clean), QString::number(caught), QString::number(givenBack))));
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
