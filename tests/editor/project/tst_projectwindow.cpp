// The project commands, start-up loading and tree navigation of the main
// window, run headless with scripted dialog answers.
#include "configfile.h"
#include "connflags.h"
#include "dialogs.h"
#include "mainwindow.h"
#include "projectfile.h"
#include "ui_mainwindow.h"

#include <QBuffer>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

namespace {
QByteArray fixture(const char *name) {
    QFile file(QStringLiteral(VORNE_TEST_DATA "/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", name);
    return file.readAll();
}

QByteArray contents(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// Runs `command` inside the application's event loop and tells whether it
// ended the program with status 0. QCoreApplication::exec() is used because it
// resets the quit state afterwards, so later tests still get working loops.
bool quitsApplication(const std::function<void()> &command) {
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    guard.start(300);
    QTimer::singleShot(0, command);
    const int status = QCoreApplication::exec();
    guard.stop();
    return status == 0;
}

const QString kQuestion = QStringLiteral("Save changes in project \"%1\"?");
} // namespace

class TestProjectWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<MainWindow> window;
    QString previousDir;
    QByteArray previousHome;

    QString path(const QString &name) const { return dir->filePath(name); }

    // Starts the editor in a fresh folder whose config.ini names `project` (or has no config.ini).
    MainWindow &start(const QByteArray &project = QByteArray(), const QString &name = QStringLiteral("Demo.prj")) {
        if (!project.isNull()) {
            writeFile(path(name), project);
            writeFile(path(QStringLiteral("config.ini")),
                      "DefaultPath=.\nLastProject=" + path(name).toLatin1() + "\nSpeed=9600,19200\n");
        }
        window = std::make_unique<MainWindow>();
        Dialogs::reset();
        return *window;
    }

    QTreeWidgetItem *topItem(const QString &text) const {
        const QList<QTreeWidgetItem *> found = window->ui->treeWidget->findItems(text, Qt::MatchExactly);
        return found.isEmpty() ? nullptr : found.first();
    }

    MyDevice &demoDevice() { return window->listMyPresets[0].listMyDevices[0]; }

private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        previousDir = QDir::currentPath();
        QDir::setCurrent(dir->path());
        // The default folder lies in the home folder; keep it inside the test folder.
        previousHome = qgetenv("HOME");
        qputenv("HOME", dir->path().toLocal8Bit());
        Dialogs::reset();
    }

    void cleanup() {
        QCOMPARE(Dialogs::pendingAnswers(), 0);
        window.reset();
        Dialogs::reset();
        QDir::setCurrent(previousDir);
        qputenv("HOME", previousHome);
        dir.reset();
    }

    // Start-up and navigation.

    void startupOpensTheLastProjectAndShowsItsFirstDevice() {
        MainWindow &w = start(fixture("Demo.prj"));
        QCOMPARE(w.sProjectName, path(QStringLiteral("Demo.prj")));
        QCOMPARE(w.sDefaultPath, dir->path());
        QCOMPARE(w.Speed_List, (QStringList{QStringLiteral("9600"), QStringLiteral("19200")}));
        QTreeWidget *tree = w.ui->treeWidget;
        QCOMPARE(tree->topLevelItemCount(), 1);
        QTreeWidgetItem *acme = tree->topLevelItem(0);
        QCOMPARE(acme->text(0), QStringLiteral("Acme"));
        QCOMPARE(acme->toolTip(1), QStringLiteral("parent"));
        QTreeWidgetItem *device = acme->child(0);
        QCOMPARE(device->text(0), QStringLiteral("Projector X"));
        QCOMPARE(device->toolTip(1), QStringLiteral("Main hall"));
        QCOMPARE(device->toolTip(2), QStringLiteral("06.12.2026 | 10:15:00"));
        QCOMPARE(tree->currentItem(), device);
        QVERIFY(device->isSelected());
        QCOMPARE(tree->headerItem()->text(0), QStringLiteral("Demo"));
        QCOMPARE(tree->headerItem()->toolTip(0), path(QStringLiteral("Demo.prj")));
        QCOMPARE(w.windowTitle(), w.sAppTitle + path(QStringLiteral("Demo.prj")));
        QCOMPARE(w.sAppTitle.size(), 35);
        QCOMPARE(w.ui->lineEditManufact->text(), QStringLiteral("Projector X"));
        QCOMPARE(w.ui->tableWidget->rowCount(), 2);
        QVERIFY(w.ui->tableWidget->isEnabled());
        QCOMPARE(demoDevice().listChanel.size(), 2);
        QCOMPARE(w.listFreePlaces.first().dmx_chanel, QStringLiteral("2"));
    }

    void firstStartCreatesConfigAndAnEmptyProject() {
        MainWindow &w = start();
        QCOMPARE(contents(path(QStringLiteral("config.ini"))), defaultConfigBytes());
        QCOMPARE(w.sProjectName, QStringLiteral("MyProject.prj"));
        QCOMPARE(contents(path(QStringLiteral("MyProject.prj"))), QByteArray("@MyProject\n!"));
        QCOMPARE(w.Speed_List.size(), 9);
        QCOMPARE(w.ui->treeWidget->topLevelItemCount(), 0);
        QCOMPARE(w.ui->treeWidget->headerItem()->text(0), QStringLiteral("MyProject"));
        QVERIFY(!w.ui->tableWidget->isEnabled());
    }

