// The USB entry in the window: removing it or its device, editing the device
// and cloning it into a manufacturer of the library, through the real slots,
// the tree popup and the dialog facade.
#include "dialogs.h"
#include "imagesamples.h"
#include "mainwindow.h"
#include "projectstate.h"
#include "ui_mainwindow.h"
#include "windowtestenv.h"

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

#include <memory>

namespace {

const QString kImage = QStringLiteral(VORNE_TEST_DATA "/worked_example.bin");

QTreeWidgetItem *topItem(MainWindow &w, const QString &name) {
    const QList<QTreeWidgetItem *> found = w.ui->treeWidget->findItems(name, Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.first();
}

QTreeWidgetItem *usbItem(MainWindow &w) {
    QTreeWidgetItem *top = topItem(w, "USB:Acme");
    return top && top->childCount() ? top->child(0) : nullptr;
}

const MyPreset *preset(MainWindow &w, const QString &name) {
    for (const MyPreset &p : w.listMyPresets)
        if (p.deviceParent == name)
            return &p;
    return nullptr;
}

const MyDevice *device(MainWindow &w, const QString &manufacturer, const QString &name) {
    if (const MyPreset *p = preset(w, manufacturer))
        for (const MyDevice &d : p->listMyDevices)
            if (d.deviceType == name)
                return &d;
    return nullptr;
}

// "Acme" with the worked example device in the library and the tree, and,
// read back from that device's image, the USB entry "USB:Acme" with
// "Projector X1" selected.
std::unique_ptr<MainWindow> windowWithUsbEntry(bool withLibrary = true) {
    auto w = std::make_unique<MainWindow>();
    if (withLibrary) {
        MyPreset acme;
        acme.deviceParent = "Acme";
        acme.listMyDevices << workedExampleDevice();
        w->listMyPresets << acme;
        auto *top = new QTreeWidgetItem(w->ui->treeWidget, QStringList{"Acme"});
        top->setToolTip(1, "parent");
        auto *item = new QTreeWidgetItem(top, QStringList{"Projector X1"});
        item->setToolTip(1, "Main hall");
    }
    Dialogs::setNextFileName(kImage);
    w->readVorne();
    Dialogs::reset();
    return w;
}

// Opens the popup on the USB device through its context-menu action.
void openOnUsbDevice(MainWindow &w, QAction *action) {
    w.ui->treeWidget->setCurrentItem(usbItem(w));
    action->trigger();
}

} // namespace

class TestUsbEntry : public QObject {
    Q_OBJECT
    std::unique_ptr<WindowTestEnv> env;

private slots:
    void init() { env = std::make_unique<WindowTestEnv>(); }
    void cleanup() {
        Dialogs::reset();
        env.reset();
    }

    void removeDeviceKeepsTheEntryAndTheLibraryDevice() {
        auto w = windowWithUsbEntry();
        w->ui->treeWidget->setCurrentItem(usbItem(*w));
        Dialogs::setNextAnswer(QMessageBox::No);
        w->actRemoveUsbDevice->trigger();
        QCOMPARE(Dialogs::lastAsked().title, QStringLiteral("Remove"));
        QCOMPARE(Dialogs::lastAsked().text, QStringLiteral("Are you sure to remove Projector X1?"));
        QVERIFY(usbItem(*w));
        QCOMPARE(preset(*w, "USB:Acme")->listMyDevices.size(), 1);

        Dialogs::setNextAnswer(QMessageBox::Yes);
        w->actRemoveUsbDevice->trigger();
        QVERIFY(!usbItem(*w));
        QVERIFY(topItem(*w, "USB:Acme"));
        QVERIFY(preset(*w, "USB:Acme")->listMyDevices.isEmpty());
        // The device the image was written from has the same name and stays.
        QVERIFY(device(*w, "Acme", "Projector X1"));
        QCOMPARE(w->ui->tableWidget->rowCount(), 0);
        QVERIFY(!libraryHasChanges(w->listMyPresets, w->globalAddDeleteItem));

        // The empty entry still blocks another image until it is removed.
        QVERIFY(w->checkUSBDevices());
        Dialogs::setNextAnswer(QMessageBox::Ok);
        w->readVorne();
        QCOMPARE(Dialogs::lastAsked().text, QStringLiteral("Just one USB device is allowed!"));
        QCOMPARE(Dialogs::log().size(), 3); // no file dialog

        w->ui->treeWidget->setCurrentItem(topItem(*w, "USB:Acme"));
        Dialogs::setNextAnswer(QMessageBox::Yes);
        w->actRemoveUsbParent->trigger();
        QVERIFY(!w->checkUSBDevices());
        Dialogs::setNextFileName(kImage);
        w->readVorne();
        QVERIFY(usbItem(*w));
    }

