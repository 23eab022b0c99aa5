// The image actions of the main window: "Sa&ve Vorne file" through a scripted
// save dialog, "&Read Vorne file" building the USB entry, "Sen&d Vorne file"
// asking which converter and starting a stand-in uploader found on PATH, and
// the ASCII/HEX slots.
#include "dialogs.h"
#include "imagesamples.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QLineEdit>
#include <QProcess>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

namespace {

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

QString fixturePath() { return QStringLiteral(VORNE_TEST_DATA "/worked_example.bin"); }

// The worked example device under "Acme", in the library and in the tree.
void addWorkedExample(MainWindow &w) {
    MyDevice d = workedExampleDevice();
    MyPreset acme;
    acme.deviceParent = "Acme";
    acme.listMyDevices << d;
    w.listMyPresets << acme;

    auto *top = new QTreeWidgetItem(w.ui->treeWidget, QStringList{"Acme"});
    top->setToolTip(1, "parent");
    new QTreeWidgetItem(top, QStringList{"Projector X1"});
}

QTreeWidgetItem *deviceItem(MainWindow &w) {
    return w.ui->treeWidget->findItems("Acme", Qt::MatchExactly).first()->child(0);
}

} // namespace

class TestImageActions : public QObject {
    Q_OBJECT
    QTemporaryDir home;
    QString oldPath;

    // A stand-in uploader first on PATH: `--list` prints list.txt, exits with list.rc or hangs on a file
    // "hang"; other runs record their argument count and arguments in args.txt, the file returned.
    QString installUploader(const QTemporaryDir &bin) {
        writeFile(bin.filePath("VORNE_uploader"), "#!/bin/sh\nd=\"$(dirname \"$0\")\"\n"
                                                  "if [ \"$1\" = --list ]; then\n"
                                                  "  [ -f \"$d/hang\" ] && exec sleep 30\n"
                                                  "  cat \"$d/list.txt\" 2>/dev/null\n"
                                                  "  exit \"$(cat \"$d/list.rc\" 2>/dev/null || echo 1)\"\n"
                                                  "fi\n"
                                                  "printf '%s\\n' \"$#\" \"$@\" > \"$d/args.tmp\"\n"
                                                  "mv \"$d/args.tmp\" \"$d/args.txt\"\n");
        QFile::setPermissions(bin.filePath("VORNE_uploader"), QFile::ReadOwner | QFile::ExeOwner | QFile::WriteOwner);
        qputenv("PATH", (bin.path() + ":" + oldPath).toLocal8Bit());
        return bin.filePath("args.txt");
    }

private slots:
    void initTestCase() {
        // The window reads config.ini and the last project from the working folder.
        QVERIFY(home.isValid());
        qputenv("HOME", home.path().toLocal8Bit());
        QVERIFY(QDir::setCurrent(home.path()));
        oldPath = qEnvironmentVariable("PATH");
    }
    void cleanup() {
        Dialogs::reset();
        qputenv("PATH", oldPath.toLocal8Bit());
    }

    void saveWritesTheImage() {
        MainWindow w;
        addWorkedExample(w);
        w.ui->treeWidget->setCurrentItem(deviceItem(w));
        const QString out = home.filePath("saved.bin");
        writeFile(out, "an older file");
        Dialogs::setNextFileName(out);
        w.saveVorne();
        QCOMPARE(readAll(out).toHex(' '), readAll(fixturePath()).toHex(' '));
        const Dialogs::Asked asked = Dialogs::lastAsked();
        QCOMPARE(asked.kind, Dialogs::Kind::SaveFile);
        QCOMPARE(asked.title, QStringLiteral("Save Binary File"));
        QCOMPARE(asked.dir, w.sDefaultPath + QDir::separator() + "Projector X1.bin");
        QCOMPARE(asked.filter, QStringLiteral("Binary Files (*.bin)"));
        QCOMPARE(asked.options, QFileDialog::Options(QFileDialog::DontUseNativeDialog));
    }

    void saveWithoutADevice() {
        MainWindow w;
        addWorkedExample(w);
        w.ui->treeWidget->setCurrentItem(nullptr);
        w.saveVorne();
        QVERIFY(Dialogs::log().isEmpty());

        w.ui->treeWidget->setCurrentItem(deviceItem(w)->parent());
        Dialogs::setNextAnswer(QMessageBox::Ok);
        w.saveVorne();
        QCOMPARE(Dialogs::log().size(), 1);
        QCOMPARE(Dialogs::lastAsked().text, QStringLiteral("You must have selected device in the tree!"));
    }