    void lastProjectThatIsGoneIsCreatedInTheDefaultFolder() {
        writeFile(path(QStringLiteral("config.ini")), "DefaultPath=.\nLastProject=/no/such/dir/Gone.prj\n");
        QVERIFY(QDir(dir->path()).mkdir(QStringLiteral("Vorne")));
        MainWindow &w = start();
        // Falls back to the previous name in the default folder (the home folder's "Vorne").
        QCOMPARE(w.sProjectName, path(QStringLiteral("Vorne/MyProject.prj")));
        QCOMPARE(w.sDefaultPath, path(QStringLiteral("Vorne")));
        QCOMPARE(contents(w.sProjectName), QByteArray("@MyProject\n!"));
    }

    void clickingAManufacturerShowsTheEmptyState() {
        MainWindow &w = start(fixture("Demo.prj"));
        w.getPositionTree(topItem(QStringLiteral("Acme")), 0);
        QCOMPARE(w.ui->lineEditManufact->text(), QStringLiteral("Manufacturer"));
        QCOMPARE(w.ui->lineEditDesc->text(), QStringLiteral("Description"));
        QCOMPARE(w.ui->lineEditTime->text(), QStringLiteral("Time"));
        const QStringList left{
            "Speed [baud]:", "Data bits:", "Stop bits:", "Parity:", "Handshake:", "Delay time [ms]:", "Retry count:"};
        const QStringList right{"Prefix:",      "Prefix HEX:",      "Normal reply:",  "Normal reply HEX:",
                                "Error reply:", "Error reply HEX:", "Wait time [ms]:"};
        QCOMPARE(w.ui->listWidgetLeft->count(), 7);
        QCOMPARE(w.ui->listWidgetRight->count(), 7);
        for (int i = 0; i < 7; ++i) {
            QCOMPARE(w.ui->listWidgetLeft->item(i)->text(), left[i]);
            QCOMPARE(w.ui->listWidgetRight->item(i)->text(), right[i]);
            QCOMPARE(w.ui->listWidgetLeft->item(i)->font().pointSize(), 8);
            QVERIFY(w.ui->listWidgetLeft->item(i)->toolTip().isEmpty());
        }
        QCOMPARE(w.ui->tableWidget->rowCount(), 0);
        QVERIFY(!w.ui->tableWidget->isEnabled());
    }

    void clickingADeviceShowsItsSettingsWithExactCaptions() {
        MainWindow &w = start(fixture("Demo.prj"));
        w.getPositionTree(topItem(QStringLiteral("Acme"))->child(0), 0);
        const QStringList left{"Speed [baud]:\t9600", "Data bits:  \t8",       "Stop bits:  \t1",  "Parity:  \tNone",
                               "Handshake: \tNone",   "Delay time [ms]:\t100", "Retry count:\t\t2"};
        const QStringList right{
            "Prefix: \t",       "Prefix HEX:\t",        "Normal reply:\t\tOK",   "Normal reply HEX:\t",
            "Error reply:\t\t", "Error reply HEX:\t\t", "Wait time [ms]:\t\t500"};
        for (int i = 0; i < 7; ++i) {
            QCOMPARE(w.ui->listWidgetLeft->item(i)->text(), left[i]);
            QCOMPARE(w.ui->listWidgetRight->item(i)->text(), right[i]);
        }
        QCOMPARE(w.ui->listWidgetLeft->item(0)->toolTip(), QStringLiteral("9600"));
        QCOMPARE(w.ui->listWidgetRight->item(6)->toolTip(), QStringLiteral("500"));
        QCOMPARE(w.ui->lineEditDesc->text(), QStringLiteral("Main hall"));
        QCOMPARE(w.ui->lineEditTime->text(), QStringLiteral("06.12.2026 | 10:15:00"));
    }

    void tableCellsCarryNumbersHexTooltipsAndChangeColours() {
        MainWindow &w = start(fixture("Demo.prj"));
        MyChanel wide;
        wide.dmx_chanel = QStringLiteral("300");
        wide.dmx_valueFrom = QStringLiteral("5");
        wide.dmx_valueTo = QStringLiteral("16");
        wide.rs_c = QStringLiteral("HEX:0A0D");
        wide.function = QStringLiteral("Wide");
        wide.status = kStatusChanged;
        demoDevice().listChanel.append(wide);
        w.getPositionTree(w.ui->treeWidget->currentItem(), 0);
        QTableWidget *table = w.ui->tableWidget;
        QCOMPARE(table->rowCount(), 3);
        const QTableWidgetItem *dmx = table->item(0, 0);
        QCOMPARE(dmx->text(), QStringLiteral("1"));
        QCOMPARE(dmx->whatsThis(), QStringLiteral("1"));
        QCOMPARE(dmx->toolTip(), QStringLiteral(" 0x01"));
        QCOMPARE(table->item(0, 2)->toolTip(), QStringLiteral(" 0x7F"));
        QCOMPARE(table->item(1, 1)->toolTip(), QStringLiteral(" 0x80"));
        QCOMPARE(table->item(1, 2)->toolTip(), QStringLiteral(" 0xFF"));
        QCOMPARE(table->item(2, 0)->toolTip(), QStringLiteral(" 0x012C"));
        QCOMPARE(table->item(2, 1)->toolTip(), QStringLiteral(" 0x05"));
        QCOMPARE(table->item(2, 2)->toolTip(), QStringLiteral(" 0x10"));
        QCOMPARE(table->item(0, 3)->text(), QStringLiteral("ASCII:PWR OFF"));
        QVERIFY(table->item(0, 3)->toolTip().isEmpty());
        QCOMPARE(table->item(0, 4)->text(), QStringLiteral("Power off"));
        QCOMPARE(table->item(0, 4)->textAlignment() & Qt::AlignHorizontal_Mask, int(Qt::AlignHCenter));
        QCOMPARE(table->item(0, 0)->background().color(), QColor(Qt::white));
        for (int column = 0; column < 5; ++column)
            QCOMPARE(table->item(2, column)->background().color(), QColor(255, 255, 127));
    }

