// The channel table: its row popup, the row rules and the cell display.
#include "mainwindow.h"

#include "channelrules.h"
#include "filerules.h"
#include "library.h"
#include "rowentry.h"
#include "rowrules.h"
#include "ui_mainwindow.h"

#include <QDialog>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>

#include <algorithm>

namespace {
const QString kDmxCaption = QStringLiteral("DMX");
const QString kLowCaption = QStringLiteral("Low Value");
const QString kHighCaption = QStringLiteral("High Value");
const QString kBlack = QStringLiteral("black");
const QString kRed = QStringLiteral("red");
constexpr int kColumns = 5;

// " 0x" and two or more upper-case digits: " 0x05", " 0xFF", " 0x012C".
QString numberToolTip(int number) {
    const QString digits = QString::number(number, 16).toUpper();
    return (number >= 16 && number <= 255 ? QStringLiteral(" 0x") : QStringLiteral(" 0x0")) + digits;
}

void setRowLabel(QLabel *label, const QString &caption, const QString &color) {
    label->setText(QStringLiteral("<font color='%1'>%2</font>").arg(color, caption));
}

// The rules read a row's numbers from its cells' what's-this data.
QList<RowRange> tableRanges(const QTableWidget *table) {
    auto number = [table](int row, int column) {
        const QTableWidgetItem *cell = table->item(row, column);
        return cell ? popupNumber(cell->whatsThis()) : 0;
    };
    QList<RowRange> ranges;
    ranges.reserve(table->rowCount());
    for (int row = 0; row < table->rowCount(); ++row)
        ranges.append({number(row, 0), number(row, 1), number(row, 2)});
    return ranges;
}

// One value pass of the live check, applied to the popup and the table.
void applyValuePass(MainWindow &w, bool isLow, const QString &value) {
    QLineEdit *field = isLow ? w.lineEditRowLow : w.lineEditRowHigh;
    QLineEdit *other = isLow ? w.lineEditRowHigh : w.lineEditRowLow;
    QTableWidget *table = w.ui->tableWidget;
    const ValuePassVerdict verdict =
        checkValuePass(isLow, w.lineEditRowDmx->text(), value, other->text(), tableRanges(table), w.editRowNumber);
    if (verdict.outOfRange) {
        w.criticalMessage(valueOutOfRangeMessage());
        field->clear(); // re-enters the live check with the field empty
        return;
    }
    for (int row : verdict.shownRows)
        table->setRowHidden(row, false);
    for (int row : verdict.hiddenRows)
        table->setRowHidden(row, true);
    switch (verdict.label) {
    case ValuePassVerdict::Label::DmxRed:
        setRowLabel(w.labelRowDmx, kDmxCaption, kRed);
        break;
    case ValuePassVerdict::Label::ValueRed:
        setRowLabel(isLow ? w.labelRowLow : w.labelRowHigh, isLow ? kLowCaption : kHighCaption, kRed);
        break;
    case ValuePassVerdict::Label::ValuesBlack:
        setRowLabel(w.labelRowLow, kLowCaption, kBlack);
        setRowLabel(w.labelRowHigh, kHighCaption, kBlack);
        break;
    }
    w.rangeBusy = verdict.rangeBusy;
}

TypedRow typedRow(const MainWindow &w) {
    return {w.lineEditRowDmx->text(),   w.lineEditRowLow->text(), w.lineEditRowHigh->text(),
            w.lineEditRowAscii->text(), w.lineEditRowHex->text(), w.lineEditRowFunction->text()};
}

// Opening fills the fields without running the live check per field; the
// caller runs it once on the whole row.
void fillRowFields(MainWindow &w, const QString &dmx, const QString &low, const QString &high) {
    const QSignalBlocker blockDmx(w.lineEditRowDmx);
    const QSignalBlocker blockLow(w.lineEditRowLow);
    const QSignalBlocker blockHigh(w.lineEditRowHigh);
    w.lineEditRowDmx->setText(dmx);
    w.lineEditRowLow->setText(low);
    w.lineEditRowHigh->setText(high);
}

// A row from a file may hold longer texts than can be typed; its edit shows
// them whole, so that OK never cuts what the user did not touch. Each field
// is measured by the part of the command it shows.
void setTextLimits(MainWindow &w, const QString &ascii, const QString &hex, const QString &function) {
    const struct {
        QLineEdit *field;
        int limit;
        qsizetype shownLength;
    } limits[] = {
        {w.lineEditRowAscii, kRowAsciiLength, ascii.size()},
        {w.lineEditRowHex, kRowHexLength, hex.size()},
        {w.lineEditRowFunction, kRowFunctionLength, function.size()},
    };
    for (const auto &l : limits)
        l.field->setMaxLength(int(std::max<qsizetype>(l.limit, l.shownLength)));
}

// Last steps of both openings: the popup holds the only input until it closes.
void openRowPopup(MainWindow &w) {
    w.on_textChangedAsciiHex();
    w.table_setEnabled(false);
    w.ui->treeWidget->setEnabled(false);
    w.setActive1(w.lineEditRowDmx->text());
    w.lineEditRowDmx->setFocus();
    w.rowPopup->show();
    w.rowPopup->activateWindow();
}
} // namespace

