// Tree editing: the tree popup and adding, cloning, editing and removing
// manufacturers and devices in the tree and the library in step.
#include "mainwindow.h"

#include "deviceedit.h"
#include "entryrules.h"
#include "library.h"
#include "treemarkers.h"
#include "ui_mainwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTreeWidgetItemIterator>

namespace {

struct SettingRow {
    const char *name;
    bool hasField;
};

// MyConnParam::Field order.
const SettingRow kSettingRows[MyConnParam::FieldCount] = {
    {"Speed", false},         {"DataBits", false},  {"StopBits", false},     {"Parity", false},   {"Handshake", false},
    {"DelayTime", true},      {"RetryCount", true}, {"Prefix", true},        {"PrefixHex", true}, {"NormalReply", true},
    {"NormalReplyHex", true}, {"ErrorReply", true}, {"ErrorReplyHex", true}, {"WaitTime", true},
};

const QString kTimeFormat = QStringLiteral("dd.MM.yyyy | hh:mm:ss");
const QString kDoubleManufacturer =
    QStringLiteral("Please change the name of \"Device Manufacturer\", twice in the tree is not allowed!");
const QString kDoubleDevice =
    QStringLiteral("Please change the name of \"Device Type\", twice in the tree is not allowed!");

// Input rules of the free-text fields.
const QString kRuleTime = QStringLiteral("[1-9][0-9][0-9][0-9][0-9]");
const QString kRuleRetry = QStringLiteral("[0-9]|[1][0]");
const QString kRuleHex = QStringLiteral("[0-9a-fA-F]{60}");
constexpr int kReplyMaxLength = 5;

// The popup sits over the tree and the settings of the window.
const QPoint kPopupOffset(160, 110);

// Row rectangles: left column x = 150, right column x = 490; rows 30 px apart.
QRect settingRect(int field) {
    const int column = field < 7 ? 0 : 1;
    return QRect(150 + column * 340, 110 + (field % 7) * 30, 170, 24);
}

bool isUsbItem(const QTreeWidgetItem *item) {
    return item->toolTip(1) == kUsbParentMarker || item->toolTip(3) == kUsbDeviceMarker;
}

QTreeWidgetItem *topLevelOf(QTreeWidgetItem *item) {
    while (item && item->parent())
        item = item->parent();
    return item;
}

QTreeWidgetItem *topLevelNamed(QTreeWidget *tree, const QString &name) {
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        if (tree->topLevelItem(i)->text(0) == name)
            return tree->topLevelItem(i);
    return nullptr;
}

// The six mode flags: every opening starts from none, so exactly one is set.
void clearModeFlags(MainWindow &w) {
    w.cloneUsbFlag = w.editUsbFlag = w.addParentFlag = w.addDeviceFlag = w.cloneDeviceFlag = w.editDeviceFlag = false;
}

// The popup's device texts. Outer blanks of the description are dropped: the
// file could not keep them, and nobody means them.
DeviceEntry popupEntry(const MainWindow &w) {
    DeviceEntry entry;
    entry.name = w.lineEditPopupType->text();
    entry.description = w.lineEditPopupDesc->text().trimmed();
    entry.time = w.labelPopupDate->text();
    for (int field = 0; field < MyConnParam::FieldCount; ++field)
        entry.conn[field] = w.settingCombo[field]->currentText();
    return entry;
}

// Filling the popup is not typing: the range checks and the ASCII/HEX rule
// would judge half-filled rows (an empty wait time, a HEX text of the last
// opening emptying the new ASCII text). The pair rule runs once afterwards.
class FillingFields {
public:
    explicit FillingFields(MainWindow &w) : w(w) {
        for (int field = 0; field < MyConnParam::FieldCount; ++field)
            previous[field] = w.settingField[field]->blockSignals(true);
    }
    ~FillingFields() {
        for (int field = MyConnParam::FieldCount - 1; field >= 0; --field)
            w.settingField[field]->blockSignals(previous[field]);
        w.on_PrefixTextChangedAsciiHex();
        w.on_ReplyTextChangedAsciiHex();
        w.on_ErrReplyTextChangedAsciiHex();
    }
    FillingFields(const FillingFields &) = delete;
    FillingFields &operator=(const FillingFields &) = delete;

private:
    MainWindow &w;
    bool previous[MyConnParam::FieldCount] = {};
};

// Adding a manufacturer asks for one name; the device modes need the rows too.
void sizePopup(MainWindow &w, bool nameOnly) {
    const int buttonsY = nameOnly ? 50 : 330;
    w.btnPopupOk->setGeometry(440, buttonsY, 100, 28);
    w.btnPopupCancel->setGeometry(550, buttonsY, 100, 28);
    w.treePopup->setFixedSize(670, buttonsY + 40);
}

void setDeviceLabels(MainWindow &w) {
    w.labelPopupManufact->setText(QStringLiteral("Device Manufacturer "));
    w.labelPopupType->setText(QStringLiteral("Device Type "));
    w.labelPopupDesc->setText(QStringLiteral("Device Description "));
}

// The device modes share the popup's layout; each opening starts from no mode.
void openDevicePopup(MainWindow &w, const QString &title) {
    clearModeFlags(w);
    w.setPopupTreeHidden();
    w.setPopupTreeUp();
    w.upWindowPopup();
    w.treePopup->setWindowTitle(title);
    setDeviceLabels(w);
}

// Arms OK for the mode `flag` names and hands the name field to the user.
void showDevicePopup(MainWindow &w, bool &flag) {
    w.okTreePopupShow = true;
    flag = true;
    w.treePopup->show();
    w.lineEditPopupType->setFocus();
}

// A refused OK: the user corrects the popup, which stays open in its mode.
void refuse(MainWindow &w, const QString &message) {
    w.criticalMessage(message);
    w.okTreePopupShow = true;
}

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

