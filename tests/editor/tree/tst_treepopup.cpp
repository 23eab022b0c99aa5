// The tree popup through its real slots: adding, cloning, editing and
// removing manufacturers and devices, its refusals, and the connection rows.
#include "connflags.h"
#include "filerules.h"
#include "treewindow.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QValidator>

namespace {
using F = MyConnParam;

const QString kDoubleDevice =
    QStringLiteral("Please change the name of \"Device Type\", twice in the tree is not allowed!");
const QString kDoubleManufacturer =
    QStringLiteral("Please change the name of \"Device Manufacturer\", twice in the tree is not allowed!");

QValidator::State check(QLineEdit *edit, QString text) {
    int pos = 0;
    return edit->validator() ? edit->validator()->validate(text, pos) : QValidator::Acceptable;
}
} // namespace

class TestTreePopup : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QCOMPARE(Dialogs::pendingAnswers(), 0); }

    // Manufacturers.

    void addManufacturerAddsOneEntryToTreeAndLibrary() {
        TreeWindow t;
        t->addParent();
        QVERIFY(t->treePopup->isVisible());
        QCOMPARE(t->treePopup->windowTitle(), QStringLiteral("Add Manufacturer"));
        QCOMPARE(t->labelPopupManufact->text(), QStringLiteral("Device Manufacturer"));
        QCOMPARE(t->lineEditPopupManufact->text(), QStringLiteral("New Manufacturer"));
        QVERIFY(t->lineEditPopupManufact->isEnabled());
        QVERIFY(!t->lineEditPopupType->isVisible() && !t->settingCombo[F::Speed]->isVisible());
        QVERIFY(!t->ui->treeWidget->isEnabled());
        QVERIFY(t->addParentFlag && t->okTreePopupShow);

        t->lineEditPopupManufact->setText(QStringLiteral("Gamma"));
        QVERIFY(t.accepted());
        QVERIFY(!t.ok()); // the second press finds the popup closed
        QCOMPARE(t->listMyPresets.size(), 3);
        QCOMPARE(t->listMyPresets.last().deviceParent, QStringLiteral("Gamma"));
        QVERIFY(t->listMyPresets.last().listMyDevices.isEmpty());
        QTreeWidgetItem *gamma = t.item(QStringLiteral("Gamma"));
        QVERIFY(gamma && !gamma->parent());
        QCOMPARE(gamma->toolTip(1), QStringLiteral("parent"));
        QCOMPARE(t->ui->treeWidget->topLevelItemCount(), 3);
        QCOMPARE(t->ui->treeWidget->currentItem(), gamma);
        QVERIFY(t->globalAddDeleteItem && !t->addParentFlag && !t->okTreePopupShow);
        QVERIFY(t->ui->treeWidget->isEnabled());
        QCOMPARE(t->ui->lineEditManufact->text(), QStringLiteral("Manufacturer"));
    }

    void manufacturerNamedLikeAnyTreeEntryIsRefused() {
        TreeWindow t;
        int count = 2;
        for (const char *taken : {"Dimmer", "Beta"}) {
            t->addParent();
            t->lineEditPopupManufact->setText(QLatin1String(taken));
            QVERIFY(t.ok());
            QCOMPARE(t.lastMessage, kDoubleManufacturer);
            QVERIFY(t->treePopup->isVisible() && t->addParentFlag && t->okTreePopupShow);
            QCOMPARE(t->listMyPresets.size(), count);
            // The name is corrected in the open popup.
            t->lineEditPopupManufact->setText(QLatin1String(taken) + QStringLiteral(" Ltd"));
            QVERIFY(t.accepted());
            QCOMPARE(t->listMyPresets.size(), ++count);
        }
        QCOMPARE(t->listMyPresets.size(), 4);
        t->addParent(); // case counts
        t->lineEditPopupManufact->setText(QStringLiteral("acme"));
        QVERIFY(t.accepted());
    }

    void manufacturerNamesTheFileCannotKeepAreRefused() {
        TreeWindow t;
        const QStringList bad{"",
                              "   ",
                              " Lead",
                              "Trail ",
                              "$Acme2",
                              "%Acme2",
                              "!Acme2",
                              "@Acme2",
                              "\tAcme2",
                              "Line\nbreak",
                              QString::fromUtf8("Caf\u00e9\u20ac")};
        for (const QString &name : bad) {
            t->addParent();
            t->lineEditPopupManufact->setText(name);
            QVERIFY2(t.ok(), qPrintable(name));
            QCOMPARE(t.lastMessage, keepMessage(QStringLiteral("Device Manufacturer"),
                                                projectTextProblem(ProjectText::ManufacturerName, name)));
            QVERIFY(t->treePopup->isVisible());
            QCOMPARE(t->lineEditPopupManufact->text(), name);
            t->cancelTreePopup();
        }
        QCOMPARE(t->listMyPresets.size(), 2);
        QCOMPARE(t->ui->treeWidget->topLevelItemCount(), 2);
        QVERIFY(!t->globalAddDeleteItem);
        // Latin-1 letters are fine.
        t->addParent();
        t->lineEditPopupManufact->setText(QString::fromUtf8("Caf\u00e9"));
        QVERIFY(t.accepted());
    }

    // Adding devices.

    void addDeviceProposesDefaultsAndAddsToTheManufacturer() {
        TreeWindow t;
        t.select(QStringLiteral("Acme"));
        t->addDevice();
        QVERIFY(t->treePopup->isVisible());
        QCOMPARE(t->treePopup->windowTitle(), QStringLiteral("Add Device"));
        QCOMPARE(t->labelPopupManufact->text(), QStringLiteral("Device Manufacturer "));
        QCOMPARE(t->labelPopupType->text(), QStringLiteral("Device Type "));
        QCOMPARE(t->labelPopupDesc->text(), QStringLiteral("Device Description "));
        QCOMPARE(t->lineEditPopupManufact->text(), QStringLiteral("Acme"));
        QVERIFY(!t->lineEditPopupManufact->isEnabled());
        QCOMPARE(t->lineEditPopupType->text(), QStringLiteral("Acme Type"));
        QCOMPARE(t->lineEditPopupDesc->text(), QStringLiteral("Description of device type"));
        QVERIFY(!t->comboBoxPopupManufact->isVisible() && !t->checkBoxPopupLists->isVisible());
        QCOMPARE(t.combo(F::Speed)->currentText(), QStringLiteral("9600"));
        QCOMPARE(t.combo(F::Data_Bits)->currentText(), QStringLiteral("8"));
        QCOMPARE(t.field(F::Delay_Time)->text(), QStringLiteral("100"));
        QCOMPARE(t.field(F::Replay_Wait_Time)->text(), QStringLiteral("500"));
        QCOMPARE(t.field(F::Retry_Count)->text(), QStringLiteral("2"));
        QCOMPARE(t->labelPopupDateCaption->text(), QStringLiteral("Created Date"));
        const QString stamp = t->labelPopupDate->text();
        QVERIFY(QRegularExpression(QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d{4} \\| \\d\\d:\\d\\d:\\d\\d$"))
                    .match(stamp)
                    .hasMatch());

        t->lineEditPopupType->setText(QStringLiteral("Fogger"));
        t->lineEditPopupDesc->setText(QStringLiteral("  Haze machine "));
        t.combo(F::Parity)->setCurrentIndex(2);
        t.field(F::Normal_Replay)->setText(QStringLiteral("DONE"));
        QVERIFY(t.accepted());
        QVERIFY(!t.ok());

        QCOMPARE(t.preset(QStringLiteral("Acme"))->listMyDevices.size(), 3);
        MyDevice *fogger = t.device(QStringLiteral("Acme"), QStringLiteral("Fogger"));
        QVERIFY(fogger);
        QCOMPARE(fogger->deviceDesc, QStringLiteral("Haze machine")); // outer blanks dropped
        QCOMPARE(fogger->deviceTime, stamp);
        const char *expected[] = {"9600", "8", "1", "Even", "None", "100", "2", "", "", "DONE", "", "", "", "500"};
        for (int f = 0; f < F::FieldCount; ++f) {
            QCOMPARE(fogger->connParam[f], QLatin1String(expected[f]));
            QCOMPARE(fogger->connParamSaved[f], QLatin1String(expected[f]));
        }
        QCOMPARE(fogger->connParam.flags, quint32(0x3FFF));
        QVERIFY(fogger->isChanges && fogger->changesInConn);

        QTreeWidgetItem *item = t.item(QStringLiteral("Fogger"));
        QCOMPARE(item->parent(), t.item(QStringLiteral("Acme")));
        QCOMPARE(item->toolTip(1), QStringLiteral("Haze machine"));
        QCOMPARE(item->toolTip(2), stamp);
        QCOMPARE(item->toolTip(0), QString());
        QCOMPARE(item->whatsThis(0), QStringLiteral("changed"));
        QCOMPARE(item->parent()->whatsThis(0), QStringLiteral("changed"));
        QCOMPARE(t->ui->treeWidget->currentItem(), item);
        QCOMPARE(t->ui->lineEditManufact->text(), QStringLiteral("Fogger"));
        QCOMPARE(t->ui->lineEditDesc->text(), QStringLiteral("Haze machine"));
        QVERIFY(!t->addDeviceFlag && t->ui->treeWidget->isEnabled());
        // Unsaved until the next save, whatever later edits do to the flags.
        QVERIFY(t->globalAddDeleteItem);
    }

    void addDeviceWithADeviceSelectedAddsToItsManufacturer() {
        TreeWindow t;
        t.select(QStringLiteral("Mixer"));
        t->addDevice();
        QCOMPARE(t->lineEditPopupManufact->text(), QStringLiteral("Beta"));
        QCOMPARE(t->lineEditPopupType->text(), QStringLiteral("Mixer Type"));
        // The selected device's values are proposed, the Speed default wins.
        QCOMPARE(t.field(F::Delay_Time)->text(), QStringLiteral("50"));
        QCOMPARE(t.field(F::Replay_Wait_Time)->text(), QStringLiteral("300"));
        QCOMPARE(t.field(F::Normal_Replay)->text(), QStringLiteral("ACK"));
        QCOMPARE(t.combo(F::Speed)->currentText(), QStringLiteral("9600"));
        QVERIFY(t.accepted());
        QVERIFY(t.device(QStringLiteral("Beta"), QStringLiteral("Mixer Type")));
        QCOMPARE(t.item(QStringLiteral("Mixer Type"))->parent(), t.item(QStringLiteral("Beta")));
        QCOMPARE(t.preset(QStringLiteral("Acme"))->listMyDevices.size(), 2);
    }

    void addDeviceIsOnlyForManufacturersAndDevices() {
        TreeWindow t;
        t->ui->treeWidget->setCurrentItem(nullptr);
        t->addDevice();
        QVERIFY(!t->treePopup->isVisible() && !t->okTreePopupShow);
        // The USB entry takes no devices.
        auto *usb = new QTreeWidgetItem(t->ui->treeWidget, QStringList{QStringLiteral("USB:Image")});
        usb->setToolTip(1, QStringLiteral("USB:parent"));
        auto *usbDevice = new QTreeWidgetItem(usb, QStringList{QStringLiteral("Read")});
        usbDevice->setToolTip(3, QStringLiteral("USB"));
        for (QTreeWidgetItem *item : {usb, usbDevice}) {
            t->ui->treeWidget->setCurrentItem(item);
            t->addDevice();
            QVERIFY(!t->treePopup->isVisible() && !t->addDeviceFlag);
        }
    }

    // Tree and library out of step: nothing is added rather than a device whose
    // record sits under another manufacturer than its item.
    void addDeviceWithoutTheManufacturersRecordAddsNothing() {
        TreeWindow t;
        t.select(QStringLiteral("Beta"));
        t->addDevice();
        t->listMyPresets.removeLast();
        QVERIFY(!t.ok());
        QVERIFY(!t->treePopup->isVisible() && !t->addDeviceFlag);
        QCOMPARE(t.item(QStringLiteral("Beta"))->childCount(), 1);
        QCOMPARE(t.preset(QStringLiteral("Acme"))->listMyDevices.size(), 2);
    }

    void deviceNamedLikeAManufacturerIsAccepted() {
        TreeWindow t;
        t.select(QStringLiteral("Acme"));
        t->addDevice();
        t->lineEditPopupType->setText(QStringLiteral("Beta"));
        QVERIFY(t.accepted());
        QVERIFY(t.device(QStringLiteral("Acme"), QStringLiteral("Beta")));
    }

    void duplicateDeviceAcrossManufacturersIsRefusedAndTheEntryKept() {
        TreeWindow t;
        t.select(QStringLiteral("Acme"));
        t->addDevice();
        t->lineEditPopupType->setText(QStringLiteral("Mixer"));
        t->lineEditPopupDesc->setText(QStringLiteral("typed"));
        t.field(F::Delay_Time)->setText(QStringLiteral("250"));
        t.field(F::Error_Replay_HEX)->setText(QStringLiteral("4E4B"));
        t.combo(F::Stop_Bits)->setCurrentIndex(1);
        QVERIFY(t.ok());
        QCOMPARE(t.lastMessage, kDoubleDevice);
        QVERIFY(t->treePopup->isVisible() && t->addDeviceFlag && t->okTreePopupShow);
        QCOMPARE(t->lineEditPopupType->text(), QStringLiteral("Mixer"));
        QCOMPARE(t->lineEditPopupDesc->text(), QStringLiteral("typed"));
        QCOMPARE(t.field(F::Delay_Time)->text(), QStringLiteral("250"));
        QCOMPARE(t.field(F::Error_Replay_HEX)->text(), QStringLiteral("4E4B"));
        QCOMPARE(t.combo(F::Stop_Bits)->currentText(), QStringLiteral("2"));
        QCOMPARE(t.preset(QStringLiteral("Acme"))->listMyDevices.size(), 2);
        // The window stays out of reach while the popup is open.
        QVERIFY(!t->ui->treeWidget->isEnabled());

        t->lineEditPopupType->setText(QStringLiteral("Mixer 2"));
        QVERIFY(t.accepted());
        MyDevice *added = t.device(QStringLiteral("Acme"), QStringLiteral("Mixer 2"));
        QVERIFY(added);
        QCOMPARE(added->connParam[F::Delay_Time], QStringLiteral("250"));
        QCOMPARE(added->connParam[F::Error_Replay_HEX], QStringLiteral("4E4B"));
        QCOMPARE(added->connParam[F::Stop_Bits], QStringLiteral("2"));
    }

    void deviceTextsTheFileCannotKeepAreRefused_data() {
        QTest::addColumn<int>("widget"); // -1 type, -2 description, else a field
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("label");
        QTest::newRow("empty name") << -1 << QString() << "Device Type";
        QTest::newRow("name blank at end") << -1 << "Lamp "
                                           << "Device Type";
        QTest::newRow("name desc:") << -1 << "Lamp desc:x"
                                    << "Device Type";
        QTest::newRow("name time:") << -1 << "time:Lamp"
                                    << "Device Type";
        QTest::newRow("name tab") << -1 << "La\tmp"
                                  << "Device Type";
        QTest::newRow("name outside Latin-1") << -1 << QString::fromUtf8("L\u0101mp") << "Device Type";
        QTest::newRow("description desc:") << -2 << "see desc:"
                                           << "Device Description";
        QTest::newRow("description tab") << -2 << "a\tb"
                                         << "Device Description";
        QTest::newRow("reply blank") << int(F::Normal_Replay) << "O K"
                                     << "Normal reply";
        QTest::newRow("prefix blank") << int(F::CMD_Prefix) << "> "
                                      << "CMD Prefix";
    }
    void deviceTextsTheFileCannotKeepAreRefused() {
        QFETCH(int, widget);
        QFETCH(QString, text);
        QFETCH(QString, label);
        TreeWindow t;
        t.select(QStringLiteral("Acme"));
        t->addDevice();
        QLineEdit *edit = widget == -1 ? t->lineEditPopupType : widget == -2 ? t->lineEditPopupDesc : t.field(widget);
        edit->setText(text);
        QVERIFY(t.ok());
        QVERIFY2(t.lastMessage.startsWith(label + QStringLiteral(" cannot be kept in the project file: it ")),
                 qPrintable(t.lastMessage));
        if (widget >= F::CMD_Prefix)
            QVERIFY(t.lastMessage.contains(QStringLiteral("HEX field")));
        QVERIFY(t->treePopup->isVisible() && t->addDeviceFlag);
        QCOMPARE(edit->text(), text);
        QCOMPARE(t.preset(QStringLiteral("Acme"))->listMyDevices.size(), 2);
        t->cancelTreePopup();
    }

    // Cloning.

    void cloneCarriesCopiesOfSettingsAndRows() {
        TreeWindow t;
        QTreeWidgetItem *source = t.select(QStringLiteral("Projector X"));
        t->cloneDevice();
        QCOMPARE(t->treePopup->windowTitle(), QStringLiteral("Clone Device"));
        QCOMPARE(t->lineEditPopupType->text(), QStringLiteral("Clone:Projector X"));
        QCOMPARE(t->lineEditPopupDesc->text(), QStringLiteral("Main hall"));
        QCOMPARE(source->toolTip(0), QStringLiteral("Projector X"));
        QVERIFY(t->comboBoxPopupManufact->isVisible() && !t->lineEditPopupManufact->isVisible());
        QCOMPARE(t->comboBoxPopupManufact->count(), 2);
        QCOMPARE(t->comboBoxPopupManufact->currentText(), QStringLiteral("Acme"));
        QCOMPARE(t.field(F::Normal_Replay)->text(), QStringLiteral("OK"));
        QCOMPARE(t.field(F::Delay_Time)->text(), QStringLiteral("100"));

        t->comboBoxPopupManufact->setCurrentIndex(1); // Beta
        QVERIFY(t.accepted());
        MyDevice *clone = t.device(QStringLiteral("Beta"), QStringLiteral("Clone:Projector X"));
        QVERIFY(clone);
        QCOMPARE(t.item(QStringLiteral("Clone:Projector X"))->parent(), t.item(QStringLiteral("Beta")));
        QCOMPARE(source->toolTip(0), QString());
        MyDevice *original = t.device(QStringLiteral("Acme"), QStringLiteral("Projector X"));
        QCOMPARE(clone->listChanel.size(), 2);
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(clone->listChanel[i].rs_c, original->listChanel[i].rs_c);
            QCOMPARE(clone->listChanel[i].function, original->listChanel[i].function);
            QCOMPARE(clone->listChanel[i].status, QStringLiteral("changed"));
        }
        for (int f = 0; f < F::FieldCount; ++f)
            QCOMPARE(clone->connParam[f], original->connParam[f]);
        clone->listChanel[0].rs_c = QStringLiteral("ASCII:CHANGED");
        QCOMPARE(original->listChanel[0].rs_c, QStringLiteral("ASCII:PWR OFF"));
        QVERIFY(original->listChanel[0].status.isEmpty());
    }

    void cloneKeepsTheUniqueNameRule() {
        TreeWindow t;
        t.select(QStringLiteral("Projector X"));
        t->cloneDevice();
        t->lineEditPopupType->setText(QStringLiteral("Dimmer"));
        QVERIFY(t.ok());
        QCOMPARE(t.lastMessage, kDoubleDevice);
        QVERIFY(t->cloneDeviceFlag && t->treePopup->isVisible());
        t->lineEditPopupType->setText(QStringLiteral("Projector Y"));
        QVERIFY(t.accepted());
        QCOMPARE(t.preset(QStringLiteral("Acme"))->listMyDevices.size(), 3);
    }

    void storedValueOutsideTheChoiceListLeavesTheBoxAsItWas() {
        TreeWindow t;
        QComboBox *speed = t.combo(F::Speed);
        t.select(QStringLiteral("Projector X"));
        t->cloneDevice();
        QCOMPARE(speed->currentText(), QStringLiteral("9600"));
        t->cancelTreePopup();
        t->setCurrentIndexInComboBox(speed, QStringLiteral("115200"));
        QCOMPARE(speed->currentText(), QStringLiteral("9600"));
        t->setCurrentIndexInComboBox(speed, QStringLiteral("2400"));
        QCOMPARE(speed->currentIndex(), 0);
        // Mixer's 115200 is not offered: the box keeps its first entry.
        t.select(QStringLiteral("Mixer"));
        t->cloneDevice();
        QCOMPARE(speed->currentText(), QStringLiteral("2400"));
        t->cancelTreePopup();
    }

    // Editing.

    void editStoresNamesAndSettingsAndMarksTheDevice() {
        TreeWindow t;
        QTreeWidgetItem *item = t.select(QStringLiteral("Dimmer"));
        t->editDevice();
        QCOMPARE(t->treePopup->windowTitle(), QStringLiteral("Edit Device"));
        QCOMPARE(t->lineEditPopupManufact->text(), QStringLiteral("Acme"));
        QVERIFY(!t->comboBoxPopupManufact->isVisible());
        QCOMPARE(t->lineEditPopupType->text(), QStringLiteral("Dimmer"));
        QCOMPARE(t->lineEditPopupDesc->text(), QStringLiteral("Stage"));
        QCOMPARE(item->toolTip(0), QStringLiteral("Dimmer"));
        QCOMPARE(t.combo(F::Speed)->currentText(), QStringLiteral("19200"));
        QCOMPARE(t.combo(F::Handshake)->currentText(), QStringLiteral("XON/XOFF"));
        QCOMPARE(t.field(F::Delay_Time)->text(), QStringLiteral("250"));
        QCOMPARE(t.field(F::Retry_Count)->text(), QStringLiteral("0"));
        QCOMPARE(t.field(F::Normal_Replay_HEX)->text(), QStringLiteral("06"));
        QCOMPARE(t.field(F::CMD_Prefix)->text(), QStringLiteral(">"));
        // Each pair offers only its filled field.
        QVERIFY(!t.field(F::Normal_Replay)->isEnabled() && !t.field(F::CMD_Prefix_HEX)->isEnabled());

        t->lineEditPopupType->setText(QStringLiteral("Dimmer Pro"));
        t->lineEditPopupDesc->setText(QStringLiteral("Stage left"));
        t.combo(F::Speed)->setCurrentIndex(0);
        QVERIFY(t.accepted());
        QVERIFY(!t.device(QStringLiteral("Acme"), QStringLiteral("Dimmer")));
        MyDevice *d = t.device(QStringLiteral("Acme"), QStringLiteral("Dimmer Pro"));
        QVERIFY(d);
        QCOMPARE(item->text(0), QStringLiteral("Dimmer Pro"));
        QCOMPARE(item->toolTip(1), QStringLiteral("Stage left"));
        QCOMPARE(item->toolTip(0), QString());
        QCOMPARE(d->deviceDesc, QStringLiteral("Stage left"));
        QCOMPARE(d->deviceTime, item->toolTip(2)); // restamped
        QCOMPARE(d->connParam[F::Speed], QStringLiteral("2400"));
        QCOMPARE(d->connParam[F::Normal_Replay_HEX], QStringLiteral("06"));
        QCOMPARE(d->connParam.flags, quint32(1u << F::Speed));
        QVERIFY(d->isChanges && d->changesInConn);
        QCOMPARE(item->whatsThis(0), QStringLiteral("changed"));
        QCOMPARE(item->parent()->whatsThis(0), QStringLiteral("changed"));
        QCOMPARE(t->ui->lineEditManufact->text(), QStringLiteral("Dimmer Pro"));
    }

    void settingChangedAndChangedBackLeavesItsBitClear() {
        TreeWindow t;
        t.select(QStringLiteral("Projector X"));
        t->editDevice();
        t.field(F::Replay_Wait_Time)->setText(QStringLiteral("900"));
        QVERIFY(t.accepted());
        MyDevice *d = t.device(QStringLiteral("Acme"), QStringLiteral("Projector X"));
        QCOMPARE(d->connParam.flags, quint32(1u << F::Replay_Wait_Time));
        t->editDevice();
        QCOMPARE(t.field(F::Replay_Wait_Time)->text(), QStringLiteral("900"));
        t.field(F::Replay_Wait_Time)->setText(QStringLiteral("500"));
        QVERIFY(t.accepted());
        d = t.device(QStringLiteral("Acme"), QStringLiteral("Projector X")); // the undo step holds the old record
        QCOMPARE(d->connParam.flags, quint32(0));
        QVERIFY(!d->changesInConn && !d->isChanges);
    }

    void editRefusesAnotherDevicesNameButKeepsItsOwn() {
        TreeWindow t;
        t.select(QStringLiteral("Dimmer"));
        t->editDevice();
        t->lineEditPopupType->setText(QStringLiteral("Mixer"));
        t.field(F::Delay_Time)->setText(QStringLiteral("42"));
        QVERIFY(t.ok());
        QCOMPARE(t.lastMessage, kDoubleDevice);
        QVERIFY(t->editDeviceFlag && t->treePopup->isVisible());
        QCOMPARE(t.field(F::Delay_Time)->text(), QStringLiteral("42"));
        QVERIFY(t.device(QStringLiteral("Acme"), QStringLiteral("Dimmer")));
        QCOMPARE(t.item(QStringLiteral("Dimmer"))->text(0), QStringLiteral("Dimmer"));
        t->lineEditPopupType->setText(QStringLiteral("Dimmer"));
        QVERIFY(t.accepted());
        QCOMPARE(t.device(QStringLiteral("Acme"), QStringLiteral("Dimmer"))->connParam[F::Delay_Time],
                 QStringLiteral("42"));
    }

    void editKeepsAStoredValueTheChoiceListLacks() {
        TreeWindow t;
        t.select(QStringLiteral("Mixer"));
        t->editDevice();
        QCOMPARE(t.combo(F::Speed)->currentIndex(), -1);
        t->lineEditPopupDesc->setText(QStringLiteral("Front desk"));
        QVERIFY(t.accepted());
        MyDevice *d = t.device(QStringLiteral("Beta"), QStringLiteral("Mixer"));
        QCOMPARE(d->connParam[F::Speed], QStringLiteral("115200"));
        QCOMPARE(d->connParam.flags, quint32(0));
        QCOMPARE(d->deviceDesc, QStringLiteral("Front desk"));
    }

    // Removing.

    void removeDeviceAsksAndRemovesFromTreeAndLibrary() {
        TreeWindow t;
        t.select(QStringLiteral("Mixer"));
        Dialogs::setNextAnswer(QMessageBox::No);
        t->removeDevice();
        QCOMPARE(Dialogs::lastAsked().title, QStringLiteral("Remove"));
        QCOMPARE(Dialogs::lastAsked().text, QStringLiteral("Are you sure to remove Mixer?"));
        QVERIFY(t.item(QStringLiteral("Mixer")) && t.device(QStringLiteral("Beta"), QStringLiteral("Mixer")));
        QVERIFY(!t->globalAddDeleteItem);

        Dialogs::setNextAnswer(QMessageBox::Yes);
        t->removeDevice();
        QVERIFY(!t.item(QStringLiteral("Mixer")));
        // The last device goes; its manufacturer stays, empty.
        QVERIFY(t.preset(QStringLiteral("Beta"))->listMyDevices.isEmpty());
        QCOMPARE(t.item(QStringLiteral("Beta"))->childCount(), 0);
        QVERIFY(t->globalAddDeleteItem);
        QCOMPARE(t->ui->lineEditManufact->text(), QStringLiteral("Manufacturer"));

        // A manufacturer is not a device.
        t.select(QStringLiteral("Beta"));
        t->removeDevice();
        QVERIFY(t.item(QStringLiteral("Beta")));
    }

    void removeDeviceLeavesALibraryNamesakeUnderTheUsbEntry() {
        TreeWindow t;
        auto *usb = new QTreeWidgetItem(t->ui->treeWidget, QStringList{QStringLiteral("USB:Image")});
        usb->setToolTip(1, QStringLiteral("USB:parent"));
        auto *read = new QTreeWidgetItem(usb, QStringList{QStringLiteral("Mixer")});
        read->setToolTip(3, QStringLiteral("USB"));
        MyPreset usbPreset;
        usbPreset.deviceParent = QStringLiteral("USB:Image");
        MyDevice usbDevice;
        usbDevice.deviceType = QStringLiteral("Mixer");
        usbPreset.listMyDevices.append(usbDevice);
        t->listMyPresets.append(usbPreset);

        t->ui->treeWidget->setCurrentItem(read);
        Dialogs::setNextAnswer(QMessageBox::Yes);
        t->removeDevice();
        QVERIFY(t.device(QStringLiteral("Beta"), QStringLiteral("Mixer")));
        QVERIFY(t.preset(QStringLiteral("USB:Image"))->listMyDevices.isEmpty());
        // The list lookup by name alone takes the first device of that name.
        QVERIFY(t->removeDeviceFromList(QStringLiteral("Mixer")));
        QVERIFY(!t.device(QStringLiteral("Beta"), QStringLiteral("Mixer")));
        QVERIFY(!t->removeDeviceFromList(QStringLiteral("Mixer")));
    }

    void removeManufacturerRemovesItsDevices() {
        TreeWindow t;
        t.select(QStringLiteral("Acme"));
        Dialogs::setNextAnswer(QMessageBox::No);
        t->removeManufactDevice();
        QCOMPARE(t->listMyPresets.size(), 2);
        Dialogs::setNextAnswer(QMessageBox::Yes);
        t->removeManufactDevice();
        QCOMPARE(Dialogs::lastAsked().text, QStringLiteral("Are you sure to remove Acme?"));
        QCOMPARE(t->listMyPresets.size(), 1);
        QCOMPARE(t->listMyPresets[0].deviceParent, QStringLiteral("Beta"));
        QVERIFY(!t.item(QStringLiteral("Acme")) && !t.item(QStringLiteral("Projector X")) &&
                !t.item(QStringLiteral("Dimmer")));
        QVERIFY(t->globalAddDeleteItem);
        // A device is not a manufacturer.
        t.select(QStringLiteral("Mixer"));
        t->removeManufactDevice();
        QCOMPARE(t->listMyPresets.size(), 1);
        QCOMPARE(Dialogs::pendingAnswers(), 0);
        QVERIFY(!t->removeManufacturerFromList(QStringLiteral("Acme")));
    }

    // Cancel and closing.

    void cancelChangesNothingAndReenablesTheTree() {
        for (int mode = 0; mode < 4; ++mode) {
            TreeWindow t;
            t.select(QStringLiteral("Projector X"));
            const MyLibrary before = t->listMyPresets;
            void (MainWindow::*open[])() = {&MainWindow::addParent, &MainWindow::addDevice, &MainWindow::cloneDevice,
                                            &MainWindow::editDevice};
            (t.w().*open[mode])();
            QVERIFY(!t->ui->treeWidget->isEnabled());
            t->lineEditPopupManufact->setText(QStringLiteral("Zeta"));
            t->lineEditPopupType->setText(QStringLiteral("Other"));
            t.field(F::Delay_Time)->setText(QStringLiteral("77"));
            if (mode == 3)
                t->treePopup->reject(); // Escape or the window frame
            else
                t->cancelTreePopup();
            QVERIFY(!t->treePopup->isVisible());
            QVERIFY(t->ui->treeWidget->isEnabled());
            QVERIFY(!t->okTreePopupShow && !t->addParentFlag && !t->addDeviceFlag && !t->cloneDeviceFlag &&
                    !t->editDeviceFlag);
            QVERIFY(!t.ok());
            QCOMPARE(t->listMyPresets.size(), before.size());
            for (int p = 0; p < before.size(); ++p) {
                QCOMPARE(t->listMyPresets[p].deviceParent, before[p].deviceParent);
                QCOMPARE(t->listMyPresets[p].listMyDevices.size(), before[p].listMyDevices.size());
                for (int d = 0; d < before[p].listMyDevices.size(); ++d) {
                    const MyDevice &a = t->listMyPresets[p].listMyDevices[d];
                    const MyDevice &b = before[p].listMyDevices[d];
                    QCOMPARE(a.deviceType, b.deviceType);
                    QVERIFY(a.connParam == b.connParam);
                    QCOMPARE(a.listChanel, b.listChanel);
                }
            }
            QCOMPARE(t.item(QStringLiteral("Projector X"))->text(0), QStringLiteral("Projector X"));
            QVERIFY(!t.item(QStringLiteral("Zeta")) && !t.item(QStringLiteral("Other")));
            QVERIFY(!t->globalAddDeleteItem);
        }
    }

    // A popup opened over another one takes over; the first one's OK is gone.
    void openingStartsFromOneMode() {
        TreeWindow t;
        t.select(QStringLiteral("Projector X"));
        t->addDevice();
        t->editDevice();
        QVERIFY(t->editDeviceFlag && !t->addDeviceFlag);
        QVERIFY(t.accepted());
        QCOMPARE(t.preset(QStringLiteral("Acme"))->listMyDevices.size(), 2);
    }

    // Connection rows.

    void rowsShowComboOrFieldByColumn() {
        TreeWindow t;
        t.select(QStringLiteral("Projector X"));
        t->editDevice();
        for (int f = 0; f < F::FieldCount; ++f) {
            const bool comboRow = f <= F::Handshake;
            QCOMPARE(t.combo(f)->isVisible(), comboRow);
            if (!comboRow)
                QVERIFY(t.field(f)->isVisible());
            QVERIFY(t->settingLabel[f]->isVisible());
            QVERIFY(!t.combo(f)->isEditable());
            QCOMPARE(t->settingLabel[f]->x(), t.combo(f)->x() - 140);
        }
        QVERIFY(!t->lineEditPopupSpare->isVisible());
        QVERIFY(t->settingField[F::Speed] == t->lineEditPopupSpare);
        QCOMPARE(t->settingLabel[F::CMD_Prefix_HEX]->text(), QStringLiteral("CMD Prefix HEX"));
        t->cancelTreePopup();
    }

    void numberFieldsCheckTheirRanges() {
        TreeWindow t;
        t.select(QStringLiteral("Projector X"));
        t->editDevice();
        QLineEdit *delay = t.field(F::Delay_Time);
        QLineEdit *wait = t.field(F::Replay_Wait_Time);
        QLineEdit *retry = t.field(F::Retry_Count);

        Dialogs::reset();
        Dialogs::setNextAnswer(QMessageBox::Ok);
        delay->clear();
        QCOMPARE(Dialogs::lastAsked().text,
                 QStringLiteral("Is not a valid entry. Please specify a value between 1 and 10000"));
        QCOMPARE(Dialogs::lastAsked().title, QStringLiteral("Error"));
        QCOMPARE(delay->text(), QStringLiteral("1"));

        Dialogs::setNextAnswer(QMessageBox::Ok);
        wait->setText(QStringLiteral("10001"));
        QCOMPARE(wait->text(), QStringLiteral("1"));
        wait->setText(QStringLiteral("10000"));

        Dialogs::reset();
        retry->clear(); // 0 retries is fine
        QCOMPARE(Dialogs::log().size(), 0);
        Dialogs::setNextAnswer(QMessageBox::Ok);
        retry->setText(QStringLiteral("11"));
        QCOMPARE(Dialogs::lastAsked().text,
                 QStringLiteral("Is not a valid entry. Please specify a value between 0 and 10"));
        QCOMPARE(retry->text(), QStringLiteral("1"));

        // Typing rules.
        QCOMPARE(check(delay, QStringLiteral("0")), QValidator::Invalid);
        QCOMPARE(check(wait, QStringLiteral("05")), QValidator::Invalid);
        QCOMPARE(check(delay, QStringLiteral("100")), QValidator::Intermediate);
        QCOMPARE(check(delay, QStringLiteral("99999")), QValidator::Acceptable);
        QCOMPARE(check(delay, QStringLiteral("123456")), QValidator::Invalid);
        QCOMPARE(check(retry, QStringLiteral("10")), QValidator::Acceptable);
        QCOMPARE(check(retry, QStringLiteral("11")), QValidator::Invalid);
        QCOMPARE(check(retry, QStringLiteral("100")), QValidator::Invalid);
        for (int f : {F::CMD_Prefix_HEX, F::Normal_Replay_HEX, F::Error_Replay_HEX}) {
            QCOMPARE(check(t.field(f), QStringLiteral("0aF9")), QValidator::Intermediate);
            QCOMPARE(check(t.field(f), QStringLiteral("0G")), QValidator::Invalid);
            QCOMPARE(check(t.field(f), QString(60, QLatin1Char('A'))), QValidator::Acceptable);
            QCOMPARE(check(t.field(f), QString(61, QLatin1Char('A'))), QValidator::Invalid);
        }
        QCOMPARE(t.field(F::Normal_Replay)->maxLength(), 5);
        QCOMPARE(t.field(F::Error_Replay)->maxLength(), 5);
        t->cancelTreePopup();
    }

    // Filling the popup is not typing: no range message for an empty stored value.
    void openingWithEmptyNumbersAsksNothing() {
        TreeWindow t;
        t.select(QStringLiteral("Projector X"));
        t->editDevice();
        t->cancelTreePopup();
        t.select(QStringLiteral("Acme")); // nothing to show: the wait field is emptied
        t->addDevice();
        QCOMPARE(Dialogs::log().size(), 0);
        QCOMPARE(t.field(F::Replay_Wait_Time)->text(), QStringLiteral("500"));
        t->cancelTreePopup();
    }

    void asciiHexPairsEmptyTheFieldTheyDisable() {
        TreeWindow t;
        t.select(QStringLiteral("Projector X"));
        t->editDevice();
        QLineEdit *ascii = t.field(F::Normal_Replay);
        QLineEdit *hex = t.field(F::Normal_Replay_HEX);
        QCOMPARE(ascii->text(), QStringLiteral("OK"));
        QVERIFY(!hex->isEnabled());
        hex->setEnabled(true); // as if typed before the rule ran
        hex->setText(QStringLiteral("4F"));
        QVERIFY(ascii->text().isEmpty() && !ascii->isEnabled());
        QVERIFY(t.accepted());
        MyDevice *d = t.device(QStringLiteral("Acme"), QStringLiteral("Projector X"));
        QCOMPARE(d->connParam[F::Normal_Replay], QString());
        QCOMPARE(d->connParam[F::Normal_Replay_HEX], QStringLiteral("4F"));
    }

    void listEditingReplacesTheChoiceListsThatExitWrites() {
        TreeWindow t;
        t.select(QStringLiteral("Acme"));
        t->addDevice();
        QVERIFY(t->btnPopupOk->isEnabled());
        t->checkBoxPopupLists->setChecked(true);
        QVERIFY(!t->btnPopupOk->isEnabled());
        QVERIFY(t.combo(F::Speed)->isEditable() && t.combo(F::Speed)->isEnabled());
        t.combo(F::Speed)->addItem(QStringLiteral("250000"));
        t.combo(F::Parity)->removeItem(1);
        QCOMPARE(t->Speed_List.size(), 3); // not while editing
        t->checkBoxPopupLists->setChecked(false);
        QVERIFY(t->btnPopupOk->isEnabled() && !t.combo(F::Speed)->isEditable());
        QCOMPARE(t->Speed_List, (QStringList{"2400", "9600", "19200", "250000"}));
        QCOMPARE(t->Parity_List, (QStringList{"None", "Even"}));
        t->cancelTreePopup();

        t->exitProject();
        QFile config(t.path(QStringLiteral("config.ini")));
        QVERIFY(config.open(QIODevice::ReadOnly));
        const QByteArray text = config.readAll();
        QVERIFY(text.contains("\nSpeed=2400,9600,19200,250000\n"));
        QVERIFY(text.contains("\nParity=None,Even\n"));
        QVERIFY(text.contains("\nDelay_Time=100\n"));
    }

    // Return in the read-only info field keeps the device as it is and marks it.
    void returnInTheInfoFieldMarksTheDeviceOnly() {
        TreeWindow t;
        QTreeWidgetItem *item = t.select(QStringLiteral("Projector X"));
        MyDevice before = *t.device(QStringLiteral("Acme"), QStringLiteral("Projector X"));
        t->on_lineEditManufact_returnPressed();
        MyDevice *d = t.device(QStringLiteral("Acme"), QStringLiteral("Projector X"));
        QVERIFY(d && d->isChanges);
        QCOMPARE(d->deviceDesc, before.deviceDesc);
        QCOMPARE(d->deviceTime, before.deviceTime);
        QVERIFY(d->connParam == before.connParam);
        QCOMPARE(d->listChanel, before.listChanel);
        QCOMPARE(item->whatsThis(0), QStringLiteral("changed"));
        QVERIFY(t->ui->lineEditManufact->isReadOnly());
    }

    // Pictures of the four modes, for a person to look at.
    void popupModesForScreenshots() {
        const QByteArray folder = qgetenv("VORNE_SCREENSHOT_DIR");
        TreeWindow t;
        t.select(QStringLiteral("Projector X"));
        const struct {
            void (MainWindow::*open)();
            const char *file;
        } modes[] = {{&MainWindow::addParent, "add_manufacturer.png"},
                     {&MainWindow::addDevice, "add_device.png"},
                     {&MainWindow::cloneDevice, "clone_device.png"},
                     {&MainWindow::editDevice, "edit_device.png"}};
        for (const auto &mode : modes) {
            (t.w().*mode.open)();
            // The buttons stay clear of every row.
            for (QWidget *w : t->treePopup->findChildren<QWidget *>())
                if (w->isVisible() && w != t->btnPopupOk && w != t->btnPopupCancel && w->parentWidget() == t->treePopup)
                    QVERIFY2(!w->geometry().intersects(t->btnPopupOk->geometry()), qPrintable(w->objectName()));
            if (!folder.isEmpty())
                QVERIFY(
                    t->treePopup->grab().save(QDir(QString::fromLocal8Bit(folder)).filePath(QLatin1String(mode.file))));
            t->cancelTreePopup();
        }
    }
};

QTEST_MAIN(TestTreePopup)
#include "tst_treepopup.moc"