// Built once by the constructor; upWindowRowPopup() lays it out per opening.
void MainWindow::buildRowPopup() {
    rowPopup = new QDialog(this);
    rowPopup->setObjectName(QStringLiteral("rowPopup"));
    rowPopup->setWindowTitle(tr("Insert-Edit Row"));

    const struct {
        QLabel **label;
        QLineEdit **field;
        const char *name;
        QString caption;
    } rows[] = {
        {&labelRowDmx, &lineEditRowDmx, "Dmx", tr("DMX address")},
        {&labelRowLow, &lineEditRowLow, "Low", tr("Low Value")},
        {&labelRowHigh, &lineEditRowHigh, "High", tr("High Value")},
        {&labelRowAscii, &lineEditRowAscii, "Ascii", tr("Command ASCII")},
        {&labelRowHex, &lineEditRowHex, "Hex", tr("Command HEX")},
        {&labelRowFunction, &lineEditRowFunction, "Function", tr("Function Name")},
    };
    int y = 10;
    for (const auto &row : rows) {
        *row.label = new QLabel(row.caption, rowPopup);
        (*row.label)->setObjectName(QStringLiteral("labelRow") + QLatin1String(row.name));
        (*row.label)->setGeometry(10, y, 110, 24);
        *row.field = new QLineEdit(rowPopup);
        (*row.field)->setObjectName(QStringLiteral("lineEditRow") + QLatin1String(row.name));
        (*row.field)->setGeometry(125, y, 200, 24);
        y += 30;
    }
    btnRowOk = new QPushButton(tr("O&K"), rowPopup);
    btnRowOk->setObjectName(QStringLiteral("btnRowOk"));
    btnRowOk->setGeometry(125, y + 6, 95, 28);
    btnRowCancel = new QPushButton(tr("C&ancel"), rowPopup);
    btnRowCancel->setObjectName(QStringLiteral("btnRowCancel"));
    btnRowCancel->setGeometry(230, y + 6, 95, 28);
    rowPopup->resize(340, y + 44);

    // What can be typed; the live check and OK catch the rest.
    lineEditRowDmx->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[1-9][0-9][0-9]")), rowPopup));
    auto *valueValidator = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{1,3}")), rowPopup);
    lineEditRowLow->setValidator(valueValidator);
    lineEditRowHigh->setValidator(valueValidator);
    lineEditRowHex->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9a-fA-F]{60}")), rowPopup));
    setTextLimits(*this, {}, {}, {});
    // Another device or row must not be chosen, nor the project replaced, under an open popup.
    rowPopup->setWindowModality(Qt::WindowModal);

    for (QLineEdit *field : {lineEditRowDmx, lineEditRowLow, lineEditRowHigh})
        connect(field, &QLineEdit::textChanged, this, &MainWindow::setActive1);
    connect(btnRowOk, &QPushButton::clicked, this, &MainWindow::okPopup);
    connect(btnRowCancel, &QPushButton::clicked, this, &MainWindow::cancelPopup);
    connect(rowPopup, &QDialog::finished, this, &MainWindow::closeEventEx);
    rowPopup->hide();
}

