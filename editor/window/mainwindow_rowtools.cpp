// The row tools under the channel table: a device's rows to and from a
// spreadsheet file, the range split, and "Test value", which selects the row
// a typed channel/value would fire. Wiring only: rowscsv, rangesplit and
// rowentry decide.
#include "mainwindow.h"

#include "dialogs.h"
#include "rowentry.h"
#include "rowscsv.h"
#include "splitdialog.h"
#include "ui_mainwindow.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSaveFile>

namespace {
// The margin under the table holds one row of small controls.
constexpr int kStripGap = 1;
constexpr int kStripHeight = 22;
constexpr int kMaxListedRefusals = 20;
const QString kCsvFilter = QStringLiteral("CSV files (*.csv);;Any files (*)");

// New rows join like inserted ones: yellow until saved, the device and its entry marked.
void addRows(MainWindow &w, MyDevice *device, const QList<TypedRow> &rows) {
    QTreeWidgetItem *item = w.ui->treeWidget->currentItem();
    addNewRows(&device->listChanel, rows);
    device->changesInTable = true;
    w.markDeviceChanged(item);
    w.getPositionTree(item, 0);
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
    button(&btnRowsImport, "btnRowsImport", tr("I&mport rows..."), &MainWindow::importRows);
    button(&btnRowsExport, "btnRowsExport", tr("E&xport rows..."), &MainWindow::exportRows);
    button(&btnSplitChanel, "btnSplitChanel", tr("S&plit channel..."), &MainWindow::splitChanel);
    labelTestValue = new QLabel(tr("&Test value:"), parent);
    labelTestValue->setObjectName(QStringLiteral("labelTestValue"));
    lineEditTestValue = new QLineEdit(parent);
    lineEditTestValue->setObjectName(QStringLiteral("lineEditTestValue"));
    lineEditTestValue->setPlaceholderText(tr("channel/value"));
    lineEditTestValue->setToolTip(tr("A DMX channel and a value, as 12/200: the row that would fire is selected."));
    lineEditTestValue->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,3}[/ ,:]?\\d{0,3}")), parent));
    labelTestValue->setBuddy(lineEditTestValue);
    labelTestResult = new QLabel(parent);
    labelTestResult->setObjectName(QStringLiteral("labelTestResult"));
    connect(lineEditTestValue, &QLineEdit::textChanged, this, &MainWindow::testValue);

    splitDialog = new SplitDialog(this);
    connect(splitDialog, &QDialog::accepted, this, &MainWindow::addSplitRows);
    placeRowTools();
}

// In the margin under the table; the window may have been resized.
void MainWindow::placeRowTools() {
    const QRect table = ui->tableWidget->geometry();
    const int y = table.bottom() + kStripGap, right = table.right() + 1;
    labelTestValue->setGeometry(table.left(), y, 80, kStripHeight);
    lineEditTestValue->setGeometry(table.left() + 82, y, 110, kStripHeight);
    labelTestResult->setGeometry(table.left() + 198, y, right - 3 * 118 - table.left() - 204, kStripHeight);
    QPushButton *buttons[] = {btnRowsImport, btnRowsExport, btnSplitChanel};
    for (int i = 0; i < 3; ++i)
        buttons[i]->setGeometry(right - (3 - i) * 118 + 6, y, 112, kStripHeight);
}

void MainWindow::exportRows() {
    QString manufacturer;
    const MyDevice *device = shownDevice(&manufacturer);
    if (!device || !btnRowsExport->isEnabled())
        return;
    const QString fileName = Dialogs::getSaveFileName(
        this, tr("Export rows"), sDefaultPath + QLatin1Char('/') + device->deviceType + QStringLiteral(".csv"),
        kCsvFilter);
    if (fileName.isEmpty())
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
    CsvRows csv;
    QString error;
    if (!readRowsCsv(file.readAll(), &csv, &error)) {
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
    addRows(*this, device, csv.rows);
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
    if (MyDevice *device = shownDevice())
        addRows(*this, device, splitDialog->rows());
}

void MainWindow::testValue(const QString &text) {
    int chanel = 0, value = 0;
    const MyDevice *device = shownDevice();
    if (!device || !chanelAndValue(text, &chanel, &value)) {
        labelTestResult->setText(text.isEmpty() ? QString() : tr("e.g. 12/200"));
        return;
    }
    const QList<int> firing = rowsFiringAt(rowRanges(device->listChanel), chanel, value);
    if (firing.isEmpty()) {
        ui->tableWidget->clearSelection();
        labelTestResult->setText(tr("<font color='red'>no row fires</font>"));
        return;
    }
    const int row = firing.first();
    ui->tableWidget->setCurrentCell(row, 0);
    ui->tableWidget->selectRow(row);
    ui->tableWidget->scrollToItem(ui->tableWidget->item(row, 0));
    labelTestResult->setText(tr("row %1: %2").arg(row + 1).arg(device->listChanel[row].function));
    labelTestResult->setToolTip(tr("DMX %1 at %2 fires row %3").arg(chanel).arg(value).arg(row + 1));
}
