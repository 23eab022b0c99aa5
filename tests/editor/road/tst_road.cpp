// The road a technician takes every day, through the window's own slots and
// the dialog facade: from an empty folder to a library device, its image, the
// image read back and cloned into the library, a restart, and the converter
// accepting the clone's image.
#include "crc16.h"
#include "dialogs.h"
#include "imagesamples.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"
#include "windowtestenv.h"

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtEndian>
#include <QtTest>

#include <memory>

namespace {

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QTreeWidgetItem *child(MainWindow &w, const QString &manufacturer, const QString &device) {
    const QList<QTreeWidgetItem *> tops = w.ui->treeWidget->findItems(manufacturer, Qt::MatchExactly);
    if (tops.isEmpty())
        return nullptr;
    for (int i = 0; i < tops.first()->childCount(); ++i)
        if (tops.first()->child(i)->text(0) == device)
            return tops.first()->child(i);
    return nullptr;
}

const MyDevice *record(const MainWindow &w, const QString &manufacturer, const QString &device) {
    for (const MyPreset &p : w.listMyPresets)
        if (p.deviceParent == manufacturer)
            for (const MyDevice &d : p.listMyDevices)
                if (d.deviceType == device)
                    return &d;
    return nullptr;
}

void select(MainWindow &w, QTreeWidgetItem *item) {
    w.ui->treeWidget->setCurrentItem(item);
    w.getPositionTree(item, 0); // what a click on the item runs
}

// The uploader the editor starts: records its arguments, then runs the
// simulator build silently against a healthy converter that keeps what it
// received. "done" appears last, when everything else is written.
void installUploader(const QString &bin) {
    const QByteArray scenario =
        "[bridge]\nserial = ROAD0001\npacing = off\nsave_to = " + QDir(bin).filePath("received.bin").toLocal8Bit() +
        "\n";
    QVERIFY(writeFile(QDir(bin).filePath("scenario.txt"), scenario));
    const QByteArray script = "#!/bin/sh\n"
                              "dir=$(dirname \"$0\")\n"
                              "[ \"$1\" = --list ] && exec env VORNE_SIM_SCENARIO=\"$dir/scenario.txt\" '" VORNE_UPLOADER_SIM "' --list\n"
                              "printf '%s\\n' \"$#\" \"$@\" > \"$dir/args.txt\"\n"
                              "VORNE_SIM_SCENARIO=\"$dir/scenario.txt\" '" VORNE_UPLOADER_SIM "' -s \"$@\" "
                              "> \"$dir/out.txt\" 2> \"$dir/err.txt\"\n"
                              "echo $? > \"$dir/done\"\n";
    const QString path = QDir(bin).filePath("VORNE_uploader");
    QVERIFY(writeFile(path, script));
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

void choose(QComboBox *combo, const QString &text) {
    const int index = combo->findText(text);
    QVERIFY2(index >= 0, qPrintable(text));
    combo->setCurrentIndex(index);
}

// The bytes of `a` and `b` that differ, as "offset" strings.
QStringList differences(const QByteArray &a, const QByteArray &b) {
    QStringList out;
    for (int i = 0; i < qMin(a.size(), b.size()); ++i)
        if (a[i] != b[i])
            out << QString::number(i);
    return out;
}

// Offsets of a 226-byte image: device name, time, prefix length and bytes, CRC.
bool inRange(int offset, int from, int size) { return offset >= from && offset < from + size; }

} // namespace

class TestRoad : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { Dialogs::reset(); }

