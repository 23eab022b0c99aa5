// The USB entry of the tree: the device read back from an image. It can be
// edited, copied into a manufacturer of the library (how a configuration read
// from a converter joins the project) and removed. The entry itself is never
// saved with the project.
#include "mainwindow.h"

#include "filerules.h"
#include "library.h"
#include "treemarkers.h"
#include "ui_mainwindow.h"
#include "usbedit.h"

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
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

// The settings as the popup's boxes hold them; okTreePopup has already put
// the typed free texts into their boxes.
MyConnParam popupSettings(const MainWindow &w) {
    MyConnParam conn;
    for (int field = 0; field < MyConnParam::FieldCount; ++field)
        conn[field] = w.settingCombo[field]->currentText();
    return conn;
}

// The first text of the device-to-be that the project file would not give
// back, as the message to show; empty when all are kept.
QString entryMessage(const QString &name, const QString &desc, const QString &time, const MyConnParam &conn) {
    const struct {
        const char *label;
        ProjectText kind;
        const QString &text;
    } texts[] = {
        {"Device Type", ProjectText::DeviceName, name},
        {"Device Description", ProjectText::DeviceDescription, desc},
        {"Created Date", ProjectText::DeviceTime, time},
    };
    for (const auto &t : texts) {
        const QString problem = projectTextProblem(t.kind, t.text);
        if (!problem.isEmpty())
            return keepMessage(QLatin1String(t.label), problem);
    }
    for (MyConnParam::Field field : kUsbEditFields) {
        const QString problem = connTextProblem(field, conn[field]);
        if (!problem.isEmpty())
            return keepMessage(QString::number(field), problem);
    }
    return QString();
}

// The tree and the library are out of step for the device under edit: there
// is nothing the popup could change.
void closeUsbPopup(MainWindow &w, QTreeWidgetItem *item) {
    w.cancelTreePopup();
    if (item)
        item->setToolTip(0, QString());
}

} // namespace

void MainWindow::removeUsbParent() {
    QTreeWidgetItem *item = ui->treeWidget->currentItem();
    if (!isUsbManufacturer(item))
        return;
    if (questionRemoveMessage(QStringLiteral("Remove"), QStringLiteral("Are you sure to remove ") + item->text(0) +
                                                            QStringLiteral("?")) != QMessageBox::Yes)
        return;
    if (!removeManufacturerFromList(item->text(0)))
        return;
    qDeleteAll(item->takeChildren());
    delete item;
    SetDefaultSettings();
}

// The entry stays without a device and still blocks reading another image.
void MainWindow::removeUsbDevice() {
    QTreeWidgetItem *item = ui->treeWidget->currentItem();
    if (!isUsbDevice(item))
        return;
    if (questionRemoveMessage(QStringLiteral("Remove"), QStringLiteral("Are you sure to remove ") + item->text(0) +
                                                            QStringLiteral("?")) != QMessageBox::Yes)
        return;
    const QString name = item->text(0);
    const QString manufacturer = item->parent()->text(0);
    delete item;
    // Removed from the USB entry only: the library usually holds a device of
    // the same name (the one the image was written from).
    const int preset = findPreset(listMyPresets, manufacturer);
    const int device = findDevice(listMyPresets, preset, name);
    if (device >= 0)
        listMyPresets[preset].listMyDevices.removeAt(device);
    SetDefaultSettings();
}

void MainWindow::editUsbDevice() {
    QTreeWidgetItem *item = ui->treeWidget->currentItem();
    if (!isUsbDevice(item))
        return;
    setPopupTreeUp();
    upWindowPopup();
    treePopup->setWindowTitle(tr("Edit Device"));
    labelPopupManufact->setText(tr("Device Manufacturer "));
    labelPopupType->setText(tr("Device Type "));
    labelPopupDesc->setText(tr("Device Description "));
    lineEditPopupManufact->setText(item->parent()->text(0));
    lineEditPopupManufact->setEnabled(false);
    lineEditPopupManufact->show();
    comboBoxPopupManufact->hide();
    lineEditPopupType->setText(item->text(0));
    lineEditPopupDesc->setText(item->toolTip(1));
    item->setToolTip(0, item->text(0));
    okTreePopupShow = true;
    editUsbFlag = true;
    changeStateOKThree(false);
    treePopup->show();
    lineEditPopupType->setFocus();
}

