#include "livepanel.h"

#include "hexconv.h"
#include "imagefields.h"
#include "olasource.h"
#include "commandqueue.h"
#include "serialexchange.h"
#include "trydialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTime>
#include <QTimer>

namespace {
constexpr int kLogLines = 200;
QString now() { return QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz")); }
} // namespace

LivePanel::LivePanel(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("livePanel"));
    setWindowTitle(tr("Live DMX"));
    titleLabel = new QLabel(this);
    titleLabel->setTextFormat(Qt::PlainText);
    stateLabel = new QLabel(this);
    stateLabel->setObjectName(QStringLiteral("liveState"));
    stateLabel->setTextFormat(Qt::PlainText);
    sendBox = new QCheckBox(tr("&Send to the equipment on"), this);
    sendBox->setObjectName(QStringLiteral("liveSend"));
    portBox = new QComboBox(this);
    portBox->setObjectName(QStringLiteral("livePort"));
    portBox->setEditable(true);
    portBox->setMinimumWidth(220);
    logView = new QPlainTextEdit(this);
    logView->setObjectName(QStringLiteral("liveLog"));
    logView->setReadOnly(true);
    logView->setMaximumBlockCount(kLogLines); // the last fires, not the whole show
    logView->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    logView->setMinimumSize(620, 220);
    auto *grid = new QGridLayout(this);
    grid->addWidget(titleLabel, 0, 0, 1, 2);
    grid->addWidget(stateLabel, 1, 0, 1, 2);
    grid->addWidget(sendBox, 2, 0);
    grid->addWidget(portBox, 2, 1);
    grid->addWidget(logView, 3, 0, 1, 2);
    grid->setColumnStretch(1, 1);

    source = new OlaSource(this);
    commands = new CommandQueue(this);
    refresh = new QTimer(this);
    refresh->setSingleShot(true);
    refresh->setInterval(100);
    connect(refresh, &QTimer::timeout, this, &LivePanel::flush);
    connect(source, &OlaSource::connected, this, [this] {
        stateLabel->setText(tr("Listening to olad"));
        if (firing_)
            firing_->restart();
    });
    connect(source, &OlaSource::disconnected, this,
            [this](const QString &why) { stateLabel->setText(tr("%1; trying again every second").arg(why)); });
    connect(source, &OlaSource::frame, this, &LivePanel::onFrame);
    connect(sendBox, &QCheckBox::toggled, this, [this](bool on) {
        if (!on) {
            commands->close();
            portOpen_ = false;
        }
    });
    connect(commands, &CommandQueue::tryEnded, this, [this](const ExchangeTry &t, const ExchangeSettings &s) {
        for (const QString &line : tryLines(t, s))
            log(QStringLiteral("  ") + line);
    });
    connect(commands, &CommandQueue::finished, this,
            [this](const ExchangeResult &r) { log(QStringLiteral("  ") + endLine(r)); });
    connect(commands, &CommandQueue::notSent, this,
            [this](const QString &name, const QString &why) { log(tr("  %1 not sent: %2").arg(name, why)); });
}

LivePanel::~LivePanel() { stop(); }

void LivePanel::setDevice(const QString &title, const MyConnParamUSB &conn, const QList<MyChanelUSB> &rows) {
    titleLabel->setText(title);
    conn_ = conn;
    rows_ = rows;
    commands->close(); // another device, other settings
    portOpen_ = false;
    QList<RowRange> ranges;
    for (const MyChanelUSB &r : rows)
        ranges.append({r.dmx_chanel, r.dmx_valueFrom, r.dmx_valueTo});
    firing_ = std::make_unique<LiveFiring>(ranges);
}

void LivePanel::start(unsigned universe) {
    const QString last = TryDialog::lastPort();
    portBox->clear();
    portBox->addItems(attachedPorts());
    if (!last.isEmpty())
        portBox->setCurrentText(last);
    stateLabel->setText(tr("Connecting to olad, universe %1...").arg(universe));
    live_ = true;
    source->start(QStringLiteral("localhost"), 9010, universe);
}

void LivePanel::stop() {
    live_ = false;
    source->stop();
    commands->close();
    portOpen_ = false;
    refresh->stop();
    changed_ = false; // the table is given back its own colours
    flush();
    stateLabel->setText(tr("Off"));
}

void LivePanel::onFrame(const QByteArray &values) {
    if (!firing_ || !live_)
        return;
    for (const Firing &f : firing_->frame(values)) {
        const MyChanelUSB &row = rows_[f.row];
        log(QStringLiteral("%1 DMX %2=%3: row %4 %5: HEX %6")
                .arg(now(), QString::number(f.chanel), QString::number(f.value), QString::number(f.row + 1),
                     quoted(QByteArray(row.function, int(qstrnlen(row.function, sizeof row.function)))),
                     bytesToHexText(prefixBytes(conn_) + commandBytes(row))));
        if (!sendBox->isChecked())
            continue;
        const QString name = tr("row %1").arg(f.row + 1);
        if (!portOpen_) {
            const QString port = portBox->currentText().trimmed();
            QString error;
            if (!commands->open(port, conn_, &error)) {
                log(tr("  %1 not sent: %2").arg(name, error));
                continue;
            }
            portOpen_ = true;
            TryDialog::rememberPort(port);
        }
        if (!commands->enqueue(row, name))
            log(tr("  %1 commands wait for the port; %2 not sent").arg(kCommandQueueBound).arg(name));
    }
    changed_ = true;
    if (!refresh->isActive())
        refresh->start();
}

void LivePanel::log(const QString &line) {
    pending_ << line;
    if (!refresh->isActive())
        refresh->start();
}

void LivePanel::flush() {
    if (!pending_.isEmpty()) {
        // Only the last lines the view keeps are worth laying out.
        if (pending_.size() > kLogLines)
            pending_ = pending_.mid(pending_.size() - kLogLines);
        logView->appendPlainText(pending_.join(QLatin1Char('\n')));
        pending_.clear();
    }
    if (changed_) {
        changed_ = false;
        emit valuesChanged();
    }
}