void MainWindow::sortChanel(QList<MyChanel> *list) { ::sortChanel(list); }

void MainWindow::findFreePlace(QList<MyChanel> *list) { listFreePlaces = findFreeRanges(*list); }

// The live check: every change of the DMX, Low or High text.
void MainWindow::setActive1(const QString &) {
    setRowLabel(labelRowDmx, kDmxCaption, kBlack);
    setRowLabel(labelRowLow, kLowCaption, kBlack);
    setRowLabel(labelRowHigh, kHighCaption, kBlack);
    const QString dmx = lineEditRowDmx->text();
    dmxPopC = popupNumber(dmx);
    if (dmxAboveRange(dmx)) {
        criticalMessage(dmxOutOfRangeMessage());
        lineEditRowDmx->clear();
        return;
    }
    QTableWidget *table = ui->tableWidget;
    for (int row = 0; row < table->rowCount(); ++row)
        table->setRowHidden(row, false);
    if (editRowNumber < 0) {
        lineEditRowLow->setEnabled(!dmx.isEmpty());
        lineEditRowHigh->setEnabled(!dmx.isEmpty());
    }
    setActive2(lineEditRowLow->text());
    setActive3(lineEditRowHigh->text());
}

void MainWindow::setActive2(const QString &low) { applyValuePass(*this, true, low); }

void MainWindow::setActive3(const QString &high) { applyValuePass(*this, false, high); }

void MainWindow::okPopup() {
    if (editRowNumber < 0 && insertRowNumber < 0)
        return; // the popup is not open
    const TypedRow typed = typedRow(*this);
    QString message = finalCheckMessage(typed, rangeBusy);
    if (message.isEmpty())
        message = rowKeepMessage(typed);
    if (!message.isEmpty()) {
        criticalMessage(message);
        return;
    }
    rowPopup->hide();
    hide();
    QTreeWidgetItem *item = ui->treeWidget->currentItem();
    const EditorState before = editorState(); // before any record is touched: they are shared
    bool stored = false;
    if (MyDevice *device = shownDevice()) {
        stored = storeTypedRow(&device->listChanel, editRowNumber, typed);
        if (stored) {
            if (editRowNumber >= 0)
                tableRow_setColor(editRowNumber, colorWhite);
            device->changesInTable = true;
            markDeviceChanged(item);
            sortChanel(&device->listChanel);
        }
    }
    const QString label = editRowNumber >= 0 ? tr("Edit row") : tr("Insert row");
    editRowNumber = -1;
    insertRowNumber = -1;
    getPositionTree(item, 0);
    if (stored)
        recordStep(label, before);
}

// The device whose table is on screen: the tree's current item, by name.
MyDevice *MainWindow::shownDevice(QString *manufacturer) {
    const QTreeWidgetItem *item = ui->treeWidget->currentItem();
    if (!item || !item->parent())
        return nullptr;
    const int preset = findPreset(listMyPresets, item->parent()->text(0));
    const int device = findDevice(listMyPresets, preset, item->text(0));
    if (device < 0)
        return nullptr;
    if (manufacturer)
        *manufacturer = listMyPresets[preset].deviceParent;
    return &listMyPresets[preset].listMyDevices[device];
}

// The next display paints both entries yellow from these markers.
void MainWindow::markDeviceChanged(QTreeWidgetItem *item) {
    if (!item)
        return;
    item->setWhatsThis(0, kStatusChanged);
    if (item->parent())
        item->parent()->setWhatsThis(0, kStatusChanged);
}

void MainWindow::validateTable() {}

QString MainWindow::findFreeValue(int) { return {}; }

bool MainWindow::makeShadowCopy(QList<MyChanel> *, QList<MyChanel> *, bool) { return true; }

