// vorne_tool plan against a stand-in VORNE_uploader on PATH: it lists a
// scripted bench, keeps each image it is given and answers as a box would.
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray device(const QByteArray &name, const QByteArray &rows) {
    return "$" + name +
           "\nSpeed=9600\nData_Bits=8\nStop_Bits=1\nParity=None\nHandshake=None\nDelay_Time=50\n"
           "Normal_Replay=OK\nError_Replay=ERR\nReplay_Wait_Time=200\nRetry_Count=1\nNormal_Replay_HEX=\n"
           "Error_Replay_HEX=\nCMD_Prefix=\nCMD_Prefix_HEX=\n!\n\n" +
           "%" + name + "\n" + rows + "!\n\n";
}

// Dev4's two rows overlap: check refuses it.
const QByteArray kProject =
    "@T\nAcme\n\tDev1\n\tDev2\n\tDev3\n\tDev4\n!\n\n" + device("Dev1", "1,\t0,\t99,\tASCII:ONE,\tOne\n") +
    device("Dev2", "2,\t0,\t99,\tASCII:TWO,\tTwo\n") + device("Dev3", "3,\t0,\t99,\tHEX:0D0A,\tThree\n") +
    device("Dev4", "4,\t0,\t99,\tASCII:A,\tA\n4,\t50,\t150,\tASCII:B,\tB\n");

// --list: name, place, description, state, identification.
const QByteArray kBench = "VRN1\tusb:1-2\tFT232R USB VORNE\tconverter\tVORNE DMX-RS232 2.0\n"
                          "A100\tusb:1-3\tFT232R USB UART\tother\t\n"
                          "VRN2\tusb:1-4\tFT232R USB VORNE\tconverter\tVORNE DMX-RS232 2.0\n";

// Keeps FILE as DIR/NAME.bin, counts the uploads running at once, and fails for VRN2.
const char kUploader[] = R"(#!/bin/sh
if [ "$1" = --list ]; then cat "$PLAN_DIR/bench"; exit 0; fi
mkdir "$PLAN_DIR/running.$3"
ls -d "$PLAN_DIR"/running.* | wc -l >> "$PLAN_DIR/at-once"
cp "$4" "$PLAN_DIR/$3.bin"
sleep 0.3
rmdir "$PLAN_DIR/running.$3"
if [ "$3" = VRN2 ]; then echo "ERROR: DONE" >&2; echo "ERROR: CRC: BAD" >&2; exit 1; fi
echo "INFO: Vorne config file: $4 DONE CRC: OK"
)";

struct Run {
    int code = -1;
    QString out, err;
};

} // namespace

