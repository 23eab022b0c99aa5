// The row tools under the channel table: a device's rows to and from a
// spreadsheet file, the range split, "Test value", which selects the row a
// typed channel/value would fire, and the try of a row on the equipment.
// Wiring only: rowscsv, rangesplit, rowentry and the exchange decide.
#include "mainwindow.h"

#include "dialogs.h"
#include "imagewriter.h"
#include "livepanel.h"
#include "rowentry.h"
#include "rowscsv.h"
#include "splitdialog.h"
#include "trydialog.h"
#include "ui_mainwindow.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSaveFile>
#include <QSpinBox>
#include <QHeaderView>
#include <QTableWidget>

namespace {
// The margin under the table holds one row of small controls.
constexpr int kStripGap = 1;
constexpr int kStripHeight = 22;
constexpr int kStripSpace = 6;
constexpr int kMaxListedRefusals = 20;
const QString kCsvFilter = QStringLiteral("CSV files (*.csv);;Any files (*)");
const char kFullText[] = "fullText";
const char kFullTip[] = "fullTip";

// The result as wide as the label allows; what does not fit is elided, never
// cut, and the whole text is in the tooltip.
void showTestResult(QLabel *label, const QString &text, const QString &tip) {
    label->setProperty(kFullText, text);
    label->setProperty(kFullTip, tip);
    const QString shown = label->fontMetrics().elidedText(text, Qt::ElideRight, label->width());
    label->setText(shown);
    label->setToolTip(shown == text ? tip : tip.isEmpty() ? text : text + QLatin1Char('\n') + tip);
}

QString rowCount(qsizetype n) { return n == 1 ? QStringLiteral("1 row") : QStringLiteral("%1 rows").arg(n); }

// New rows join like inserted ones: yellow until saved, the device and its
// entry marked; one step to undo. No rows change nothing.
void addRows(MainWindow &w, const QList<TypedRow> &rows, const QString &label) {
    if (rows.isEmpty())
        return;
    // The state shares the records: the device is found after it, so it changes alone.
    const EditorState before = w.editorState();
    MyDevice *device = w.shownDevice();
    if (!device)
        return;
    QTreeWidgetItem *item = w.ui->treeWidget->currentItem();
    addNewRows(&device->listChanel, rows);
    device->changesInTable = true;
    w.markDeviceChanged(item);
    w.getPositionTree(item, 0);
    w.recordStep(label, before);
}

// "12/200", "12 200", "12,200" or "12:200".
bool chanelAndValue(const QString &text, int *chanel, int *value) {
    static const QRegularExpression form(QStringLiteral("^\\s*(\\d{1,3})\\s*[/ ,:]\\s*(\\d{1,3})\\s*$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return false;
    *chanel = m.captured(1).toInt();
    *value = m.captured(2).toInt();
    return *chanel >= 1 && *chanel <= 512 && *value <= 255;
}
} // namespace

void MainWindow::buildRowTools() {
    QWidget *parent = ui->tableWidget->parentWidget();
    auto button = [&](QPushButton **b, const char *name, const QString &text, void (MainWindow::*slot)()) {
        *b = new QPushButton(text, parent);
        (*b)->setObjectName(QLatin1String(name));
        connect(*b, &QPushButton::clicked, this, slot);
    };
    // Short texts leave the test result its room; the tooltips and the
    // context menu say the whole.
    button(&btnRowsImport, "btnRowsImport", tr("I&mport..."), &MainWindow::importRows);
    btnRowsImport->setToolTip(tr("Import rows from a CSV file"));
    button(&btnRowsExport, "btnRowsExport", tr("E&xport..."), &MainWindow::exportRows);
    btnRowsExport->setToolTip(tr("Export the rows to a CSV file"));
    button(&btnSplitChanel, "btnSplitChanel", tr("S&plit..."), &MainWindow::splitChanel);
    btnSplitChanel->setToolTip(tr("Split a channel's values into ranges"));
    button(&btnTryRow, "btnTryRow", tr("Try on e&quipment..."), &MainWindow::tryOnEquipment);
    btnTryRow->setToolTip(tr("Send the selected row's command to the equipment over a serial port"));
    btnLiveDmx = new QPushButton(tr("&Live DMX"), parent);
    btnLiveDmx->setObjectName(QStringLiteral("btnLiveDmx"));
    btnLiveDmx->setCheckable(true);
    btnLiveDmx->setToolTip(tr("Listen to the universe beside it from olad: the rows that fire are shown and logged"));
    connect(btnLiveDmx, &QPushButton::toggled, this, &MainWindow::toggleLiveDmx);
    spinLiveUniverse = new QSpinBox(parent);
    spinLiveUniverse->setObjectName(QStringLiteral("spinLiveUniverse"));
    spinLiveUniverse->setRange(0, 65535);
    spinLiveUniverse->setValue(1);
    spinLiveUniverse->setToolTip(tr("The OLA universe to listen to"));
    spinLiveUniverse->setButtonSymbols(QAbstractSpinBox::NoButtons); // typed; the strip has no room for arrows
    labelTestValue = new QLabel(tr("&Test value:"), parent);
    labelTestValue->setObjectName(QStringLiteral("labelTestValue"));
    lineEditTestValue = new QLineEdit(parent);
    lineEditTestValue->setObjectName(QStringLiteral("lineEditTestValue"));
    lineEditTestValue->setPlaceholderText(tr("12/200"));
    lineEditTestValue->setToolTip(tr("A DMX channel and a value, as 12/200: the row that would fire is selected."));
    lineEditTestValue->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,3}[/ ,:]?\\d{0,3}")), parent));
    labelTestValue->setBuddy(lineEditTestValue);
    labelTestResult = new QLabel(parent);
    labelTestResult->setObjectName(QStringLiteral("labelTestResult"));
    // A function name is shown as it is, never read as markup.
    labelTestResult->setTextFormat(Qt::PlainText);
    connect(lineEditTestValue, &QLineEdit::textChanged, this, &MainWindow::testValue);

    splitDialog = new SplitDialog(this);
    connect(splitDialog, &QDialog::accepted, this, &MainWindow::addSplitRows);
    placeRowTools();
}

// In the margin under the table; the window may have been resized. Each
// control is as wide as its text needs, and the test result takes the rest.
void MainWindow::placeRowTools() {
    const QRect table = ui->tableWidget->geometry();
    const int y = table.bottom() + kStripGap, right = table.right() + 1;
    // Right to left, each button as wide as its own text, close together.
    constexpr int buttonGap = 3;
    int left = right + buttonGap;
    for (QPushButton *b : {btnTryRow, btnSplitChanel, btnRowsExport, btnRowsImport}) {
        const int width = b->fontMetrics().horizontalAdvance(b->text().remove(QLatin1Char('&'))) + 10;
        left -= width + buttonGap;
        b->setGeometry(left, y, width, kStripHeight);
    }
    int x = table.left();
    const int liveWidth = btnLiveDmx->fontMetrics().horizontalAdvance(QStringLiteral("Live DMX")) + 10;
    btnLiveDmx->setGeometry(x, y, liveWidth, kStripHeight);
    x += liveWidth + 2;
    const int universeWidth = spinLiveUniverse->fontMetrics().horizontalAdvance(QStringLiteral("65535")) + 8;
    spinLiveUniverse->setGeometry(x, y, universeWidth, kStripHeight);
    x += universeWidth + buttonGap + 1;
    const int labelWidth = labelTestValue->sizeHint().width();
    labelTestValue->setGeometry(x, y, labelWidth, kStripHeight);
    x += labelWidth + 2;
    // Room for the widest entry; what is left goes to the result.
    const QFontMetrics edit = lineEditTestValue->fontMetrics();
    const int editWidth = qMax(edit.horizontalAdvance(QStringLiteral("512/255")),
                               edit.horizontalAdvance(lineEditTestValue->placeholderText())) +
                          12;
    lineEditTestValue->setGeometry(x, y, editWidth, kStripHeight);
    x += editWidth + kStripSpace;
    labelTestResult->setGeometry(x, y, btnRowsImport->x() - kStripSpace - x, kStripHeight);
    showTestResult(labelTestResult, labelTestResult->property(kFullText).toString(),
                   labelTestResult->property(kFullTip).toString());
}

void MainWindow::exportRows() {
    QString manufacturer;
    const MyDevice *device = shownDevice(&manufacturer);
    if (!device || !btnRowsExport->isEnabled())
        return;
    const QString chosen = Dialogs::getSaveFileName(
        this, tr("Export rows"), sDefaultPath + QLatin1Char('/') + device->deviceType + QStringLiteral(".csv"),
        kCsvFilter);
    if (chosen.isEmpty())
        return;
    // The dialog asked before replacing the name as typed, not the one with the suffix.
    const QString fileName = withCsvSuffix(chosen);
    if (fileName != chosen && QFileInfo::exists(fileName) &&
        questionRemoveMessage(tr("Export rows"), tr("%1 already exists. Replace it?").arg(fileName)) !=
            QMessageBox::Yes)
        return;
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(rowsToCsv(device->listChanel)) < 0 || !file.commit())
        criticalMessage(tr("Cannot write %1: %2").arg(fileName, file.errorString()));
}

