// The channel table's row popup, insert, edit and delete, run through the
// real slots on an offscreen window with scripted dialog answers.
#include "dialogs.h"
#include "mainwindow.h"
#include "mainwindowform.h"
#include "projectstate.h"
#include "splitdialog.h"
#include "trydialog.h"

#include <QAbstractButton>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMultiHash>
#include <QPlainTextEdit>
#include <QComboBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {
const QColor kYellow(255, 255, 127);
const QColor kWhite(Qt::white);

QByteArray readAll(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// A project with one manufacturer "Acme" and one device "Dimmer" holding `rows`
// (row lines without the TABs: "1,0,127,ASCII:OFF,Off").
QByteArray projectWith(const QStringList &rows) {
    QByteArray bytes = "@P\nAcme\n\tDimmer\t\tdesc:Stage\t\ttime:06.12.2026 | 10:15:00\n!\n$Dimmer\nSpeed=9600\n!\n"
                       "%Dimmer\n";
    for (const QString &row : rows)
        bytes += row.toLatin1().replace(",", ",\t") + "\n";
    return bytes + "!\n";
}

QString black(const char *caption) {
    return QStringLiteral("<font color='black'>%1</font>").arg(QLatin1String(caption));
}
QString red(const char *caption) { return QStringLiteral("<font color='red'>%1</font>").arg(QLatin1String(caption)); }

MyChanel cells(const char *ch, const char *lo, const char *hi, const char *cmd, const char *function,
               const char *status = "") {
    auto text = [](const char *utf8) { return QString::fromUtf8(utf8); };
    return {text(status), text(ch), text(lo), text(hi), text(cmd), text(function)};
}

// The letter after a single "&", lower case; a null QChar when there is none.
QChar mnemonic(const QString &text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != QLatin1Char('&'))
            continue;
        if (text[i + 1] != QLatin1Char('&'))
            return text[i + 1].toLower();
        ++i;
    }
    return {};
}
} // namespace

class TestTableWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<MainWindow> window;
    QString previousDir;
    QByteArray previousHome;

    QString projectPath() const { return dir->filePath(QStringLiteral("P.prj")); }

    // Starts the editor on a project whose only device holds `rows`; the device is shown.
    MainWindow &start(const QStringList &rows) {
        writeFile(projectPath(), projectWith(rows));
        writeFile(dir->filePath(QStringLiteral("config.ini")),
                  "DefaultPath=.\nLastProject=" + projectPath().toLatin1() + "\n");
        window = std::make_unique<MainWindow>();
        Dialogs::reset();
        return *window;
    }

    MyDevice &device() { return window->listMyPresets[0].listMyDevices[0]; }
    QTreeWidgetItem *deviceItem() { return window->ui->treeWidget->topLevelItem(0)->child(0); }
    QTableWidget *table() { return window->ui->tableWidget; }

    // Types the three numbers as the user would see them after typing.
    void typeRange(const QString &dmx, const QString &low, const QString &high) {
        window->lineEditRowDmx->setText(dmx);
        window->lineEditRowLow->setText(low);
        window->lineEditRowHigh->setText(high);
    }

    QList<bool> hiddenRows() {
        QList<bool> hidden;
        for (int row = 0; row < table()->rowCount(); ++row)
            hidden << table()->isRowHidden(row);
        return hidden;
    }

    // OK is refused with `message`; the popup stays open, the library unchanged.
    void refusedWith(const QString &message) {
        const QList<MyChanel> before = device().listChanel;
        Dialogs::setNextAnswer(QMessageBox::Ok);
        window->okPopup();
        QCOMPARE(Dialogs::lastAsked().icon, QMessageBox::Critical);
        QCOMPARE(Dialogs::lastAsked().text, message);
        QVERIFY(window->rowPopup->isVisible());
        QCOMPARE(device().listChanel, before);
        QVERIFY(!device().changesInTable);
        QVERIFY(!table()->isEnabled());
        QVERIFY(!window->ui->treeWidget->isEnabled());
    }

    void verifyClosed() {
        QVERIFY(!window->rowPopup->isVisible());
        QCOMPARE(window->editRowNumber, -1);
        QCOMPARE(window->insertRowNumber, -1);
        QVERIFY(table()->isEnabled());
        QVERIFY(window->ui->treeWidget->isEnabled());
        QCOMPARE(hiddenRows(), QList<bool>(table()->rowCount(), false));
    }

