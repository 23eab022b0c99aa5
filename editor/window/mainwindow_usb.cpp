// The USB entry of the tree: the device read back from an image. It can be
// edited, copied into a manufacturer of the library (how a configuration read
// from a converter joins the project) and removed. The entry itself is never
// saved with the project.
#include "mainwindow.h"

#include "deviceedit.h"
#include "entryrules.h"
#include "library.h"
#include "treemarkers.h"
#include "ui_mainwindow.h"
#include "usbedit.h"

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTreeWidgetItemIterator>

namespace {

const QString kDuplicateDevice =
    QStringLiteral("Please change the name of \"Device Type\", twice in the tree is not allowed!");
const QString kNoTarget = QStringLiteral("There is no manufacturer to clone the device into. Please add one first.");

bool isTakenField(int field) {
    for (MyConnParam::Field taken : kUsbEditFields)
        if (taken == field)
            return true;
    return false;
}

bool isUsbManufacturer(const QTreeWidgetItem *item) {
    return item && !item->parent() && item->toolTip(1) == kUsbParentMarker;
}

bool isUsbDevice(const QTreeWidgetItem *item) { return item && isUsbManufacturer(item->parent()); }

// The USB device the open popup works on: it carries its name in its column-0
// tool tip. Found by that mark rather than as the current item, because a
// refused OK gives the tree back to the user while the popup stays open.
QTreeWidgetItem *usbItemUnderEdit(QTreeWidget *tree) {
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if (isUsbDevice(*it) && !(*it)->toolTip(0).isEmpty())
            return *it;
    return nullptr;
}

QTreeWidgetItem *manufacturerItem(QTreeWidget *tree, const QString &name) {
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem *top = tree->topLevelItem(i);
        if (top->text(0) == name && top->toolTip(1) == kParentMarker)
            return top;
    }
    return nullptr;
}

// What the device would hold after OK: the ten settings as the popup's boxes
// hold them (okTreePopup has put the typed texts into their boxes), the
// others from `kept`. A stored value that is not in its choice list shows as
// an empty box; it is kept rather than wiped.
DeviceEntry popupEntry(const MainWindow &w, const MyConnParam &kept) {
    DeviceEntry entry;
    entry.name = w.lineEditPopupType->text();
    entry.description = w.lineEditPopupDesc->text().trimmed();
    entry.time = w.labelPopupDate->text();
    entry.conn = kept;
    entry.conn.flags = 0;
    for (MyConnParam::Field field : kUsbEditFields) {
        const QComboBox *combo = w.settingCombo[field];
        if (combo->currentIndex() >= 0)
            entry.conn[field] = combo->currentText();
    }
    return entry;
}

// Shows the device's own settings: the window may be showing another device
// (a right click makes an item current without showing it).
void loadUsbSettings(MainWindow &w, int preset, int device) {
    // A HEX text left from the last opening would empty the ASCII text set next.
    for (QLineEdit *field : w.settingField) {
        const QSignalBlocker blocker(field);
        field->clear();
    }
    w.loadSetup(preset, device);
}

// The tree and the library are out of step for the device under edit: there
// is nothing the popup could change.
void closeUsbPopup(MainWindow &w, QTreeWidgetItem *item) {
    w.cancelTreePopup();
    if (item)
        item->setToolTip(0, QString());
}

