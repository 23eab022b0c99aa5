#include "trydialog.h"

#include "imagefields.h"
#include "serialexchange.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTime>

namespace {
QSettings portMemory() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("vorne_converter"),
                     QStringLiteral("equipment"));
}
const QString kLastPortKey = QStringLiteral("lastPort");
} // namespace

TryDialog::TryDialog(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("tryDialog"));
    setWindowTitle(tr("Try on equipment"));
    rowLabel = new QLabel(this);
    rowLabel->setObjectName(QStringLiteral("tryRow"));
    rowLabel->setTextFormat(Qt::PlainText); // names and command text are shown as they are
    rowLabel->setWordWrap(true);
    auto *portLabel = new QLabel(tr("&Port:"), this);
    portBox = new QComboBox(this);
    portBox->setObjectName(QStringLiteral("tryPort"));
    portBox->setEditable(true); // a port the list does not show can be typed
    portBox->setMinimumWidth(260);
    portLabel->setBuddy(portBox);
    refreshButton = new QPushButton(tr("&Refresh"), this);
    sendButton = new QPushButton(tr("&Send"), this);
    sendButton->setObjectName(QStringLiteral("trySend"));
    sendButton->setDefault(true);
    closeButton = new QPushButton(tr("&Close"), this);
    logView = new QPlainTextEdit(this);
    logView->setObjectName(QStringLiteral("tryLog"));
    logView->setReadOnly(true);
    logView->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    logView->setMinimumSize(620, 260);

    auto *grid = new QGridLayout(this);
    grid->addWidget(rowLabel, 0, 0, 1, 4);
    grid->addWidget(portLabel, 1, 0);
    grid->addWidget(portBox, 1, 1);
    grid->addWidget(refreshButton, 1, 2);
    grid->addWidget(sendButton, 1, 3);
    grid->addWidget(logView, 2, 0, 1, 4);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(closeButton);
    grid->addLayout(buttons, 3, 0, 1, 4);
    grid->setColumnStretch(1, 1);

    exchange = new SerialExchange(this);
    connect(exchange, &SerialExchange::tryEnded, this, [this](const ExchangeTry &t) {
        for (const QString &line : tryLines(t, plan_))
            log(line);
    });
    connect(exchange, &SerialExchange::finished, this, [this](const ExchangeResult &r) {
        log(endLine(r));
        sendButton->setEnabled(true);
    });
    connect(refreshButton, &QPushButton::clicked, this, &TryDialog::refreshPorts);
    connect(sendButton, &QPushButton::clicked, this, &TryDialog::send);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
}

void TryDialog::setRow(const QString &title, const MyConnParamUSB &conn, const MyChanelUSB &row) {
    exchange->stop();
    conn_ = conn;
    row_ = row;
    const QByteArray bytes = prefixBytes(conn) + commandBytes(row);
    rowLabel->setText(tr("%1\nSends %2").arg(title, bytes.isEmpty() ? tr("no bytes") : quoted(bytes)));
    logView->clear();
    sendButton->setEnabled(true);
}

void TryDialog::refreshPorts() {
    const QString typed = portBox->currentText();
    const QString last = lastPort();
    QStringList ports = attachedPorts();
    if (!last.isEmpty() && !ports.contains(last))
        ports.prepend(last); // remembered, though not attached now
    portBox->clear();
    portBox->addItems(ports);
    const QString wanted = typed.isEmpty() ? last : typed;
    if (!wanted.isEmpty())
        portBox->setCurrentText(wanted);
}

QString TryDialog::lastPort() { return portMemory().value(kLastPortKey).toString(); }

void TryDialog::rememberPort(const QString &port) {
    QSettings memory = portMemory();
    memory.setValue(kLastPortKey, port);
}

void TryDialog::send() {
    const QString port = portBox->currentText().trimmed();
    if (port.isEmpty()) {
        log(tr("Nothing sent: choose a port. %1").arg(attachedPortsText()));
        return;
    }
    PortSettings settings;
    QString error;
    if (!portSettingsFor(conn_, &settings, &error)) {
        log(tr("Nothing sent: %1").arg(error));
        return;
    }
    const QByteArray bytes = prefixBytes(conn_) + commandBytes(row_);
    plan_ = exchangeSettingsFor(conn_, row_, lineTimeMs(settings, bytes.size()));
    log(QStringLiteral("-- %1").arg(QTime::currentTime().toString(QStringLiteral("hh:mm:ss"))));
    for (const QString &line : planLines(port, settings, plan_))
        log(line);
    if (!exchange->start(port, settings, plan_, &error)) {
        log(tr("Nothing sent: %1").arg(error));
        return;
    }
    rememberPort(port);
    sendButton->setEnabled(false);
}

void TryDialog::log(const QString &line) { logView->appendPlainText(line); }

// Closing the dialog ends the exchange and closes the port.
void TryDialog::done(int result) {
    exchange->stop();
    QDialog::done(result);
}