    void devicesAreFoundByNameWhateverTheTreeOrder() {
        const QByteArray project = "@P\nZeta\n\tShared\nacme\n\tLower\nAcme\n\tUpper\n!\n"
                                   "$Shared\nSpeed=1\n!\n$Lower\nSpeed=2\n!\n$Upper\nSpeed=3\n!\n";
        MainWindow &w = start(project, QStringLiteral("P.prj"));
        QCOMPARE(w.listMyPresets[0].deviceParent, QStringLiteral("Zeta"));
        QTreeWidget *tree = w.ui->treeWidget;
        QCOMPARE(tree->topLevelItem(0)->text(0), QStringLiteral("Acme")); // sorted ascending, case-sensitive
        QCOMPARE(tree->topLevelItem(2)->text(0), QStringLiteral("acme"));
        const struct {
            const char *manufacturer;
            const char *speed;
        } cases[] = {{"Zeta", "1"}, {"acme", "2"}, {"Acme", "3"}};
        for (const auto &c : cases) {
            w.getPositionTree(topItem(QLatin1String(c.manufacturer))->child(0), 0);
            QCOMPARE(w.ui->listWidgetLeft->item(0)->toolTip(), QLatin1String(c.speed));
        }
    }

    void markersColourItemsAndConnectionEntries() {
        MainWindow &w = start(fixture("Demo.prj"));
        QTreeWidgetItem *device = topItem(QStringLiteral("Acme"))->child(0);
        device->setWhatsThis(0, kStatusChanged);
        topItem(QStringLiteral("Acme"))->setWhatsThis(0, kStatusSaved);
        demoDevice().connParam.flags = (1u << MyConnParam::Parity) | (1u << MyConnParam::Normal_Replay) |
                                       (1u << MyConnParam::Speed) | (1u << (14 + MyConnParam::Speed));
        w.getPositionTree(device, 0);
        QCOMPARE(device->background(0).color(), QColor(255, 255, 127));
        QCOMPARE(topItem(QStringLiteral("Acme"))->background(0).color(), QColor(Qt::white));
        QCOMPARE(w.ui->listWidgetLeft->item(3)->background().color(), QColor(255, 255, 127));
        QCOMPARE(w.ui->listWidgetRight->item(2)->background().color(), QColor(255, 255, 127));
        QCOMPARE(w.ui->listWidgetLeft->item(0)->background().color(), QColor(Qt::white));
        QCOMPARE(w.ui->listWidgetLeft->item(1)->background().style(), Qt::NoBrush);
    }

    void manufacturerComboLeavesOutNamesBeginningWithUsb() {
        MainWindow &w = start("@P\nUSBox\nAcme\nUSB:file\nBeta\n!\n", QStringLiteral("P.prj"));
        QComboBox combo;
        combo.addItem(QStringLiteral("stale"));
        w.fillComboBoxWithParents(&combo);
        QCOMPARE(combo.count(), 2);
        QCOMPARE(combo.itemText(0), QStringLiteral("Acme"));
        QCOMPARE(combo.itemText(1), QStringLiteral("Beta"));
    }

    void loadSetupSelectsExactEntriesAndFillsTheFreeTextFields() {
        MainWindow &w = start(fixture("Demo.prj"));
        QComboBox *speed = w.settingCombo[MyConnParam::Speed];
        QComboBox *parity = w.settingCombo[MyConnParam::Parity];
        speed->clear();
        speed->addItems({QStringLiteral("4800"), QStringLiteral("9600")});
        parity->clear();
        parity->addItems({QStringLiteral("NONE"), QStringLiteral("Odd")});
        w.loadSetup(0, 0);
        QCOMPARE(speed->currentIndex(), 1);
        QCOMPARE(parity->currentIndex(), -1); // "None" is matched case-sensitively
        QCOMPARE(w.settingField[MyConnParam::Delay_Time]->text(), QStringLiteral("100"));
        QCOMPARE(w.settingField[MyConnParam::Normal_Replay]->text(), QStringLiteral("OK"));
        w.loadSetup(0, 5); // out of range: nothing happens
    }

    void rowsFromTheFileAreSortedAndFreeRangesFollow() {
        MainWindow &w = start("@P\nM\n\tD\n!\n%D\n10,\t0,\t1,\ta,\tb\n9,\t3,\t4,\ta,\tb\n!\n", QStringLiteral("P.prj"));
        QCOMPARE(w.ui->tableWidget->item(0, 0)->text(), QStringLiteral("9"));
        QCOMPARE(w.listFreePlaces.first().dmx_chanel, QStringLiteral("1"));
        bool nineOffersBottom = false;
        for (const MyChanel &free : w.listFreePlaces)
            nineOffersBottom |= free.dmx_chanel == QLatin1String("9") && free.dmx_valueTo == QLatin1String("2");
        QVERIFY(nineOffersBottom);
    }

