// vorne_tool as a user runs it: output, stderr and exit codes of each command.
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run {
    int code = -1;
    QString out;
    QString err;
};

Run runTool(const QStringList &args) {
    QProcess p;
    p.start(QStringLiteral(VORNE_TOOL), args);
    Run r;
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.code = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QString dataFile(const char *name) { return QStringLiteral(VORNE_TEST_DATA "/") + QLatin1String(name); }

QString projectFile() { return QStringLiteral(VORNE_TOOL_TESTS "/tool_project.prj"); }

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString writeFile(const QTemporaryDir &dir, const char *name, const QByteArray &bytes) {
    const QString path = dir.filePath(QLatin1String(name));
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
    return path;
}

// A clean project; the check cases change one line of it, or add some.
const char *const kCheckBase = "@T\n"                                               // 1
                               "Acme\n"                                             // 2
                               "\tDev\t\tdesc:Hall\t\ttime:01.02.2024 | 10:00:00\n" // 3
                               "!\n"                                                // 4
                               "\n"                                                 // 5
                               "$Dev\n"                                             // 6
                               "Speed=9600\n"                                       // 7
                               "Data_Bits=8\n"                                      // 8
                               "Stop_Bits=1\n"                                      // 9
                               "Parity=None\n"                                      // 10
                               "Handshake=None\n"                                   // 11
                               "Delay_Time=100\n"                                   // 12
                               "Normal_Replay=OK\n"                                 // 13
                               "Error_Replay=\n"                                    // 14
                               "Replay_Wait_Time=500\n"                             // 15
                               "Retry_Count=2\n"                                    // 16
                               "Normal_Replay_HEX=\n"                               // 17
                               "Error_Replay_HEX=\n"                                // 18
                               "CMD_Prefix=\n"                                      // 19
                               "CMD_Prefix_HEX=\n"                                  // 20
                               "!\n"                                                // 21
                               "\n"                                                 // 22
                               "###\n"                                              // 23
                               "%Dev\n"                                             // 24
                               "1,\t0,\t127,\tASCII:OFF,\tOff\n"                    // 25
                               "1,\t128,\t255,\tASCII:ON,\tOn\n"                    // 26
                               "!\n";                                               // 27

const QByteArray kSecondRow = "1,\t128,\t255,\tASCII:ON,\tOn";

QByteArray changed(const QByteArray &from, const QByteArray &to) {
    QByteArray bytes(kCheckBase);
    if (!bytes.contains(from))
        qFatal("fixture lacks %s", from.constData());
    return bytes.replace(from, to);
}

// The check's lines without the "FILE:" in front.
QStringList diagnostics(const Run &r, const QString &file) {
    QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (QString &line : lines) {
        if (!line.startsWith(file + QLatin1Char(':')))
            return {QStringLiteral("unexpected line: ") + line};
        line = line.mid(file.size() + 1);
    }
    return lines;
}

const char *const kWorkedExampleDump = R"(Size: 226 bytes
Header: 5 0xFFFF 0xFFFF 14, count 2
Manufacturer: "Acme"
Device: "Projector X1"
Description: "Main hall"
Time: 1706781600 (01.02.2024 | 10:00:00)
Speed: 9600
Data_Bits: 8
Stop_Bits: 1
Parity: "None"
Handshake: "None"
Delay_Time: 100
Retry_Count: 2
Error_Replay: length 0, ASCII "ERR"
Normal_Replay: length 0, ASCII "OK"
Replay_Wait_Time: 500
CMD_Prefix: length 1, HEX 02
Row 1: DMX 1, values 0-127, ASCII "PWR ON", function "Power on"
Row 2: DMX 1, values 128-255, HEX 505746300D, function "Power off"
CRC: stored 0xDDA5, computed 0xDDA5: OK
)";

} // namespace