void MainWindow::importRows() {
    MyDevice *device = shownDevice();
    if (!device || !btnRowsImport->isEnabled())
        return;
    const QString fileName = Dialogs::getOpenFileName(this, tr("Import rows"), sDefaultPath, kCsvFilter);
    if (fileName.isEmpty())
        return;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        criticalMessage(tr("Cannot read %1: %2").arg(fileName, file.errorString()));
        return;
    }
    const QByteArray bytes = file.readAll();
    CsvRows csv;
    QString error;
    bool read = readRowsCsv(bytes, &csv, &error);
    if (!read && csv.encodingUnclear) {
        const int answer = questionMessage(
            tr("Import rows"), tr("%1 is neither all UTF-8 nor all Latin-1.\n%2\n\nRead it as Latin-1?\n"
                                  "Yes: Latin-1, every byte one character (UTF-8 characters become two or more).\n"
                                  "No: UTF-8 (the rows holding bytes that are not UTF-8 are refused).\n"
                                  "Cancel: import nothing.")
                                   .arg(fileName, error));
        if (answer != QMessageBox::Yes && answer != QMessageBox::No)
            return;
        read = readRowsCsv(bytes, &csv, &error, answer == QMessageBox::Yes ? CsvEncoding::Latin1 : CsvEncoding::Utf8);
    }
    if (!read) {
        criticalMessage(tr("%1 is not a table of rows.\n%2").arg(fileName, error));
        return;
    }
    const QList<CsvRefusal> refusals = csvRefusals(csv, device->listChanel);
    if (!refusals.isEmpty()) {
        QStringList lines;
        for (qsizetype i = 0; i < refusals.size() && i < kMaxListedRefusals; ++i)
            lines << tr("line %1: %2").arg(refusals[i].line).arg(refusals[i].message);
        if (refusals.size() > kMaxListedRefusals)
            lines << tr("... and %1 more").arg(refusals.size() - kMaxListedRefusals);
        criticalMessage(tr("Nothing imported: %1 of %2 rows are refused.\n\n%3")
                            .arg(refusals.size())
                            .arg(csv.rows.size())
                            .arg(lines.join(QLatin1Char('\n'))));
        return;
    }
    addRows(*this, csv.rows, tr("Import %1").arg(rowCount(csv.rows.size())));
}