    labelPopupManufact->setGeometry(10, 10, 165, 22);
    lineEditPopupManufact->setGeometry(180, 10, 280, 22);
    comboBoxPopupManufact->setGeometry(180, 10, 280, 22);
    labelPopupType->setGeometry(10, 36, 165, 22);
    lineEditPopupType->setGeometry(180, 36, 280, 22);
    labelPopupDesc->setGeometry(10, 62, 165, 22);
    lineEditPopupDesc->setGeometry(180, 62, 470, 22);
    labelPopupDateCaption->setGeometry(480, 10, 170, 22);
    labelPopupDate->setGeometry(480, 36, 170, 22);
    checkBoxPopupLists->setGeometry(640, 10, 20, 22);

    for (int f = 0; f < MyConnParam::FieldCount; ++f) {
        const SettingRow &row = kSettingRows[f];
        const QString name = QLatin1String(row.name);
        settingLabel[f] = label(QStringLiteral("labelPopup") + name, connFieldLabel(f));
        settingCombo[f] = new QComboBox(treePopup);
        settingCombo[f]->setObjectName(QStringLiteral("comboBoxPopup") + name);
        settingField[f] = row.hasField ? lineEdit(QStringLiteral("lineEditPopup") + name) : lineEditPopupSpare;
        const QRect rect = settingRect(f);
        settingLabel[f]->setGeometry(rect.x() - 140, rect.y() + 2, rect.width() + 5, rect.height() - 4);
        settingCombo[f]->setGeometry(rect);
        if (row.hasField)
            settingField[f]->setGeometry(rect);
    }

