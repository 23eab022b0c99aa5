// Tree navigation: which record a tree item stands for, and what the right
// side of the window shows for a manufacturer or a device.
#include "mainwindow.h"

#include "treemarkers.h"
#include "ui_mainwindow.h"

#include <QComboBox>
#include <QLineEdit>

namespace {

// One line of a connection list: bare caption, caption shown with a value, field.
struct ConnLine {
    const char *caption;
    const char *withValue;
    MyConnParam::Field field;
};

const ConnLine kLeftLines[7] = {
    {"Speed [baud]:", "Speed [baud]:\t", MyConnParam::Speed},
    {"Data bits:", "Data bits:  \t", MyConnParam::Data_Bits},
    {"Stop bits:", "Stop bits:  \t", MyConnParam::Stop_Bits},
    {"Parity:", "Parity:  \t", MyConnParam::Parity},
    {"Handshake:", "Handshake: \t", MyConnParam::Handshake},
    {"Delay time [ms]:", "Delay time [ms]:\t", MyConnParam::Delay_Time},
    {"Retry count:", "Retry count:\t\t", MyConnParam::Retry_Count},
};

const ConnLine kRightLines[7] = {
    {"Prefix:", "Prefix: \t", MyConnParam::CMD_Prefix},
    {"Prefix HEX:", "Prefix HEX:\t", MyConnParam::CMD_Prefix_HEX},
    {"Normal reply:", "Normal reply:\t\t", MyConnParam::Normal_Replay},
    {"Normal reply HEX:", "Normal reply HEX:\t", MyConnParam::Normal_Replay_HEX},
    {"Error reply:", "Error reply:\t\t", MyConnParam::Error_Replay},
    {"Error reply HEX:", "Error reply HEX:\t\t", MyConnParam::Error_Replay_HEX},
    {"Wait time [ms]:", "Wait time [ms]:\t\t", MyConnParam::Replay_Wait_Time},
};

// The settings that the tree popup also offers as free text.
const MyConnParam::Field kFreeTextFields[] = {
    MyConnParam::Delay_Time,       MyConnParam::Normal_Replay, MyConnParam::Error_Replay,
    MyConnParam::Replay_Wait_Time, MyConnParam::Retry_Count,   MyConnParam::Normal_Replay_HEX,
    MyConnParam::Error_Replay_HEX, MyConnParam::CMD_Prefix,    MyConnParam::CMD_Prefix_HEX,
};

void addEntry(QListWidget *list, const QString &text, const QString &toolTip, const QFont &font) {
    auto *entry = new QListWidgetItem(text, list);
    entry->setFont(font);
    entry->setToolTip(toolTip);
}

// Index of the first name equal to `name`; the last index when none is, -1 for no names.
template <typename List, typename Name> int indexByName(const List &list, const QString &name, Name nameOf) {
    for (int i = 0; i < list.size(); ++i)
        if (nameOf(list[i]) == name)
            return i;
    return int(list.size()) - 1;
}

void paintByMarker(QTreeWidgetItem *item, const QColor &changed, const QColor &saved) {
    const QString marker = item->whatsThis(0);
    if (marker == kStatusChanged)
        item->setBackground(0, changed);
    else if (marker == kStatusSaved)
        item->setBackground(0, saved);
}
} // namespace

void MainWindow::SetDefaultSettings() {
    ui->tableWidget->clearContents();
    table_setEnabled(false);
    for (int row = ui->tableWidget->rowCount() - 1; row >= 0; --row)
        ui->tableWidget->removeRow(row);

    ui->lineEditManufact->setText(QStringLiteral("Manufacturer"));
    ui->lineEditDesc->setText(QStringLiteral("Description"));
    ui->lineEditTime->setText(QStringLiteral("Time"));

    ui->listWidgetLeft->clear();
    ui->listWidgetRight->clear();
    for (const ConnLine &line : kLeftLines)
        addEntry(ui->listWidgetLeft, QLatin1String(line.caption), QString(), fontLink8);
    for (const ConnLine &line : kRightLines)
        addEntry(ui->listWidgetRight, QLatin1String(line.caption), QString(), fontLink8);
}