    void saveCancelledOrFailed() {
        MainWindow w;
        addWorkedExample(w);
        w.ui->treeWidget->setCurrentItem(deviceItem(w));
        Dialogs::setNextFileName(QString());
        w.saveVorne();
        QCOMPARE(Dialogs::log().size(), 1);

        const QString bad = home.filePath("no/such/folder/x.bin");
        Dialogs::setNextFileName(bad);
        Dialogs::setNextAnswer(QMessageBox::Ok);
        w.saveVorne();
        const Dialogs::Asked asked = Dialogs::lastAsked();
        QCOMPARE(asked.icon, QMessageBox::Critical);
        QVERIFY2(asked.text.contains(bad), qPrintable(asked.text));
        QVERIFY(!QFile::exists(bad));
    }

    void readBuildsTheUsbEntry() {
        MainWindow w;
        addWorkedExample(w);
        Dialogs::setNextFileName(fixturePath());
        w.readVorne();
        QCOMPARE(Dialogs::lastAsked().title, QStringLiteral("Open File from USB"));
        QCOMPARE(Dialogs::lastAsked().filter, QStringLiteral("Binary Files (*.bin)"));
        QCOMPARE(Dialogs::lastAsked().options, QFileDialog::Options(QFileDialog::DontUseNativeDialog));
        QVERIFY(w.checkUSBDevices());

        const QList<QTreeWidgetItem *> found = w.ui->treeWidget->findItems("USB:Acme", Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
        QTreeWidgetItem *top = found.first();
        QCOMPARE(top->toolTip(1), QStringLiteral("USB:parent"));
        QCOMPARE(top->childCount(), 1);
        QTreeWidgetItem *item = top->child(0);
        QCOMPARE(item->text(0), QStringLiteral("Projector X1"));
        QCOMPARE(item->toolTip(1), QStringLiteral("Main hall"));
        QCOMPARE(item->toolTip(2), QStringLiteral("Thu 01.02.2024 10:00:00"));
        QCOMPARE(item->toolTip(3), QStringLiteral("USB"));
        QCOMPARE(w.ui->treeWidget->currentItem(), item);

        QCOMPARE(w.listMyPresets.size(), 2);
        const MyPreset &usb = w.listMyPresets.last();
        QCOMPARE(usb.deviceParent, QStringLiteral("USB:Acme"));
        const MyDevice &d = usb.listMyDevices.first();
        QCOMPARE(d.deviceTime, item->toolTip(2));
        QCOMPARE(d.connParam[MyConnParam::Error_Replay], QStringLiteral("ERR"));
        QCOMPARE(d.connParam[MyConnParam::CMD_Prefix_HEX], QString());
        QCOMPARE(d.listChanel.size(), 2);
        QCOMPARE(d.listChanel[1].rs_c, QStringLiteral("HEX:505746300D"));
        QCOMPARE(d.listChanelShadow.size(), 2);

        // Written again, the USB device keeps its prefixed name and has no time.
        const QString again = home.filePath("again.bin");
        Dialogs::setNextFileName(again);
        w.saveVorne();
        const QByteArray bytes = readAll(again);
        QCOMPARE(bytes.size(), 226);
        QCOMPARE(bytes.mid(10, 9), QByteArray("USB:Acme\0", 9));
        QCOMPARE(bytes.mid(100, 4), QByteArray(4, '\xff'));
    }

    void secondImageRefused() {
        MainWindow w;
        Dialogs::setNextFileName(fixturePath());
        w.readVorne();
        Dialogs::reset();
        Dialogs::setNextAnswer(QMessageBox::Ok);
        w.readVorne();
        QCOMPARE(Dialogs::log().size(), 1); // no file dialog
        QCOMPARE(Dialogs::lastAsked().text, QStringLiteral("Just one USB device is allowed!"));
        QCOMPARE(w.ui->treeWidget->topLevelItemCount(), 1);
        QCOMPARE(w.listMyPresets.size(), 1);
    }

    void unreadableImages_data() {
        QTest::addColumn<QByteArray>("bytes"); // empty: no file at all
        QTest::addColumn<QString>("message");
        const QByteArray full = readAll(fixturePath());
        QTest::newRow("missing") << QByteArray() << "doesn't exist!";
        QTest::newRow("short") << full.left(100) << "too short";
        QTest::newRow("ends inside a row") << full.left(180) << "inside channel record 1";
    }
    void unreadableImages() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        MainWindow w;
        w.ui->tableWidget->setRowCount(3);
        const QString name = QStringLiteral("bad.bin");
        QFile::remove(home.filePath(name));
        if (!bytes.isEmpty())
            writeFile(home.filePath(name), bytes);
        Dialogs::setNextFileName(name); // relative: the message names the absolute path
        Dialogs::setNextAnswer(QMessageBox::Ok);
        w.readVorne();
        const QString text = Dialogs::lastAsked().text;
        QVERIFY2(text.startsWith("File " + home.filePath(name)) && text.contains(message), qPrintable(text));
        QCOMPARE(w.ui->tableWidget->rowCount(), 0);
        QCOMPARE(w.ui->treeWidget->topLevelItemCount(), 0);
        QVERIFY(w.listMyPresets.isEmpty());
        QVERIFY(!w.checkUSBDevices());
    }