    btnPopupOk = new QPushButton(tr("&Ok"), treePopup);
    btnPopupOk->setObjectName(QStringLiteral("btnPopupOk"));
    btnPopupCancel = new QPushButton(tr("&Cancel"), treePopup);
    btnPopupCancel->setObjectName(QStringLiteral("btnPopupCancel"));
    sizePopup(*this, false);
    // While the popup is open the window must not change under it: OK works
    // on the tree's current item.
    treePopup->setWindowModality(Qt::WindowModal);

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

void MainWindow::setPopupTreeHidden() {
    for (int field = 0; field < MyConnParam::FieldCount; ++field) {
        settingLabel[field]->hide();
        settingCombo[field]->hide();
        settingField[field]->hide();
    }
    for (QWidget *w :
         std::initializer_list<QWidget *>{comboBoxPopupManufact, lineEditPopupSpare, checkBoxPopupLists,
                                          labelPopupManufact, labelPopupType, labelPopupDesc, lineEditPopupManufact,
                                          lineEditPopupType, lineEditPopupDesc, labelPopupDate, labelPopupDateCaption})
        w->hide();

    // Installed once; the popup is never destroyed.
    auto rule = [this](int field, const QString &pattern) {
        QLineEdit *edit = settingField[field];
        if (!edit->validator())
            edit->setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), edit));
    };
    rule(MyConnParam::Delay_Time, kRuleTime);
    rule(MyConnParam::Replay_Wait_Time, kRuleTime);
    rule(MyConnParam::Retry_Count, kRuleRetry);
    rule(MyConnParam::CMD_Prefix_HEX, kRuleHex);
    rule(MyConnParam::Normal_Replay_HEX, kRuleHex);
    rule(MyConnParam::Error_Replay_HEX, kRuleHex);
    settingField[MyConnParam::Normal_Replay]->setMaxLength(kReplyMaxLength);
    settingField[MyConnParam::Error_Replay]->setMaxLength(kReplyMaxLength);
}

void MainWindow::setPopupTreeUp() {
    ui->treeWidget->setEnabled(false);
    table_setEnabled(false);
    for (QLabel *label : settingLabel)
        label->show();
    for (QWidget *w :
         std::initializer_list<QWidget *>{checkBoxPopupLists, labelPopupManufact, labelPopupType, labelPopupDesc,
                                          lineEditPopupType, lineEditPopupDesc, labelPopupDateCaption, labelPopupDate})
        w->show();
}

void MainWindow::upWindowPopup() {
    sizePopup(*this, false);
    treePopup->setParent(this, Qt::Dialog);
    treePopup->setWindowModality(Qt::WindowModal);
    treePopup->move(mapToGlobal(kPopupOffset));

    QWidget *order[] = {comboBoxPopupManufact,
                        lineEditPopupManufact,
                        lineEditPopupType,
                        lineEditPopupDesc,
                        settingCombo[MyConnParam::Speed],
                        settingCombo[MyConnParam::Data_Bits],
                        settingCombo[MyConnParam::Stop_Bits],
                        settingCombo[MyConnParam::Parity],
                        settingCombo[MyConnParam::Handshake],
                        settingField[MyConnParam::Delay_Time],
                        settingField[MyConnParam::Normal_Replay],
                        settingField[MyConnParam::Error_Replay],
                        settingField[MyConnParam::Replay_Wait_Time],
                        settingField[MyConnParam::Retry_Count],
                        btnPopupCancel,
                        btnPopupOk};
    for (size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);

    btnPopupOk->setText(tr("&Ok"));
    btnPopupCancel->setText(tr("&Cancel"));
    btnPopupOk->setFont(fontBold10);
    btnPopupCancel->setFont(fontBold10);
    fillComboBoxWithParents(comboBoxPopupManufact);
    for (QLabel *label : {labelPopupManufact, labelPopupType, labelPopupDesc}) {
        label->setFont(fontBold10);
        label->setStyleSheet(sLabelStyle);
    }
    const QString white = QStringLiteral("background-color: white");
    lineEditPopupManufact->setStyleSheet(white);
    lineEditPopupManufact->setEnabled(false);
    lineEditPopupManufact->show();
    checkBoxPopupLists->hide();
    for (QLineEdit *edit : {lineEditPopupType, lineEditPopupDesc}) {
        edit->setStyleSheet(white);
        edit->setEnabled(true);
    }

    {
        const FillingFields filling(*this);
        for (int field = 0; field < MyConnParam::FieldCount; ++field)
            setStrListInComboBox(settingLabel[field], settingCombo[field], settingField[field], settingRect(field),
                                 choiceList(field), field % 7);
    }
    labelPopupDate->setText(QDateTime::currentDateTime().toString(kTimeFormat));
    labelPopupDateCaption->setText(tr("Created Date"));
}