private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        previousDir = QDir::currentPath();
        QDir::setCurrent(dir->path());
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

    void fieldsTakeOnlyWhatARowCanHold() {
        MainWindow &w = start({});
        QCOMPARE(w.rowPopup->windowTitle(), QStringLiteral("Insert-Edit Row"));
        QCOMPARE(w.labelRowDmx->text(), QStringLiteral("DMX address"));
        QCOMPARE(w.labelRowFunction->text(), QStringLiteral("Function Name"));
        QCOMPARE(w.btnRowOk->text(), QStringLiteral("O&K"));
        QCOMPARE(w.btnRowCancel->text(), QStringLiteral("C&ancel"));
        w.insertRow();
        const struct {
            QLineEdit *field;
            const char *typed;
            const char *kept;
        } cases[] = {
            {w.lineEditRowDmx, "0", ""},         // no leading 0
            {w.lineEditRowDmx, "12a34", "123"},  // digits, three at most
            {w.lineEditRowLow, "0x1234", "012"}, // digits only, three at most
            {w.lineEditRowHigh, "2555", "255"},
            {w.lineEditRowAscii, "ABCDEFGHIJKLMN", "ABCDEFGHIJK"},
            {w.lineEditRowFunction, "Power on the whole rig", "Power on th"},
        };
        for (const auto &c : cases) {
            c.field->clear();
            c.field->setEnabled(true);
            c.field->setFocus();
            QTest::keyClicks(c.field, QLatin1String(c.typed));
            QCOMPARE(c.field->text(), QLatin1String(c.kept));
        }
        w.lineEditRowAscii->clear();
        QTest::keyClicks(w.lineEditRowHex, QStringLiteral("0aFg0123456789abcdef0123456789"));
        QCOMPARE(w.lineEditRowHex->text(), QStringLiteral("0aF0123456789abcdef01234"));
        w.cancelPopup();
    }

    void insertIntoAnEmptyDeviceProposesChannelOne() {
        MainWindow &w = start({});
        QVERIFY(table()->isEnabled());
        w.insertRow();
        QVERIFY(w.rowPopup->isVisible());
        QCOMPARE(w.rowPopup->windowTitle(), QStringLiteral("Insert DMX Channel"));
        QCOMPARE(w.insertRowNumber, 0);
        QCOMPARE(w.editRowNumber, -1);
        QCOMPARE(w.lineEditRowDmx->text(), QStringLiteral("1"));
        QCOMPARE(w.lineEditRowLow->text(), QStringLiteral("1"));
        QCOMPARE(w.lineEditRowHigh->text(), QStringLiteral("255"));
        QVERIFY(w.lineEditRowDmx->isEnabled());
        QVERIFY(!table()->isEnabled());
        QVERIFY(!w.ui->treeWidget->isEnabled());
        QCOMPARE(w.labelRowDmx->text(), black("DMX"));
        QCOMPARE(w.labelRowLow->text(), black("Low Value"));
        QCOMPARE(w.labelRowHigh->text(), black("High Value"));
        QVERIFY(!w.rangeBusy);

        w.lineEditRowAscii->setText(QStringLiteral("ON"));
        w.lineEditRowFunction->setText(QStringLiteral("Lamp on"));
        w.okPopup();
        verifyClosed();
        QCOMPARE(device().listChanel, QList<MyChanel>{cells("1", "1", "255", "ASCII:ON", "Lamp on", "changed")});
        QVERIFY(device().changesInTable);
        QVERIFY(libraryHasChanges(w.listMyPresets, false));
        QCOMPARE(deviceItem()->whatsThis(0), QStringLiteral("changed"));
        QCOMPARE(deviceItem()->parent()->whatsThis(0), QStringLiteral("changed"));
        QCOMPARE(deviceItem()->background(0).color(), kYellow);
        QCOMPARE(deviceItem()->parent()->background(0).color(), kYellow);
        QCOMPARE(table()->rowCount(), 1);
        QCOMPARE(table()->item(0, 3)->text(), QStringLiteral("ASCII:ON"));
        for (int column = 0; column < 5; ++column)
            QCOMPARE(table()->item(0, column)->background().color(), kYellow);
        // Channel 1 still has 0 free below the row, too little to offer; channel 2 comes next.
        QCOMPARE(w.listFreePlaces.first(), cells("2", "1", "255", "", ""));
    }

    void liveCheckColoursLabelsAndHidesRowsThatDoNotConflict() {
        MainWindow &w = start({"4,10,20,ASCII:A,", "4,40,50,ASCII:B,", "5,10,20,ASCII:C,"});
        w.insertRow();
        w.lineEditRowAscii->setText(QStringLiteral("X"));
        typeRange(QStringLiteral("4"), QStringLiteral("15"), QStringLiteral("25"));
        QCOMPARE(w.dmxPopC, 4);
        QCOMPARE(w.labelRowDmx->text(), black("DMX"));
        QCOMPARE(w.labelRowLow->text(), red("Low Value"));
        QCOMPARE(w.labelRowHigh->text(), red("High Value"));
        QVERIFY(w.rangeBusy);
        QCOMPARE(hiddenRows(), (QList<bool>{false, true, false}));
        refusedWith(QStringLiteral("This range are not empty. Please specify a different values"));

        w.lineEditRowLow->setText(QStringLiteral("21"));
        QCOMPARE(w.labelRowLow->text(), black("Low Value"));
        QCOMPARE(w.labelRowHigh->text(), black("High Value"));
        QVERIFY(!w.rangeBusy);
        QCOMPARE(hiddenRows(), (QList<bool>{true, true, false}));

        // A reversed range is a reminder on the field typed last, not a conflict.
        w.lineEditRowHigh->setText(QStringLiteral("19"));
        QCOMPARE(w.labelRowHigh->text(), red("High Value"));
        QVERIFY(!w.rangeBusy);

        // No channel: its label turns red and the values wait for it.
        w.lineEditRowDmx->clear();
        QCOMPARE(w.labelRowDmx->text(), red("DMX"));
        QVERIFY(w.rangeBusy);
        QVERIFY(!w.lineEditRowLow->isEnabled());
        QVERIFY(!w.lineEditRowHigh->isEnabled());
        QCOMPARE(hiddenRows(), (QList<bool>{false, false, false}));
        w.lineEditRowDmx->setText(QStringLiteral("5"));
        QVERIFY(w.lineEditRowLow->isEnabled());

        w.cancelPopup();
        verifyClosed();
        QCOMPARE(device().listChanel.size(), 3);
    }

    void outOfRangeNumbersAreToldAndCleared() {
        MainWindow &w = start({});
        w.insertRow();
        Dialogs::setNextAnswer(QMessageBox::Ok);
        w.lineEditRowDmx->setFocus();
        w.lineEditRowDmx->clear();
        QTest::keyClicks(w.lineEditRowDmx, QStringLiteral("513"));
        QCOMPARE(Dialogs::lastAsked().text,
                 QStringLiteral("Is not a valid entry. Please specify a value between 1 and 512"));
        QCOMPARE(w.lineEditRowDmx->text(), QString());
        QCOMPARE(w.labelRowDmx->text(), red("DMX"));

        w.lineEditRowDmx->setText(QStringLiteral("512"));
        Dialogs::setNextAnswer(QMessageBox::Ok);
        w.lineEditRowLow->setText(QStringLiteral("256"));
        QCOMPARE(Dialogs::lastAsked().text,
                 QStringLiteral("Is not a valid entry. Please specify a value between 0 and 255"));
        QCOMPARE(w.lineEditRowLow->text(), QString());
        Dialogs::setNextAnswer(QMessageBox::Ok);
        w.lineEditRowHigh->setText(QStringLiteral("999"));
        QCOMPARE(w.lineEditRowHigh->text(), QString());
        QCOMPARE(Dialogs::log().size(), 3);
        w.cancelPopup();
    }

    void okRefusesInOrderAndKeepsWhatWasTyped() {
        MainWindow &w = start({"1,0,127,ASCII:OFF,Off"});
        w.insertRow();
        typeRange(QString(), QString(), QString());
        refusedWith(QStringLiteral("Field \"DMX\" is empty. Please specify a value between 1 and 512"));
        // A pasted channel 0 passes the live check; the box has no channel 0.
        typeRange(QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"));
        refusedWith(QStringLiteral("Is not a valid entry. Please specify a value between 1 and 512"));
        QCOMPARE(w.lineEditRowDmx->text(), QStringLiteral("0"));
        typeRange(QStringLiteral("2"), QString(), QStringLiteral("9"));
        refusedWith(QStringLiteral("Field \"DMX Values\" is empty. Please specify a value between 0 and 255"));
        typeRange(QStringLiteral("2"), QStringLiteral("10"), QStringLiteral("9"));
        refusedWith(QStringLiteral("Please enter ASCII or HEX command."));
        w.lineEditRowHex->setText(QStringLiteral("0A"));
        refusedWith(QStringLiteral("High \"DMX Value\" must be higher than Low \"DMX Value\". Please specify a value "
                                   "between 10 and 255"));
        typeRange(QStringLiteral("2"), QStringLiteral("0"), QStringLiteral("255"));
        refusedWith(QStringLiteral("The diference between High \"DMX Value\" and Low \"DMX Value\" must be less than "
                                   "255.\nFor example 1-255 or 0-254"));
        typeRange(QStringLiteral("1"), QStringLiteral("100"), QStringLiteral("200"));
        refusedWith(QStringLiteral("This range are not empty. Please specify a different values"));
        QCOMPARE(w.lineEditRowLow->text(), QStringLiteral("100"));
        QCOMPARE(w.lineEditRowHex->text(), QStringLiteral("0A"));

        // Texts the project file would not give back name their field.
        typeRange(QStringLiteral("1"), QStringLiteral("128"), QStringLiteral("255"));
        w.lineEditRowHex->clear();
        w.lineEditRowAscii->setText(QStringLiteral("PWR\tON"));
        refusedWith(QStringLiteral("Command ASCII cannot be kept in the project file: it contains a TAB."));
        w.lineEditRowAscii->setText(QStringLiteral("5 \u20ac"));
        refusedWith(QStringLiteral(
            "Command ASCII cannot be kept in the project file: it contains \"\u20ac\", which the file would store as "
            "\"?\"."));
        w.lineEditRowAscii->setText(QStringLiteral("PWR ON"));
        w.lineEditRowFunction->setText(QStringLiteral("On\tall"));
        refusedWith(QStringLiteral("Function Name cannot be kept in the project file: it contains a TAB."));
        w.lineEditRowFunction->setText(QStringLiteral("Caf\u00e9 on"));
        w.okPopup();
        verifyClosed();
        QCOMPARE(device().listChanel.last(), cells("1", "128", "255", "ASCII:PWR ON", "Caf\u00e9 on", "changed"));
    }

    void bothCommandsGivenStoresAscii() {
        MainWindow &w = start({});
        w.insertRow();
        w.lineEditRowAscii->setText(QStringLiteral("ON"));
        QVERIFY(!w.lineEditRowHex->isEnabled());
        w.lineEditRowHex->setText(QStringLiteral("0A0D"));
        // The HEX field wins the input; the ASCII text stays and is what is stored.
        QVERIFY(w.lineEditRowHex->isEnabled());
        QVERIFY(!w.lineEditRowAscii->isEnabled());
        QCOMPARE(w.lineEditRowAscii->text(), QStringLiteral("ON"));
        w.okPopup();
        QCOMPARE(device().listChanel.first().rs_c, QStringLiteral("ASCII:ON"));
    }

    void editSplitsTheCommandAndKeepsTheChannel() {
        MainWindow &w = start({"3,10,20,HEX:0A0D,Power", "3,30,40,ASCII:ON,Lamp", "3,60,70,ASCII:OFF,"});
        w.on_tableWidget_cellDoubleClicked(0, 2);
        QVERIFY(w.rowPopup->isVisible());
        QCOMPARE(w.rowPopup->windowTitle(), QStringLiteral("Edit DMX Channel"));
        QCOMPARE(w.editRowNumber, 0);
        QCOMPARE(w.insertRowNumber, -1);
        QCOMPARE(w.lineEditRowDmx->text(), QStringLiteral("3"));
        QVERIFY(!w.lineEditRowDmx->isEnabled());
        QCOMPARE(w.lineEditRowHex->text(), QStringLiteral("0A0D"));
        QCOMPARE(w.lineEditRowAscii->text(), QString());
        QCOMPARE(w.lineEditRowFunction->text(), QStringLiteral("Power"));
        for (int column = 0; column < 5; ++column)
            QCOMPARE(table()->item(0, column)->background().color(), kYellow);
        // The edited row never conflicts with itself and stays shown; the others hide.
        QVERIFY(!w.rangeBusy);
        QCOMPARE(hiddenRows(), (QList<bool>{false, true, true}));

        w.lineEditRowLow->setText(QStringLiteral("5"));
        w.lineEditRowHigh->setText(QStringLiteral("25"));
        QVERIFY(!w.rangeBusy);
        w.lineEditRowHigh->setText(QStringLiteral("30"));
        QVERIFY(w.rangeBusy);
        QCOMPARE(hiddenRows(), (QList<bool>{false, false, true}));
        w.lineEditRowHigh->setText(QStringLiteral("29"));
        w.okPopup();
        verifyClosed();
        QCOMPARE(device().listChanel[0], cells("3", "5", "29", "HEX:0A0D", "Power", "changed"));
        QVERIFY(device().changesInTable);

        // ASCII row; through the Edit button on the current row.
        table()->setCurrentCell(1, 4);
        w.editRow();
        QCOMPARE(w.editRowNumber, 1);
        QCOMPARE(w.lineEditRowAscii->text(), QStringLiteral("ON"));
        QCOMPARE(w.lineEditRowHex->text(), QString());
        w.cancelPopup();
        table()->setCurrentCell(2, 0);
        w.copy();
        QCOMPARE(w.editRowNumber, 2);
        QCOMPARE(w.lineEditRowAscii->text(), QStringLiteral("OFF"));
        w.cancelPopup();
    }

    void buttonsMenuAndRowSelectionReachTheRows() {
        MainWindow &w = start({"1,0,127,ASCII:OFF,Off", "2,0,127,ASCII:OFF,Off"});
        QTest::mouseClick(w.ui->btnDmxInsert, Qt::LeftButton);
        QCOMPARE(w.insertRowNumber, 2);
        w.cancelPopup();
        w.actInsertRow->trigger();
        QVERIFY(w.rowPopup->isVisible());
        w.cancelPopup();
        table()->setCurrentCell(1, 0);
        w.actEditRow->trigger();
        QCOMPARE(w.editRowNumber, 1);
        w.cancelPopup();
        // OK with the popup closed stores nothing.
        w.okPopup();
        QCOMPARE(device().listChanel.size(), 2);

        table()->clearSelection();
        w.tableRow_setSelected(1, true);
        QCOMPARE(table()->selectedItems().size(), 5);
        for (QTableWidgetItem *cell : table()->selectedItems())
            QCOMPARE(cell->row(), 1);
        w.tableRow_setSelected(1, false);
        QVERIFY(table()->selectedItems().isEmpty());
        w.tableRow_setSelected(7, true); // no such row: nothing to select
        w.tableRow_setColor(7, kYellow);
        QVERIFY(table()->selectedItems().isEmpty());
    }

    void editWithoutARowDoesNothing() {
        MainWindow &w = start({"1,0,127,ASCII:OFF,Off"});
        w.on_tableWidget_cellDoubleClicked(-1, 0);
        QVERIFY(!w.rowPopup->isVisible());
        table()->setCurrentCell(-1, -1);
        w.editRow();
        w.deleteRow();
        QVERIFY(!w.rowPopup->isVisible());
        QCOMPARE(device().listChanel.size(), 1);
        QVERIFY(Dialogs::log().isEmpty());
    }

    void unchangedEditChangesNothing() {
        MainWindow &w = start({"1,0,127,ASCII:OFF,Off", "1,128,254,HEX:4F4E,On"});
        const QList<MyChanel> before = device().listChanel;
        for (int row = 0; row < 2; ++row) {
            w.on_tableWidget_cellDoubleClicked(row, 0);
            w.okPopup();
            verifyClosed();
        }
        QCOMPARE(device().listChanel, before);
        QVERIFY(!device().changesInTable);
        QVERIFY(deviceItem()->whatsThis(0).isEmpty());
        QVERIFY(!libraryHasChanges(w.listMyPresets, w.globalAddDeleteItem));
        QCOMPARE(table()->item(0, 0)->background().color(), kWhite);
    }

    void editKeepsLongTextsFromTheFileWhole() {
        MainWindow &w = start({"1,0,127,ASCII:POWER ON ALL NOW,Switch on every lamp"});
        const QList<MyChanel> before = device().listChanel;
        w.on_tableWidget_cellDoubleClicked(0, 0);
        QCOMPARE(w.lineEditRowAscii->text(), QStringLiteral("POWER ON ALL NOW"));
        QCOMPARE(w.lineEditRowFunction->text(), QStringLiteral("Switch on every lamp"));
        w.okPopup();
        QCOMPARE(device().listChanel, before);
        QVERIFY(!device().changesInTable);
        // A new row is held to what the image has room for again.
        w.insertRow();
        QCOMPARE(w.lineEditRowAscii->maxLength(), 11);
        QCOMPARE(w.lineEditRowHex->maxLength(), 24);
        QCOMPARE(w.lineEditRowFunction->maxLength(), 11);
        w.cancelPopup();
    }

    void editLimitsEachCommandFieldByWhatItShows() {
        MainWindow &w = start({"1,0,9,ASCII:PWR OFF,Off", "1,10,19,ASCII:ABCDEFGHIJKLM,Long",
                               "1,20,29,HEX:0102030405060708090A0B0C0D0E0F,Hex"});
        const struct { int row, ascii, hex; } cases[] = {{0, 11, 24}, {1, 13, 24}, {2, 11, 30}};
        for (const auto &c : cases) {
            w.on_tableWidget_cellDoubleClicked(c.row, 0);
            QCOMPARE(w.lineEditRowAscii->maxLength(), c.ascii);
            QCOMPARE(w.lineEditRowHex->maxLength(), c.hex);
            w.cancelPopup();
        }
        w.on_tableWidget_cellDoubleClicked(0, 0);
        w.lineEditRowAscii->setFocus();
        w.lineEditRowAscii->end(false);
        QTest::keyClicks(w.lineEditRowAscii, QStringLiteral("ABCDEFG"));
        QCOMPARE(w.lineEditRowAscii->text(), QStringLiteral("PWR OFFABCD")); // 11, not 13 with the prefix
        w.cancelPopup();
    }

    void startsWithoutAutomaticConnectionWarnings() {
        static QStringList warnings;
        warnings.clear();
        const QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext &, const QString &text) { warnings << text; });
        start({});
        qInstallMessageHandler(previous);
        QVERIFY2(warnings.filter(QStringLiteral("connectSlotsByName")).isEmpty(), qPrintable(warnings.join('\n')));
    }

    void importAddsEveryRowOrNone() {
        MainWindow &w = start({"1,0,127,ASCII:OFF,Off"});
        const QString csv = dir->filePath(QStringLiteral("rows.csv"));
        writeFile(csv, "channel,low,high,ascii,hex,function\n2,0,99,\"A,B\",,\"say \"\"hi\"\"\"\n1,100,200,X,,clash\n");
        Dialogs::setNextFileName(csv);
        Dialogs::setNextAnswer(QMessageBox::Ok);
        w.importRows();
        QCOMPARE(Dialogs::lastAsked().icon, QMessageBox::Critical);
        QVERIFY2(Dialogs::lastAsked().text.contains(
                     QStringLiteral("line 3: This range are not empty. Please specify a different values")),
                 qPrintable(Dialogs::lastAsked().text));
        QCOMPARE(device().listChanel.size(), 1);
        QVERIFY(!device().changesInTable);

        writeFile(csv, "channel,low,high,ascii,hex,function\n2,0,99,\"A,B\",,\"say \"\"hi\"\"\"\n1,128,255,,0D0A,On\n");
        Dialogs::setNextFileName(csv);
        w.importRows();
        QCOMPARE(device().listChanel, (QList<MyChanel>{cells("1", "0", "127", "ASCII:OFF", "Off"),
                                                       cells("1", "128", "255", "HEX:0D0A", "On", "changed"),
                                                       cells("2", "0", "99", "ASCII:A,B", "say \"hi\"", "changed")}));
        QVERIFY(device().changesInTable);
        QCOMPARE(deviceItem()->whatsThis(0), QStringLiteral("changed"));
        QCOMPARE(table()->rowCount(), 3);

        const QString out = dir->filePath(QStringLiteral("out.csv"));
        Dialogs::setNextFileName(out);
        w.exportRows();
        QCOMPARE(QString::fromUtf8(readAll(out)).split(QStringLiteral("\r\n")).value(3),
                 QStringLiteral("2,0,99,\"A,B\",,\"say \"\"hi\"\"\""));
    }

    void splitAddsItsRowsOnlyWhenNoneConflicts() {
        MainWindow &w = start({"1,0,127,ASCII:OFF,Off"});
        table()->setCurrentCell(0, 0);
        w.splitChanel();
        SplitDialog &d = *w.splitDialog;
        QVERIFY(d.isVisible());
        QCOMPARE(d.chanel->text(), QStringLiteral("1"));
        QCOMPARE(d.first->text(), QStringLiteral("128"));
        QCOMPARE(d.last->text(), QStringLiteral("255"));
        d.first->setText(QStringLiteral("100"));
        d.command->setText(QStringLiteral("P{n}"));
        QVERIFY(!d.add->isEnabled());
        QVERIFY(d.verdict->text().contains(QStringLiteral("This range are not empty")));
        d.first->setText(QStringLiteral("128"));
        d.count->setValue(3);
        QVERIFY(d.add->isEnabled());
        QCOMPARE(d.preview->rowCount(), 3);
        QTest::mouseClick(d.add, Qt::LeftButton);
        QVERIFY(!d.isVisible());
        QCOMPARE(device().listChanel.size(), 4);
        QCOMPARE(device().listChanel[3], cells("1", "214", "255", "ASCII:P3", "", "changed"));
        QVERIFY(device().changesInTable);
    }

    void splitRefusesACounterThatOutgrowsItsWidth() {
        MainWindow &w = start({});
        w.splitChanel();
        SplitDialog &d = *w.splitDialog;
        d.first->setText(QStringLiteral("0"));
        d.hex->setChecked(true);
        d.command->setText(QStringLiteral("1B{n:02X}"));
        d.count->setValue(256);
        QCOMPARE(d.preview->item(255, 3)->text(), QStringLiteral("HEX:1B100"));
        QCOMPARE(d.preview->item(255, 3)->background().color(), QColor(255, 200, 200));
        QVERIFY(d.verdict->text().startsWith(QStringLiteral("Row 256: Command: the counter {n:02X} gives 100")));
        QVERIFY(!d.add->isEnabled());
        d.count->setValue(255);
        QVERIFY(d.add->isEnabled());
        d.reject();

        // Alt+letter reaches one control only.
        QMultiHash<QChar, QString> owners;
        for (const QLabel *label : d.findChildren<QLabel *>())
            if (label->buddy())
                owners.insert(mnemonic(label->text()), label->text());
        for (const QAbstractButton *button : d.findChildren<QAbstractButton *>())
            if (!button->text().isEmpty()) // the preview's corner button has none
                owners.insert(mnemonic(button->text()), button->text());
        for (QChar key : owners.uniqueKeys())
            QVERIFY2(!key.isNull() && owners.count(key) == 1, qPrintable(QStringList(owners.values(key)).join(',')));
    }

    // Neither all UTF-8 nor all Latin-1: the user says which; Cancel imports nothing.
    void importAsksTheEncodingOfAMixedFile() {
        const struct {
            QMessageBox::StandardButton answer;
            int rows;
            int asked; // the file, the question, and the refusal of the row that is not UTF-8
        } cases[] = {{QMessageBox::Yes, 3, 2}, {QMessageBox::No, 1, 3}, {QMessageBox::Cancel, 1, 2}};
        for (const auto &c : cases) {
            MainWindow &w = start({"1,0,127,ASCII:OFF,Off"});
            const QString csv = dir->filePath(QStringLiteral("mixed.csv"));
            writeFile(csv, "channel,low,high,ascii,hex,function\n2,0,9,ON,,Caf\xC3\xA9\n2,10,19,ON,,Caf\xE9\n");
            Dialogs::setNextFileName(csv);
            Dialogs::setNextAnswer(c.answer);
            if (c.asked == 3)
                Dialogs::setNextAnswer(QMessageBox::Ok);
            w.importRows();
            QCOMPARE(Dialogs::log().value(1).buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            QVERIFY(Dialogs::log().value(1).text.contains(QStringLiteral("line 3: byte 0xE9 is not UTF-8")));
            QCOMPARE(Dialogs::log().size(), c.asked);
            QCOMPARE(device().listChanel.size(), c.rows);
        }
        QCOMPARE(device().listChanel.size(), 1);
    }

    void exportAddsTheSuffixAndAsksBeforeReplacing() {
        MainWindow &w = start({"1,0,127,ASCII:OFF,Off"});
        const QString chosen = dir->filePath(QStringLiteral("out"));
        writeFile(chosen + QStringLiteral(".csv"), "keep");
        for (QMessageBox::StandardButton answer : {QMessageBox::No, QMessageBox::Yes}) {
            Dialogs::setNextFileName(chosen);
            Dialogs::setNextAnswer(answer);
            w.exportRows();
            QCOMPARE(Dialogs::lastAsked().text, chosen + QStringLiteral(".csv already exists. Replace it?"));
            QCOMPARE(readAll(chosen + QStringLiteral(".csv")).startsWith("channel,"), answer == QMessageBox::Yes);
        }
        QVERIFY(!QFile::exists(chosen));
    }

    // The row number and the whole 11-character name can be read, a longer
    // name is elided with all of it in the tooltip, and Edit and Delete work
    // on the row found.
    void testValueShowsTheWholeResultAndChoosesTheRow() {
        QStringList rows;
        for (int ch = 1; ch <= 300; ++ch)
            rows << QStringLiteral("%1,0,127,ASCII:A,WWWWWWWWWWW").arg(ch);
        MainWindow &w = start(rows << QStringLiteral("1,128,255,ASCII:B,A name from a file longer than eleven"));
        const struct {
            const char *typed, *shown;
            bool chosen;
        } cases[] = {{"262/5", "row 263: WWWWWWWWWWW", true},
                     {"3/200", "no row fires", false},
                     {"1/200", "row 2: A name from a file longer than eleven", true}};
        for (const auto &c : cases) {
            w.lineEditTestValue->setText(QLatin1String(c.typed));
            const QString shown = w.labelTestResult->text();
            QVERIFY(shown == QLatin1String(c.shown) ||
                    (shown.endsWith(QChar(0x2026)) && w.labelTestResult->toolTip().startsWith(QLatin1String(c.shown))));
            QVERIFY(w.labelTestResult->fontMetrics().horizontalAdvance(shown) <= w.labelTestResult->width());
            QCOMPARE(w.ui->btnDmxEdit->isEnabled() && w.ui->btnDmxDelete->isEnabled(), c.chosen);
        }
        QCOMPARE(w.labelTestResult->text().left(14), QStringLiteral("row 2: A name "));
    }

    // The field claims Ctrl+A, Ctrl+E, Ctrl+V ... for itself; the menus keep them.
    void menuKeysWorkInTheTestValueField() {
        MainWindow &w = start({});
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.lineEditTestValue->setEnabled(true);
        w.lineEditTestValue->setFocus();
        QTRY_VERIFY(w.lineEditTestValue->hasFocus());
        for (QMenu *menu : {w.ui->menuFile, w.ui->menuVorne_HW, w.ui->menu_About})
            for (QAction *action : menu->actions()) {
                if (action->shortcut().isEmpty())
                    continue;
                QObject::disconnect(action, &QAction::triggered, &w, nullptr); // the key is tested, not the command
                QSignalSpy triggered(action, &QAction::triggered);
                QTest::keySequence(w.lineEditTestValue, action->shortcut());
                QVERIFY2(triggered.count() == 1, qPrintable(action->shortcut().toString()));
            }
        QTest::keyClicks(w.lineEditTestValue, QStringLiteral("1/20"));
        QTest::keyClick(w.lineEditTestValue, Qt::Key_Backspace);
        QTest::keyClick(w.lineEditTestValue, Qt::Key_Home);
        QTest::keyClick(w.lineEditTestValue, Qt::Key_Delete);
        QCOMPARE(w.lineEditTestValue->text(), QStringLiteral("/2"));
    }

    void testValueSelectsTheRowThatFires() {
        MainWindow &w = start({"1,0,127,ASCII:OFF,Off", "1,128,255,ASCII:ON,On"});
        const struct {
            const char *typed;
            int row;
            const char *said;
        } cases[] = {{"1/200", 1, "row 2: On"}, {"1 5", 0, "row 1: Off"}, {"3/5", -1, "no row fires"}};
        for (const auto &c : cases) {
            w.lineEditTestValue->setText(QLatin1String(c.typed));
            QCOMPARE(table()->selectionModel()->selectedRows().value(0).row(), c.row);
            QVERIFY2(w.labelTestResult->text().contains(QLatin1String(c.said)), qPrintable(w.labelTestResult->text()));
        }
    }

    void cancelRestoresTheRowAndAddsNothing() {
        MainWindow &w = start({"1,0,127,ASCII:OFF,Off"});
        w.on_tableWidget_cellDoubleClicked(0, 0);
        w.lineEditRowLow->setText(QStringLiteral("5"));
        w.cancelPopup();
        verifyClosed();
        for (int column = 0; column < 5; ++column)
            QCOMPARE(table()->item(0, column)->background().color(), kWhite);
        QCOMPARE(device().listChanel.first().dmx_valueFrom, QStringLiteral("0"));

        w.insertRow();
        w.lineEditRowAscii->setText(QStringLiteral("X"));
        // Closing the popup's window is a cancel too.
        w.rowPopup->close();
        verifyClosed();
        QCOMPARE(device().listChanel.size(), 1);
        QVERIFY(!device().changesInTable);

        // A row not saved yet keeps its yellow after a cancelled edit.
        w.insertRow();
        w.lineEditRowAscii->setText(QStringLiteral("X"));
        w.okPopup();
        const int added = int(device().listChanel.size()) - 1;
        w.on_tableWidget_cellDoubleClicked(added, 0);
        w.cancelPopup();
        QCOMPARE(table()->item(added, 0)->background().color(), kYellow);
    }

    void deleteAsksAndFreesTheChannel() {
        MainWindow &w = start({"1,0,127,ASCII:OFF,Off", "2,0,100,ASCII:A,"});
        QCOMPARE(w.listFreePlaces.first(), cells("1", "128", "255", "", ""));
        table()->setCurrentCell(0, 1);
        Dialogs::setNextAnswer(QMessageBox::No);
        w.deleteRow();
        QCOMPARE(Dialogs::lastAsked().title, QStringLiteral("Delete row"));
        QCOMPARE(Dialogs::lastAsked().text,
                 QStringLiteral("Are you sure to delete DMX channel: 1 with values 0 - 127?"));
        QCOMPARE(Dialogs::lastAsked().buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(device().listChanel.size(), 2);
        QVERIFY(!device().changesInTable);

        Dialogs::setNextAnswer(QMessageBox::Yes);
        w.deleteRow();
        QCOMPARE(device().listChanel, QList<MyChanel>{cells("2", "0", "100", "ASCII:A", "")});
        QCOMPARE(table()->rowCount(), 1);
        QVERIFY(device().changesInTable);
        QCOMPARE(deviceItem()->whatsThis(0), QStringLiteral("changed"));
        QCOMPARE(deviceItem()->background(0).color(), kYellow);
        QCOMPARE(w.listFreePlaces.first(), cells("1", "1", "255", "", ""));
        QVERIFY(table()->isEnabled());
    }

    void fullDeviceRefusesInsert() {
        QStringList rows;
        for (int ch = 1; ch <= 512; ++ch)
            rows << QStringLiteral("%1,0,127,ASCII:A,").arg(ch) << QStringLiteral("%1,128,254,ASCII:B,").arg(ch);
        MainWindow &w = start(rows);
        QVERIFY(w.listFreePlaces.isEmpty());
        Dialogs::setNextAnswer(QMessageBox::Ok);
        w.insertRow();
        QCOMPARE(Dialogs::lastAsked().text,
                 QStringLiteral("All DMX channels in use /edit/delete for add new DMX channel"));
        QVERIFY(!w.rowPopup->isVisible());
        QCOMPARE(w.insertRowNumber, -1);
        QVERIFY(table()->isEnabled());
        QVERIFY(w.ui->treeWidget->isEnabled());
    }

    void changedRowIsYellowUntilSaved() {
        MainWindow &w = start({"1,0,127,ASCII:OFF,Off"});
        w.insertRow();
        w.lineEditRowAscii->setText(QStringLiteral("ON"));
        w.okPopup();
        QCOMPARE(table()->item(1, 0)->background().color(), kYellow);
        QCOMPARE(table()->item(0, 0)->background().color(), kWhite);
        Dialogs::setNextAnswer(QMessageBox::Yes);
        QCOMPARE(w.saveProject(), int(QMessageBox::Yes));
        QCOMPARE(device().listChanel[1].status, QStringLiteral("saved"));
        for (int column = 0; column < 5; ++column)
            QCOMPARE(table()->item(1, column)->background().color(), kWhite);
        QCOMPARE(deviceItem()->whatsThis(0), QStringLiteral("saved"));
        QCOMPARE(deviceItem()->background(0).color(), kWhite);
        QVERIFY(!device().changesInTable);
    }

    void editsSurviveSaveAndReload() {
        MainWindow &w = start({"2,0,100,ASCII:A,First", "2,101,200,HEX:0102,Second"});
        // Insert twice (channel 1 whole, then 2's top), edit one, delete one.
        w.insertRow();
        w.lineEditRowAscii->setText(QStringLiteral("ONE"));
        w.okPopup();
        w.insertRow();
        QCOMPARE(w.lineEditRowDmx->text(), QStringLiteral("2"));
        QCOMPARE(w.lineEditRowLow->text(), QStringLiteral("201"));
        w.lineEditRowHex->setText(QStringLiteral("FF"));
        w.lineEditRowFunction->setText(QStringLiteral("Top"));
        w.okPopup();
        w.on_tableWidget_cellDoubleClicked(1, 0);
        w.lineEditRowAscii->setText(QStringLiteral("AA"));
        w.okPopup();
        table()->setCurrentCell(2, 0);
        Dialogs::setNextAnswer(QMessageBox::Yes);
        w.deleteRow();
        const QList<MyChanel> expected{cells("1", "1", "255", "ASCII:ONE", ""),
                                       cells("2", "0", "100", "ASCII:AA", "First"),
                                       cells("2", "201", "255", "HEX:FF", "Top")};
        auto withoutStatus = [](QList<MyChanel> rows) {
            for (MyChanel &r : rows)
                r.status.clear();
            return rows;
        };
        QCOMPARE(withoutStatus(device().listChanel), expected);

        Dialogs::setNextAnswer(QMessageBox::Yes);
        QCOMPARE(w.saveProject(), int(QMessageBox::Yes));
        window.reset();
        window = std::make_unique<MainWindow>();
        QCOMPARE(device().listChanel, expected);
        QCOMPARE(table()->rowCount(), 3);
        QCOMPARE(table()->item(2, 3)->text(), QStringLiteral("HEX:FF"));
    }

    // The try dialog sends the selected row and logs the reply without
    // blocking the window; closing it ends the exchange and closes the port.
    void tryOnEquipmentSendsTheSelectedRow() {
        writeFile(projectPath(), "@P\nAcme\n\tDimmer\t\tdesc:Stage\t\ttime:06.12.2026 | 10:15:00\n!\n$Dimmer\n"
                                 "Speed=9600\nData_Bits=8\nStop_Bits=1\nParity=None\nHandshake=None\nDelay_Time=0\n"
                                 "Normal_Replay=OK\nError_Replay=\nReplay_Wait_Time=300\nRetry_Count=0\n!\n"
                                 "%Dimmer\n1,\t0,\t255,\tASCII:ON,\tOn\n!\n");
        const QByteArray config = "DefaultPath=.\nLastProject=" + projectPath().toLatin1() + "\n";
        writeFile(dir->filePath(QStringLiteral("config.ini")), config);
        window = std::make_unique<MainWindow>();
        MainWindow &w = *window;
        QVERIFY(w.tableContextActions(table()->visualItemRect(table()->item(0, 0)).center()).contains(w.actTryRow));
        const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
        QVERIFY(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0);
        const QString port = QString::fromLocal8Bit(ptsname(master));

        table()->setCurrentCell(0, 0);
        w.tryOnEquipment();
        TryDialog *d = w.tryDialog;
        QVERIFY(d && d->isVisible() && !d->isModal());
        d->findChild<QComboBox *>(QStringLiteral("tryPort"))->setCurrentText(port);
        QPushButton *send = d->findChild<QPushButton *>(QStringLiteral("trySend"));
        QPlainTextEdit *log = d->findChild<QPlainTextEdit *>(QStringLiteral("tryLog"));
        send->click();
        QByteArray got;
        char buf[16];
        QTRY_VERIFY((got += QByteArray(buf, qMax<ssize_t>(0, ::read(master, buf, sizeof buf)))) == "ON");
        QVERIFY(::write(master, "OK", 2) == 2);
        QTRY_VERIFY2(log->toPlainText().contains(QLatin1String("done at try 1")), qPrintable(log->toPlainText()));
        QVERIFY(log->toPlainText().contains(QLatin1String("received HEX 4F4B, text \"OK\"")));
        if (!qEnvironmentVariableIsEmpty("VORNE_SCREENSHOT"))
            d->grab().save(qEnvironmentVariable("VORNE_SCREENSHOT"));
        QCOMPARE(TryDialog::lastPort(), port);
        QCOMPARE(readAll(dir->filePath(QStringLiteral("config.ini"))), config);

        // No reply this time: the window goes on, and closing ends the wait.
        send->click();
        QTRY_VERIFY(!send->isEnabled());
        QTest::qWait(50);
        d->close();
        QTRY_VERIFY(log->toPlainText().endsWith(QLatin1String("stopped")));
        pollfd hangup{master, POLLIN, 0};
        QTRY_VERIFY(::poll(&hangup, 1, 0) == 1 && (hangup.revents & POLLHUP)); // the port closed
        ::close(master);
    }
};

QTEST_MAIN(TestTableWindow)
#include "tst_tablewindow.moc"
