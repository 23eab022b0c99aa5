// "Live DMX": the rows of the shown device that fire as a universe from olad
// moves, listed as they fire and, with a port, sent to the equipment one
// after the other. The panel shows and wires; the firing rule, the DMX
// source and the exchange live below the window.
#pragma once

#include "exchange.h"
#include "imageformat.h"
#include "livefiring.h"
#include "portsettings.h"

#include <QDialog>

#include <memory>

class CommandQueue;
class OlaSource;
class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QTimer;

class LivePanel : public QDialog {
    Q_OBJECT
public:
    explicit LivePanel(QWidget *parent = nullptr);
    ~LivePanel() override;

    // The rows to watch (the next frame is a first one again).
    void setDevice(const QString &title, const MyConnParamUSB &conn, const QList<MyChanelUSB> &rows);
    void start(unsigned universe);
    void stop();
    bool isLive() const { return live_; }
    const LiveFiring *firing() const { return firing_.get(); }

signals:
    void valuesChanged(); // frames came in; at most ten times a second

private:
    void onFrame(const QByteArray &values);
    void log(const QString &line);
    void flush();

    QLabel *titleLabel;
    QLabel *stateLabel;
    QCheckBox *sendBox;
    QComboBox *portBox;
    QPlainTextEdit *logView;
    OlaSource *source;
    CommandQueue *commands;
    bool portOpen_ = false;
    std::unique_ptr<LiveFiring> firing_;
    MyConnParamUSB conn_ = image::zeroed<MyConnParamUSB>();
    QList<MyChanelUSB> rows_;
    bool live_ = false;
    // A full universe comes 44 times a second: the table and the log are
    // brought up to date ten times a second, in one go each.
    QTimer *refresh;
    QStringList pending_;
    bool changed_ = false;
};
