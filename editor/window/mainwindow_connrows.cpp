// Connection-settings rows of the tree popup and the change flags of a
// device's settings (the flag arithmetic itself lives in the model).
#include "mainwindow.h"

#include "connflags.h"
#include "ui_mainwindow.h"

void MainWindow::setActiveLineEdit6(const QString &) {}

void MainWindow::setActiveLineEdit9(const QString &) {}

void MainWindow::setActiveLineEdit10(const QString &) {}

void MainWindow::changeStateOKThree(bool) {}

void MainWindow::setComboxEnable(bool) {}

QStringList MainWindow::getNewStringsFromComboBox(QComboBox *) { return {}; }

void MainWindow::setCurrentIndexInComboBox(QComboBox *, QString) {}

void MainWindow::setStrListInComboBox(QLabel *, QComboBox *, QLineEdit *, QRect, QStringList, int) {}

bool MainWindow::compareTwoStrings(QString a, QString b, int flag) { return ::compareTwoStrings(a, b, flag); }

bool MainWindow::setConnChanged(MyConnParam *current, MyConnParam *reference) {
    return ::setConnChanged(current, reference);
}

bool MainWindow::setConnSaved(MyConnParam *current, MyConnParam *reference) {
    return ::setConnSaved(current, reference);
}

void MainWindow::setConnSaved2(MyConnParam *p) { ::setConnSaved2(p); }