void MainWindow::splitChanel() {
    const MyDevice *device = shownDevice();
    if (!device || !btnSplitChanel->isEnabled())
        return;
    // The current row's channel is the likely one; else the first free range.
    MyChanel proposal = listFreePlaces.value(0);
    const int row = ui->tableWidget->currentRow();
    if (row >= 0 && row < device->listChanel.size()) {
        const QString chanel = device->listChanel[row].dmx_chanel;
        proposal = MyChanel{{}, chanel, QStringLiteral("0"), QStringLiteral("255"), {}, {}};
        for (const MyChanel &free : listFreePlaces)
            if (free.dmx_chanel == chanel) {
                proposal = free;
                break;
            }
    }
    splitDialog->start(device->listChanel, proposal);
    splitDialog->show();
    splitDialog->activateWindow();
}

void MainWindow::addSplitRows() {
    const QList<TypedRow> rows = splitDialog->rows();
    if (!rows.isEmpty())
        addRows(*this, rows, tr("Split channel %1 into %2").arg(rows[0].dmx, rowCount(rows.size())));
}

void MainWindow::testValue(const QString &text) {
    int chanel = 0, value = 0;
    const MyDevice *device = shownDevice();
    if (!device || !chanelAndValue(text, &chanel, &value)) {
        labelTestResult->setStyleSheet(QString());
        showTestResult(labelTestResult, text.isEmpty() ? QString() : tr("e.g. 12/200"), QString());
        return;
    }
    const QList<int> firing = rowsFiringAt(rowRanges(device->listChanel), chanel, value);
    QTableWidget *table = ui->tableWidget;
    if (firing.isEmpty()) {
        // No row is chosen then, so Edit and Delete have nothing to work on.
        table->setCurrentCell(-1, -1);
        table->clearSelection();
        if (table->isEnabled())
            table_setEnabled(true);
        labelTestResult->setStyleSheet(QStringLiteral("color: red;"));
        showTestResult(labelTestResult, tr("no row fires"), QString());
        return;
    }
    const int row = firing.first();
    table->setCurrentCell(row, 0);
    table->selectRow(row);
    table->scrollToItem(table->item(row, 0));
    // As a click on the row: Edit and Delete work on it.
    if (table->isEnabled())
        table_setEnabled(true);
    labelTestResult->setStyleSheet(QString());
    showTestResult(labelTestResult, tr("row %1: %2").arg(row + 1).arg(device->listChanel[row].function),
                   tr("DMX %1 at %2 fires row %3").arg(chanel).arg(value).arg(row + 1));
}

