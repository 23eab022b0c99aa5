// The image actions of the main window: "Sa&ve Vorne file" through a scripted
// save dialog, "&Read Vorne file" building the USB entry, "Sen&d Vorne file"
// starting a stand-in uploader found on PATH, and the ASCII/HEX slots.
#include "dialogs.h"
#include "imagesamples.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QLineEdit>
#include <QPointer>
#include <QProcess>
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
        const QString argsFile = bin.filePath("args.txt");
        writeFile(bin.filePath("VORNE_uploader"),
                  "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" > \"$(dirname \"$0\")/args.tmp\"\n"
                  "mv \"$(dirname \"$0\")/args.tmp\" \"$(dirname \"$0\")/args.txt\"\n");
        QFile::setPermissions(bin.filePath("VORNE_uploader"), QFile::ReadOwner | QFile::ExeOwner | QFile::WriteOwner);
        qputenv("PATH", (bin.path() + ":" + oldPath).toLocal8Bit());
        writeFile(QFileInfo(chosen).absoluteFilePath(), "image");

        MainWindow w;
        Dialogs::setNextFileName(chosen);
        w.sendVorne();
        QCOMPARE(Dialogs::lastAsked().title, QStringLiteral("Select File"));
        QCOMPARE(Dialogs::lastAsked().filter, QStringLiteral("Binary Files (*.bin);;Firmware files (*.fw)"));
        QCOMPARE(Dialogs::lastAsked().options, QFileDialog::Options(QFileDialog::DontUseNativeDialog));
        QPointer<QProcess> process = w.uploaderProcess;
        QVERIFY(process);
        QTRY_VERIFY(QFile::exists(argsFile));
        QCOMPARE(readAll(argsFile), "1\n" + QFileInfo(chosen).absoluteFilePath().toLocal8Bit() + "\n");
        QTRY_VERIFY(!process); // released once finished
        QVERIFY(!w.uploaderProcess);
        QCOMPARE(Dialogs::log().size(), 1); // nothing shown
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