class TestVorneTool : public QObject {
    Q_OBJECT
private slots:
    void dumpWorkedExample() {
        const Run r = runTool({"dump", dataFile("worked_example.bin")});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.err, QString());
        const QString head = "File: " + dataFile("worked_example.bin") + "\n";
        QCOMPARE(r.out, head + QLatin1String(kWorkedExampleDump));
    }

    void dumpReportsCrcMismatch() {
        QTemporaryDir dir;
        QByteArray bytes = readAll(dataFile("worked_example.bin"));
        bytes[14] = '\x01'; // right after "Acme"
        const Run r = runTool({"dump", writeFile(dir, "bad.bin", bytes)});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.out.contains("Manufacturer: \"Acme\\x01\""), qPrintable(r.out));
        QVERIFY2(r.out.contains("CRC: stored 0xDDA5, computed 0x"), qPrintable(r.out));
        QVERIFY(r.out.contains(": MISMATCH\n"));
        QVERIFY2(r.err.contains("CRC mismatch") && r.err.endsWith("\n") && r.err.count('\n') == 1, qPrintable(r.err));
    }

    void dumpMalformed_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        const QByteArray full = readAll(dataFile("worked_example.bin"));
        QTest::newRow("empty") << QByteArray() << "too short";
        QTest::newRow("no rows") << full.left(165) << "too short";
        QTest::newRow("inside a row") << full.left(200) << "inside channel record 2";
        QTest::newRow("CRC cut") << full.left(225) << "CRC missing";
        QByteArray extra = full + "x";
        QTest::newRow("trailing byte") << extra << "size 227 bytes, 226 expected";
        QByteArray header = full;
        header[0] = 6;
        QTest::newRow("header word") << header << "header words";
    }
    void dumpMalformed() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const Run r = runTool({"dump", writeFile(dir, "m.bin", bytes)});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.startsWith("vorne_tool: ") && r.err.contains(message), qPrintable(r.err));
    }

    void dataProblems_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing image") << QStringList{"dump", "/nonexistent/x.bin"} << "cannot open /nonexistent/x.bin";
        QTest::newRow("missing project") << QStringList{"list", "/nonexistent/p.prj"}
                                         << "cannot open /nonexistent/p.prj";
        QTest::newRow("image from missing project")
            << QStringList{"image", "/nonexistent/p.prj", "Acme", "X", "/tmp/out.bin"} << "cannot open";
    }
    void dataProblems() {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const Run r = runTool(args);
        QCOMPARE(r.code, 1);
        QCOMPARE(r.out, QString());
        QVERIFY2(r.err.contains(message) && r.err.count('\n') == 1, qPrintable(r.err));
    }

    void usageErrors_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("nothing") << QStringList{};
        QTest::newRow("unknown") << QStringList{"frobnicate"};
        QTest::newRow("list without project") << QStringList{"list"};
        QTest::newRow("list with two") << QStringList{"list", "a", "b"};
        QTest::newRow("image short") << QStringList{"image", "p.prj", "Acme", "X"};
        QTest::newRow("dump two") << QStringList{"dump", "a", "b"};
    }
    void usageErrors() {
        QFETCH(QStringList, args);
        const Run r = runTool(args);
        QCOMPARE(r.code, 2);
        QCOMPARE(r.out, QString());
        QVERIFY2(r.err.startsWith("vorne_tool: ") && r.err.contains("--help") && r.err.count('\n') == 1,
                 qPrintable(r.err));
    }

    void listProject() {
        const Run r = runTool({"list", projectFile()});
        QCOMPARE(r.err, QString());
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("Acme\n  Projector X1: 2 rows\n  Screen: 1 row\nEmpty Maker\n"));
    }

    void imageIsTheEditorsImage() {
        QTemporaryDir dir;
        const QString out = writeFile(dir, "out.bin", "an older file");
        const Run r = runTool({"image", projectFile(), "Acme", "Projector X1", out});
        QCOMPARE(r.err, QString());
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QString());
        QCOMPARE(readAll(out).toHex(' '), readAll(dataFile("worked_example.bin")).toHex(' '));
    }

    void imageProblems_data() {
        QTest::addColumn<QString>("man");
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("message");
        QTest::newRow("no manufacturer") << "Acme Corp"
                                         << "Screen"
                                         << "x.bin"
                                         << "no manufacturer \"Acme Corp\"";
        QTest::newRow("device of another") << "Empty Maker"
                                           << "Screen"
                                           << "x.bin"
                                           << "no device \"Screen\"";
        QTest::newRow("case matters") << "Acme"
                                      << "screen"
                                      << "x.bin"
                                      << "no device \"screen\"";
        QTest::newRow("unwritable") << "Acme"
                                    << "Screen"
                                    << "missing/x.bin"
                                    << "missing/x.bin";
    }
    void imageProblems() {
        QFETCH(QString, man);
        QFETCH(QString, device);
        QFETCH(QString, out);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const Run r = runTool({"image", projectFile(), man, device, dir.filePath(out)});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(message) && r.err.count('\n') == 1, qPrintable(r.err));
        QVERIFY(!QFile::exists(dir.filePath(out)));
    }

    void checkFindsEachProblemOnItsLine_data() {
        QTest::addColumn<QByteArray>("project");
        QTest::addColumn<QStringList>("expected");
        const auto row = [](const char *text) { return changed(kSecondRow, text); };
        // Errors.
        QTest::newRow("channel 0") << row("0,\t128,\t255,\tASCII:ON,\tOn")
                                   << QStringList{"26: error: DMX channel 0 is outside 1 to 512"};
        QTest::newRow("channel 513") << row("513,\t128,\t255,\tASCII:ON,\tOn")
                                     << QStringList{"26: error: DMX channel 513 is outside 1 to 512"};
        QTest::newRow("channel not a number")
            << row("x1,\t128,\t255,\tASCII:ON,\tOn") << QStringList{"26: error: DMX channel \"x1\" is not a number"};
        QTest::newRow("value 256") << row("1,\t128,\t256,\tASCII:ON,\tOn")
                                   << QStringList{"26: error: high value 256 is outside 0 to 255"};
        QTest::newRow("value not a number")
            << row("1,\tabc,\t255,\tASCII:ON,\tOn") << QStringList{"26: error: low value \"abc\" is not a number"};
        QTest::newRow("high below low") << row("1,\t200,\t150,\tASCII:ON,\tOn")
                                        << QStringList{"26: error: high value 150 is below low value 200"};
        QTest::newRow("full range")
            << row("2,\t0,\t255,\tASCII:ON,\tOn")
            << QStringList{"26: error: values 0-255 take the whole channel; 0-254 or 1-255 is the widest range"};
        QTest::newRow("overlap") << row("1,\t100,\t255,\tASCII:ON,\tOn")
                                 << QStringList{
                                        "26: error: values 100-255 of DMX channel 1 overlap values 0-127 on line 25"};
        QTest::newRow("overlap reported on the later line, rows sorted apart")
            << changed("1,\t0,\t127,\tASCII:OFF,\tOff", "1,\t200,\t210,\tASCII:OFF,\tOff")
            << QStringList{
                   "25: error: Row 2 of device \"Dev\" (Acme) cannot be kept in the project file: it would come "
                   "back in another place: its range and another of DMX channel 1 nest, and such rows change "
                   "places on every load",
                   "26: error: Row 1 of device \"Dev\" (Acme) cannot be kept in the project file: it would come "
                   "back in another place: its range and another of DMX channel 1 nest, and such rows change "
                   "places on every load",
                   "26: error: values 128-255 of DMX channel 1 overlap values 200-210 on line 25"};
        QTest::newRow("ASCII command empty")
            << row("1,\t128,\t255,\tASCII:,\tOn") << QStringList{"26: error: the command \"ASCII:\" has no text"};
        QTest::newRow("HEX command empty")
            << row("1,\t128,\t255,\tHEX:,\tOn") << QStringList{"26: error: the command \"HEX:\" has no text"};
        QTest::newRow("no prefix") << row("1,\t128,\t255,\tON,\tOn")
                                   << QStringList{
                                          "26: error: the command \"ON\" begins with neither \"ASCII:\" nor \"HEX:\""};
        QTest::newRow("not a hex digit")
            << row("1,\t128,\t255,\tHEX:0G,\tOn")
            << QStringList{"26: error: the HEX command \"0G\" holds \"G\", which is not a hex digit"};
        QTest::newRow("fewer than five fields")
            << row("1,\t128,\t255,\tASCII:ON")
            << QStringList{"26: error: it is a rows line of fewer than five fields; the editor passes over this line; "
                           "the next save drops it"};
        QTest::newRow("rows line beginning with a blank")
            << row(" 1,\t128,\t255,\tASCII:ON,\tOn")
            << QStringList{"26: error: it is a rows line that begins with a blank; the editor passes over this line; "
                           "the next save drops it"};
        QTest::newRow("device before any manufacturer")
            << changed("@T\n", "@T\n\tLost\n")
            << QStringList{"2: error: it is a device line above every manufacturer line; the editor passes over this "
                           "line; the next save drops it"};
        QTest::newRow("function name the file cannot keep")
            << row("1,\t128,\t255,\tASCII:ON,\tOn\r\r")
            << QStringList{"26: error: Row 2 of device \"Dev\" (Acme) cannot be kept in the project file: its "
                           "function name: it ends with a carriage return, which the file reads as part of the line "
                           "break"};
        QTest::newRow("date with desc: and no description")
            << changed("desc:Hall\t\ttime:01.02.2024 | 10:00:00", "desc:\t\ttime:01.02.2024 desc:x")
            << QStringList{"3: error: Device \"Dev\" (Acme) cannot be kept in the project file: its date: it contains "
                           "\"desc:\" and the description is empty",
                           "3: warning: date \"01.02.2024 desc:x\" is not a date of the form dd.MM.yyyy | hh:mm:ss; "
                           "the image stores 0xFFFFFFFF (no time)"};
        {
            // A file has no USB entry: a manufacturer named like one is read back like any other.
            QByteArray project(kCheckBase);
            project.replace("Acme\n", "USB:Acme\n");
            project.replace(kSecondRow, "1,\t128,\t255,\tASCII:ON,\tOn\r\r");
            QTest::newRow("manufacturer named like the USB entry")
                << project
                << QStringList{"26: error: Row 2 of device \"Dev\" (USB:Acme) cannot be kept in the project file: its "
                               "function name: it ends with a carriage return, which the file reads as part of the "
                               "line break"};
        }
        // Warnings: what the file gives back as it is, though hardly meant.
        QTest::newRow("empty line in the tree part")
            << changed("@T\n", "@T\n\n") << QStringList{"2: warning: manufacturer without a name (an empty line)"};
        QTest::newRow("date with desc: after a description")
            << changed("time:01.02.2024 | 10:00:00", "time:01.02.2024 desc:x")
            << QStringList{"3: warning: date \"01.02.2024 desc:x\" is not a date of the form dd.MM.yyyy | hh:mm:ss; "
                           "the image stores 0xFFFFFFFF (no time)"};
        QTest::newRow("two devices of one name")
            << changed("\n!\n\n$Dev", "\nOther\n\tDev\n!\n\n$Dev")
            << QStringList{"5: warning: device \"Dev\" has the name of the device on line 3; both are given the "
                           "settings and rows of the first sections of that name"};
        QTest::newRow("stray ! in a settings section")
            << changed("CMD_Prefix_HEX=", "!\nCMD_Prefix_HEX=")
            << QStringList{
                   "21: error: it stands outside every section: the \"!\" on line 20 ended the settings section "
                   "of \"Dev\"; the editor passes over this line; the next save drops it",
                   "22: error: it stands outside every section: the \"!\" on line 20 ended the settings section "
                   "of \"Dev\"; the editor passes over this line; the next save drops it"};
        QTest::newRow("two devices of one name whose sections differ")
            << changed("\n!\n\n$Dev", "\nOther\n\tDev\n!\n\n$Dev").append("$Dev\n!\n")
            << QStringList{"5: error: device \"Dev\" has the name of the device on line 3, but the file holds other "
                           "sections of that name (line 30); the editor gives both the first sections, so this "
                           "device's image gets the first one's settings and rows, not its own",
                           "30: error: it belongs to the settings section of \"Dev\" on line 30, which comes after the "
                           "rows section of that name on line 26, where reading the name ends; the editor passes over "
                           "this line; the next save drops it",
                           "31: error: it belongs to the settings section of \"Dev\" on line 30, which comes after the "
                           "rows section of that name on line 26, where reading the name ends; the editor passes over "
                           "this line; the next save drops it"};
        QTest::newRow("setting given twice")
            << changed("Parity=None\n", "Parity=None\nSpeed=4800\n")
            << QStringList{"7: warning: setting Speed is given again on line 11, where the later value counts; the "
                           "next save keeps only that one"};
        QTest::newRow("end of a section with text after the !")
            << changed("On\n!\n", "On\n! rows end\n")
            << QStringList{"27: warning: the editor reads this line as \"!\" alone, the end of a section or of the "
                           "tree part; the next save drops the rest of it"};
        QTest::newRow("control characters quoted")
            << row("1,\t128,\t255,\tASCII:ON,\tPower\ron, all!")
            << QStringList{
                   "26: warning: function name \"Power\\x0Don, all!\" is 14 bytes; the image keeps the first 12"};
        // Warnings.
        QTest::newRow("manufacturer over 30")
            << changed("Acme\n", "Acme Professional Lighting Corp.\n")
            << QStringList{"2: warning: manufacturer name \"Acme Professional Lighting Corp.\" is 32 bytes; the image "
                           "keeps the first 30"};
        {
            QByteArray project(kCheckBase);
            project.replace("Dev", "Projector with a very long name");
            QTest::newRow("device over 30")
                << project
                << QStringList{"3: warning: device name \"Projector with a very long name\" is "
                               "31 bytes; the image keeps the first 30"};
        }
        QTest::newRow("description over 30")
            << changed("desc:Hall", "desc:Main hall, left side of the stage")
            << QStringList{"3: warning: description \"Main hall, left side of the stage\" is 33 bytes; the image "
                           "keeps the first 30"};
        QTest::newRow("date that does not parse")
            << changed("time:01.02.2024 | 10:00:00", "time:2024-02-01")
            << QStringList{"3: warning: date \"2024-02-01\" is not a date of the form dd.MM.yyyy | hh:mm:ss; the "
                           "image stores 0xFFFFFFFF (no time)"};
        QTest::newRow("function over 12")
            << row("1,\t128,\t255,\tASCII:ON,\tPower on, all")
            << QStringList{"26: warning: function name \"Power on, all\" is 13 bytes; the image keeps the first 12"};
        QTest::newRow("function over 12 holding %3")
            << row("1,\t128,\t255,\tASCII:ON,\t50%3 off, all")
            << QStringList{"26: warning: function name \"50%3 off, all\" is 13 bytes; the image keeps the first 12"};
        QTest::newRow("ASCII command over 12")
            << row("1,\t128,\t255,\tASCII:POWER ON NOW!,\tOn")
            << QStringList{"26: warning: ASCII command \"POWER ON NOW!\" is 13 bytes; the image keeps the first 12"};
        QTest::newRow("HEX command over 12")
            << row("1,\t128,\t255,\tHEX:000102030405060708090A0B0C,\tOn")
            << QStringList{"26: warning: HEX command \"000102030405060708090A0B0C\" is 13 bytes; the image keeps "
                           "the first 12"};
        QTest::newRow("HEX command of odd length")
            << row("1,\t128,\t255,\tHEX:ABC,\tOn")
            << QStringList{"26: warning: HEX command \"ABC\" has an odd number of digits; the image takes its last "
                           "digit as the byte 0C"};
        QTest::newRow("reply over 5")
            << changed("Normal_Replay=OK", "Normal_Replay=READY!")
            << QStringList{"13: warning: Normal_Replay \"READY!\" is 6 bytes; the image keeps the first 5"};
        QTest::newRow("HEX reply over 5")
            << changed("Error_Replay_HEX=", "Error_Replay_HEX=0102030405FF")
            << QStringList{"18: warning: Error_Replay_HEX \"0102030405FF\" is 6 bytes; the image keeps the first 5"};
        QTest::newRow("prefix over 12")
            << changed("CMD_Prefix=", "CMD_Prefix=1234567890123")
            << QStringList{"19: warning: CMD_Prefix \"1234567890123\" is 13 bytes; the image keeps the first 12"};
        QTest::newRow("HEX reply of odd length")
            << changed("Error_Replay_HEX=", "Error_Replay_HEX=0D0")
            << QStringList{"18: warning: Error_Replay_HEX \"0D0\" has an odd number of digits; the image takes its "
                           "last digit as the byte 00"};
        QTest::newRow("both texts of a reply")
            << changed("Normal_Replay_HEX=", "Normal_Replay_HEX=0D0A")
            << QStringList{"17: warning: both Normal_Replay and Normal_Replay_HEX are given; the image takes the "
                           "length from Normal_Replay_HEX and writes Normal_Replay over its first bytes"};
        QTest::newRow("rows line of more than five fields")
            << row("1,\t128,\t255,\tASCII:ON,\tOn,\tand off")
            << QStringList{"26: warning: rows line with more than five fields; the editor drops all after the fifth"};
        QTest::newRow("setting of no known key")
            << changed("Stop_Bits=1\n", "Stop_Bits=1\nStopBits=2\n Parity=Odd\n\n# a comment\n")
            << QStringList{"10: error: it is not a setting (one of the fourteen keys, then \"=\"); the editor passes "
                           "over this line; the next save drops it",
                           "11: error: it is not a setting (one of the fourteen keys, then \"=\"); the editor passes "
                           "over this line; the next save drops it"};
        QTest::newRow("section no device line names")
            << QByteArray(kCheckBase).append("\n$Ghost\n!\n")
            << QStringList{"29: error: it belongs to the settings section of \"Ghost\" on line 29, which no device "
                           "line names; the editor passes over this line; the next save drops it",
                           "30: error: it belongs to the settings section of \"Ghost\" on line 29, which no device "
                           "line names; the editor passes over this line; the next save drops it"};
        QTest::newRow("second rows section of a device")
            << QByteArray(kCheckBase).append("%Dev\n2,\t0,\t1,\tASCII:X,\tx\n!\n")
            << QStringList{"28: error: it belongs to the rows section of \"Dev\" on line 28, a second one; only the "
                           "first, on line 24, is read; the editor passes over this line; the next save drops it",
                           "29: error: it belongs to the rows section of \"Dev\" on line 28, a second one; only the "
                           "first, on line 24, is read; the editor passes over this line; the next save drops it",
                           "30: error: it belongs to the rows section of \"Dev\" on line 28, a second one; only the "
                           "first, on line 24, is read; the editor passes over this line; the next save drops it"};
        QTest::newRow("device without sections")
            << changed("10:00:00\n", "10:00:00\n\tBare\n")
            << QStringList{"4: warning: device \"Bare\" has no sections; it keeps empty settings and no rows"};
        QTest::newRow("device without rows section")
            << changed("%Dev\n", "%Other\n")
            << QStringList{"3: warning: device \"Dev\" has no rows section; it has no rows",
                           "24: error: it belongs to the rows section of \"Other\" on line 24, which no device line "
                           "names; the editor passes over this line; the next save drops it",
                           "25: error: it belongs to the rows section of \"Other\" on line 24, which no device line "
                           "names; the editor passes over this line; the next save drops it",
                           "26: error: it belongs to the rows section of \"Other\" on line 24, which no device line "
                           "names; the editor passes over this line; the next save drops it",
                           "27: error: it belongs to the rows section of \"Other\" on line 24, which no device line "
                           "names; the editor passes over this line; the next save drops it"};
    }
    void checkFindsEachProblemOnItsLine() {
        QFETCH(QByteArray, project);
        QFETCH(QStringList, expected);
        QTemporaryDir dir;
        const QString file = writeFile(dir, "p.prj", project);
        const Run r = runTool({"check", file});
        QCOMPARE(diagnostics(r, file), expected);
        const bool errors = expected.join('\n').contains(": error: ");
        QCOMPARE(r.code, errors ? 1 : 0);
        QVERIFY2(r.err.endsWith("\n") && r.err.count('\n') == 1, qPrintable(r.err));
        if (!errors) // warnings count as errors on request, the option before or after the file
            QCOMPARE(runTool({"check", file, "--werror"}).code, 1);
    }

    void checkCleanProjectsSayNothing_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("project"); // when there is no file
        QTest::newRow("base") << QString() << QByteArray(kCheckBase);
        QTest::newRow("worked example") << dataFile("Demo.prj") << QByteArray();
        // The file keeps control characters as bytes, and so does the image.
        // The section a manufacturer line opens ends with the tree part; every line is the tree's.
        QTest::newRow("manufacturer beginning with % that names no device")
            << QString() << changed("Acme\n", "%Acme\n");
        QTest::newRow("control characters in a function and a setting")
            << QString() << changed("Parity=None", "Parity=No\x02ne").replace("\tOn\n", "\tO\x01n\n");
    }
    void checkCleanProjectsSayNothing() {
        QFETCH(QString, file);
        QFETCH(QByteArray, project);
        QTemporaryDir dir;
        if (file.isEmpty())
            file = writeFile(dir, "p.prj", project);
        for (const QStringList &args : {QStringList{"check", file}, QStringList{"check", "--werror", file}}) {
            const Run r = runTool(args);
            QCOMPARE(r.out, QString());
            QCOMPARE(r.err, QString());
            QCOMPARE(r.code, 0);
        }
    }

    void checkSortsByLineAndSums_data() {
        QTest::addColumn<QByteArray>("project");
        QTest::addColumn<QString>("summary");
        QByteArray many(kCheckBase);
        many.replace(kSecondRow, "1,\t100,\t255,\tHEX:ABC,\tOn");     // line 26: error, warning
        many.replace("time:01.02.2024 | 10:00:00", "time:yesterday"); // line 3: warning
        many.replace("Acme\n", "Acme\n\tDev\n");                      // line 4: repeated name, warning
        many.append("\n$Ghost\n!\n");                                 // lines 30, 31: errors
        QTest::newRow("several") << many << "3 errors, 3 warnings in 2 devices";
        QTest::newRow("one of each") << changed(kSecondRow, "1,\t128,\t255,\tHEX:ABC,\tOn Off")
                                     << "0 errors, 1 warning in 1 device";
        QTest::newRow("no device") << QByteArray(kCheckBase).append("\n%Ghost\n!\n") << "2 errors, 0 warnings";
    }
    void checkSortsByLineAndSums() {
        QFETCH(QByteArray, project);
        QFETCH(QString, summary);
        QTemporaryDir dir;
        const QString file = writeFile(dir, "p.prj", project);
        const Run r = runTool({"check", file});
        QCOMPARE(r.err, summary + "\n");
        int last = 0;
        for (const QString &line : diagnostics(r, file)) {
            const int number = line.section(QLatin1Char(':'), 0, 0).toInt();
            QVERIFY2(number >= last, qPrintable(r.out));
            last = number;
        }
    }

    void checkProblemsOfItsOwn() {
        const Run missing = runTool({"check", "/nonexistent/p.prj"});
        QCOMPARE(missing.code, 1);
        QCOMPARE(missing.out, QString());
        QVERIFY2(missing.err.contains("cannot open /nonexistent/p.prj"), qPrintable(missing.err));
        for (const QStringList &args :
             {QStringList{"check"}, QStringList{"check", "a.prj", "b.prj"}, QStringList{"check", "--wall", "a.prj"}}) {
            const Run r = runTool(args);
            QCOMPARE(r.code, 2);
            QVERIFY2(r.err.contains("--help"), qPrintable(r.err));
        }
    }

    // Every image --all writes equals the one-device command's image.
    void imageAllWritesEveryDevice() {
        QTemporaryDir dir;
        const QByteArray extra = "Beam/Works\n\tSpot: 1\t\tdesc:Left\n\t..\n!";
        QByteArray project = readAll(projectFile());
        project.replace("Empty Maker\n!", "Empty Maker\n" + extra);
        const QString prj = writeFile(dir, "several.prj", project);
        const QString out = dir.filePath("out");
        const Run r = runTool({"image", "--all", prj, out});
        QCOMPARE(r.err, QString());
        QCOMPARE(r.code, 0);
        const QStringList expected = {
            "Acme / Projector X1 -> " + out + "/Acme/Projector X1.bin",
            "Acme / Screen -> " + out + "/Acme/Screen.bin",
            "Beam/Works / Spot: 1 -> " + out + "/Beam_Works/Spot_ 1.bin",
            "Beam/Works / .. -> " + out + "/Beam_Works/__.bin",
        };
        QCOMPARE(r.out.split('\n', Qt::SkipEmptyParts), expected);
        QCOMPARE(readAll(out + "/Acme/Projector X1.bin"), readAll(dataFile("worked_example.bin")));
        const struct {
            const char *man, *device, *path;
        } singles[] = {{"Acme", "Screen", "/Acme/Screen.bin"},
                       {"Beam/Works", "Spot: 1", "/Beam_Works/Spot_ 1.bin"},
                       {"Beam/Works", "..", "/Beam_Works/__.bin"}};
        for (const auto &single : singles) {
            const QString one = dir.filePath("one.bin");
            QCOMPARE(runTool({"image", prj, single.man, single.device, one}).code, 0);
            QCOMPARE(readAll(out + single.path).toHex(), readAll(one).toHex());
        }
        QCOMPARE(QDir(out).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), (QStringList{"Acme", "Beam_Works"}));
        QCOMPARE(QDir(out + "/Beam_Works").entryList(QDir::Files).size(), 2);
    }

    void imageAllKeepsDevicesThatWouldShareAFile_data() {
        QTest::addColumn<QByteArray>("project");
        QTest::addColumn<QString>("man");
        QTest::addColumn<QStringList>("devices");
        QTest::addColumn<QStringList>("files"); // below DIR, in the order of the devices
        QTest::addColumn<QStringList>("holds"); // a text each file holds
        QTest::newRow("names made safe alike")
            << QByteArray("@S\nAcme\n\tA/B\t\tdesc:first\n\tA:B\t\tdesc:second\n\ta_b\n!\n") << "Acme"
            << QStringList{"A/B", "A:B", "a_b"} << QStringList{"Acme/A_B.bin", "Acme/A_B-2.bin", "Acme/a_b-3.bin"}
            << QStringList{"first", "second", "a_b"};
        // Two bytes a letter: cut by bytes, within 255 with room for "-2" and ".bin".
        const QString man(140, QChar(0xC9)), device(150, QChar(0xE9));
        const QString folder(127, QChar(0xC9)), file(121, QChar(0xE9));
        QTest::newRow("long accented names")
            << ("@S\n" + man.toLatin1() + "\n\t" + device.toLatin1() + "\t\tdesc:first\n\t" + device.toLatin1() +
                "x\t\tdesc:second\n!\n")
            << man << QStringList{device, device + "x"}
            << QStringList{folder + "/" + file + ".bin", folder + "/" + file + "-2.bin"}
            << QStringList{"first", "second"};
        // A counter put in with a second arg() would fill the name's own "%1" and write another folder.
        QTest::newRow("names holding %1")
            << QByteArray("@S\nM%1\n\tX%1/%2\t\tdesc:first\n\tX%1:%2\t\tdesc:second\n!\n") << "M%1"
            << QStringList{"X%1/%2", "X%1:%2"} << QStringList{"M%1/X%1_%2.bin", "M%1/X%1_%2-2.bin"}
            << QStringList{"first", "second"};
    }
    void imageAllKeepsDevicesThatWouldShareAFile() {
        QFETCH(QByteArray, project);
        QFETCH(QString, man);
        QFETCH(QStringList, devices);
        QFETCH(QStringList, files);
        QFETCH(QStringList, holds);
        QTemporaryDir dir;
        const QString prj = writeFile(dir, "same.prj", project);
        const QString out = dir.filePath("out");
        const Run r = runTool({"image", "--all", prj, out});
        QCOMPARE(r.err, QString());
        QCOMPARE(r.code, 0);
        QStringList expected;
        for (int i = 0; i < devices.size(); ++i)
            expected << man + " / " + devices[i] + " -> " + out + "/" + files[i];
        QCOMPARE(r.out.split('\n', Qt::SkipEmptyParts), expected);
        for (int i = 0; i < files.size(); ++i) // each file holds its own device
            QVERIFY2(readAll(out + "/" + files[i]).contains(holds[i].toLatin1()), qPrintable(files[i]));
    }

    // A symbolic link below DIR is followed only while it stays inside DIR and
    // off a file this run wrote; a dangling one is a file for --no-clobber.
    void imageAllAndSymbolicLinks_data() {
        QTest::addColumn<QString>("link");      // "LINK>TARGET": LINK below OUT, TARGET below TMP ("/": a folder)
        QTest::addColumn<QByteArray>("before"); // what the target file holds; empty: there is none
        QTest::addColumn<bool>("noClobber");
        QTest::addColumn<QString>("err");   // OUT and TMP stand for the folders
        QTest::addColumn<QString>("after"); // the device whose image the target then holds; empty: as before
        const QString screen = "vorne_tool: Acme / Screen: OUT/Acme/Screen.bin ";
        const QString folderOut = ": OUT/Acme is a symbolic link to TMP/outside, outside OUT; not written\n";
        QTest::newRow("dangling link, no clobber") << "Acme/Screen.bin>outside/missing.bin" << QByteArray() << true
                                                   << screen + "is already there; not replaced (--no-clobber)\n"
                                                   << QString();
        QTest::newRow("file link out of DIR")
            << "Acme/Screen.bin>outside/victim.bin" << QByteArray("victim") << false
            << screen + "is a symbolic link to TMP/outside/victim.bin, outside OUT; not written\n"
            << QString();
        QTest::newRow("folder link out of DIR")
            << "Acme>outside/" << QByteArray() << false
            << "vorne_tool: Acme / Projector X1" + folderOut + "vorne_tool: Acme / Screen" + folderOut << QString();
        QTest::newRow("link onto a file this run wrote")
            << "Acme/Screen.bin>out/Acme/Projector X1.bin" << QByteArray() << false
            << screen + "leads to OUT/Acme/Projector X1.bin, which holds the image of Acme / Projector X1 from this "
                        "run; not replaced\n"
            << "Projector X1";
    }
    void imageAllAndSymbolicLinks() {
        QFETCH(QString, link);
        QFETCH(QByteArray, before);
        QFETCH(bool, noClobber);
        QFETCH(QString, err);
        QFETCH(QString, after);
        QTemporaryDir dir;
        // The tool names links' places with their folders resolved.
        const QString tmp = QFileInfo(dir.path()).canonicalFilePath(), out = tmp + "/out";
        QString target = link.section('>', 1);
        const bool folder = target.endsWith('/');
        if (folder)
            target.chop(1);
        const QString linkPath = out + "/" + link.section('>', 0, 0), targetPath = tmp + "/" + target;
        QVERIFY(QDir().mkpath(QFileInfo(linkPath).path()));
        QVERIFY(QDir().mkpath(folder ? targetPath : QFileInfo(targetPath).path()));
        if (!before.isEmpty())
            writeFile(dir, qPrintable(target), before);
        QVERIFY(QFile::link(targetPath, linkPath));
        const QStringList args{"image", "--all", projectFile(), out, noClobber ? "--no-clobber" : "--"};
        const Run r = runTool(args);
        QCOMPARE(r.err, QString(err).replace("OUT", out).replace("TMP", tmp));
        const int refused = int(err.count("vorne_tool: Acme / "));
        QCOMPARE(r.code, refused ? 1 : 0);
        QCOMPARE(r.out.count('\n'), 2 - refused); // each device written or told
        QVERIFY(QFileInfo(linkPath).isSymLink());
        if (!after.isEmpty())
            QVERIFY(readAll(targetPath).contains(after.toLatin1()));
        else if (folder)
            QVERIFY(QDir(targetPath).isEmpty());
        else
            QCOMPARE(readAll(targetPath), before);
        if (noClobber) // the one-device command too keeps what its OUT names, a dangling link included
            QCOMPARE(runTool({"image", "--no-clobber", projectFile(), "Acme", "Screen", linkPath}).code, 1);
        QCOMPARE(QFileInfo::exists(targetPath), !before.isEmpty() || !after.isEmpty() || folder);
    }

    // A second export over an older one: each file replaced is told, or with
    // --no-clobber kept, and the run fails.
    void imageAllTellsWhatItReplaces_data() {
        QTest::addColumn<bool>("noClobber");
        QTest::newRow("replaces") << false;
        QTest::newRow("no clobber") << true;
    }
    void imageAllTellsWhatItReplaces() {
        QFETCH(bool, noClobber);
        QTemporaryDir dir;
        const QString out = dir.filePath("out");
        QCOMPARE(runTool({"image", "--all", projectFile(), out}).err, QString());
        const QString old = out + "/Acme/Screen.bin", fresh = out + "/Acme/Projector X1.bin";
        writeFile(dir, "out/Acme/Screen.bin", "older");
        QVERIFY(QFile::remove(fresh));
        QStringList args{"image", "--all", projectFile(), out};
        if (noClobber)
            args << "--no-clobber";
        const Run r = runTool(args);
        QCOMPARE(r.code, noClobber ? 1 : 0);
        QCOMPARE(r.err, noClobber
                            ? "vorne_tool: Acme / Screen: " + old + " is already there; not replaced (--no-clobber)\n"
                            : "vorne_tool: replaced " + old + ", which was there before\n");
        QCOMPARE(r.out.count('\n'), noClobber ? 1 : 2);
        QCOMPARE(readAll(old) == "older", noClobber);
        QVERIFY(QFile::exists(fresh));
        // The one-device command: an explicit OUT is replaced silently, unless told not to.
        const Run one = runTool({"image", projectFile(), "Acme", "Screen", old, noClobber ? "--no-clobber" : "--"});
        QCOMPARE(one.code, noClobber ? 1 : 0);
        QCOMPARE(one.err.isEmpty(), !noClobber);
        QCOMPARE(readAll(old) == "older", noClobber);
    }

    void imageAllProblems() {
        QTemporaryDir dir;
        const QString blocker = writeFile(dir, "file", "not a folder");
        const Run r = runTool({"image", "--all", projectFile(), blocker});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.out, QString());
        QCOMPARE(r.err.count('\n'), 2); // each device told, none given up silently
        QVERIFY2(r.err.contains("Acme / Projector X1: Cannot create the folder"), qPrintable(r.err));
        QCOMPARE(runTool({"image", "--all", projectFile()}).code, 2);
        QCOMPARE(runTool({"image", "--every", projectFile(), "x"}).code, 2);
        QCOMPARE(runTool({"image", "--all", "/nonexistent/p.prj", dir.filePath("o")}).code, 1);
        const Run none = runTool({"image", writeFile(dir, "none.prj", "@N\nNobody\n!\n"), dir.filePath("o"), "--all"});
        QCOMPARE(none.code, 0);
        QVERIFY2(none.err.contains("has no devices"), qPrintable(none.err));
        QVERIFY(!QFile::exists(dir.filePath("o")));
    }

    // The JSON object carries what the text dump shows, field for field.
    void dumpJsonMatchesTheTextDump() {
        const QString file = dataFile("worked_example.bin");
        const Run r = runTool({"dump", "--json", file});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.err, QString());
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(r.out.toUtf8(), &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
        QVERIFY(doc.isObject());
        const QJsonObject o = doc.object();

        QHash<QString, QString> text; // "Key: value" lines of the text dump
        for (const QString &line : QString::fromLatin1(kWorkedExampleDump).split('\n', Qt::SkipEmptyParts))
            text.insert(line.section(": ", 0, 0), line.section(": ", 1));
        const auto quotedText = [](const QJsonValue &v) { return '"' + v.toString() + '"'; };
        QCOMPARE(o["file"].toString(), file);
        QCOMPARE(QString("%1 bytes").arg(o["size"].toInt()), text["Size"]);
        const QJsonArray h = o["header"].toArray();
        QCOMPARE(QString("%1 0x%2 0x%3 %4, count %5")
                     .arg(h[0].toInt())
                     .arg(QString::number(h[1].toInt(), 16).toUpper(), QString::number(h[2].toInt(), 16).toUpper())
                     .arg(h[3].toInt())
                     .arg(h[4].toInt()),
                 text["Header"]);
        QCOMPARE(quotedText(o["manufacturer"]), text["Manufacturer"]);
        QCOMPARE(quotedText(o["device"]), text["Device"]);
        QCOMPARE(quotedText(o["description"]), text["Description"]);
        QVERIFY(text["Time"].startsWith(QString::number(o["time"].toInteger()) + " ("));
        for (const char *key : {"Speed", "Data_Bits", "Stop_Bits", "Delay_Time", "Retry_Count", "Replay_Wait_Time"})
            QCOMPARE(QString::number(o[key].toInt()), text[key]);
        QCOMPARE(quotedText(o["Parity"]), text["Parity"]);
        QCOMPARE(quotedText(o["Handshake"]), text["Handshake"]);
        for (const char *key : {"Error_Replay", "Normal_Replay", "CMD_Prefix"}) {
            const QJsonObject pair = o[key].toObject();
            const QString shown =
                pair.contains("hex") ? "HEX " + pair["hex"].toString() : "ASCII " + quotedText(pair["ascii"]);
            QCOMPARE(QString("length %1, %2").arg(pair["length"].toInt()).arg(shown), text[key]);
        }
        const QJsonArray rows = o["rows"].toArray();
        QCOMPARE(rows.size(), 2);
        for (int i = 0; i < rows.size(); ++i) {
            const QJsonObject row = rows[i].toObject();
            const QString cmd =
                row.contains("hex") ? "HEX " + row["hex"].toString() : "ASCII " + quotedText(row["ascii"]);
            QCOMPARE(row["cmdLen"].toInt(), row.contains("hex") ? row["hex"].toString().size() / 2 : 0);
            QCOMPARE(QString("DMX %1, values %2-%3, %4, function %5")
                         .arg(row["dmx"].toInt())
                         .arg(row["low"].toInt())
                         .arg(row["high"].toInt())
                         .arg(cmd, quotedText(row["function"])),
                     text[QString("Row %1").arg(i + 1)]);
        }
        const QJsonObject crc = o["crc"].toObject();
        QCOMPARE(QString("stored 0x%1, computed 0x%2: OK")
                     .arg(QString::number(crc["stored"].toInt(), 16).toUpper(),
                          QString::number(crc["computed"].toInt(), 16).toUpper()),
                 text["CRC"]);
        QCOMPARE(crc["ok"].toBool(), true);
        QCOMPARE(o["problems"].toArray().size(), 0);
    }

    void dumpJsonOfAFaultyImage() {
        QTemporaryDir dir;
        QByteArray bytes = readAll(dataFile("worked_example.bin"));
        bytes.chop(1);
        bytes[100] = '\xFF';
        bytes[101] = '\xFF';
        bytes[102] = '\xFF';
        bytes[103] = '\xFF';
        const Run r = runTool({"dump", "--json", writeFile(dir, "cut.bin", bytes)});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains("CRC missing"), qPrintable(r.err));
        const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
        QVERIFY(o["time"].isNull());
        QVERIFY(o["crc"].toObject()["stored"].isNull());
        QCOMPARE(o["crc"].toObject()["ok"].toBool(true), false);
        QVERIFY(o["problems"].toArray().contains(QJsonValue("CRC missing")));
        QCOMPARE(runTool({"dump", "--xml", dataFile("worked_example.bin")}).code, 2);
    }

    void fireOnTheWorkedExample_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("out");
        const QString project = dataFile("Demo.prj"), image = dataFile("worked_example.bin");
        QTest::newRow("project") << QStringList{"fire", project, "Acme", "Projector X", "1", "200"} << 0
                                 << QStringLiteral("Acme / Projector X: DMX 1 at 200 fires row 2 (%1 line 26): values "
                                                   "128-255, function \"Power on\"\n"
                                                   "  command: HEX 505752204F4E, text \"PWR ON\"\n"
                                                   "  prefix:  none\n")
                                        .arg(project);
        QTest::newRow("image") << QStringList{"fire", image, "1", "0"} << 0
                               << QStringLiteral("%1: DMX 1 at 0 fires row 1: values 0-127, function \"Power on\"\n"
                                                 "  command: HEX 505752204F4E, text \"PWR ON\"\n"
                                                 "  prefix:  HEX 02, text \"\\x02\"\n")
                                      .arg(image);
        QTest::newRow("no row") << QStringList{"fire", project, "Acme", "Projector X", "2", "5"} << 1
                                << QStringLiteral("Acme / Projector X: DMX 2 at 5: no row fires\n");
        QTest::newRow("channel 0") << QStringList{"fire", image, "0", "5"} << 2 << QString();
        QTest::newRow("value 256") << QStringList{"fire", image, "1", "256"} << 2 << QString();
    }

    void fireOnTheWorkedExample() {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, out);
        const Run r = runTool(args);
        QCOMPARE(r.code, code);
        QCOMPARE(r.out, out);
    }

    void rowsGoToCsvAndBackIntoAnotherDevice() {
        QTemporaryDir dir;
        const QString csv = dir.filePath(QStringLiteral("rows.csv"));
        const QString target = writeFile(dir, "t.prj", "@T\nAcme\n\tEmpty\n!\n");
        QCOMPARE(runTool({"rows", "export", dataFile("Demo.prj"), "Acme", "Projector X", csv}).code, 0);
        Run r = runTool({"rows", "import", target, "Acme", "Empty", csv});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("Acme / Empty: 2 rows imported from %1 (UTF-8)\n").arg(csv));
        QVERIFY(readAll(target).contains("%Empty\n1,\t0,\t127,\tASCII:PWR OFF,\tPower off\n"
                                         "1,\t128,\t255,\tASCII:PWR ON,\tPower on\n!"));
        // Again: every row now overlaps, nothing is added, and each is named by its line.
        const QByteArray before = readAll(target);
        r = runTool({"rows", "import", target, "Acme", "Empty", csv});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.startsWith(csv + QStringLiteral(":2: error: This range are not empty.")), qPrintable(r.err));
        QVERIFY(r.err.contains(csv + QStringLiteral(":3: error: ")));
        QVERIFY(r.err.endsWith(QStringLiteral("nothing imported: 2 of 2 rows refused\n")));
        QCOMPARE(readAll(target), before);
    }

    // A rewrite must not lose what the reading passed over, nor rows the reader gives another device.
    void rowsImportRefusesWhatARewriteWouldLose_data() {
        QTest::addColumn<QByteArray>("project");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("err"); // a piece of standard error; the project name stands for its path
        QTest::addColumn<bool>("unchanged");
        const QByteArray rows = "channel,low,high,ascii,hex,function\r\n2,0,9,ON,,On\r\n";
        const QByteArray ghost = QByteArray(kCheckBase).append("\n$Ghost\n!\n");
        QTest::newRow("passed-over lines")
            << ghost << QStringList{} << rows << 1 << "p.prj:29: error: it belongs to the settings section of \"Ghost\""
            << true;
        QTest::newRow("passed-over lines, forced") << ghost << QStringList{"--force"} << rows << 0
                                                   << "p.prj:30: warning: it belongs to the settings section of "
                                                      "\"Ghost\" on line 29, which no device line names; the editor "
                                                      "passed over this line; dropped"
                                                   << false;
        QTest::newRow("a text the file cannot keep")
            << changed("desc:Hall\t\ttime:01.02.2024 | 10:00:00", "desc:\t\ttime:01.02.2024 desc:x") << QStringList{}
            << rows << 1
            << "p.prj: error: Device \"Dev\" (Acme) cannot be kept in the project file: its date: it contains "
               "\"desc:\" and the description is empty"
            << true;
        QTest::newRow("a device named like an earlier one")
            << changed("\n!\n\n$Dev", "\nZeta\n\tDev\n!\n\n$Dev") << QStringList{"--force"} << rows << 1
            << "vorne_tool: device \"Dev\" of \"Zeta\" shares its name with a device of \"Acme\" before it" << true;
        // UTF-8 characters beside a byte that is not UTF-8: the tool does not guess.
        const QByteArray mixed = "channel,low,high,ascii,hex,function\n2,0,9,ON,,W\xC3\xA4rme\n3,0,9,ON,,K\xE4lte\n";
        QTest::newRow("mixed encodings") << QByteArray(kCheckBase) << QStringList{} << mixed << 1
                                         << "line 3: byte 0xE4 is not UTF-8" << true;
        QTest::newRow("mixed encodings read as Latin-1")
            << QByteArray(kCheckBase) << QStringList{"--encoding", "latin1"} << mixed << 0 << QString() << false;
        QTest::newRow("no rows to add") << ghost << QStringList{} << QByteArray("channel,low,high,ascii,hex,function\n")
                                        << 0 << QString() << true;
    }
    void rowsImportRefusesWhatARewriteWouldLose() {
        QFETCH(QByteArray, project);
        QFETCH(QStringList, options);
        QFETCH(QByteArray, csv);
        QFETCH(int, code);
        QFETCH(QString, err);
        QFETCH(bool, unchanged);
        QTemporaryDir dir;
        const QString file = writeFile(dir, "p.prj", project);
        const QString table = writeFile(dir, "in.csv", csv);
        const QString manufacturer = project.contains("Zeta") ? QStringLiteral("Zeta") : QStringLiteral("Acme");
        const Run r = runTool(QStringList{"rows", "import"} + options + QStringList{file, manufacturer, "Dev", table});
        QCOMPARE(r.code, code);
        QVERIFY2(r.err.contains(QString(err).replace(QStringLiteral("p.prj"), file)), qPrintable(r.err));
        QCOMPARE(readAll(file) == project, unchanged);
        if (options.isEmpty() && csv.contains("\xE4"))
            QVERIFY2(r.err.contains(QStringLiteral("; give --encoding latin1 or --encoding utf8")), qPrintable(r.err));
        else if (code == 1 && !project.contains("Zeta"))
            QVERIFY2(r.err.contains(QStringLiteral("see vorne_tool check %1); --force").arg(file)), qPrintable(r.err));
    }

    void help() {
        const Run r = runTool({"--help"});
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.startsWith("Usage: vorne_tool"));
        for (const char *word :
             {"list PROJECT.prj", "check [--werror] PROJECT.prj",
              "image [--no-clobber] PROJECT.prj MANUFACTURER DEVICE OUT.bin",
              "image --all [--no-clobber] PROJECT.prj DIR", "dump [--json] FILE.bin",
              "rows export PROJECT.prj MANUFACTURER DEVICE OUT.csv",
              "rows import [--force] [--encoding latin1|utf8] PROJECT.prj MANUFACTURER DEVICE IN.csv",
              "fire PROJECT.prj MANUFACTURER DEVICE CHANNEL VALUE", "fire FILE.bin CHANNEL VALUE",
              "send PROJECT.prj MANUFACTURER DEVICE CHANNEL VALUE --port PORT", "send FILE.bin CHANNEL VALUE --port PORT",
              "watch PROJECT.prj MANUFACTURER DEVICE [--universe U] [--ola HOST:PORT] [--fire-initial]"})
            QVERIFY2(r.out.contains(QLatin1String(word)), word);
    }
};

QTEST_GUILESS_MAIN(TestVorneTool)
#include "tst_vorne_tool.moc"