void MainWindow::addParent() {
    clearModeFlags(*this);
    setPopupTreeHidden();
    treePopup->setParent(this, Qt::Dialog);
    treePopup->setWindowModality(Qt::WindowModal);
    treePopup->move(mapToGlobal(kPopupOffset));
    treePopup->setWindowTitle(tr("Add Manufacturer"));
    btnPopupOk->setText(tr("&Ok"));
    btnPopupCancel->setText(tr("&Cancel"));
    btnPopupOk->setEnabled(true);

    sizePopup(*this, true);
    labelPopupManufact->setText(QStringLiteral("Device Manufacturer"));
    labelPopupManufact->setFont(fontBold10);
    labelPopupManufact->setStyleSheet(sLabelStyle);
    labelPopupManufact->show();
    lineEditPopupManufact->setText(QStringLiteral("New Manufacturer"));
    lineEditPopupManufact->setEnabled(true);
    lineEditPopupManufact->show();

    okTreePopupShow = true;
    addParentFlag = true;
    ui->treeWidget->setEnabled(false);
    table_setEnabled(false);
    treePopup->show();
    lineEditPopupManufact->setFocus();
}

void MainWindow::addDevice() {
    QTreeWidgetItem *item = ui->treeWidget->currentItem();
    if (!item || isUsbItem(item))
        return;
    openDevicePopup(*this, tr("Add Device"));

    lineEditPopupManufact->setText(topLevelOf(item)->text(0));
    lineEditPopupType->setText(item->text(0) + QStringLiteral(" Type"));
    lineEditPopupDesc->setText(QStringLiteral("Description of device type"));

    checkBoxPopupLists->setChecked(false);
    changeStateOKThree(false);

    setCurrentIndexInComboBox(settingCombo[MyConnParam::Speed], QStringLiteral("9600"));
    setCurrentIndexInComboBox(settingCombo[MyConnParam::Data_Bits], QStringLiteral("8"));
    const struct {
        MyConnParam::Field field;
        const char *value;
    } defaults[] = {
        {MyConnParam::Delay_Time, "100"}, {MyConnParam::Replay_Wait_Time, "500"}, {MyConnParam::Retry_Count, "2"}};
    for (const auto &d : defaults) {
        if (!settingField[d.field]->text().isEmpty())
            continue;
        settingField[d.field]->setText(QLatin1String(d.value));
        setCurrentIndexInComboBox(settingCombo[d.field], QLatin1String(d.value));
    }

    showDevicePopup(*this, addDeviceFlag);
}

void MainWindow::cloneDevice() {
    QTreeWidgetItem *item = ui->treeWidget->currentItem();
    if (!item || !item->parent())
        return;
    openDevicePopup(*this, tr("Clone Device"));

    lineEditPopupManufact->setText(item->parent()->text(0));
    lineEditPopupManufact->hide();
    comboBoxPopupManufact->show();
    // The source's manufacturer is the likely target.
    setCurrentIndexInComboBox(comboBoxPopupManufact, item->parent()->text(0));
    lineEditPopupType->setText(QStringLiteral("Clone:") + item->text(0));
    lineEditPopupDesc->setText(item->toolTip(1));
    item->setToolTip(0, item->text(0));

    changeStateOKThree(false);
    showDevicePopup(*this, cloneDeviceFlag);
}

void MainWindow::editDevice() {
    QTreeWidgetItem *item = ui->treeWidget->currentItem();
    if (!item || !item->parent())
        return;
    openDevicePopup(*this, tr("Edit Device"));

    const int iPreset = findPreset(listMyPresets, item->parent()->text(0));
    const int iDevice = findDevice(listMyPresets, iPreset, item->text(0));
    {
        const FillingFields filling(*this);
        loadSetup(iPreset, iDevice);
    }

    comboBoxPopupManufact->hide();
    lineEditPopupManufact->setText(item->parent()->text(0));
    lineEditPopupType->setText(item->text(0));
    lineEditPopupDesc->setText(iDevice >= 0 ? listMyPresets[iPreset].listMyDevices[iDevice].deviceDesc
                                            : item->toolTip(1));
    item->setToolTip(0, item->text(0));

    changeStateOKThree(false);
    // The manufacturer field is read-only here; the name is what one edits.
    showDevicePopup(*this, editDeviceFlag);
}