class TestPlan : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QString path(const QString &name) { return dir.filePath(name); }
    void write(const QString &name, const QByteArray &bytes) {
        QFile f(path(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray read(const QString &name) {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    Run tool(const QStringList &args) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PATH", path("bin") + ":" + env.value("PATH"));
        env.insert("PLAN_DIR", dir.path());
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(dir.path()); // the plan is named as the user gave it
        p.start(VORNE_TOOL, args);
        Run r;
        if (p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit)
            r.code = p.exitCode();
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

private slots:
    void initTestCase() {
        QVERIFY(QDir().mkpath(path("bin")));
        write("bin/VORNE_uploader", kUploader);
        QFile::setPermissions(path("bin/VORNE_uploader"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        write("venue.prj", kProject);
        write("bench", kBench);
    }

    void plan_data() {
        QTest::addColumn<QByteArray>("plan");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("sentTo");
        QTest::addColumn<int>("atOnce");
        QTest::addColumn<QStringList>("said");
        const QByteArray sound = "device,Box,manufacturer\nDev1,VRN1,Acme\n Dev2 ,VRN2,Acme,,\nDev3,VRN9,Acme\n";
        QTest::newRow("checked: a header in any order, who is attached")
            << sound << QStringList{} << 0 << QStringList{} << 0
            << QStringList{"VRN1  Acme / Dev1", "attached", "VRN9  Acme / Dev3", "absent"};
        QTest::newRow("sent: a failure and an absent box exit 1")
            << sound << QStringList{"--send"} << 1 << QStringList{"VRN1", "VRN2"} << 2
            << QStringList{"INFO: Vorne config file:", "ERROR: CRC: BAD", "absent: not sent",
                           "not every planned box confirmed its image"};
        QTest::newRow("every box confirmed") << QByteArray("VRN1,Acme,Dev1\n") << QStringList{"--send"} << 0
                                             << QStringList{"VRN1"} << 1 << QStringList{"INFO: Vorne config file:"};
        QTest::newRow("one at a time") << QByteArray("VRN1,Acme,Dev1\nVRN2,Acme,Dev2\n")
                                       << QStringList{"--send", "--jobs", "1"} << 1 << QStringList{"VRN1", "VRN2"} << 1
                                       << QStringList{"OUTCOME"};
        QTest::newRow("refused as a whole: nothing is sent")
            << QByteArray("VRN1,Acme,Dev1\nVRN2,Acme,Dev1\nVRN1,Acme,Dev2\nVRN3,Acme,Nope\nVRN4,Acme\n"
                          "VRN5,Acme,Dev4\n")
            << QStringList{"--send"} << 1 << QStringList{} << 0
            << QStringList{"plan.csv:2: error: Acme / Dev1 is planned already on line 1",
                           "plan.csv:3: error: box VRN1 is planned already on line 1",
                           "plan.csv:4: error: no device \"Nope\" of \"Acme\"",
                           "plan.csv:5: error: 2 fields where a plan line has 3",
                           "plan.csv:6: error: Acme / Dev4 does not give a sound image",
                           "the plan is refused; nothing was sent"};
        QTest::newRow("an unclosed quote is named by its line")
            << QByteArray("VRN1,Acme,Dev1\n\"VRN2,Acme,Dev2\n") << QStringList{"--send"} << 1 << QStringList{} << 0
            << QStringList{"plan.csv:2: error: a quoted field is not closed"};
        QTest::newRow("no boxes") << QByteArray("\n") << QStringList{} << 1 << QStringList{} << 0
                                  << QStringList{"plan.csv: error: the plan names no box"};
        QTest::newRow("jobs from 1") << sound << QStringList{"--send", "--jobs=0"} << 2 << QStringList{} << 0
                                     << QStringList{"--jobs takes a number of boxes from 1"};
    }

    void plan() {
        QFETCH(QByteArray, plan);
        QFETCH(QStringList, options);
        QFETCH(int, code);
        QFETCH(QStringList, sentTo);
        QFETCH(int, atOnce);
        QFETCH(QStringList, said);
        for (const QString &f : QDir(dir.path()).entryList({"*.bin", "at-once"}, QDir::Files))
            QFile::remove(path(f));
        write("plan.csv", plan);
        const Run r = tool(QStringList{"plan", path("venue.prj"), "plan.csv"} + options);
        const QString all = r.out + r.err;
        QVERIFY2(r.code == code, qPrintable(all));
        for (const QString &s : said)
            QVERIFY2(all.contains(s), qPrintable(s + " not in:\n" + all));
        QStringList sent = QDir(dir.path()).entryList({"*.bin"}, QDir::Files);
        sent.replaceInStrings(".bin", "");
        QCOMPARE(sent, sentTo);
        // Each box got its own device's image, byte for byte as `image` writes it.
        for (const QString &box : sentTo) {
            const QString dev = box == "VRN1" ? "Dev1" : "Dev2";
            QCOMPARE(tool({"image", path("venue.prj"), "Acme", dev, path("expected.bin")}).code, 0);
            QVERIFY2(read(box + ".bin") == read("expected.bin"), qPrintable(box));
        }
        int most = 0;
        for (const QByteArray &n : read("at-once").split('\n'))
            most = qMax(most, n.trimmed().toInt());
        QVERIFY2(most <= atOnce, qPrintable(QString::number(most)));
    }
};

QTEST_GUILESS_MAIN(TestPlan)
#include "tst_plan.moc"