// Edit and clone open the popup alike; only the manufacturer row differs.
// False when the current item is not the USB device.
bool openUsbPopup(MainWindow &w, const QString &title) {
    QTreeWidgetItem *item = w.ui->treeWidget->currentItem();
    if (!isUsbDevice(item))
        return false;
    const int preset = findUsbPreset(w.listMyPresets, item->parent()->text(0));
    const int device = findDevice(w.listMyPresets, preset, item->text(0));
    if (device < 0)
        return false;
    w.cloneUsbFlag = w.editUsbFlag = w.addParentFlag = w.addDeviceFlag = w.cloneDeviceFlag = w.editDeviceFlag = false;
    w.setPopupTreeHidden();
    w.setPopupTreeUp();
    w.upWindowPopup();
    loadUsbSettings(w, preset, device);
    // Only what the popup takes is offered: a HEX reply typed here would
    // empty its ASCII twin and be dropped itself.
    for (int field = 0; field < MyConnParam::FieldCount; ++field) {
        if (isTakenField(field))
            continue;
        w.settingLabel[field]->hide();
        w.settingCombo[field]->hide();
        w.settingField[field]->hide();
    }
    w.treePopup->setWindowTitle(title);
    w.labelPopupManufact->setText(QStringLiteral("Device Manufacturer "));
    w.labelPopupType->setText(QStringLiteral("Device Type "));
    w.labelPopupDesc->setText(QStringLiteral("Device Description "));
    w.lineEditPopupType->setText(item->text(0));
    w.lineEditPopupDesc->setText(item->toolTip(1));
    item->setToolTip(0, item->text(0));
    w.okTreePopupShow = true;
    return true;
}

} // namespace

void MainWindow::removeUsbParent() {
    QTreeWidgetItem *item = ui->treeWidget->currentItem();
    if (!isUsbManufacturer(item))
        return;
    if (questionRemoveMessage(QStringLiteral("Remove"), QStringLiteral("Are you sure to remove ") + item->text(0) +
                                                            QStringLiteral("?")) != QMessageBox::Yes)
        return;
    const int preset = findUsbPreset(listMyPresets, item->text(0));
    if (preset < 0)
        return;
    const EditorState before = editorState();
    const QString name = item->text(0);
    listMyPresets.removeAt(preset);
    qDeleteAll(item->takeChildren());
    delete item;
    SetDefaultSettings();
    recordStep(tr("Remove %1").arg(name), before, false);
}

// The entry stays without a device and still blocks reading another image.
void MainWindow::removeUsbDevice() {
    QTreeWidgetItem *item = ui->treeWidget->currentItem();
    if (!isUsbDevice(item))
        return;
    if (questionRemoveMessage(QStringLiteral("Remove"), QStringLiteral("Are you sure to remove ") + item->text(0) +
                                                            QStringLiteral("?")) != QMessageBox::Yes)
        return;
    const int preset = findUsbPreset(listMyPresets, item->parent()->text(0));
    const int device = findDevice(listMyPresets, preset, item->text(0));
    const EditorState before = editorState();
    const QString name = item->text(0);
    delete item;
    // From the USB entry only: the library usually holds a device of the same
    // name, the one the image was written from.
    if (device >= 0)
        listMyPresets[preset].listMyDevices.removeAt(device);
    SetDefaultSettings();
    recordStep(tr("Remove USB device %1").arg(name), before, false);
}

void MainWindow::editUsbDevice() {
    if (!openUsbPopup(*this, tr("Edit Device")))
        return;
    // The device stays in the USB entry.
    lineEditPopupManufact->setText(ui->treeWidget->currentItem()->parent()->text(0));
    lineEditPopupManufact->setEnabled(false);
    lineEditPopupManufact->show();
    comboBoxPopupManufact->hide();
    editUsbFlag = true;
    changeStateOKThree(false);
    treePopup->show();
    lineEditPopupType->setFocus();
}

void MainWindow::cloneUsbDevice() {
    if (!openUsbPopup(*this, tr("Clone Device")))
        return;
    lineEditPopupManufact->hide();
    comboBoxPopupManufact->show();
    cloneUsbFlag = true;
    changeStateOKThree(false);
    treePopup->show();
    lineEditPopupType->setFocus();
}