void MainWindow::okTreePopup() {
    if (!okTreePopupShow)
        return;
    okTreePopupShow = false;
    for (int field = 0; field < MyConnParam::FieldCount; ++field) {
        if (!kSettingRows[field].hasField)
            continue;
        settingCombo[field]->clear();
        settingCombo[field]->addItem(settingField[field]->text());
    }
    ui->treeWidget->setEnabled(true);
    table_setEnabled(true);

    if (cloneUsbFlag)
        okTreePopupCloneUsb();
    else if (editUsbFlag)
        okTreePopupEditUsb();
    else if (addParentFlag)
        okTreePopupAddParent();
    else if (addDeviceFlag)
        okTreePopupAddDevice();
    else if (cloneDeviceFlag)
        okTreePopupCloneDevice();
    else if (editDeviceFlag)
        okTreePopupEditDevice();
    // A refused entry keeps its mode for the next OK; the window stays as the popup left it.
    if (okTreePopupShow) {
        ui->treeWidget->setEnabled(false);
        table_setEnabled(false);
    }
}

void MainWindow::okTreePopupAddParent() {
    if (checkDoubleManufacturers()) {
        refuse(*this, kDoubleManufacturer);
        return;
    }
    const QString name = lineEditPopupManufact->text();
    if (const QString message = manufacturerEntryMessage(name); !message.isEmpty()) {
        refuse(*this, message);
        return;
    }
    const EditorState before = editorState();
    QTreeWidget *tree = ui->treeWidget;
    auto *item = new QTreeWidgetItem;
    item->setText(0, name);
    item->setToolTip(1, kParentMarker);
    item->setIcon(0, QIcon(sManufactIcon));
    tree->addTopLevelItem(item);
    tree->setCurrentItem(item);
    item->setSelected(true);

    MyPreset preset;
    preset.deviceParent = name;
    listMyPresets.append(preset);

    treePopup->hide();
    addParentFlag = false;
    globalAddDeleteItem = true;
    tree->setFocus();
    SetDefaultSettings();
    tree->setEnabled(true);
    table_setEnabled(true);
    recordStep(tr("Add manufacturer %1").arg(name), before);
}

// Shared end of add and clone: the new item current, marked, shown.
static void finishNewDevice(MainWindow &w, QTreeWidgetItem *item, const MyDevice &device) {
    w.ui->lineEditManufact->setText(device.deviceType);
    w.ui->lineEditDesc->setText(device.deviceDesc);
    w.ui->lineEditTime->setText(device.deviceTime);
    item->setIcon(0, QIcon(w.sDeviceIcon));
    item->parent()->setIcon(0, QIcon(w.sManufactIcon));
    item->setWhatsThis(0, kStatusChanged);
    item->parent()->setWhatsThis(0, kStatusChanged);
    // The file lacks the new device until the next save, whatever edits follow.
    w.globalAddDeleteItem = true;
    w.getPositionTree(w.ui->treeWidget->currentItem(), 0);
    w.treePopup->hide();
    w.ui->treeWidget->setFocus();
    item->setToolTip(0, QString());
}

static QTreeWidgetItem *addDeviceItem(MainWindow &w, QTreeWidgetItem *manufacturer, const DeviceEntry &entry) {
    auto *item = new QTreeWidgetItem;
    item->setText(0, entry.name);
    item->setToolTip(1, entry.description);
    item->setToolTip(2, entry.time);
    manufacturer->addChild(item);
    w.ui->treeWidget->setCurrentItem(item);
    item->setSelected(true);
    return item;
}