    void removeEntry() {
        auto w = windowWithUsbEntry();
        QTreeWidgetItem *top = topItem(*w, "USB:Acme");
        w->ui->treeWidget->setCurrentItem(top);
        Dialogs::setNextAnswer(QMessageBox::No);
        w->removeUsbParent();
        QCOMPARE(Dialogs::lastAsked().text, QStringLiteral("Are you sure to remove USB:Acme?"));
        QVERIFY(topItem(*w, "USB:Acme"));

        Dialogs::setNextAnswer(QMessageBox::Yes);
        w->removeUsbParent();
        QVERIFY(!topItem(*w, "USB:Acme"));
        QVERIFY(!preset(*w, "USB:Acme"));
        QVERIFY(device(*w, "Acme", "Projector X1"));
        QCOMPARE(w->ui->treeWidget->topLevelItemCount(), 1);
        QVERIFY(!libraryHasChanges(w->listMyPresets, w->globalAddDeleteItem));
    }

    void aLibraryManufacturerNamedLikeTheEntryIsNotTouched() {
        auto w = windowWithUsbEntry(false);
        // Made before the image was read: the entry's name was free then.
        w->ui->treeWidget->setCurrentItem(topItem(*w, "USB:Acme"));
        Dialogs::setNextAnswer(QMessageBox::Yes);
        w->removeUsbParent();
        w->addParent();
        w->lineEditPopupManufact->setText("USB:Acme");
        w->btnPopupOk->click();
        QVERIFY(!w->treePopup->isVisible());
        MyPreset &mine = w->listMyPresets.first();
        mine.listMyDevices << workedExampleDevice();
        mine.listMyDevices.first().deviceType = "Mine";
        Dialogs::setNextFileName(kImage);
        w->readVorne();
        QCOMPARE(w->listMyPresets.size(), 2);
        QTreeWidgetItem *usb = nullptr;
        for (int i = 0; i < w->ui->treeWidget->topLevelItemCount(); ++i)
            if (w->ui->treeWidget->topLevelItem(i)->toolTip(1) == "USB:parent")
                usb = w->ui->treeWidget->topLevelItem(i);
        QVERIFY(usb);

        w->ui->treeWidget->setCurrentItem(usb->child(0));
        w->actEditUsbDevice->trigger();
        w->lineEditPopupType->setText("Renamed");
        w->btnPopupOk->click();
        QCOMPARE(w->listMyPresets.last().listMyDevices.first().deviceType, QStringLiteral("Renamed"));
        QCOMPARE(w->listMyPresets.first().listMyDevices.first().deviceType, QStringLiteral("Mine"));

        w->ui->treeWidget->setCurrentItem(usb->child(0));
        Dialogs::setNextAnswer(QMessageBox::Yes);
        w->removeUsbDevice();
        QCOMPARE(w->listMyPresets.first().listMyDevices.size(), 1);
        QVERIFY(w->listMyPresets.last().listMyDevices.isEmpty());

        w->ui->treeWidget->setCurrentItem(usb);
        Dialogs::setNextAnswer(QMessageBox::Yes);
        w->removeUsbParent();
        QCOMPARE(w->listMyPresets.size(), 1);
        QCOMPARE(w->listMyPresets.first().listMyDevices.first().deviceType, QStringLiteral("Mine"));
        QCOMPARE(w->ui->treeWidget->topLevelItemCount(), 1);
        QCOMPARE(w->ui->treeWidget->topLevelItem(0)->toolTip(1), QStringLiteral("parent"));
    }

