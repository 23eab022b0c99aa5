// "Split channel...": one channel's values cut into N ranges, with command
// and function patterns, previewed row by row with what each row breaks. The
// rows can be taken only when none is refused. The dialog only shows and
// collects; rangesplit makes the rows and rowentry judges them.
#pragma once

#include "records.h"
#include "rowrules.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTableWidget;

class SplitDialog : public QDialog {
    Q_OBJECT
public:
    explicit SplitDialog(QWidget *parent);

    // Opens on a device: its rows are what the new ones must not overlap,
    // `proposal` fills the channel and the value range.
    void start(const QList<MyChanel> &existing, const MyChanel &proposal);
    // The rows to add; valid while the dialog is accepted.
    const QList<TypedRow> &rows() const { return rows_; }

    QLineEdit *chanel;
    QLineEdit *first;
    QLineEdit *last;
    QSpinBox *count;
    QLineEdit *command;
    QRadioButton *ascii;
    QRadioButton *hex;
    QLineEdit *function;
    QTableWidget *preview;
    QLabel *verdict;
    QPushButton *add;
    QPushButton *cancel;

private:
    void refresh();

    QList<MyChanel> existing_;
    QList<TypedRow> rows_;
};