void MainWindow::getPositionTree(QTreeWidgetItem *item, int) {
    setWindowTitle(sAppTitle + sProjectName);
    setFont(fontNormal10);
    if (!item)
        return;
    SetDefaultSettings();
    const QString marker = item->toolTip(1);
    if (marker == kParentMarker || marker == kUsbParentMarker || !item->parent()) {
        table_setEnabled(false);
        return;
    }

    // Items map to records by name: the tree is sorted, the library is not.
    const int iPreset = indexByName(listMyPresets, item->parent()->text(0),
                                    [](const MyPreset &p) -> const QString & { return p.deviceParent; });
    if (iPreset < 0)
        return;
    QList<MyDevice> &devices = listMyPresets[iPreset].listMyDevices;
    const int iDevice =
        indexByName(devices, item->text(0), [](const MyDevice &d) -> const QString & { return d.deviceType; });
    if (iDevice < 0)
        return;
    MyDevice &device = devices[iDevice];
    findFreePlace(&device.listChanel);

    ui->listWidgetLeft->clear();
    ui->listWidgetRight->clear();
    for (const ConnLine &line : kLeftLines)
        addEntry(ui->listWidgetLeft, QLatin1String(line.withValue) + device.connParam[line.field],
                 device.connParam[line.field], fontLink8);
    for (const ConnLine &line : kRightLines)
        addEntry(ui->listWidgetRight, QLatin1String(line.withValue) + device.connParam[line.field],
                 device.connParam[line.field], fontLink8);

    ui->lineEditManufact->setText(device.deviceType);
    ui->lineEditDesc->setText(device.deviceDesc);
    ui->lineEditTime->setText(device.deviceTime);

    paintByMarker(item, colorChanged, colorSaved);
    paintByMarker(item->parent(), colorChanged, colorSaved);

    // All rows at once: inserting them one by one grows quadratically.
    ui->tableWidget->setRowCount(int(device.listChanel.size()));
    for (int row = 0; row < device.listChanel.size(); ++row) {
        const MyChanel &chanel = device.listChanel[row];
        const QString cells[5] = {chanel.dmx_chanel, chanel.dmx_valueFrom, chanel.dmx_valueTo, chanel.rs_c,
                                  chanel.function};
        for (int column = 0; column < 5; ++column)
            fillTableRows(row, column, cells[column], chanel.status);
    }

    checkConnChanged(&device.connParam);
    checkConnSaved(&device.connParam);
    table_setEnabled(true);
    liveFollowDevice();
}

void MainWindow::loadSetup(int iPreset, int iDevice) {
    if (iPreset < 0 || iPreset >= listMyPresets.size() || iDevice < 0 ||
        iDevice >= listMyPresets[iPreset].listMyDevices.size())
        return;
    const MyConnParam &conn = listMyPresets[iPreset].listMyDevices[iDevice].connParam;
    for (int field = 0; field < MyConnParam::FieldCount; ++field)
        if (QComboBox *combo = settingCombo[field])
            combo->setCurrentIndex(combo->findText(conn[field], Qt::MatchExactly | Qt::MatchCaseSensitive));
    for (MyConnParam::Field field : kFreeTextFields)
        if (QLineEdit *edit = settingField[field])
            edit->setText(conn[field]);
}

void MainWindow::fillComboBoxWithParents(QComboBox *combo) {
    combo->clear();
    QStringList names;
    for (const MyPreset &preset : listMyPresets)
        if (!preset.deviceParent.startsWith(QLatin1String("USB")))
            names.append(preset.deviceParent);
    combo->addItems(names);
}

void MainWindow::on_treeWidget_doubleClicked(QModelIndex) {
    const QTreeWidgetItem *item = ui->treeWidget->currentItem();
    if (!item || !item->parent())
        return;
    if (item->toolTip(3) == kUsbDeviceMarker)
        editUsbDevice();
    else
        editDevice();
}

// Fields changed since loading are painted yellow; those already saved white
// again afterwards (checkConnSaved runs second).
void MainWindow::checkConnChanged(MyConnParam *p) {
    for (int i = 0; i < 7; ++i) {
        if ((p->flags & (1u << i)) && ui->listWidgetLeft->item(i))
            ui->listWidgetLeft->item(i)->setBackground(colorChanged);
        if ((p->flags & (1u << (7 + i))) && ui->listWidgetRight->item(i))
            ui->listWidgetRight->item(i)->setBackground(colorChanged);
    }
}

void MainWindow::checkConnSaved(MyConnParam *p) {
    for (int i = 0; i < 7; ++i) {
        if ((p->flags & (1u << (14 + i))) && ui->listWidgetLeft->item(i))
            ui->listWidgetLeft->item(i)->setBackground(colorSaved);
        if ((p->flags & (1u << (21 + i))) && ui->listWidgetRight->item(i))
            ui->listWidgetRight->item(i)->setBackground(colorSaved);
    }
}