    // Save and Save As.

    void saveWithNothingChangedAsksAndWritesNothing() {
        MainWindow &w = start(fixture("Demo.prj"));
        writeFile(path(QStringLiteral("Demo.prj")), "untouched");
        QCOMPARE(w.saveProject(), int(QMessageBox::No));
        QVERIFY(Dialogs::log().isEmpty());
        QCOMPARE(contents(path(QStringLiteral("Demo.prj"))), QByteArray("untouched"));
    }

    void saveAnsweredYesWritesTheProjectAndClearsEveryFlag() {
        MainWindow &w = start(fixture("Demo.prj"));
        MyDevice &d = demoDevice();
        d.listChanel[0].status = kStatusChanged;
        d.listChanel[0].function = QStringLiteral("Off");
        d.changesInTable = true;
        d.connParam.flags = 1u << MyConnParam::Speed;
        QTreeWidgetItem *item = topItem(QStringLiteral("Acme"))->child(0);
        item->setWhatsThis(0, kStatusChanged);
        writeFile(path(QStringLiteral("Demo.prj")), "old");
        Dialogs::setNextAnswer(QMessageBox::Yes);
        QCOMPARE(w.saveProject(), int(QMessageBox::Yes));
        const Dialogs::Asked asked = Dialogs::lastAsked();
        QCOMPARE(asked.title, QStringLiteral("Save"));
        QCOMPARE(asked.text, kQuestion.arg(path(QStringLiteral("Demo.prj"))));
        QCOMPARE(asked.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QByteArray expected = fixture("Demo.prj");
        expected.replace("Power off", "Off");
        QCOMPARE(contents(path(QStringLiteral("Demo.prj"))), expected);
        QCOMPARE(demoDevice().listChanel[0].status, kStatusSaved);
        QVERIFY(!demoDevice().changesInTable);
        QVERIFY(isFieldSaved(demoDevice().connParam, MyConnParam::Speed));
        QCOMPARE(item->whatsThis(0), kStatusSaved);
        QCOMPARE(item->background(0).color(), QColor(Qt::white));
        QCOMPARE(w.ui->tableWidget->item(0, 0)->background().color(), QColor(Qt::white));
        Dialogs::reset();
        QCOMPARE(w.saveProject(), int(QMessageBox::No));
        QVERIFY(Dialogs::log().isEmpty());
    }

    void saveAnsweredNoKeepsEverythingAndAsksAgain() {
        MainWindow &w = start(fixture("Demo.prj"));
        demoDevice().isChanges = true;
        writeFile(path(QStringLiteral("Demo.prj")), "old");
        Dialogs::setNextAnswer(QMessageBox::No);
        QCOMPARE(w.saveProject(), int(QMessageBox::No));
        QCOMPARE(contents(path(QStringLiteral("Demo.prj"))), QByteArray("old"));
        QVERIFY(demoDevice().isChanges);
        Dialogs::setNextAnswer(QMessageBox::Cancel);
        QCOMPARE(w.saveProject(), int(QMessageBox::Cancel));
        QCOMPARE(Dialogs::log().size(), 2);
        QCOMPARE(contents(path(QStringLiteral("Demo.prj"))), QByteArray("old"));
    }

    void addedManufacturerAloneRaisesTheQuestion() {
        MainWindow &w = start(fixture("Demo.prj"));
        w.globalAddDeleteItem = true;
        Dialogs::setNextAnswer(QMessageBox::Yes);
        QCOMPARE(w.saveProject(), int(QMessageBox::Yes));
        QCOMPARE(Dialogs::log().size(), 1);
        QVERIFY(!w.globalAddDeleteItem);
    }

    void failedSaveIsToldAndLosesNothing() {
        MainWindow &w = start(fixture("Demo.prj"));
        writeFile(path(QStringLiteral("blocker")), "a file, not a folder");
        const QString unwritable = path(QStringLiteral("blocker/Demo.prj"));
        w.sProjectName = unwritable;
        demoDevice().changesInConn = true;
        demoDevice().listChanel[0].status = kStatusChanged;
        w.globalAddDeleteItem = true;
        Dialogs::setNextAnswer(QMessageBox::Yes);
        Dialogs::setNextAnswer(QMessageBox::Ok);
        QCOMPARE(w.saveProject(), int(QMessageBox::Cancel));
        const Dialogs::Asked told = Dialogs::lastAsked();
        QCOMPARE(told.icon, QMessageBox::Critical);
        QCOMPARE(told.title, QStringLiteral("Error"));
        QVERIFY2(told.text.contains(unwritable), qPrintable(told.text));
        QVERIFY(demoDevice().changesInConn);
        QVERIFY(w.globalAddDeleteItem);
        QCOMPARE(demoDevice().listChanel[0].status, kStatusChanged);
        QCOMPARE(contents(path(QStringLiteral("Demo.prj"))), fixture("Demo.prj"));
    }

    void saveAsWritesAtOnceAndAppendsTheSuffix() {
        MainWindow &w = start(fixture("Demo.prj"));
        Dialogs::setNextFileName(path(QStringLiteral("Copy")));
        w.saveAsProject();
        const Dialogs::Asked asked = Dialogs::log().first();
        QCOMPARE(asked.kind, Dialogs::Kind::SaveFile);
        QCOMPARE(asked.title, QStringLiteral("Save Project As"));
        QCOMPARE(asked.dir, w.sDefaultPath);
        QCOMPARE(asked.filter, QStringLiteral("Project Files (*.prj)"));
        QCOMPARE(asked.options, QFileDialog::Options(QFileDialog::DontUseNativeDialog));
        QCOMPARE(Dialogs::log().size(), 1); // written without a question
        QByteArray expected = fixture("Demo.prj");
        expected.replace("@Demo", "@Copy");
        QCOMPARE(contents(path(QStringLiteral("Copy.prj"))), expected);
        QCOMPARE(w.sProjectName, path(QStringLiteral("Copy.prj")));
        QCOMPARE(w.ui->treeWidget->headerItem()->text(0), QStringLiteral("Copy"));
        QCOMPARE(w.ui->treeWidget->headerItem()->toolTip(0), path(QStringLiteral("Copy.prj")));
        QCOMPARE(w.windowTitle(), w.sAppTitle + path(QStringLiteral("Copy.prj")));

        Dialogs::setNextFileName(path(QStringLiteral("Other.PRJ.txt")));
        w.saveAsProject();
        QVERIFY(QFile::exists(path(QStringLiteral("Other.PRJ.txt"))));
        QVERIFY(!QFile::exists(path(QStringLiteral("Other.PRJ.txt.prj"))));
    }

    void saveAsCancelledOrFailedKeepsTheProjectWhereItWas() {
        MainWindow &w = start(fixture("Demo.prj"));
        Dialogs::setNextFileName(QString());
        w.saveAsProject();
        QCOMPARE(w.sProjectName, path(QStringLiteral("Demo.prj")));
        writeFile(path(QStringLiteral("blocker")), "x");
        Dialogs::setNextFileName(path(QStringLiteral("blocker/New.prj")));
        Dialogs::setNextAnswer(QMessageBox::Ok);
        w.saveAsProject();
        QCOMPARE(Dialogs::lastAsked().icon, QMessageBox::Critical);
        QCOMPARE(w.sProjectName, path(QStringLiteral("Demo.prj")));
        QCOMPARE(w.ui->treeWidget->headerItem()->text(0), QStringLiteral("Demo"));
    }

    void latin1TextSurvivesOpenAndSave() {
        const QByteArray project = "@L\nM\xfcller\n\tGer\xe4t\t\tdesc:Saal \xe9\n!\n%Ger\xe4t\n"
                                   "1,\t0,\t10,\tASCII:20\xb0"
                                   "C,\tW\xe4rme\n!\n";
        MainWindow &w = start(project, QStringLiteral("L.prj"));
        QCOMPARE(w.listMyPresets[0].deviceParent, QString::fromUtf8("Müller"));
        QCOMPARE(w.listMyPresets[0].listMyDevices[0].listChanel[0].rs_c, QString::fromUtf8("ASCII:20°C"));
        Dialogs::setNextFileName(path(QStringLiteral("L2.prj")));
        w.saveAsProject();
        QByteArray copy = project;
        QBuffer buffer(&copy);
        buffer.open(QIODevice::ReadOnly);
        MyLibrary library;
        QVERIFY(readProjectFile(&buffer, &library, nullptr));
        const QByteArray expected = projectFileBytes(library, QStringLiteral("L2"), libraryTree(library));
        QVERIFY(expected.contains("M\xfcller\n\tGer\xe4t\t\tdesc:Saal \xe9\n!\n"));
        QVERIFY(expected.contains("1,\t0,\t10,\tASCII:20\xb0"
                                  "C,\tW\xe4rme\n"));
        QCOMPARE(contents(path(QStringLiteral("L2.prj"))), expected);
    }

    // Saves of entries the file cannot give back: written all the same, then one message.

    void saveWritesUnkeptEntriesAndTellsWhichAndWhy() {
        // A hand-edited file: a manufacturer whose name opens a rows section,
        // which takes the device's settings once it has some.
        MainWindow &w = start("@Demo\n%Acme\n\tAcme\n!\n");
        w.listMyPresets[0].listMyDevices[0].connParam[MyConnParam::Speed] = QStringLiteral("9600");
        w.globalAddDeleteItem = true;
        Dialogs::setNextAnswer(QMessageBox::Yes);
        Dialogs::setNextAnswer(QMessageBox::Ok);
        QCOMPARE(w.saveProject(), int(QMessageBox::Yes));
        QCOMPARE(Dialogs::log().size(), 2);
        const Dialogs::Asked told = Dialogs::lastAsked();
        QCOMPARE(told.icon, QMessageBox::Information);
        QVERIFY2(told.text.contains(QStringLiteral("Manufacturer \"%Acme\"")), qPrintable(told.text));
        QVERIFY2(told.text.contains(QStringLiteral("\"%\"")), qPrintable(told.text));
        QVERIFY(contents(path(QStringLiteral("Demo.prj"))).startsWith("@Demo\n%Acme\n\tAcme\n!\n\n$Acme\n"));
        QVERIFY(!w.globalAddDeleteItem);
    }

    void saveAsAndExitTellTooButACleanSaveSaysNothing() {
        // Two devices of one name; the second one's own rows would be lost.
        MainWindow &w = start("@Demo\nAcme\n\tSpot\n\tSpot\n!\n");
        w.listMyPresets[0].listMyDevices[1].listChanel.append(MyChanel{kStatusChanged, "1", "0", "9", "ASCII:A", "a"});
        Dialogs::setNextFileName(path(QStringLiteral("Copy.prj")));
        Dialogs::setNextAnswer(QMessageBox::Ok);
        w.saveAsProject();
        QCOMPARE(Dialogs::log().size(), 2);
        QVERIFY2(Dialogs::lastAsked().text.contains(QStringLiteral("\"Spot\"")), qPrintable(Dialogs::lastAsked().text));
        QVERIFY(QFile::exists(path(QStringLiteral("Copy.prj"))));

        Dialogs::reset();
        w.globalAddDeleteItem = true;
        Dialogs::setNextAnswer(QMessageBox::Yes);
        Dialogs::setNextAnswer(QMessageBox::Ok);
        QVERIFY(quitsApplication([&w] { w.exitProject(); }));
        QCOMPARE(Dialogs::log().size(), 2);
        QCOMPARE(Dialogs::lastAsked().icon, QMessageBox::Information);

        // Without the second device nothing is lost and nothing is said.
        Dialogs::reset();
        w.listMyPresets[0].listMyDevices.removeLast();
        delete topItem(QStringLiteral("Acme"))->child(1);
        Dialogs::setNextFileName(path(QStringLiteral("Clean.prj")));
        w.saveAsProject();
        QCOMPARE(Dialogs::log().size(), 1);
    }

    void saveChecksAManufacturerNamedLikeTheUsbEntryButLeavesTheEntryOut() {
        MainWindow &w = start("@Demo\nUSB:Acme\n\tSpot\n!\n\n%Spot\n1,\t2,\t3,\t4,\t5\r\r\n!\n");
        Dialogs::setNextFileName(QStringLiteral(VORNE_TEST_DATA "/worked_example.bin"));
        w.readVorne();
        QCOMPARE(w.listMyPresets.size(), 2);
        QCOMPARE(w.listMyPresets[1].deviceParent, QStringLiteral("USB:Acme")); // the image's entry, same name
        w.listMyPresets[1].listMyDevices[0].listChanel[0].function = QStringLiteral("never written\r");
        w.globalAddDeleteItem = true;
        Dialogs::reset();
        Dialogs::setNextAnswer(QMessageBox::Yes);
        Dialogs::setNextAnswer(QMessageBox::Ok);
        QCOMPARE(w.saveProject(), int(QMessageBox::Yes));
        const QString text = Dialogs::lastAsked().text;
        QVERIFY2(text.contains(QStringLiteral("- Row 1 of device \"Spot\" (USB:Acme): its function name")),
                 qPrintable(text));
        QCOMPARE(text.count(QStringLiteral("\n- ")), 1);
    }

    // A hand-edited file: what the reading passed over is told once at open,
    // then by the save that drops it, and never again.
    void openTellsWhatItPassedOverAndTheSaveThatDropsIt() {
        MainWindow &w = start(fixture("Demo.prj"));
        QByteArray hand = fixture("Demo.prj").replace("Speed=9600\n", "Speed=9600\n!\n"); // lines 9-22 fall outside
        hand += "$Ghost\nSpeed=1\nSpeed=2\nSpeed=3\nSpeed=4\nSpeed=5\nSpeed=6\n!\n";      // lines 29-36
        writeFile(path(QStringLiteral("Hand.prj")), hand);
        Dialogs::setNextFileName(path(QStringLiteral("Hand.prj")));
        Dialogs::setNextAnswer(QMessageBox::Ok);
        w.openProject();
        const Dialogs::Asked told = Dialogs::lastAsked();
        QCOMPARE(told.icon, QMessageBox::Critical);
        QVERIFY2(told.text.startsWith(
                     QStringLiteral("The editor passed over 22 lines of %1:").arg(path(QStringLiteral("Hand.prj")))),
                 qPrintable(told.text));
        QVERIFY(told.text.contains(QStringLiteral("the next save drops them")));
        QVERIFY(told.text.contains(QStringLiteral("\nline 9: Data_Bits=8\nline 10: Stop_Bits=1\n")));
        QVERIFY(told.text.contains(QStringLiteral("\nline 34: Speed=5\n... and 2 more.\n")));
        QCOMPARE(w.listMyPresets[0].listMyDevices[0].connParam[MyConnParam::Parity], QString());

        Dialogs::reset();
        w.globalAddDeleteItem = true;
        Dialogs::setNextAnswer(QMessageBox::Yes);
        Dialogs::setNextAnswer(QMessageBox::Ok);
        QCOMPARE(w.saveProject(), int(QMessageBox::Yes));
        QCOMPARE(Dialogs::log().size(), 2);
        QVERIFY2(
            Dialogs::lastAsked().text.startsWith(QStringLiteral("The project was saved without these 22 lines of %1")
                                                     .arg(path(QStringLiteral("Hand.prj")))),
            qPrintable(Dialogs::lastAsked().text));
        QVERIFY(!contents(path(QStringLiteral("Hand.prj"))).contains("Ghost"));

        Dialogs::reset();
        w.globalAddDeleteItem = true;
        Dialogs::setNextAnswer(QMessageBox::Yes);
        QCOMPARE(w.saveProject(), int(QMessageBox::Yes));
        QCOMPARE(Dialogs::log().size(), 1);
    }

    // Exit, New and Open.

    void exitAnsweredCancelStaysAndWritesNoConfig() {
        MainWindow &w = start(fixture("Demo.prj"));
        QFile::remove(path(QStringLiteral("config.ini")));
        demoDevice().changesInTable = true;
        Dialogs::setNextAnswer(QMessageBox::Cancel);
        QVERIFY(!quitsApplication([&w] { w.exitProject(); }));
        QVERIFY(!QFile::exists(path(QStringLiteral("config.ini"))));
        QVERIFY(demoDevice().changesInTable);
    }

    void exitAnsweredNoWritesConfigButNotTheProject() {
        MainWindow &w = start(fixture("Demo.prj"));
        demoDevice().changesInTable = true;
        writeFile(path(QStringLiteral("Demo.prj")), "old");
        w.Speed_List = QStringList{QStringLiteral("300")};
        Dialogs::setNextAnswer(QMessageBox::No);
        QVERIFY(quitsApplication([&w] { w.exitProject(); }));
        QCOMPARE(contents(path(QStringLiteral("Demo.prj"))), QByteArray("old"));
        const QByteArray config = contents(path(QStringLiteral("config.ini")));
        QVERIFY(config.startsWith("DefaultPath=.\nLastProject=" + path(QStringLiteral("Demo.prj")).toLatin1() +
                                  "\n\n###Default Connections settings\nSpeed=300\n"));
        QVERIFY(config.endsWith("\n\n##end\n"));
    }

    void exitWithoutChangesRecordsTheOpenedProject() {
        MainWindow &w = start(fixture("Demo.prj"));
        writeFile(path(QStringLiteral("Other.prj")), "@Other\n!\n");
        Dialogs::setNextFileName(path(QStringLiteral("Other.prj")));
        w.openProject();
        QVERIFY(quitsApplication([&w] { w.exitProject(); }));
        QVERIFY(Dialogs::log().size() == 1); // the file dialog only
        QVERIFY(contents(path(QStringLiteral("config.ini")))
                    .contains("\nLastProject=" + path(QStringLiteral("Other.prj")).toLatin1() + "\n"));
    }

    void newProjectCreatesAnEmptyFile() {
        MainWindow &w = start(fixture("Demo.prj"));
        Dialogs::setNextText(QStringLiteral("Show.prj"));
        Dialogs::setNextFileName(path(QStringLiteral("Show.prj")));
        w.newProject();
        const Dialogs::Asked text = Dialogs::log().at(0);
        QCOMPARE(text.kind, Dialogs::Kind::Text);
        QCOMPARE(text.title, QStringLiteral("New Project"));
        QCOMPARE(text.text, QStringLiteral("Project Name"));
        QCOMPARE(text.dir, QStringLiteral("MyProject.prj"));
        const Dialogs::Asked file = Dialogs::log().at(1);
        QCOMPARE(file.title, QStringLiteral("Save New Project"));
        QCOMPARE(file.dir, w.sDefaultPath + QStringLiteral("/Show.prj"));
        QCOMPARE(file.options, QFileDialog::Options()); // the platform's own dialog
        QCOMPARE(contents(path(QStringLiteral("Show.prj"))), QByteArray("@Show\n!"));
        QCOMPARE(w.sProjectName, path(QStringLiteral("Show.prj")));
        QVERIFY(w.listMyPresets.isEmpty());
        QCOMPARE(w.ui->treeWidget->topLevelItemCount(), 0);
        QCOMPARE(w.ui->tableWidget->rowCount(), 0);
        QCOMPARE(w.ui->listWidgetLeft->count(), 0);
    }

    void newProjectOnAnExistingFileOpensIt() {
        MainWindow &w = start("@Empty\n!", QStringLiteral("Empty.prj"));
        writeFile(path(QStringLiteral("Demo.prj")), fixture("Demo.prj"));
        Dialogs::setNextText(QStringLiteral("Demo.prj"));
        Dialogs::setNextFileName(path(QStringLiteral("Demo.prj")));
        w.newProject();
        QCOMPARE(w.listMyPresets.size(), 1);
        QCOMPARE(demoDevice().listChanel.size(), 2);
    }

    void newProjectCancelledChangesNothing() {
        MainWindow &w = start(fixture("Demo.prj"));
        Dialogs::setNextText(QString(), false);
        w.newProject();
        Dialogs::setNextText(QString());
        w.newProject();
        Dialogs::setNextText(QStringLiteral("X.prj"));
        Dialogs::setNextFileName(QString());
        w.newProject();
        QCOMPARE(w.sProjectName, path(QStringLiteral("Demo.prj")));
        QCOMPARE(w.listMyPresets.size(), 1);
        QCOMPARE(Dialogs::log().size(), 4);
    }

    void openAnsweredCancelOrWithoutFileKeepsTheLibrary() {
        MainWindow &w = start(fixture("Demo.prj"));
        demoDevice().changesInTable = true;
        Dialogs::setNextAnswer(QMessageBox::Cancel);
        w.openProject();
        QCOMPARE(Dialogs::log().size(), 1);
        Dialogs::setNextAnswer(QMessageBox::No);
        Dialogs::setNextFileName(QString());
        w.openProject();
        QCOMPARE(Dialogs::lastAsked().title, QStringLiteral("Open Project"));
        QCOMPARE(Dialogs::lastAsked().options, QFileDialog::Options(QFileDialog::DontUseNativeDialog));
        QCOMPARE(w.listMyPresets.size(), 1);
        QVERIFY(demoDevice().changesInTable);
    }

    // Open Project after its dialog, and the project named on the command line.
    void openProjectPathRefusesAnUnreadableFileAndOpensAReadableOne() {
        MainWindow &w = start(fixture("Demo.prj"));
        const QString gone = path(QStringLiteral("Gone.prj"));
        Dialogs::setNextAnswer(QMessageBox::Ok);
        QVERIFY(!w.openProjectPath(gone));
        QCOMPARE(Dialogs::lastAsked().text, QStringLiteral("Cannot open %1: No such file or directory").arg(gone));
        QCOMPARE(w.sProjectName, path(QStringLiteral("Demo.prj"))); // what a save writes stays together
        QCOMPARE(w.listMyPresets.size(), 1);
        QVERIFY(!QFile::exists(gone));
        writeFile(path(QStringLiteral("Two.prj")), "@Two\nB\n\tX\nA\n\tY\n!\n");
        QVERIFY(w.openProjectPath(QStringLiteral("Two.prj"))); // relative to the working folder
        QCOMPARE(w.sProjectName, path(QStringLiteral("Two.prj")));
        QCOMPARE(w.ui->treeWidget->topLevelItemCount(), 2);
        QCOMPARE(w.ui->treeWidget->currentItem()->text(0), QStringLiteral("X"));
        QCOMPARE(Dialogs::log().size(), 1);
    }

    // Undo and redo: the table, the marks and the save question come back with each step.
    void undoAndRedoGiveBackTableMarksAndTheSaveQuestion() {
        MainWindow &w = start(fixture("Demo.prj"));
        const QList<MyChanel> rows = demoDevice().listChanel;
        QTreeWidgetItem *item = topItem(QStringLiteral("Acme"))->child(0);
        w.ui->treeWidget->setCurrentItem(item);
        w.getPositionTree(item, 0);
        w.ui->tableWidget->selectRow(1);
        Dialogs::setNextAnswer(QMessageBox::Yes);
        w.deleteRow();
        QCOMPARE(w.actUndo->text(), QStringLiteral("Undo Delete row"));
        QVERIFY(!w.actRedo->isEnabled());
        QCOMPARE(w.ui->tableWidget->rowCount(), 1);

        w.undoStep();
        QCOMPARE(demoDevice().listChanel, rows);
        QVERIFY(!demoDevice().changesInTable);
        QCOMPARE(w.ui->tableWidget->rowCount(), 2);
        QCOMPARE(w.ui->tableWidget->currentRow(), 1);
        item = w.ui->treeWidget->currentItem();
        QCOMPARE(item->text(0), QStringLiteral("Projector X"));
        QCOMPARE(item->whatsThis(0), QString());
        QCOMPARE(w.actRedo->text(), QStringLiteral("Redo Delete row"));
        Dialogs::reset();
        QCOMPARE(w.saveProject(), int(QMessageBox::No)); // back where the file is: nothing asked
        QVERIFY(Dialogs::log().isEmpty());

        w.redoStep();
        QCOMPARE(demoDevice().listChanel.size(), 1);
        QCOMPARE(w.ui->treeWidget->currentItem()->whatsThis(0), kStatusChanged);
        Dialogs::setNextAnswer(QMessageBox::Yes);
        QCOMPARE(w.saveProject(), int(QMessageBox::Yes));
        QCOMPARE(Dialogs::log().size(), 1);
        const QByteArray saved = contents(path(QStringLiteral("Demo.prj")));

        // Past the save the file differs: asked again; redone to it, not.
        w.undoStep();
        QCOMPARE(demoDevice().listChanel, rows);
        Dialogs::setNextAnswer(QMessageBox::No);
        QCOMPARE(w.saveProject(), int(QMessageBox::No));
        QCOMPARE(Dialogs::log().size(), 2);
        w.redoStep();
        QCOMPARE(w.saveProject(), int(QMessageBox::No));
        QCOMPARE(Dialogs::log().size(), 2);
        QCOMPARE(w.ui->treeWidget->currentItem()->whatsThis(0), kStatusSaved);
        QCOMPARE(contents(path(QStringLiteral("Demo.prj"))), saved);

        // Open starts an empty history.
        Dialogs::setNextFileName(path(QStringLiteral("Demo.prj")));
        w.openProject();
        QVERIFY(!w.actUndo->isEnabled() && !w.actRedo->isEnabled());
        QCOMPARE(w.actUndo->text(), QStringLiteral("Undo"));
    }

    void openLoadsAnotherProjectAndForgetsChanges() {
        MainWindow &w = start(fixture("Demo.prj"));
        demoDevice().changesInTable = true;
        writeFile(path(QStringLiteral("Two.prj")), "@Two\nB\n\tX\nA\n\tY\n!\n");
        Dialogs::setNextAnswer(QMessageBox::No);
        Dialogs::setNextFileName(path(QStringLiteral("Two.prj")));
        w.openProject();
        QCOMPARE(w.sProjectName, path(QStringLiteral("Two.prj")));
        QCOMPARE(w.listMyPresets.size(), 2);
        QCOMPARE(w.listMyPresets[0].deviceParent, QStringLiteral("B"));
        QCOMPARE(w.ui->treeWidget->currentItem()->text(0), QStringLiteral("X")); // first device of the file
        QCOMPARE(w.ui->treeWidget->headerItem()->text(0), QStringLiteral("Two"));
        QCOMPARE(w.ui->lineEditManufact->text(), QStringLiteral("X"));
        QCOMPARE(w.saveProject(), int(QMessageBox::No));
    }
};

QTEST_MAIN(TestProjectWindow)
#include "tst_projectwindow.moc"