    void sendStartsTheUploader_data() {
        QTest::addColumn<QString>("chosen");
        QTest::newRow("image") << home.filePath("x.bin");
        QTest::newRow("firmware") << home.filePath("fw 1.fw");
        QTest::newRow("relative") << "x.bin";
    }
    void sendStartsTheUploader() {
        QFETCH(QString, chosen);
        QTemporaryDir bin;
        const QString argsFile = installUploader(bin);
        writeFile(QFileInfo(chosen).absoluteFilePath(), "image");

        MainWindow w;
        Dialogs::setNextFileName(chosen);
        w.sendVorne();
        QCOMPARE(Dialogs::lastAsked().title, QStringLiteral("Select File"));
        QCOMPARE(Dialogs::lastAsked().filter, QStringLiteral("Binary Files (*.bin);;Firmware files (*.fw)"));
        QCOMPARE(Dialogs::lastAsked().options, QFileDialog::Options(QFileDialog::DontUseNativeDialog));
        QTRY_VERIFY(QFile::exists(argsFile));
        QCOMPARE(readAll(argsFile), "1\n" + QFileInfo(chosen).absoluteFilePath().toLocal8Bit() + "\n");
        QTRY_VERIFY(!w.uploaderProcess);    // released once finished
        QCOMPARE(Dialogs::log().size(), 1); // nothing shown
    }

    void sendAsksWhichConverter_data() {
        QTest::addColumn<QByteArray>("listed");
        QTest::addColumn<int>("listExit");        // -1: the listing hangs
        QTest::addColumn<QStringList>("offered"); // empty: nothing asked
        QTest::addColumn<QString>("answer");      // null: cancelled
        QTest::addColumn<QStringList>("sent");    // the upload's arguments, IMAGE the file; empty: no upload
        const QByteArray one = "VRN00001\tusb:1-2\tFT232R USB VORNE\tconverter\tv2.11\n";
        const QByteArray other = "A1000001\tusb:1-3\tFT232R USB UART\tother\t\n";
        const QByteArray two = one + other + "VRN00002\tusb:1-4\tFT232R USB VORNE\tconverter\tv2.12\n";
        const QStringList image{"IMAGE"};
        QTest::newRow("two converters and another bridge")
            << two << 0 << QStringList{"VRN00001 (v2.11)", "VRN00002 (v2.12)"} << "VRN00002 (v2.12)"
            << QStringList{"--serial", "VRN00002", "IMAGE"};
        QTest::newRow("cancelled; one without identification")
            << one + "usb:1-5\tusb:1-5\tFT232R USB VORNE\tconverter\t\n"
            << 0 << QStringList{"VRN00001 (v2.11)", "usb:1-5"} << QString() << QStringList();
        QTest::newRow("a serial two bridges carry goes by place")
            << one + "VRN00001\tusb:1-4\tFT232R USB VORNE\tconverter\tv2.12\n"
            << 0 << QStringList{"usb:1-2 (v2.11)", "usb:1-4 (v2.12)"} << "usb:1-4 (v2.12)"
            << QStringList{"--serial", "usb:1-4", "IMAGE"};
        QTest::newRow("one converter") << one + other << 0 << QStringList() << QString() << image;
        QTest::newRow("none answered") << other << 1 << QStringList() << QString() << image;
        QTest::newRow("listing hangs") << two << -1 << QStringList() << QString() << image;
    }
    void sendAsksWhichConverter() {
        QFETCH(QByteArray, listed);
        QFETCH(int, listExit);
        QFETCH(QStringList, offered);
        QFETCH(QString, answer);
        QFETCH(QStringList, sent);
        QTemporaryDir bin;
        const QString argsFile = installUploader(bin);
        writeFile(bin.filePath("list.txt"), listed);
        writeFile(bin.filePath(listExit < 0 ? "hang" : "list.rc"), QByteArray::number(listExit));
        const QString image = home.filePath("x.bin");
        writeFile(image, "image");

        MainWindow w;
        if (listExit < 0)
            w.bridgeListingTimeoutMs = 300;
        Dialogs::setNextFileName(image);
        if (!offered.isEmpty())
            Dialogs::setNextItem(answer, !answer.isNull());
        w.sendVorne();
        QCOMPARE(w.statusBar()->currentMessage(), QStringLiteral("Looking for converters..."));
        w.sendVorne(); // ignored while the listing runs: no second file dialog
        QCOMPARE(Dialogs::log().size(), 1);
        QTRY_VERIFY(!w.bridgeListing);
        QCOMPARE(w.statusBar()->currentMessage(), QString());
        QCOMPARE(Dialogs::log().size(), offered.isEmpty() ? 1 : 2);
        if (!offered.isEmpty()) {
            const Dialogs::Asked asked = Dialogs::lastAsked();
            QCOMPARE(asked.title, QStringLiteral("Send Vorne file"));
            QCOMPARE(asked.text, QStringLiteral("Several converters are attached. Send to:"));
            QCOMPARE(asked.items, offered);
        }
        if (sent.isEmpty()) {
            QTest::qWait(200);
            QVERIFY(!QFile::exists(argsFile));
            return;
        }
        sent.replaceInStrings("IMAGE", image);
        QTRY_VERIFY(QFile::exists(argsFile));
        QCOMPARE(readAll(argsFile), (QString::number(sent.size()) + "\n" + sent.join("\n") + "\n").toLocal8Bit());
        QTRY_VERIFY(!w.uploaderProcess);
    }

