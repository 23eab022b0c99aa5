// Project file, settings file and the File menu commands.
#include "mainwindow.h"

#include "ui_mainwindow.h"

void MainWindow::readAllDataFromFile() {}

void MainWindow::readDataFromFile(int, int, QString, QString) {}

void MainWindow::saveDataToFile(QString, QString) {}

void MainWindow::readDevicesFromFile(QString) {}

void MainWindow::saveDevicesToFile(QString) {}

void MainWindow::saveConfigToFile() {}

void MainWindow::readConfigFromFile() {}

void MainWindow::newProject() {}

void MainWindow::openProject() {}

int MainWindow::saveProject(QString, QString, bool) { return QMessageBox::No; }

int MainWindow::saveProject() { return QMessageBox::No; }

void MainWindow::saveAsProject() {}

void MainWindow::exitProject() {}

void MainWindow::clearItemsProject() {}
