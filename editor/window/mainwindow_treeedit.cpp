// Tree editing: the tree popup and adding, cloning, editing and removing
// manufacturers and devices in the tree and the library in step.
#include "mainwindow.h"

#include "ui_mainwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

struct SettingRow {
    const char *name;
    const char *caption;
    bool hasField;
};

// MyConnParam::Field order.
const SettingRow kSettingRows[MyConnParam::FieldCount] = {
    {"Speed", "Speed [baud]", false},
    {"DataBits", "Data bits", false},
    {"StopBits", "Stop bits", false},
    {"Parity", "Parity", false},
    {"Handshake", "Handshake", false},
    {"DelayTime", "Delay time [ms]", true},
    {"RetryCount", "Retry count", true},
    {"Prefix", "CMD Prefix", true},
    {"PrefixHex", "CMD Prefix HEX", true},
    {"NormalReply", "Normal reply", true},
    {"NormalReplyHex", "Normal reply HEX", true},
    {"ErrorReply", "Error reply", true},
    {"ErrorReplyHex", "Error reply HEX", true},
    {"WaitTime", "Wait time [ms]", true},
};

} // namespace

// Built once by the constructor; upWindowPopup() lays it out per opening.
void MainWindow::buildTreePopup() {
    treePopup = new QDialog(this);
    treePopup->setObjectName(QStringLiteral("treePopup"));

    auto label = [this](const QString &name, const QString &text) {
        auto *l = new QLabel(text, treePopup);
        l->setObjectName(name);
        return l;
    };
    auto lineEdit = [this](const QString &name) {
        auto *e = new QLineEdit(treePopup);
        e->setObjectName(name);
        return e;
    };
    labelPopupManufact = label(QStringLiteral("labelPopupManufact"), tr("Device Manufacturer "));
    labelPopupType = label(QStringLiteral("labelPopupType"), tr("Device Type "));
    labelPopupDesc = label(QStringLiteral("labelPopupDesc"), tr("Device Description "));
    lineEditPopupManufact = lineEdit(QStringLiteral("lineEditPopupManufact"));
    comboBoxPopupManufact = new QComboBox(treePopup);
    comboBoxPopupManufact->setObjectName(QStringLiteral("comboBoxPopupManufact"));
    lineEditPopupType = lineEdit(QStringLiteral("lineEditPopupType"));
    lineEditPopupDesc = lineEdit(QStringLiteral("lineEditPopupDesc"));
    labelPopupDateCaption = label(QStringLiteral("labelPopupDateCaption"), tr("Created Date"));
    labelPopupDate = label(QStringLiteral("labelPopupDate"), QString());
    checkBoxPopupLists = new QCheckBox(treePopup);
    checkBoxPopupLists->setObjectName(QStringLiteral("checkBoxPopupLists"));
    lineEditPopupSpare = lineEdit(QStringLiteral("lineEditPopupSpare"));
    lineEditPopupSpare->hide();

    labelPopupManufact->setGeometry(10, 10, 150, 22);
    lineEditPopupManufact->setGeometry(160, 10, 300, 22);
    comboBoxPopupManufact->setGeometry(160, 10, 300, 22);
    labelPopupType->setGeometry(10, 36, 150, 22);
    lineEditPopupType->setGeometry(160, 36, 300, 22);
    labelPopupDesc->setGeometry(10, 62, 150, 22);
    lineEditPopupDesc->setGeometry(160, 62, 470, 22);
    labelPopupDateCaption->setGeometry(470, 10, 100, 22);
    labelPopupDate->setGeometry(470, 36, 160, 22);
    checkBoxPopupLists->setGeometry(640, 10, 20, 22);

    for (int f = 0; f < MyConnParam::FieldCount; ++f) {
        const SettingRow &row = kSettingRows[f];
        const QString name = QLatin1String(row.name);
        settingLabel[f] = label(QStringLiteral("labelPopup") + name, tr(row.caption));
        settingCombo[f] = new QComboBox(treePopup);
        settingCombo[f]->setObjectName(QStringLiteral("comboBoxPopup") + name);
        settingField[f] = row.hasField ? lineEdit(QStringLiteral("lineEditPopup") + name) : lineEditPopupSpare;
        const int column = f < 7 ? 0 : 1;
        const int y = 100 + (f % 7) * 28;
        settingLabel[f]->setGeometry(10 + column * 330, y + 2, 145, 26);
        settingCombo[f]->setGeometry(150 + column * 330, y, 170, 24);
        if (row.hasField)
            settingField[f]->setGeometry(150 + column * 330, y, 170, 24);
    }

    btnPopupOk = new QPushButton(tr("&Ok"), treePopup);
    btnPopupOk->setObjectName(QStringLiteral("btnPopupOk"));
    btnPopupOk->setGeometry(420, 310, 100, 28);
    btnPopupCancel = new QPushButton(tr("&Cancel"), treePopup);
    btnPopupCancel->setObjectName(QStringLiteral("btnPopupCancel"));
    btnPopupCancel->setGeometry(530, 310, 100, 28);
    treePopup->resize(650, 350);

    connect(checkBoxPopupLists, &QCheckBox::toggled, this, &MainWindow::changeStateOKThree);
    connect(settingField[MyConnParam::Delay_Time], &QLineEdit::textChanged, this, &MainWindow::setActiveLineEdit6);
    connect(settingField[MyConnParam::Replay_Wait_Time], &QLineEdit::textChanged, this,
            &MainWindow::setActiveLineEdit9);
    connect(settingField[MyConnParam::Retry_Count], &QLineEdit::textChanged, this, &MainWindow::setActiveLineEdit10);
    const struct {
        int ascii;
        int hex;
        void (MainWindow::*slot)();
    } pairs[] = {
        {MyConnParam::CMD_Prefix, MyConnParam::CMD_Prefix_HEX, &MainWindow::on_PrefixTextChangedAsciiHex},
        {MyConnParam::Normal_Replay, MyConnParam::Normal_Replay_HEX, &MainWindow::on_ReplyTextChangedAsciiHex},
        {MyConnParam::Error_Replay, MyConnParam::Error_Replay_HEX, &MainWindow::on_ErrReplyTextChangedAsciiHex},
    };
    for (const auto &pair : pairs) {
        connect(settingField[pair.ascii], &QLineEdit::textChanged, this, pair.slot);
        connect(settingField[pair.hex], &QLineEdit::textChanged, this, pair.slot);
    }
    connect(btnPopupOk, &QPushButton::clicked, this, &MainWindow::okTreePopup);
    connect(btnPopupCancel, &QPushButton::clicked, this, &MainWindow::cancelTreePopup);
    connect(treePopup, &QDialog::finished, this, &MainWindow::closeEventEx2);
    treePopup->hide();
}

void MainWindow::addParent() {}

void MainWindow::addDevice() {}

void MainWindow::cloneDevice() {}

void MainWindow::editDevice() {}

void MainWindow::removeDevice() {}

void MainWindow::removeManufactDevice() {}

bool MainWindow::removeDeviceFromList(QString) { return false; }

bool MainWindow::removeManufacturerFromList(QString) { return false; }

void MainWindow::upWindowPopup() {}

void MainWindow::setPopupTreeHidden() {}

void MainWindow::setPopupTreeUp() {}

void MainWindow::okTreePopup() {}

void MainWindow::okTreePopupAddParent() {}

void MainWindow::okTreePopupAddDevice() {}

void MainWindow::okTreePopupCloneDevice() {}

void MainWindow::okTreePopupEditDevice() {}

void MainWindow::cancelTreePopup() {}

void MainWindow::closeEventEx2(int) {}

bool MainWindow::checkDoubleDevices() { return false; }

bool MainWindow::checkDoubleManufacturers() { return false; }

void MainWindow::on_lineEditManufact_returnPressed() {}
