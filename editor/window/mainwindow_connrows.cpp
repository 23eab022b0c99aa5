// Connection-settings rows of the tree popup and the change flags of a
// device's settings (the flag arithmetic itself lives in the model).
#include "mainwindow.h"

#include "connflags.h"
#include "deviceedit.h"
#include "ui_mainwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// Boxes whose rect starts this far left are the left column.
constexpr int kLeftColumnMaxX = 160;
// Left-column rows below this show their combo box; the rest a free-text field.
constexpr int kFirstFieldRow = 5;

// Restyling re-polishes a widget, which is slow; the popup opens often.
void restyle(QWidget *w, const QFont &font, const QString &sheet) {
    if (w->font() != font)
        w->setFont(font);
    if (w->styleSheet() != sheet)
        w->setStyleSheet(sheet);
}

void checkRange(MainWindow *w, QLineEdit *field, bool valid, const QString &message) {
    if (valid)
        return;
    w->criticalMessage(message);
    field->setText(QStringLiteral("1"));
}

} // namespace

void MainWindow::setActiveLineEdit6(const QString &text) {
    checkRange(this, settingField[MyConnParam::Delay_Time], isTimeValueValid(text), kTimeRangeMessage);
}

void MainWindow::setActiveLineEdit9(const QString &text) {
    checkRange(this, settingField[MyConnParam::Replay_Wait_Time], isTimeValueValid(text), kTimeRangeMessage);
}

void MainWindow::setActiveLineEdit10(const QString &text) {
    checkRange(this, settingField[MyConnParam::Retry_Count], isRetryCountValid(text), kRetryRangeMessage);
}

// The lists take the boxes' entries only once list editing is over, so a
// half-edited list never reaches config.ini.
void MainWindow::changeStateOKThree(bool checked) {
    if (!checkBoxPopupLists->isChecked())
        for (int field = 0; field < MyConnParam::FieldCount; ++field)
            choiceList(field) = getNewStringsFromComboBox(settingCombo[field]);
    btnPopupOk->setEnabled(!checked);
    setComboxEnable(checked);
}

void MainWindow::setComboxEnable(bool enable) {
    for (QComboBox *combo : settingCombo) {
        combo->setEditable(enable);
        combo->setEnabled(true);
    }
}

QStringList MainWindow::getNewStringsFromComboBox(QComboBox *combo) {
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts.append(combo->itemText(i));
    return texts;
}

void MainWindow::setCurrentIndexInComboBox(QComboBox *combo, QString text) {
    const int index = combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0)
        combo->setCurrentIndex(index);
}

void MainWindow::setStrListInComboBox(QLabel *label, QComboBox *combo, QLineEdit *field, QRect rect, QStringList list,
                                      int row) {
    // Editable only while the lists are edited (setComboxEnable): every
    // opening ends in changeStateOKThree(false), and toggling an editable box
    // rebuilds its line edit, which made each opening slow.
    combo->clear();
    combo->setGeometry(rect);
    combo->addItems(list);
    const QString white = QStringLiteral("background-color: white");
    restyle(combo, fontNormal10, white);
    restyle(field, fontNormal10, white);
    restyle(label, fontBold10, sLabelStyle);
    field->setGeometry(rect);
    label->setGeometry(rect.x() - 140, rect.y() + 2, rect.width() + 5, rect.height() - 4);

    const bool left = rect.x() <= kLeftColumnMaxX;
    const bool showsCombo = left && row < kFirstFieldRow;
    combo->setVisible(showsCombo);
    field->setVisible(!showsCombo);

    const QListWidget *shown = left ? ui->listWidgetLeft : ui->listWidgetRight;
    const QListWidgetItem *entry = shown->item(row);
    const QString value = entry ? entry->toolTip() : QString();
    setCurrentIndexInComboBox(combo, value);
    // A left field with no device value keeps what it had, so add's defaults
    // can fill it; with one it shows that value, or a clone would silently
    // take the previous popup's number instead of its source's.
    if (!left || (!showsCombo && !value.isEmpty()))
        field->setText(value);
}

bool MainWindow::compareTwoStrings(QString a, QString b, int flag) { return ::compareTwoStrings(a, b, flag); }

bool MainWindow::setConnChanged(MyConnParam *current, MyConnParam *reference) {
    return ::setConnChanged(current, reference);
}

bool MainWindow::setConnSaved(MyConnParam *current, MyConnParam *reference) {
    return ::setConnSaved(current, reference);
}

void MainWindow::setConnSaved2(MyConnParam *p) { ::setConnSaved2(p); }
