// Hex conversions of the input fields and the image actions of the
// VORNE HW menu: write, read back and send a device configuration image.
// The work is done by the image library; these slots only ask, call and show.
#include "mainwindow.h"

#include "asciihexpair.h"
#include "bridgelist.h"
#include "dialogs.h"
#include "hexconv.h"
#include "imagefields.h"
#include "imagereader.h"
#include "imagewriter.h"
#include "library.h"
#include "treemarkers.h"
#include "ui_mainwindow.h"
#include "usbentry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStatusBar>
#include <QTimer>
#include <QTreeWidgetItem>

namespace {

const QString kUploader = uploaderProgram();

QString missingFileMessage(const QFileInfo &info) {
    return QStringLiteral("File ") + info.absoluteFilePath() + QStringLiteral(" doesn't exist!");
}

} // namespace

int MainWindow::getIntFromHex(QString s) { return ::getIntFromHex(s); }

QString MainWindow::getIntStrFromHex(QString s) { return ::getIntStrFromHex(s); }

QString MainWindow::getStrHexFromStr(QString s) { return ::getStrHexFromStr(s, ui->radioButtonInt->isChecked()); }

char MainWindow::getHEX(char *s) { return ::getHEX(s); }

void MainWindow::on_textChangedAsciiHex() { applyAsciiHexRule(lineEditRowAscii, lineEditRowHex, false); }

void MainWindow::on_ReplyTextChangedAsciiHex() {
    applyAsciiHexRule(settingField[MyConnParam::Normal_Replay], settingField[MyConnParam::Normal_Replay_HEX], true);
}

void MainWindow::on_ErrReplyTextChangedAsciiHex() {
    applyAsciiHexRule(settingField[MyConnParam::Error_Replay], settingField[MyConnParam::Error_Replay_HEX], true);
}

void MainWindow::on_PrefixTextChangedAsciiHex() {
    applyAsciiHexRule(settingField[MyConnParam::CMD_Prefix], settingField[MyConnParam::CMD_Prefix_HEX], true);
}

void MainWindow::saveVorne() {
    QTreeWidgetItem *item = ui->treeWidget->currentItem();
    if (!item)
        return;
    if (!item->parent()) {
        informMessage(QStringLiteral("You must have selected device in the tree!"));
        return;
    }
    const QString fileName = Dialogs::getSaveFileName(
        this, tr("Save Binary File"), sDefaultPath + QDir::separator() + item->text(0) + QStringLiteral(".bin"),
        tr("Binary Files (*.bin)"), QFileDialog::DontUseNativeDialog);
    if (fileName.isEmpty())
        return;
    const int preset = findPreset(listMyPresets, item->parent()->text(0));
    const int device = findDevice(listMyPresets, preset, item->text(0));
    if (device < 0)
        return; // the tree shows a device the library does not hold: nothing to write
    QString error;
    if (!saveImageFile(fileName, listMyPresets[preset].deviceParent, listMyPresets[preset].listMyDevices[device],
                       &error))
        criticalMessage(error);
}

void MainWindow::fillCmd(MyChanelUSB *ch, QString s) { ::fillCmd(ch, s); }

void MainWindow::fillAsciiHex(char *target, int t_len, unsigned char *t_wr, QString ascii, QString hex) {
    ::fillAsciiHex(target, t_len, t_wr, ascii, hex);
}

void MainWindow::readVorne() {
    if (checkUSBDevices()) {
        criticalMessage(tr("Just one USB device is allowed!"));
        return;
    }
    const QString fileName = Dialogs::getOpenFileName(this, tr("Open File from USB"), sDefaultPath,
                                                      tr("Binary Files (*.bin)"), QFileDialog::DontUseNativeDialog);
    if (fileName.isEmpty())
        return;

    ui->tableWidget->clearContents();
    for (int row = ui->tableWidget->rowCount() - 1; row >= 0; --row)
        ui->tableWidget->removeRow(row);

    const QFileInfo info(fileName);
    if (!info.exists()) {
        criticalMessage(missingFileMessage(info));
        return;
    }
    // The whole image is decoded before the tree changes, so a short or
    // truncated file adds nothing.
    QFile file(fileName);
    DecodedImage img;
    QString error;
    bool loaded = false;
    if (!file.open(QIODevice::ReadOnly))
        error = file.errorString();
    else
        loaded = readImage(&file, &img, &error);
    if (!loaded) {
        criticalMessage(QStringLiteral("File ") + info.absoluteFilePath() + QStringLiteral(" cannot be read: ") +
                        error);
        return;
    }
    const MyPreset usb = usbEntryFromImage(img);
    const MyDevice &device = usb.listMyDevices.first();
    const EditorState before = editorState();

    auto *top = new QTreeWidgetItem();
    top->setText(0, usb.deviceParent);
    top->setToolTip(1, kUsbParentMarker);
    ui->treeWidget->addTopLevelItem(top);
    top->setSelected(true);
    ui->treeWidget->setCurrentItem(top);
    top->setIcon(0, QIcon(sUsbIcon));

    QTreeWidgetItem *current = ui->treeWidget->currentItem();
    auto *item = new QTreeWidgetItem(current->toolTip(1) == kUsbParentMarker ? current : current->parent());
    item->setText(0, device.deviceType);
    item->setSelected(true);
    ui->treeWidget->setCurrentItem(item);
    item->setToolTip(3, kUsbDeviceMarker);
    item->setToolTip(1, device.deviceDesc);
    item->setToolTip(2, device.deviceTime);
    ui->treeWidget->setEnabled(true);
    item->setIcon(0, QIcon(sUsbDeviceIcon));

    listMyPresets.append(usb);
    getPositionTree(ui->treeWidget->currentItem(), 0);
    recordStep(tr("Read Vorne file %1").arg(info.fileName()), before, false);
}