    void aDeviceNamedLikeTheUsbDeviceKeepsItsOwnSettings() {
        auto w = windowWithUsbEntry(false);
        w->addParent();
        w->lineEditPopupManufact->setText("Bcorp");
        w->btnPopupOk->click();
        w->ui->treeWidget->setCurrentItem(topItem(*w, "Bcorp"));
        w->addDevice();
        w->lineEditPopupType->setText("Projector X1"); // USB devices do not count as taken
        const int speed = w->settingCombo[MyConnParam::Speed]->findText("19200");
        QVERIFY(speed >= 0);
        w->settingCombo[MyConnParam::Speed]->setCurrentIndex(speed);
        w->btnPopupOk->click();
        QVERIFY(!w->treePopup->isVisible());
        Dialogs::setNextAnswer(QMessageBox::Yes);
        w->ui->action_Save->trigger();
        w.reset();

        w = std::make_unique<MainWindow>();
        const MyDevice *d = device(*w, "Bcorp", "Projector X1");
        QVERIFY(d);
        QCOMPARE(d->connParam[MyConnParam::Speed], QStringLiteral("19200"));
        QVERIFY(d->listChanel.isEmpty());
    }

    void removalsNeedTheirItem() {
        auto w = windowWithUsbEntry();
        w->ui->treeWidget->setCurrentItem(nullptr);
        w->removeUsbDevice();
        w->removeUsbParent();
        // Called on an ordinary manufacturer or device, they do nothing.
        w->ui->treeWidget->setCurrentItem(topItem(*w, "Acme"));
        w->removeUsbParent();
        w->removeUsbDevice();
        w->ui->treeWidget->setCurrentItem(topItem(*w, "Acme")->child(0));
        w->removeUsbDevice();
        w->editUsbDevice();
        w->cloneUsbDevice();
        QVERIFY(Dialogs::log().isEmpty());
        QVERIFY(!w->okTreePopupShow);
        QCOMPARE(w->listMyPresets.size(), 2);
        QCOMPARE(w->ui->treeWidget->topLevelItemCount(), 2);
    }

    void deleteKeyAndDoubleClickReachTheUsbSlots() {
        auto w = windowWithUsbEntry();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QTreeWidgetItem *item = usbItem(*w);
        w->ui->treeWidget->setCurrentItem(item);
        item->setSelected(true);
        w->ui->treeWidget->setFocus();
        Dialogs::setNextAnswer(QMessageBox::No);
        QTest::keyClick(w.get(), Qt::Key_Delete);
        QCOMPARE(Dialogs::lastAsked().text, QStringLiteral("Are you sure to remove Projector X1?"));

        w->ui->treeWidget->expandAll();
        QWidget *viewport = w->ui->treeWidget->viewport();
        const QPoint at = w->ui->treeWidget->visualItemRect(item).center();
        // A double click is a press and release followed by the double-click event.
        QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
        QTRY_VERIFY(w->editUsbFlag);
        QCOMPARE(w->treePopup->windowTitle(), QStringLiteral("Edit Device"));
        w->cancelTreePopup();
    }

