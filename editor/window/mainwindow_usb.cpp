// The USB entry of the tree: the device read back from an image.
#include "mainwindow.h"

#include "ui_mainwindow.h"

#include <QTreeWidgetItemIterator>

void MainWindow::cloneUsbDevice() {}

void MainWindow::editUsbDevice() {}

void MainWindow::removeUsbDevice() {}

void MainWindow::removeUsbParent() {}

void MainWindow::okTreePopupCloneUsb() {}

void MainWindow::okTreePopupEditUsb() {}

bool MainWindow::checkUSBDevices() {
    for (QTreeWidgetItemIterator it(ui->treeWidget); *it; ++it)
        if ((*it)->toolTip(1) == QLatin1String("USB:parent"))
            return true;
    return false;
}