void MainWindow::okTreePopupEditUsb() {
    // First: the state shares the records, so the device is taken after it.
    const EditorState before = editorState();
    QTreeWidgetItem *item = usbItemUnderEdit(ui->treeWidget);
    const int preset = item ? findUsbPreset(listMyPresets, item->parent()->text(0)) : -1;
    const int index = findDevice(listMyPresets, preset, item ? item->toolTip(0) : QString());
    if (index < 0) {
        closeUsbPopup(*this, item);
        return;
    }
    MyDevice &device = listMyPresets[preset].listMyDevices[index];
    // The prefix and HEX texts stay as they are.
    const DeviceEntry entry = popupEntry(*this, device.connParam);
    if (const QString message = deviceEntryMessage(entry); !message.isEmpty()) {
        criticalMessage(message);
        okTreePopupShow = true;
        return;
    }

    item->setText(0, entry.name);
    item->setToolTip(1, entry.description);
    item->setToolTip(2, entry.time);
    if (applyUsbEdit(&device, entry.name, entry.description, entry.time, entry.conn)) {
        item->setWhatsThis(0, kStatusChanged);
        item->parent()->setWhatsThis(0, kStatusChanged);
    }
    ui->treeWidget->setCurrentItem(item);
    getPositionTree(item, 0);
    treePopup->hide();
    editUsbFlag = false;
    ui->treeWidget->setFocus();
    item->setToolTip(0, QString());
    recordStep(tr("Edit USB device %1").arg(entry.name), before, false);
}

void MainWindow::okTreePopupCloneUsb() {
    QTreeWidgetItem *usbItem = usbItemUnderEdit(ui->treeWidget);
    const int sourcePreset = usbItem ? findUsbPreset(listMyPresets, usbItem->parent()->text(0)) : -1;
    const int source = findDevice(listMyPresets, sourcePreset, usbItem ? usbItem->text(0) : QString());
    if (source < 0) {
        closeUsbPopup(*this, usbItem);
        return;
    }
    if (checkDoubleDevices()) {
        criticalMessage(kDuplicateDevice);
        okTreePopupShow = true;
        return;
    }
    const MyDevice &usb = listMyPresets[sourcePreset].listMyDevices[source];
    // The copy's prefix and HEX texts are empty.
    MyConnParam kept;
    for (MyConnParam::Field field : kUsbEditFields)
        kept[field] = usb.connParam[field];
    const DeviceEntry entry = popupEntry(*this, kept);
    const QString targetName = comboBoxPopupManufact->currentText();
    const int target = findPreset(listMyPresets, targetName);
    QTreeWidgetItem *targetItem = manufacturerItem(ui->treeWidget, targetName);
    QString message = deviceEntryMessage(entry);
    if (message.isEmpty() && (target < 0 || !targetItem))
        message = kNoTarget;
    if (!message.isEmpty()) {
        criticalMessage(message);
        okTreePopupShow = true;
        return;
    }

    const EditorState before = editorState();
    auto *item = new QTreeWidgetItem();
    item->setText(0, entry.name);
    targetItem->addChild(item);
    ui->treeWidget->clearSelection();
    item->setSelected(true);
    ui->treeWidget->setCurrentItem(item);
    item->setToolTip(1, entry.description);
    item->setToolTip(2, entry.time);
    ui->treeWidget->setEnabled(true);

    const MyDevice copy = makeUsbClone(usb, entry.name, entry.description, entry.time, entry.conn);
    listMyPresets[target].listMyDevices.append(copy);

    item->setIcon(0, QIcon(sDeviceIcon));
    targetItem->setIcon(0, QIcon(sManufactIcon));
    item->setWhatsThis(0, kStatusChanged);
    targetItem->setWhatsThis(0, kStatusChanged);
    // The file lacks the copy until the next save, whatever edits follow.
    globalAddDeleteItem = true;
    getPositionTree(item, 0);
    treePopup->hide();
    cloneUsbFlag = false;
    ui->treeWidget->setFocus();
    item->setToolTip(0, QString());
    usbItem->setToolTip(0, QString());
    recordStep(tr("Clone USB device %1").arg(entry.name), before);
}

bool MainWindow::checkUSBDevices() {
    for (QTreeWidgetItemIterator it(ui->treeWidget); *it; ++it)
        if ((*it)->toolTip(1) == kUsbParentMarker)
            return true;
    return false;
}