    void editPopup() {
        auto w = windowWithUsbEntry();
        openOnUsbDevice(*w, w->actEditUsbDevice);
        QVERIFY(w->okTreePopupShow);
        QVERIFY(w->editUsbFlag);
        QVERIFY(!w->cloneUsbFlag);
        QVERIFY(w->treePopup->isVisible());
        QCOMPARE(w->treePopup->windowTitle(), QStringLiteral("Edit Device"));
        QCOMPARE(w->labelPopupManufact->text(), QStringLiteral("Device Manufacturer "));
        QCOMPARE(w->labelPopupType->text(), QStringLiteral("Device Type "));
        QCOMPARE(w->labelPopupDesc->text(), QStringLiteral("Device Description "));
        QCOMPARE(w->lineEditPopupManufact->text(), QStringLiteral("USB:Acme"));
        QVERIFY(w->lineEditPopupManufact->isVisible());
        QVERIFY(!w->lineEditPopupManufact->isEnabled());
        QVERIFY(!w->comboBoxPopupManufact->isVisible());
        QCOMPARE(w->lineEditPopupType->text(), QStringLiteral("Projector X1"));
        QCOMPARE(w->lineEditPopupDesc->text(), QStringLiteral("Main hall"));
        QCOMPARE(usbItem(*w)->toolTip(0), QStringLiteral("Projector X1"));
        QVERIFY(!w->ui->treeWidget->isEnabled());
        // The device's settings are offered.
        QCOMPARE(w->settingCombo[MyConnParam::Speed]->currentText(), QStringLiteral("9600"));
        QCOMPARE(w->settingField[MyConnParam::Error_Replay]->text(), QStringLiteral("ERR"));
        // The prefix and HEX rows are not taken, so not offered.
        for (MyConnParam::Field f : {MyConnParam::CMD_Prefix, MyConnParam::CMD_Prefix_HEX,
                                     MyConnParam::Normal_Replay_HEX, MyConnParam::Error_Replay_HEX}) {
            QVERIFY(!w->settingField[f]->isVisible());
            QVERIFY(!w->settingLabel[f]->isVisible());
        }
        QVERIFY(w->settingField[MyConnParam::Normal_Replay]->isVisible());
        QVERIFY(w->settingField[MyConnParam::Normal_Replay]->isEnabled());
        QVERIFY(w->settingCombo[MyConnParam::Handshake]->isVisible());

        // Another mode shows all fourteen rows again.
        w->cancelTreePopup();
        w->ui->treeWidget->setCurrentItem(topItem(*w, "Acme")->child(0));
        w->editDevice();
        QVERIFY(w->settingField[MyConnParam::CMD_Prefix_HEX]->isVisible());
        QVERIFY(w->settingLabel[MyConnParam::CMD_Prefix]->isVisible());
        w->cancelTreePopup();
    }

    void editRenamesItemAndRecordAndTakesTenSettings() {
        auto w = windowWithUsbEntry();
        // The image gave no prefix; a prefix the device had is never replaced.
        MyDevice &usb = w->listMyPresets.last().listMyDevices.first();
        usb.connParam[MyConnParam::CMD_Prefix] = "kept";
        openOnUsbDevice(*w, w->actEditUsbDevice);
        w->lineEditPopupType->setText("Renamed");
        w->lineEditPopupDesc->setText("Foyer");
        w->settingField[MyConnParam::Retry_Count]->setText("5");
        w->settingField[MyConnParam::Normal_Replay]->setText("ACK");
        const QString stamp = w->labelPopupDate->text();
        w->btnPopupOk->click();

        QVERIFY(!w->treePopup->isVisible());
        QVERIFY(!w->okTreePopupShow && !w->editUsbFlag);
        QTreeWidgetItem *item = usbItem(*w);
        QCOMPARE(item->text(0), QStringLiteral("Renamed"));
        QCOMPARE(item->toolTip(1), QStringLiteral("Foyer"));
        QCOMPARE(item->toolTip(2), stamp);
        QCOMPARE(item->toolTip(0), QString());
        QCOMPARE(item->whatsThis(0), QStringLiteral("changed"));
        QCOMPARE(item->parent()->whatsThis(0), QStringLiteral("changed"));
        QCOMPARE(w->ui->treeWidget->currentItem(), item);
        QVERIFY(w->ui->treeWidget->isEnabled());

        QVERIFY(!device(*w, "USB:Acme", "Projector X1"));
        const MyDevice *d = device(*w, "USB:Acme", "Renamed");
        QVERIFY(d);
        QCOMPARE(d->deviceDesc, QStringLiteral("Foyer"));
        QCOMPARE(d->deviceTime, stamp);
        QCOMPARE(d->connParam[MyConnParam::Retry_Count], QStringLiteral("5"));
        QCOMPARE(d->connParam[MyConnParam::Normal_Replay], QStringLiteral("ACK"));
        QCOMPARE(d->connParam[MyConnParam::CMD_Prefix], QStringLiteral("kept"));
        QCOMPARE(d->connParam[MyConnParam::CMD_Prefix_HEX], QString());
        QCOMPARE(d->connParam[MyConnParam::Normal_Replay_HEX], QString());
        QCOMPARE(w->ui->lineEditManufact->text(), QStringLiteral("Renamed"));
        QCOMPARE(w->ui->lineEditDesc->text(), QStringLiteral("Foyer"));
        // The library device of the old name is another record and stays as it was.
        QCOMPARE(device(*w, "Acme", "Projector X1")->connParam[MyConnParam::Retry_Count], QStringLiteral("2"));
        QVERIFY(!libraryHasChanges(w->listMyPresets, w->globalAddDeleteItem));
    }