void MainWindow::cloneUsbDevice() {
    QTreeWidgetItem *item = ui->treeWidget->currentItem();
    if (!isUsbDevice(item))
        return;
    setPopupTreeUp();
    upWindowPopup();
    treePopup->setWindowTitle(tr("Clone Device"));
    labelPopupManufact->setText(tr("Device Manufacturer "));
    labelPopupType->setText(tr("Device Type "));
    labelPopupDesc->setText(tr("Device Description "));
    lineEditPopupManufact->hide();
    comboBoxPopupManufact->show();
    lineEditPopupType->setText(item->text(0));
    lineEditPopupDesc->setText(item->toolTip(1));
    item->setToolTip(0, item->text(0));
    okTreePopupShow = true;
    cloneUsbFlag = true;
    changeStateOKThree(false);
    treePopup->show();
    lineEditPopupType->setFocus();
}

void MainWindow::okTreePopupEditUsb() {
    QTreeWidgetItem *item = usbItemUnderEdit(ui->treeWidget);
    const int preset = item ? findPreset(listMyPresets, item->parent()->text(0)) : -1;
    const int index = findDevice(listMyPresets, preset, item ? item->toolTip(0) : QString());
    if (index < 0) {
        closeUsbPopup(*this, item);
        return;
    }
    MyDevice &device = listMyPresets[preset].listMyDevices[index];
    const QString name = lineEditPopupType->text();
    const QString desc = lineEditPopupDesc->text();
    const QString time = labelPopupDate->text();
    // What would be stored: the prefix and HEX texts stay as they are.
    MyConnParam conn = popupSettings(*this);
    for (int field = 0; field < MyConnParam::FieldCount; ++field)
        if (!isTakenField(field))
            conn[field] = device.connParam[field];
    const QString problem = entryMessage(name, desc, time, conn);
    if (!problem.isEmpty()) {
        criticalMessage(problem);
        okTreePopupShow = true;
        return;
    }

    item->setText(0, name);
    item->setToolTip(1, desc);
    item->setToolTip(2, time);
    if (applyUsbEdit(&device, name, desc, time, conn)) {
        item->setWhatsThis(0, kStatusChanged);
        item->parent()->setWhatsThis(0, kStatusChanged);
    }
    ui->treeWidget->setCurrentItem(item);
    getPositionTree(item, 0);
    treePopup->hide();
    editUsbFlag = false;
    ui->treeWidget->setFocus();
    item->setToolTip(0, QString());
}

void MainWindow::okTreePopupCloneUsb() {
    QTreeWidgetItem *usbItem = usbItemUnderEdit(ui->treeWidget);
    const int sourcePreset = usbItem ? findPreset(listMyPresets, usbItem->parent()->text(0)) : -1;
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
    const QString name = lineEditPopupType->text();
    const QString desc = lineEditPopupDesc->text();
    const QString time = labelPopupDate->text();
    const MyConnParam conn = popupSettings(*this);
    MyConnParam stored;
    for (MyConnParam::Field field : kUsbEditFields)
        stored[field] = conn[field];
    const QString problem = entryMessage(name, desc, time, stored);
    const QString targetName = comboBoxPopupManufact->currentText();
    const int target = findPreset(listMyPresets, targetName);
    QTreeWidgetItem *targetItem = manufacturerItem(ui->treeWidget, targetName);
    if (!problem.isEmpty() || target < 0 || !targetItem) {
        criticalMessage(problem.isEmpty() ? kNoTarget : problem);
        okTreePopupShow = true;
        return;
    }

    auto *item = new QTreeWidgetItem();
    item->setText(0, name);
    targetItem->addChild(item);
    ui->treeWidget->clearSelection();
    item->setSelected(true);
    ui->treeWidget->setCurrentItem(item);
    item->setToolTip(1, desc);
    item->setToolTip(2, time);
    ui->treeWidget->setEnabled(true);

    listMyPresets[target].listMyDevices.append(
        makeUsbClone(listMyPresets[sourcePreset].listMyDevices[source], name, desc, time, conn));

    item->setIcon(0, QIcon(sDeviceIcon));
    targetItem->setIcon(0, QIcon(sManufactIcon));
    item->setWhatsThis(0, kStatusChanged);
    targetItem->setWhatsThis(0, kStatusChanged);
    getPositionTree(item, 0);
    treePopup->hide();
    cloneUsbFlag = false;
    ui->treeWidget->setFocus();
    item->setToolTip(0, QString());
    usbItem->setToolTip(0, QString());
}

bool MainWindow::checkUSBDevices() {
    for (QTreeWidgetItemIterator it(ui->treeWidget); *it; ++it)
        if ((*it)->toolTip(1) == kUsbParentMarker)
            return true;
    return false;
}