void MainWindow::sendVorne() {
    if (bridgeListing)
        return; // its answer starts the send already asked for
    const QString fileName =
        Dialogs::getOpenFileName(this, tr("Select File"), sDefaultPath,
                                 tr("Binary Files (*.bin);;Firmware files (*.fw)"), QFileDialog::DontUseNativeDialog);
    if (fileName.isEmpty())
        return;
    const QFileInfo info(fileName);
    if (!info.exists()) {
        criticalMessage(missingFileMessage(info));
        return;
    }
    const QString path = info.absoluteFilePath();
    // A child, so closing the window ends it; queued, so an end reported while
    // the window is being destroyed reaches nothing.
    auto *listing = new QProcess(this);
    bridgeListing = listing;
    listing->setStandardErrorFile(QProcess::nullDevice());
    auto done = [this, listing, path](const QByteArray &listed) {
        if (bridgeListing != listing)
            return;
        bridgeListing = nullptr;
        listing->deleteLater();
        statusBar()->clearMessage();
        sendToChosenConverter(listed, path);
    };
    connect(
        listing, &QProcess::finished, this,
        [listing, done](int code, QProcess::ExitStatus status) {
            done(status == QProcess::NormalExit && code == 0 ? listing->readAllStandardOutput() : QByteArray());
        },
        Qt::QueuedConnection);
    connect(
        listing, &QProcess::errorOccurred, this,
        [done](QProcess::ProcessError e) {
            if (e == QProcess::FailedToStart)
                done(QByteArray());
        },
        Qt::QueuedConnection);
    // A hung uploader must not hold the send back.
    auto *guard = new QTimer(listing);
    guard->setSingleShot(true);
    connect(guard, &QTimer::timeout, listing, &QProcess::kill);
    guard->start(bridgeListingTimeoutMs);
    statusBar()->showMessage(tr("Looking for converters..."));
    listing->start(kUploader, {QStringLiteral("--list")}, QIODevice::ReadOnly);
}

void MainWindow::sendToChosenConverter(const QByteArray &listed, const QString &path) {
    // With one converter or none, the uploader finds its box as it always has.
    const QList<ListedBridge> converters = attachedConverters(parseBridgeList(listed));
    if (converters.size() < 2) {
        startUploader(uploaderArguments(QString(), path));
        return;
    }
    const QStringList choices = converterChoiceTexts(converters);
    bool ok = false;
    const int chosen = choices.indexOf(
        Dialogs::getItem(this, tr("Send Vorne file"), tr("Several converters are attached. Send to:"), choices, &ok));
    if (ok && chosen >= 0)
        startUploader(uploaderArguments(converters[chosen].name, path));
}

void MainWindow::startUploader(const QStringList &arguments) {
    // No parent: an uploader still running when the editor closes keeps running.
    // A process object lives until its uploader ends or fails to start.
    auto *process = new QProcess();
    uploaderProcess = process;
    connect(process, &QProcess::readyRead, this, &MainWindow::on_data_available);
    connect(process, &QProcess::finished, this, &MainWindow::on_finish);
    auto release = [this, process] {
        if (uploaderProcess == process)
            uploaderProcess = nullptr;
        process->deleteLater();
    };
    connect(process, &QProcess::finished, this, release);
    connect(process, &QProcess::errorOccurred, this, [this, process, release](QProcess::ProcessError e) {
        if (e != QProcess::FailedToStart)
            return;
        criticalMessage(QStringLiteral("Cannot start ") + kUploader + QStringLiteral(": ") + process->errorString());
        release();
    });
    process->start(kUploader, arguments, QIODevice::ReadWrite);
}

void MainWindow::on_data_available() {
    // The uploader reports in its own dialog; its output is dropped, not kept.
    if (auto *process = qobject_cast<QProcess *>(sender()))
        process->readAll();
}

void MainWindow::on_finish(int) {}
