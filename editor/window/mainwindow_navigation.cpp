// Tree navigation: showing the selected manufacturer or device.
#include "mainwindow.h"

#include "ui_mainwindow.h"

void MainWindow::getPositionTree(QTreeWidgetItem *, int) {}

void MainWindow::loadSetup(int, int) {}

void MainWindow::on_treeWidget_doubleClicked(QModelIndex) {}

void MainWindow::fillComboBoxWithParents(QComboBox *) {}

void MainWindow::SetDefaultSettings() {}

void MainWindow::checkConnChanged(MyConnParam *) {}

void MainWindow::checkConnSaved(MyConnParam *) {}