    void editWithoutChangesMarksNothing() {
        auto w = windowWithUsbEntry();
        const QString time = usbItem(*w)->toolTip(2);
        openOnUsbDevice(*w, w->actEditUsbDevice);
        w->btnPopupOk->click();
        QVERIFY(!w->treePopup->isVisible());
        QCOMPARE(usbItem(*w)->whatsThis(0), QString());
        QCOMPARE(w->listMyPresets.last().listMyDevices.first().deviceTime, time);
    }

    void editRefusesNamesTheFileCannotKeep_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("desc");
        QTest::addColumn<QString>("label");
        QTest::newRow("empty name") << ""
                                    << "Main hall"
                                    << "Device Type";
        QTest::newRow("blank at the end") << "X1 "
                                          << "Main hall"
                                          << "Device Type";
        QTest::newRow("desc: in the name") << "X desc:1"
                                           << "Main hall"
                                           << "Device Type";
        QTest::newRow("time: in the description") << "X1"
                                                  << "at time: 9"
                                                  << "Device Description";
        QTest::newRow("outside Latin-1") << QString::fromUtf8("X\u20ac") << "Main hall"
                                         << "Device Type";
    }
    void editRefusesNamesTheFileCannotKeep() {
        QFETCH(QString, name);
        QFETCH(QString, desc);
        QFETCH(QString, label);
        auto w = windowWithUsbEntry();
        openOnUsbDevice(*w, w->actEditUsbDevice);
        w->lineEditPopupType->setText(name);
        w->lineEditPopupDesc->setText(desc);
        Dialogs::setNextAnswer(QMessageBox::Ok);
        w->btnPopupOk->click();
        QCOMPARE(Dialogs::lastAsked().icon, QMessageBox::Critical);
        QVERIFY2(Dialogs::lastAsked().text.startsWith(label), qPrintable(Dialogs::lastAsked().text));
        QVERIFY(w->treePopup->isVisible());
        QVERIFY(w->okTreePopupShow && w->editUsbFlag);
        QCOMPARE(w->lineEditPopupType->text(), name);
        QCOMPARE(usbItem(*w)->text(0), QStringLiteral("Projector X1"));
        QVERIFY(device(*w, "USB:Acme", "Projector X1"));

        // Corrected, the same popup finishes the edit.
        w->lineEditPopupType->setText("Fixed");
        w->lineEditPopupDesc->setText("Main hall");
        w->btnPopupOk->click();
        QVERIFY(!w->treePopup->isVisible());
        QVERIFY(device(*w, "USB:Acme", "Fixed"));
    }