void MainWindow::tryOnEquipment() {
    QString manufacturer;
    const MyDevice *device = shownDevice(&manufacturer);
    if (!device || !btnTryRow->isEnabled())
        return;
    const int row = ui->tableWidget->currentRow();
    if (row < 0 || row >= device->listChanel.size()) {
        informMessage(tr("Select the row to try in the table first."));
        return;
    }
    const MyChanel &r = device->listChanel[row];
    if (!tryDialog)
        tryDialog = new TryDialog(this);
    // The settings as they stand now, saved or not: what the image would hold.
    tryDialog->setRow(tr("%1 / %2: row %3, DMX %4 at %5-%6, %7")
                          .arg(manufacturer, device->deviceType, QString::number(row + 1), r.dmx_chanel,
                               r.dmx_valueFrom, r.dmx_valueTo, r.function),
                      connRecord(device->connParam), chanelRecord(r));
    tryDialog->refreshPorts();
    tryDialog->show();
    tryDialog->raise();
    tryDialog->activateWindow();
}

void MainWindow::toggleLiveDmx(bool on) {
    spinLiveUniverse->setEnabled(!on);
    ui->tableWidget->verticalHeader()->setVisible(on); // each row's channel value, while live
    if (!livePanel) {
        livePanel = new LivePanel(this);
        connect(livePanel, &LivePanel::valuesChanged, this, &MainWindow::showLiveValues);
        connect(livePanel, &QDialog::rejected, btnLiveDmx, [this] { btnLiveDmx->setChecked(false); });
    }
    if (!on) {
        livePanel->stop();
        livePanel->hide();
        liveRowStates.clear();
        if (MyDevice *device = shownDevice())
            for (int row = 0; row < device->listChanel.size(); ++row)
                tableRow_setColor(row, device->listChanel[row].status == kStatusChanged ? colorChanged : colorWhite);
        return;
    }
    liveFollowDevice();
    livePanel->start(unsigned(spinLiveUniverse->value()));
    if (!livePanel->isVisible())
        livePanel->move(frameGeometry().right() + 8, frameGeometry().top()); // beside the table, not over it
    livePanel->show();
}

void MainWindow::liveFollowDevice() {
    if (!livePanel || !btnLiveDmx->isChecked())
        return;
    QString manufacturer;
    const MyDevice *device = shownDevice(&manufacturer);
    QList<MyChanelUSB> rows;
    if (device)
        for (const MyChanel &r : device->listChanel)
            rows << chanelRecord(r);
    livePanel->setDevice(device ? manufacturer + QStringLiteral(" / ") + device->deviceType : tr("No device shown"),
                         device ? connRecord(device->connParam) : image::zeroed<MyConnParamUSB>(), rows);
    liveRowStates.clear();
}

// Only the rows whose value or highlight changed are touched: a full
// universe comes 44 times a second.
void MainWindow::showLiveValues() {
    const MyDevice *device = shownDevice();
    const LiveFiring *firing = livePanel ? livePanel->firing() : nullptr;
    if (!device || !firing || ui->tableWidget->rowCount() != device->listChanel.size())
        return;
    const qsizetype rows = device->listChanel.size();
    if (liveRowStates.size() != rows)
        liveRowStates = QList<int>(rows, -1);
    for (int row = 0; row < rows; ++row) {
        const int chanel = device->listChanel[row].dmx_chanel.toInt();
        if (chanel < 1 || chanel > kUniverseSize)
            continue;
        const bool holds = firing->heldRow(chanel) == row;
        const int state = firing->value(chanel) * 2 + (holds ? 1 : 0);
        if (state == liveRowStates[row])
            continue;
        liveRowStates[row] = state;
        auto *header = ui->tableWidget->verticalHeaderItem(row);
        if (!header)
            ui->tableWidget->setVerticalHeaderItem(row, header = new QTableWidgetItem);
        header->setText(QString::number(firing->value(chanel)));
        tableRow_setColor(row, holds                                             ? colorLive
                               : device->listChanel[row].status == kStatusChanged ? colorChanged
                                                                                  : colorWhite);
    }
}
