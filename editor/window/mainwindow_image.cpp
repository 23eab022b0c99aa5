// Hex conversions of the input fields and the image actions of the
// VORNE HW menu: write, read back and send a device configuration image.
#include "mainwindow.h"

#include "ui_mainwindow.h"

int MainWindow::getIntFromHex(QString) { return 0; }

QString MainWindow::getIntStrFromHex(QString) { return {}; }

QString MainWindow::getStrHexFromStr(QString) { return {}; }

char MainWindow::getHEX(char *) { return 0; }

void MainWindow::on_textChangedAsciiHex() {}

void MainWindow::on_ReplyTextChangedAsciiHex() {}

void MainWindow::on_ErrReplyTextChangedAsciiHex() {}

void MainWindow::on_PrefixTextChangedAsciiHex() {}

void MainWindow::saveVorne() {}

void MainWindow::fillCmd(MyChanelUSB *, QString) {}

void MainWindow::fillAsciiHex(char *, int, unsigned char *, QString, QString) {}

void MainWindow::readVorne() {}

void MainWindow::sendVorne() {}

void MainWindow::on_data_available() {}

void MainWindow::on_finish(int) {}
