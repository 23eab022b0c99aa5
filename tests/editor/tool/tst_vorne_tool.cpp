// vorne_tool as a user runs it: output, stderr and exit codes of each command.
#include <QFile>
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

    void help() {
        const Run r = runTool({"--help"});
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.startsWith("Usage: vorne_tool"));
        for (const char *word : {"list PROJECT.prj", "image PROJECT.prj MANUFACTURER DEVICE OUT.bin", "dump FILE.bin"})
            QVERIFY2(r.out.contains(QLatin1String(word)), word);
    }
};

QTEST_GUILESS_MAIN(TestVorneTool)
#include "tst_vorne_tool.moc"