    void clonePopup() {
        auto w = windowWithUsbEntry();
        MyPreset usbox;
        usbox.deviceParent = "USBox";
        w->listMyPresets << usbox;
        openOnUsbDevice(*w, w->actCloneUsbDevice);
        QVERIFY(w->okTreePopupShow && w->cloneUsbFlag && !w->editUsbFlag);
        QCOMPARE(w->treePopup->windowTitle(), QStringLiteral("Clone Device"));
        QCOMPARE(w->labelPopupManufact->text(), QStringLiteral("Device Manufacturer "));
        QVERIFY(!w->lineEditPopupManufact->isVisible());
        QVERIFY(w->comboBoxPopupManufact->isVisible());
        QCOMPARE(w->comboBoxPopupManufact->count(), 1);
        QCOMPARE(w->comboBoxPopupManufact->itemText(0), QStringLiteral("Acme"));
        QCOMPARE(w->lineEditPopupType->text(), QStringLiteral("Projector X1"));
        QCOMPARE(w->lineEditPopupDesc->text(), QStringLiteral("Main hall"));
        QCOMPARE(usbItem(*w)->toolTip(0), QStringLiteral("Projector X1"));
    }

    void cloneJoinsTheLibraryAndAsksToBeSaved() {
        auto w = windowWithUsbEntry();
        const MyDevice usbBefore = w->listMyPresets.last().listMyDevices.first();
        openOnUsbDevice(*w, w->actCloneUsbDevice);

        // The proposed name is the library device's: refused, popup kept open.
        Dialogs::setNextAnswer(QMessageBox::Ok);
        w->btnPopupOk->click();
        QCOMPARE(Dialogs::lastAsked().text,
                 QStringLiteral("Please change the name of \"Device Type\", twice in the tree is not allowed!"));
        QVERIFY(w->treePopup->isVisible());
        QVERIFY(w->okTreePopupShow && w->cloneUsbFlag);
        QCOMPARE(preset(*w, "Acme")->listMyDevices.size(), 1);

        w->lineEditPopupType->setText("From converter");
        w->lineEditPopupDesc->setText("Read back");
        const QString stamp = w->labelPopupDate->text();
        w->btnPopupOk->click();
        QVERIFY(!w->treePopup->isVisible());
        QVERIFY(!w->okTreePopupShow && !w->cloneUsbFlag);

        QTreeWidgetItem *acme = topItem(*w, "Acme");
        QCOMPARE(acme->childCount(), 2);
        QTreeWidgetItem *item = w->ui->treeWidget->currentItem();
        QCOMPARE(item->parent(), acme);
        QCOMPARE(item->text(0), QStringLiteral("From converter"));
        QCOMPARE(item->toolTip(1), QStringLiteral("Read back"));
        QCOMPARE(item->toolTip(2), stamp);
        QCOMPARE(item->toolTip(0), QString());
        QCOMPARE(item->whatsThis(0), QStringLiteral("changed"));
        QCOMPARE(acme->whatsThis(0), QStringLiteral("changed"));
        QCOMPARE(item->background(0).color(), QColor(255, 255, 127));
        QCOMPARE(w->ui->lineEditManufact->text(), QStringLiteral("From converter"));
        QCOMPARE(w->ui->tableWidget->rowCount(), 2);

        const MyDevice *c = device(*w, "Acme", "From converter");
        QVERIFY(c);
        QCOMPARE(c->deviceTime, stamp);
        QCOMPARE(c->listChanel.size(), 2);
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(c->listChanel[i].status, QStringLiteral("changed"));
            QCOMPARE(c->listChanel[i].rs_c, usbBefore.listChanel[i].rs_c);
            QCOMPARE(c->listChanelShadow[i].status, QString());
        }
        QCOMPARE(c->connParam.flags, quint32(0x3FFF));
        QCOMPARE(c->connParam[MyConnParam::Error_Replay], QStringLiteral("ERR"));
        // The image had the prefix byte 02; neither it nor the HEX texts are copied.
        for (MyConnParam::Field f : {MyConnParam::CMD_Prefix, MyConnParam::CMD_Prefix_HEX,
                                     MyConnParam::Normal_Replay_HEX, MyConnParam::Error_Replay_HEX})
            QCOMPARE(c->connParam[f], QString());