void MainWindow::okTreePopupAddDevice() {
    if (checkDoubleDevices()) {
        refuse(*this, kDoubleDevice);
        return;
    }
    const DeviceEntry entry = popupEntry(*this);
    if (const QString message = deviceEntryMessage(entry); !message.isEmpty()) {
        refuse(*this, message);
        return;
    }
    QTreeWidgetItem *manufacturer = topLevelOf(ui->treeWidget->currentItem());
    const int iPreset = findPreset(listMyPresets, lineEditPopupManufact->text());
    // Without its manufacturer's record the device would land in another
    // one than its tree item: add nothing rather than split tree and library.
    if (!manufacturer || iPreset < 0 || manufacturer->text(0) != lineEditPopupManufact->text())
        return cancelTreePopup();

    const EditorState before = editorState();
    QTreeWidgetItem *item = addDeviceItem(*this, manufacturer, entry);
    const MyDevice device = makeNewDevice(entry);
    listMyPresets[iPreset].listMyDevices.append(device);
    finishNewDevice(*this, item, device);
    addDeviceFlag = false;
    recordStep(tr("Add device %1").arg(entry.name), before);
}

void MainWindow::okTreePopupCloneDevice() {
    if (checkDoubleDevices()) {
        refuse(*this, kDoubleDevice);
        return;
    }
    const DeviceEntry entry = popupEntry(*this);
    if (const QString message = deviceEntryMessage(entry); !message.isEmpty()) {
        refuse(*this, message);
        return;
    }
    QTreeWidgetItem *sourceItem = ui->treeWidget->currentItem();
    const QString targetName = comboBoxPopupManufact->currentText();
    QTreeWidgetItem *target = topLevelNamed(ui->treeWidget, targetName);
    const int iTarget = findPreset(listMyPresets, targetName);
    if (!target || iTarget < 0) {
        refuse(*this, QStringLiteral("Please choose the manufacturer of the new device."));
        return;
    }
    const int iSource =
        sourceItem && sourceItem->parent() ? findPreset(listMyPresets, sourceItem->parent()->text(0)) : -1;
    const int iDevice = sourceItem ? findDevice(listMyPresets, iSource, sourceItem->text(0)) : -1;
    const MyDevice device =
        makeClonedDevice(entry, iDevice >= 0 ? listMyPresets[iSource].listMyDevices[iDevice] : MyDevice());

    if (sourceItem)
        sourceItem->setToolTip(0, QString());
    const EditorState before = editorState();
    QTreeWidgetItem *item = addDeviceItem(*this, target, entry);
    listMyPresets[iTarget].listMyDevices.append(device);
    finishNewDevice(*this, item, device);
    cloneDeviceFlag = false;
    recordStep(tr("Clone device %1").arg(entry.name), before);
}

void MainWindow::okTreePopupEditDevice() {
    if (checkDoubleDevices()) {
        refuse(*this, kDoubleDevice);
        return;
    }
    DeviceEntry entry = popupEntry(*this);
    if (const QString message = deviceEntryMessage(entry); !message.isEmpty()) {
        refuse(*this, message);
        return;
    }
    QTreeWidgetItem *item = ui->treeWidget->currentItem();
    if (!item || !item->parent())
        return cancelTreePopup();
    const QString oldName = item->text(0);
    const int iPreset = findPreset(listMyPresets, item->parent()->text(0));
    const int iDevice = findDevice(listMyPresets, iPreset, oldName);
    if (iDevice < 0)
        return cancelTreePopup();
    const EditorState before = editorState();
    MyDevice &device = listMyPresets[iPreset].listMyDevices[iDevice];
    // A stored value missing from a choice list shows as an empty box; the
    // edit keeps it rather than wiping it.
    for (int field = 0; field < MyConnParam::FieldCount; ++field)
        if (!kSettingRows[field].hasField && settingCombo[field]->currentIndex() < 0)
            entry.conn[field] = device.connParam[field];

    item->setText(0, entry.name);
    item->setToolTip(1, entry.description);
    item->setToolTip(2, entry.time);
    applyDeviceEdit(&device, entry);

    ui->lineEditManufact->setText(device.deviceType);
    ui->lineEditDesc->setText(device.deviceDesc);
    ui->lineEditTime->setText(device.deviceTime);
    if (device.isChanges) {
        item->setWhatsThis(0, kStatusChanged);
        item->parent()->setWhatsThis(0, kStatusChanged);
    }
    getPositionTree(ui->treeWidget->currentItem(), 0);
    treePopup->hide();
    editDeviceFlag = false;
    ui->treeWidget->setFocus();
    item->setToolTip(0, QString());
    recordStep(tr("Edit device %1").arg(entry.name), before);
}