// Number cells keep the plain number as text and what's-this data (the row
// rules read it there), show it as a picture and give it in hex as tooltip.
void MainWindow::fillTableRows(int row, int column, QString text, QString status) {
    auto *cell = new QTableWidgetItem(text);
    if (column <= 2) {
        const int number = chanelNumber(text);
        cell->setWhatsThis(text);
        cell->setToolTip(numberToolTip(number));
        // An icon made from a file decodes it; one per picture keeps a large table quick to show.
        const QString picture = (column == 0 ? sNum512Path : sNum256Path) + QStringLiteral("%1.png").arg(number);
        auto icon = numberIcons.constFind(picture);
        if (icon == numberIcons.cend())
            icon = numberIcons.insert(picture, QIcon(picture));
        cell->setIcon(*icon);
    }
    cell->setTextAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    cell->setBackground(status == kStatusChanged ? colorChanged : colorWhite);
    ui->tableWidget->setItem(row, column, cell);
}

// Edit and Delete make sense only on an existing row.
void MainWindow::table_setEnabled(bool on) {
    ui->tableWidget->setEnabled(on);
    ui->btnDmxInsert->setEnabled(on);
    const bool rowChosen = on && ui->tableWidget->currentRow() >= 0;
    ui->btnDmxEdit->setEnabled(rowChosen);
    ui->btnDmxDelete->setEnabled(rowChosen);
    for (QWidget *tool :
         std::initializer_list<QWidget *>{btnRowsImport, btnRowsExport, btnSplitChanel, btnTryRow, lineEditTestValue})
        tool->setEnabled(on);
    for (QAction *action : {actImportRows, actExportRows, actSplitChanel, actTryRow})
        action->setEnabled(on);
}

void MainWindow::tableRow_setSelected(int row, bool selected) {
    for (int column = 0; column < kColumns; ++column)
        if (QTableWidgetItem *cell = ui->tableWidget->item(row, column))
            cell->setSelected(selected);
}

void MainWindow::tableRow_setColor(int row, QColor color) {
    for (int column = 0; column < kColumns; ++column)
        if (QTableWidgetItem *cell = ui->tableWidget->item(row, column))
            cell->setBackground(color);
}

void MainWindow::insertRow() {
    if (!ui->tableWidget->isEnabled() || rowPopup->isVisible())
        return;
    rangeBusy = false;
    upWindowRowPopup();
    if (listFreePlaces.isEmpty()) {
        criticalMessage(tr("All DMX channels in use /edit/delete for add new DMX channel"));
        return;
    }
    editRowNumber = -1;
    insertRowNumber = ui->tableWidget->rowCount();
    rowPopup->setWindowTitle(tr("Insert DMX Channel"));
    const MyChanel &proposal = listFreePlaces.first();
    fillRowFields(*this, proposal.dmx_chanel, proposal.dmx_valueFrom, proposal.dmx_valueTo);
    lineEditRowDmx->setEnabled(true);
    setTextLimits(*this, {}, {}, {});
    lineEditRowAscii->clear();
    lineEditRowHex->clear();
    lineEditRowFunction->clear();
    if (ui->tableWidget->currentRow() >= 0)
        tableRow_setSelected(ui->tableWidget->currentRow(), false);
    openRowPopup(*this);
}

void MainWindow::editRow() {
    on_tableWidget_cellDoubleClicked(ui->tableWidget->currentRow(), ui->tableWidget->currentColumn());
}

void MainWindow::copy() {
    on_tableWidget_cellDoubleClicked(ui->tableWidget->currentRow(), ui->tableWidget->currentColumn());
}

