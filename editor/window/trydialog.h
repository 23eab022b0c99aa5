// "Try on equipment": one row's command sent over a serial port the way the
// box would send it, with a log of what went out and what came back. The
// dialog only shows; the exchange and its rules live in editor/live.
#pragma once

#include "exchange.h"
#include "imageformat.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class SerialExchange;

class TryDialog : public QDialog {
    Q_OBJECT
public:
    explicit TryDialog(QWidget *parent = nullptr);

    // The row to send: a title for the user, and the records the image would
    // hold. Ends an exchange still running for the previous row.
    void setRow(const QString &title, const MyConnParamUSB &conn, const MyChanelUSB &row);
    // Lists the serial ports attached now, the last one used first.
    void refreshPorts();

    // The last port used, kept in the user's own settings folder
    // (vorne_converter/equipment.ini), never in config.ini.
    static QString lastPort();
    static void rememberPort(const QString &port);

protected:
    void done(int result) override;

private:
    void send();
    void log(const QString &line);

    QLabel *rowLabel;
    QComboBox *portBox;
    QPushButton *refreshButton;
    QPushButton *sendButton;
    QPushButton *closeButton;
    QPlainTextEdit *logView;
    SerialExchange *exchange;
    MyConnParamUSB conn_ = image::zeroed<MyConnParamUSB>();
    MyChanelUSB row_ = image::zeroed<MyChanelUSB>();
    ExchangeSettings plan_;
};