void MainWindow::cancelTreePopup() {
    clearModeFlags(*this);
    okTreePopupShow = false;
    treePopup->hide();
    ui->treeWidget->setFocus();
    ui->treeWidget->setEnabled(true);
    table_setEnabled(true);
}

void MainWindow::closeEventEx2(int) { cancelTreePopup(); }

bool MainWindow::checkDoubleManufacturers() {
    const QString name = lineEditPopupManufact->text();
    for (QTreeWidgetItemIterator it(ui->treeWidget); *it; ++it)
        if ((*it)->text(0) == name)
            return true;
    return false;
}

// An edited device may keep its own name.
bool MainWindow::checkDoubleDevices() {
    const QString name = lineEditPopupType->text();
    const QTreeWidgetItem *edited = editDeviceFlag || editUsbFlag ? ui->treeWidget->currentItem() : nullptr;
    for (QTreeWidgetItemIterator it(ui->treeWidget); *it; ++it) {
        const QTreeWidgetItem *item = *it;
        if (item == edited || isUsbItem(item) || item->toolTip(1) == kParentMarker)
            continue;
        if (item->text(0) == name)
            return true;
    }
    return false;
}

void MainWindow::removeDevice() {
    QTreeWidgetItem *item = ui->treeWidget->currentItem();
    if (!item || !item->parent())
        return;
    const QString name = item->text(0);
    if (questionRemoveMessage(QStringLiteral("Remove"),
                              QStringLiteral("Are you sure to remove ") + name + QLatin1Char('?')) != QMessageBox::Yes)
        return;
    const EditorState before = editorState();
    QTreeWidgetItem *manufacturer = item->parent();
    const QString manufacturerName = manufacturer->text(0);
    manufacturer->removeChild(item);
    delete item;
    // From the item's own manufacturer: a USB device may share its name with
    // a library device, which must stay.
    removeDeviceOf(&listMyPresets, manufacturerName, name);
    globalAddDeleteItem = true;
    SetDefaultSettings();
    recordStep(tr("Remove device %1").arg(name), before);
}

void MainWindow::removeManufactDevice() {
    QTreeWidgetItem *item = ui->treeWidget->currentItem();
    if (!item || item->parent())
        return;
    const QString name = item->text(0);
    if (questionRemoveMessage(QStringLiteral("Remove"),
                              QStringLiteral("Are you sure to remove ") + name + QLatin1Char('?')) != QMessageBox::Yes)
        return;
    const EditorState before = editorState();
    removeManufacturerFromList(name);
    qDeleteAll(item->takeChildren());
    delete ui->treeWidget->takeTopLevelItem(ui->treeWidget->indexOfTopLevelItem(item));
    globalAddDeleteItem = true;
    recordStep(tr("Remove manufacturer %1").arg(name), before);
}

bool MainWindow::removeDeviceFromList(QString deviceName) { return removeFirstDeviceNamed(&listMyPresets, deviceName); }

bool MainWindow::removeManufacturerFromList(QString manufacturerName) {
    return removeManufacturerNamed(&listMyPresets, manufacturerName);
}

// The info fields are read-only, so Return can only confirm what they show:
// the device keeps every text, setting and row and counts as changed.
void MainWindow::on_lineEditManufact_returnPressed() {
    for (QLineEdit *field : {ui->lineEditManufact, ui->lineEditDesc, ui->lineEditTime})
        field->setReadOnly(true);
    ui->treeWidget->setEnabled(true);
    QTreeWidgetItem *item = ui->treeWidget->currentItem();
    if (!item || !item->parent() || isUsbItem(item))
        return;
    const int iPreset = findPreset(listMyPresets, item->parent()->text(0));
    const int iDevice = findDevice(listMyPresets, iPreset, item->text(0));
    if (iDevice < 0)
        return;
    const EditorState before = editorState();
    listMyPresets[iPreset].listMyDevices[iDevice].isChanges = true;
    item->setWhatsThis(0, kStatusChanged);
    item->parent()->setWhatsThis(0, kStatusChanged);
    recordStep(tr("Edit device %1").arg(item->text(0)), before);
}
