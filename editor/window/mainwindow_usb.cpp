// The USB entry of the tree: the device read back from an image.
#include "mainwindow.h"

#include "ui_mainwindow.h"

void MainWindow::cloneUsbDevice() {}

void MainWindow::editUsbDevice() {}

void MainWindow::removeUsbDevice() {}

void MainWindow::removeUsbParent() {}

void MainWindow::okTreePopupCloneUsb() {}

void MainWindow::okTreePopupEditUsb() {}

bool MainWindow::checkUSBDevices() { return false; }