void MainWindow::on_tableWidget_cellDoubleClicked(int row, int) {
    QTableWidget *table = ui->tableWidget;
    if (row < 0 || row >= table->rowCount() || !table->isEnabled() || rowPopup->isVisible())
        return;
    rangeBusy = false;
    upWindowRowPopup();
    insertRowNumber = -1;
    editRowNumber = row;
    tableRow_setSelected(row, false);
    tableRow_setColor(row, colorChanged);
    rowPopup->setWindowTitle(tr("Edit DMX Channel"));

    auto cellText = [table, row](int column) {
        const QTableWidgetItem *cell = table->item(row, column);
        return cell ? cell->text() : QString();
    };
    fillRowFields(*this, cellText(0), cellText(1), cellText(2));
    // A row keeps its channel; a new channel is a new row.
    lineEditRowDmx->setEnabled(false);
    lineEditRowLow->setEnabled(true);
    lineEditRowHigh->setEnabled(true);
    const QString command = cellText(3);
    const bool isHex = command.startsWith(sHexPrefix);
    const QString hex = isHex ? command.mid(sHexPrefix.size()) : QString();
    const QString ascii = isHex                              ? QString()
                          : command.startsWith(sAsciiPrefix) ? command.mid(sAsciiPrefix.size())
                                                             : command;
    setTextLimits(*this, ascii, hex, cellText(4));
    lineEditRowHex->setText(hex);
    lineEditRowAscii->setText(ascii);
    lineEditRowFunction->setText(cellText(4));
    openRowPopup(*this);
}

void MainWindow::deleteRow() {
    QTableWidget *table = ui->tableWidget;
    const int row = table->currentRow();
    if (row < 0 || !table->isEnabled() || rowPopup->isVisible())
        return;
    // First: the state shares the records, so a pointer taken before it would change both.
    const EditorState before = editorState();
    MyDevice *device = shownDevice();
    if (!device || row >= device->listChanel.size())
        return;
    auto cellText = [table, row](int column) {
        const QTableWidgetItem *cell = table->item(row, column);
        return cell ? cell->text() : QString();
    };
    const QString question = QStringLiteral("Are you sure to delete ") + QStringLiteral("DMX channel: ") + cellText(0) +
                             QStringLiteral(" with values ") + cellText(1) + QStringLiteral(" - ") + cellText(2) +
                             QStringLiteral("?");
    // Only an explicit Yes deletes; closing the box keeps the row.
    if (questionRemoveMessage(tr("Delete row"), question) != QMessageBox::Yes)
        return;
    QTreeWidgetItem *item = ui->treeWidget->currentItem();
    device->changesInTable = true;
    markDeviceChanged(item);
    device->listChanel.removeAt(row);
    table->removeRow(row);
    sortChanel(&device->listChanel);
    getPositionTree(item, 0);
    recordStep(tr("Delete row"), before);
}

// Placed over the table at each opening; the window may have moved.
void MainWindow::upWindowRowPopup() {
    for (QLabel *label : {labelRowDmx, labelRowLow, labelRowHigh, labelRowAscii, labelRowHex, labelRowFunction}) {
        label->setTextFormat(Qt::RichText);
        label->setFont(fontNormal10);
    }
    setRowLabel(labelRowDmx, kDmxCaption, kBlack);
    setRowLabel(labelRowLow, kLowCaption, kBlack);
    setRowLabel(labelRowHigh, kHighCaption, kBlack);
    for (QPushButton *button : {btnRowOk, btnRowCancel})
        button->setFont(fontBold10);
    const QPoint tableCentre = ui->tableWidget->mapToGlobal(ui->tableWidget->rect().center());
    rowPopup->move(tableCentre - QPoint(rowPopup->width() / 2, rowPopup->height() / 2));
}

void MainWindow::cancelPopup() {
    rowPopup->hide();
    hide();
    if (editRowNumber >= 0) {
        // The colour the row's status gives: white, or yellow for a row still unsaved.
        const MyDevice *device = shownDevice();
        const bool unsaved = device && editRowNumber < device->listChanel.size() &&
                             device->listChanel.at(editRowNumber).status == kStatusChanged;
        tableRow_setColor(editRowNumber, unsaved ? colorChanged : colorWhite);
        editRowNumber = -1;
    } else {
        insertRowNumber = -1;
    }
}

void MainWindow::closeEventEx(int) { cancelPopup(); }

void MainWindow::hide() {
    QTableWidget *table = ui->tableWidget;
    for (int row = 0; row < table->rowCount(); ++row)
        table->setRowHidden(row, false);
    table_setEnabled(true);
    ui->treeWidget->setEnabled(true);
}
