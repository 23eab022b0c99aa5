#include "splitdialog.h"

#include "rangesplit.h"
#include "rowentry.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {
const QColor kRefused(255, 200, 200);
}

SplitDialog::SplitDialog(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("splitDialog"));
    setWindowTitle(tr("Split DMX Channel"));
    setWindowModality(Qt::WindowModal);
    auto *form = new QFormLayout;
    auto field = [&](QLineEdit **edit, const char *name, const QString &caption) {
        *edit = new QLineEdit(this);
        (*edit)->setObjectName(QLatin1String(name));
        auto *label = new QLabel(caption, this);
        label->setBuddy(*edit);
        form->addRow(label, *edit);
    };
    field(&chanel, "splitChanel", tr("&DMX channel:"));
    field(&first, "splitFirst", tr("&First value:"));
    field(&last, "splitLast", tr("&Last value:"));
    count = new QSpinBox(this);
    count->setObjectName(QStringLiteral("splitCount"));
    count->setRange(1, 256);
    auto *countLabel = new QLabel(tr("&Ranges:"), this);
    countLabel->setBuddy(count);
    form->addRow(countLabel, count);
    field(&command, "splitCommand", tr("&Command:"));
    ascii = new QRadioButton(tr("A&SCII"), this);
    hex = new QRadioButton(tr("&HEX"), this);
    ascii->setChecked(true);
    auto *kind = new QHBoxLayout;
    kind->addWidget(ascii);
    kind->addWidget(hex);
    kind->addStretch();
    form->addRow(QString(), kind);
    field(&function, "splitFunction", tr("F&unction name:"));
    auto *hint = new QLabel(tr("{n} is the range's number from 1; {n:02X} gives 01, 02, ... 0A in hex."), this);
    hint->setWordWrap(true);
    form->addRow(QString(), hint);

    chanel->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[1-9][0-9]{0,2}")), this));
    auto *value = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{1,3}")), this);
    first->setValidator(value);
    last->setValidator(value);

    preview = new QTableWidget(0, 5, this);
    preview->setObjectName(QStringLiteral("splitPreview"));
    preview->setHorizontalHeaderLabels({tr("DMX"), tr("Low"), tr("High"), tr("Command"), tr("Function Name")});
    preview->verticalHeader()->setVisible(false);
    preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    preview->setSelectionMode(QAbstractItemView::NoSelection);
    preview->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    verdict = new QLabel(this);
    verdict->setObjectName(QStringLiteral("splitVerdict"));
    verdict->setWordWrap(true);

    add = new QPushButton(tr("&Add rows"), this);
    add->setObjectName(QStringLiteral("splitAdd"));
    add->setDefault(true);
    cancel = new QPushButton(tr("Ca&ncel"), this);
    cancel->setObjectName(QStringLiteral("splitCancel"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(add);
    buttons->addWidget(cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(preview, 1);
    layout->addWidget(verdict);
    layout->addLayout(buttons);
    resize(520, 560);

    for (QLineEdit *edit : {chanel, first, last, command, function})
        connect(edit, &QLineEdit::textChanged, this, &SplitDialog::refresh);
    connect(count, &QSpinBox::valueChanged, this, &SplitDialog::refresh);
    connect(hex, &QRadioButton::toggled, this, &SplitDialog::refresh);
    connect(add, &QPushButton::clicked, this, [this] {
        if (add->isEnabled())
            accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void SplitDialog::start(const QList<MyChanel> &existing, const MyChanel &proposal) {
    existing_ = existing;
    {
        const QSignalBlocker blocks[] = {QSignalBlocker(chanel), QSignalBlocker(first), QSignalBlocker(last),
                                         QSignalBlocker(count)};
        chanel->setText(proposal.dmx_chanel);
        first->setText(proposal.dmx_valueFrom);
        last->setText(proposal.dmx_valueTo);
        count->setValue(2);
    }
    refresh();
    chanel->setFocus();
}

// Every change builds the rows again and judges each against the device and the rows before it.
void SplitDialog::refresh() {
    SplitRequest request{chanel->text(),  first->text(),    last->text(),    count->value(),
                         command->text(), hex->isChecked(), function->text()};
    QString error;
    QList<SplitOverflow> overflows;
    QList<RowRefusal> refusals;
    if (splitChanel(request, &rows_, &error, &overflows))
        refusals = newRowRefusals(rows_, existing_);
    // An outgrown counter is refused first: it is why the row differs.
    for (const SplitOverflow &o : overflows) {
        auto at =
            std::find_if(refusals.begin(), refusals.end(), [&](const RowRefusal &r) { return r.index >= o.index; });
        if (at != refusals.end() && at->index == o.index)
            at->message = o.message + QLatin1Char('\n') + at->message;
        else
            refusals.insert(at, {o.index, o.message});
    }
    preview->setRowCount(int(rows_.size()));
    for (int r = 0; r < rows_.size(); ++r) {
        const TypedRow &row = rows_[r];
        const QString shown =
            request.hexCommand ? QStringLiteral("HEX:") + row.hex : QStringLiteral("ASCII:") + row.ascii;
        const QString cells[] = {row.dmx, row.low, row.high, shown, row.function};
        for (int c = 0; c < 5; ++c)
            preview->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
    for (const RowRefusal &refusal : refusals)
        for (int c = 0; c < 5; ++c) {
            preview->item(int(refusal.index), c)->setBackground(kRefused);
            preview->item(int(refusal.index), c)->setToolTip(refusal.message);
        }
    if (!error.isEmpty())
        verdict->setText(error);
    else if (!refusals.isEmpty())
        verdict->setText(tr("Row %1: %2").arg(refusals.first().index + 1).arg(refusals.first().message) +
                         (refusals.size() > 1 ? tr(" (%1 rows refused)").arg(refusals.size()) : QString()));
    else
        verdict->setText(tr("%1 rows can be added.").arg(rows_.size()));
    add->setEnabled(error.isEmpty() && refusals.isEmpty());
}