    void fromAnEmptyFolderToTheConverter() {
        WindowTestEnv env;
        QTemporaryDir bin;
        installUploader(bin.path());
        const QByteArray oldPath = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin.path()) + ":" + oldPath);
        const QDir dir(env.path());

        // A first start creates config.ini and an empty project.
        auto w = std::make_unique<MainWindow>();
        QVERIFY(QFile::exists(dir.filePath("config.ini")));
        QVERIFY(QFile::exists(dir.filePath("MyProject.prj")));
        QCOMPARE(w->ui->treeWidget->topLevelItemCount(), 0);

        // Manufacturer.
        w->ui->btnManufAdd->click();
        QVERIFY(w->treePopup->isVisible());
        w->lineEditPopupManufact->setText("Acme");
        w->btnPopupOk->click();
        QVERIFY(!w->treePopup->isVisible());
        QCOMPARE(w->ui->treeWidget->topLevelItem(0)->text(0), QStringLiteral("Acme"));
        QCOMPARE(w->listMyPresets.size(), 1);

        // Device with its settings.
        select(*w, w->ui->treeWidget->topLevelItem(0));
        w->ui->btnDevAdd->click();
        QVERIFY(w->treePopup->isVisible());
        w->lineEditPopupType->setText("Projector X1");
        w->lineEditPopupDesc->setText("Main hall");
        choose(w->settingCombo[MyConnParam::Speed], "9600");
        choose(w->settingCombo[MyConnParam::Data_Bits], "8");
        choose(w->settingCombo[MyConnParam::Stop_Bits], "1");
        choose(w->settingCombo[MyConnParam::Parity], "None");
        choose(w->settingCombo[MyConnParam::Handshake], "None");
        const struct {
            MyConnParam::Field field;
            const char *text;
        } typed[] = {
            {MyConnParam::Delay_Time, "100"},       {MyConnParam::Retry_Count, "2"},
            {MyConnParam::Replay_Wait_Time, "500"}, {MyConnParam::CMD_Prefix, ""},
            {MyConnParam::CMD_Prefix_HEX, "02"},    {MyConnParam::Normal_Replay_HEX, ""},
            {MyConnParam::Normal_Replay, "OK"},     {MyConnParam::Error_Replay_HEX, ""},
            {MyConnParam::Error_Replay, "ERR"},
        };
        for (const auto &t : typed)
            w->settingField[t.field]->setText(QLatin1String(t.text));
        const QString created = w->labelPopupDate->text();
        w->btnPopupOk->click();
        QVERIFY(!w->treePopup->isVisible());
        QTreeWidgetItem *original = child(*w, "Acme", "Projector X1");
        QVERIFY(original);
        QCOMPARE(w->ui->treeWidget->currentItem(), original);

        // Two rows through the row popup: an ASCII and a HEX command.
        const struct {
            const char *low, *high, *ascii, *hex, *function;
        } rows[] = {
            {"0", "127", "PWR ON", "", "Power on"},
            {"128", "255", "", "505746300D", "Power off"},
        };
        for (const auto &r : rows) {
            w->ui->btnDmxInsert->click();
            QVERIFY(w->rowPopup->isVisible());
            w->lineEditRowDmx->setText("1");
            w->lineEditRowLow->setText(QLatin1String(r.low));
            w->lineEditRowHigh->setText(QLatin1String(r.high));
            w->lineEditRowAscii->setText(QLatin1String(r.ascii));
            w->lineEditRowHex->setText(QLatin1String(r.hex));
            w->lineEditRowFunction->setText(QLatin1String(r.function));
            w->btnRowOk->click();
            QVERIFY2(!w->rowPopup->isVisible(), qPrintable(Dialogs::lastAsked().text));
        }
        QCOMPARE(w->ui->tableWidget->rowCount(), 2);

        // Save: the question is answered Yes.
        Dialogs::setNextAnswer(QMessageBox::Yes);
        w->ui->action_Save->trigger();
        QVERIFY(Dialogs::lastAsked().text.startsWith("Save changes in project"));
        QCOMPARE(Dialogs::pendingAnswers(), 0);

        // The image: the worked example's bytes, but for the creation time and the CRC over it.
        const QString first = dir.filePath("first.bin");
        select(*w, original);
        Dialogs::setNextFileName(first);
        w->ui->actionSave_VORNE->trigger();
        const QByteArray image = readAll(first);
        const QByteArray example = fixture("worked_example.bin");
        QCOMPARE(image.size(), 226);
        for (const QString &at : differences(image, example))
            QVERIFY2(inRange(at.toInt(), 100, 4) || inRange(at.toInt(), 224, 2), qPrintable(at));
        QDateTime stamp = QDateTime::fromString(created, "dd.MM.yyyy | hh:mm:ss");
        QVERIFY(stamp.isValid());
        QCOMPARE(qFromLittleEndian<quint32>(image.constData() + 100), quint32(stamp.toSecsSinceEpoch()));
        QCOMPARE(qFromLittleEndian<quint16>(image.constData() + 224), crc16Xmodem(image.mid(10, 214)));

        // Read back as the USB entry, cloned into Acme under a new name.
        Dialogs::setNextFileName(first);
        w->ui->actionRead_VORNE->trigger();
        QTreeWidgetItem *usb = child(*w, "USB:Acme", "Projector X1");
        QVERIFY(usb);
        QCOMPARE(w->ui->treeWidget->currentItem(), usb);
        w->actCloneUsbDevice->trigger();
        QVERIFY(w->treePopup->isVisible());
        QCOMPARE(w->comboBoxPopupManufact->currentText(), QStringLiteral("Acme"));
        w->lineEditPopupType->setText("Projector X1 copy");
        w->btnPopupOk->click();
        QVERIFY2(!w->treePopup->isVisible(), qPrintable(Dialogs::lastAsked().text));
        QVERIFY(child(*w, "Acme", "Projector X1 copy"));

        // Save, and leave through Exit: nothing is left to ask.
        Dialogs::setNextAnswer(QMessageBox::Yes);
        w->ui->action_Save->trigger();
        QCOMPARE(Dialogs::pendingAnswers(), 0);
        const int asked = Dialogs::log().size();
        w->ui->action_Exit->trigger();
        QCOMPARE(Dialogs::log().size(), asked);
        QVERIFY(readAll(dir.filePath("config.ini"))
                    .contains("\nLastProject=" + QFile::encodeName(dir.filePath("MyProject.prj")) + "\n"));
        const QList<MyChanel> originalRows = record(*w, "Acme", "Projector X1")->listChanel;
        w.reset();

        // A second start reopens the project: both devices, the same rows, no USB entry.
        w = std::make_unique<MainWindow>();
        QCOMPARE(w->ui->treeWidget->topLevelItemCount(), 1);
        QCOMPARE(w->ui->treeWidget->topLevelItem(0)->childCount(), 2);
        const MyDevice *a = record(*w, "Acme", "Projector X1");
        const MyDevice *b = record(*w, "Acme", "Projector X1 copy");
        QVERIFY(a && b);
        QCOMPARE(a->listChanel.size(), 2);
        QCOMPARE(b->listChanel, a->listChanel);
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(a->listChanel[i].rs_c, originalRows[i].rs_c);
            QCOMPARE(a->listChanel[i].function, originalRows[i].function);
        }
        QCOMPARE(b->deviceDesc, QStringLiteral("Main hall"));

        // The clone's image: the first one but for name, prefix, time and CRC.
        const QString second = dir.filePath("second.bin");
        select(*w, child(*w, "Acme", "Projector X1 copy"));
        Dialogs::setNextFileName(second);
        w->ui->actionSave_VORNE->trigger();
        const QByteArray copy = readAll(second);
        QCOMPARE(copy.size(), 226);
        const QStringList changed = differences(copy, image);
        QVERIFY(!changed.isEmpty());
        for (const QString &at : changed) {
            const int o = at.toInt();
            QVERIFY2(inRange(o, 40, 30) || inRange(o, 100, 4) || inRange(o, 153, 13) || inRange(o, 224, 2),
                     qPrintable(at));
        }
        QCOMPARE(copy.mid(40, 18), QByteArray("Projector X1 copy\0", 18));
        QCOMPARE(copy.mid(153, 13), QByteArray(13, '\0'));
        QCOMPARE(qFromLittleEndian<quint16>(copy.constData() + 224), crc16Xmodem(copy.mid(10, 214)));

        // Send: the uploader gets the absolute path alone and the converter accepts the bytes.
        QDir::setCurrent(bin.path());
        Dialogs::setNextFileName(QDir(bin.path()).relativeFilePath(second)); // relative to the working folder
        w->ui->actionSend_Vorne->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(QDir(bin.path()).filePath("done")), 60000);
        QCOMPARE(readAll(QDir(bin.path()).filePath("args.txt")), "1\n" + QFile::encodeName(second) + "\n");
        QCOMPARE(readAll(QDir(bin.path()).filePath("done")), QByteArray("0\n"));
        const QByteArray out = readAll(QDir(bin.path()).filePath("out.txt"));
        QVERIFY2(out.endsWith("(226B)\n\nDONE\nCRC: OK\n"), out.constData());
        QCOMPARE(readAll(QDir(bin.path()).filePath("received.bin")), copy);
        QCOMPARE(Dialogs::lastAsked().kind, Dialogs::Kind::OpenFile); // the editor showed nothing more
        QTRY_VERIFY(!w->uploaderProcess); // released once the uploader ended
        QDir::setCurrent(env.path());
        qputenv("PATH", oldPath);
    }
};

QTEST_MAIN(TestRoad)
#include "tst_road.moc"