        // The USB entry is left as it was.
        QCOMPARE(usbItem(*w)->text(0), QStringLiteral("Projector X1"));
        QCOMPARE(usbItem(*w)->toolTip(0), QString());
        const MyDevice &usbAfter = w->listMyPresets.last().listMyDevices.first();
        QCOMPARE(usbAfter.listChanel, usbBefore.listChanel);
        QCOMPARE(usbAfter.connParam, usbBefore.connParam);

        QVERIFY(libraryHasChanges(w->listMyPresets, w->globalAddDeleteItem));
        Dialogs::setNextAnswer(QMessageBox::Cancel);
        w->newProject();
        QCOMPARE(Dialogs::lastAsked().text, QStringLiteral("Save changes in project \"MyProject.prj\"?"));
    }

    void cloneWithoutAManufacturerIsRefused() {
        auto w = windowWithUsbEntry(false);
        openOnUsbDevice(*w, w->actCloneUsbDevice);
        QCOMPARE(w->comboBoxPopupManufact->count(), 0);
        Dialogs::setNextAnswer(QMessageBox::Ok);
        w->btnPopupOk->click();
        QCOMPARE(Dialogs::lastAsked().icon, QMessageBox::Critical);
        QVERIFY(Dialogs::lastAsked().text.contains("no manufacturer"));
        QVERIFY(w->treePopup->isVisible() && w->okTreePopupShow && w->cloneUsbFlag);
        QCOMPARE(w->listMyPresets.size(), 1);

        w->btnPopupCancel->click();
        QVERIFY(!w->treePopup->isVisible());
        QVERIFY(!w->cloneUsbFlag);
        QCOMPARE(w->ui->treeWidget->topLevelItemCount(), 1);
    }

    void popupShowsTheUsbDevicesOwnSettings() {
        auto w = windowWithUsbEntry();
        MyDevice &library = w->listMyPresets.first().listMyDevices.first();
        library.connParam[MyConnParam::Speed] = "19200";
        library.connParam[MyConnParam::Normal_Replay] = "";
        library.connParam[MyConnParam::Normal_Replay_HEX] = "0D0A";
        // Shown: the library device. Current (as after a right click): the USB device.
        QTreeWidgetItem *shown = topItem(*w, "Acme")->child(0);
        w->ui->treeWidget->setCurrentItem(shown);
        w->getPositionTree(shown, 0);
        w->ui->treeWidget->setCurrentItem(usbItem(*w));
        w->actEditUsbDevice->trigger();
        QCOMPARE(w->settingCombo[MyConnParam::Speed]->currentText(), QStringLiteral("9600"));
        QCOMPARE(w->settingField[MyConnParam::Normal_Replay]->text(), QStringLiteral("OK"));
        QCOMPARE(w->settingField[MyConnParam::Normal_Replay_HEX]->text(), QString());
        w->btnPopupOk->click();
        const MyDevice &usb = w->listMyPresets.last().listMyDevices.first();
        QCOMPARE(usb.connParam, usb.connParamSaved);
        QCOMPARE(usbItem(*w)->whatsThis(0), QString());
    }

    void valuesOutsideTheChoiceListsAreKept() {
        auto w = windowWithUsbEntry();
        MyDevice &usb = w->listMyPresets.last().listMyDevices.first();
        usb.connParam[MyConnParam::Speed] = usb.connParamSaved[MyConnParam::Speed] = "14400";
        openOnUsbDevice(*w, w->actEditUsbDevice);
        QCOMPARE(w->settingCombo[MyConnParam::Speed]->currentIndex(), -1);
        w->btnPopupOk->click();
        QCOMPARE(w->listMyPresets.last().listMyDevices.first().connParam[MyConnParam::Speed], QStringLiteral("14400"));

        openOnUsbDevice(*w, w->actCloneUsbDevice);
        w->lineEditPopupType->setText("Copy");
        w->btnPopupOk->click();
        QCOMPARE(device(*w, "Acme", "Copy")->connParam[MyConnParam::Speed], QStringLiteral("14400"));
    }
};

QTEST_MAIN(TestUsbEntry)
#include "tst_usbentry.moc"