    void sendCancelledMissingOrUnstartable() {
        MainWindow w;
        Dialogs::setNextFileName(QString());
        w.sendVorne();
        QVERIFY(!w.uploaderProcess);

        Dialogs::setNextFileName(home.filePath("nothing.bin"));
        Dialogs::setNextAnswer(QMessageBox::Ok);
        w.sendVorne();
        QCOMPARE(Dialogs::lastAsked().text, "File " + home.filePath("nothing.bin") + " doesn't exist!");
        QVERIFY(!w.uploaderProcess);

        QTemporaryDir empty;
        qputenv("PATH", empty.path().toLocal8Bit());
        writeFile(home.filePath("x.bin"), "image");
        Dialogs::setNextFileName(home.filePath("x.bin"));
        Dialogs::setNextAnswer(QMessageBox::Ok);
        w.sendVorne();
        QTRY_COMPARE(Dialogs::lastAsked().icon, QMessageBox::Critical);
        QVERIFY2(Dialogs::lastAsked().text.contains("VORNE_uploader"), qPrintable(Dialogs::lastAsked().text));
        QTRY_VERIFY(!w.uploaderProcess);
    }

    void hexConversionsThroughTheWindow() {
        MainWindow w;
        QCOMPARE(w.getStrHexFromStr("200"), QStringLiteral("0xC8"));
        QCOMPARE(w.getIntFromHex("0x1F"), 31);
        QCOMPARE(w.getIntStrFromHex("0x1F"), QStringLiteral("31"));
        char pair[] = "4f";
        QCOMPARE(quint8(w.getHEX(pair)), quint8(0x4F));
    }

    void replyFieldsExclusive() {
        MainWindow w;
        QLineEdit *ascii = w.settingField[MyConnParam::Normal_Replay];
        QLineEdit *hex = w.settingField[MyConnParam::Normal_Replay_HEX];
        ascii->setText("OK");
        QVERIFY(!hex->isEnabled());
        ascii->clear();
        hex->setText("0D");
        QVERIFY(!ascii->isEnabled());
        QCOMPARE(ascii->styleSheet(), QStringLiteral("background-color: lightgray"));

        // The row popup keeps the disabled text.
        w.lineEditRowAscii->setText("PWR");
        w.lineEditRowHex->setText("50");
        QVERIFY(!w.lineEditRowAscii->isEnabled());
        QCOMPARE(w.lineEditRowAscii->text(), QStringLiteral("PWR"));
    }
};

QTEST_MAIN(TestImageActions)
#include "tst_imageactions.moc"
