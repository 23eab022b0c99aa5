// The channel table: its row popup, the row rules and the cell display.
#include "mainwindow.h"

#include "channelrules.h"
#include "ui_mainwindow.h"

#include <QDialog>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
// " 0x" and two or more upper-case digits: " 0x05", " 0xFF", " 0x012C".
QString numberToolTip(int number) {
    const QString digits = QString::number(number, 16).toUpper();
    return (number >= 16 && number <= 255 ? QStringLiteral(" 0x") : QStringLiteral(" 0x0")) + digits;
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

    for (QLineEdit *field : {lineEditRowDmx, lineEditRowLow, lineEditRowHigh})
        connect(field, &QLineEdit::textChanged, this, &MainWindow::setActive1);
    connect(btnRowOk, &QPushButton::clicked, this, &MainWindow::okPopup);
    connect(btnRowCancel, &QPushButton::clicked, this, &MainWindow::cancelPopup);
    connect(rowPopup, &QDialog::finished, this, &MainWindow::closeEventEx);
    rowPopup->hide();
}

void MainWindow::sortChanel(QList<MyChanel> *list) { ::sortChanel(list); }

void MainWindow::findFreePlace(QList<MyChanel> *list) { listFreePlaces = findFreeRanges(*list); }

void MainWindow::okPopup() {}

void MainWindow::setActive1(const QString &) {}

void MainWindow::setActive2(const QString &) {}

void MainWindow::setActive3(const QString &) {}

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
        cell->setIcon(QIcon((column == 0 ? sNum512Path : sNum256Path) + QStringLiteral("%1.png").arg(number)));
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
}

void MainWindow::tableRow_setSelected(int, bool) {}

void MainWindow::tableRow_setColor(int, QColor) {}

void MainWindow::insertRow() {}

void MainWindow::editRow() {}

void MainWindow::deleteRow() {}

void MainWindow::copy() {}

void MainWindow::on_tableWidget_cellDoubleClicked(int, int) {}

void MainWindow::upWindowRowPopup() {}

void MainWindow::cancelPopup() {}

void MainWindow::closeEventEx(int) {}

void MainWindow::hide() {}
