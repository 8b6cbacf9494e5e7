// The modal "Error" messages. The core only queues a message (Receiver::raiseError);
// it is shown once the handler that raised it has returned, never from inside the
// decoder. The box does not hold up the event loop: decoding goes on behind it, so
// every reading keeps the time it arrived. A message that is already showing (or
// waiting to be shown) is not shown again; how often it came meanwhile is told in
// the box under its text. The box of a locked log file tells instead how many
// readings wait to be logged, and keeps that count current while it is open.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <cstddef>
#include <deque>
#include <functional>

class QWidget;

namespace ravo {
class Receiver;
}  // namespace ravo

namespace ravo::app {

class ErrorMessages : public QObject {
    Q_OBJECT
public:
    ErrorMessages(Receiver& rx, QWidget* owner);
    ~ErrorMessages() override;

    // When set, messages go here instead of a message box (tests, headless runs);
    // each counts as dismissed at once.
    std::function<void(const QString&)> hook;

    bool showing() const { return !box_.isNull(); }
    // The box on screen, if any.
    QMessageBox* box() const { return box_; }
    // How many times the message on screen was raised while it was showing, itself included.
    quint64 timesRaised() const { return current_.times; }

    // The line under a message raised `times` times while it was open; under the
    // locked-log message, the number of readings `waiting` to be logged.
    static QString repeatLine(const QString& text, quint64 times, std::size_t waiting = 0);

private:
    struct Message {
        QString text;
        quint64 times = 0;
    };
    void queued();
    void takePending();
    void showNext();
    void showCount();

    Receiver& rx_;
    QWidget* owner_;
    bool scheduled_ = false;
    Message current_;
    QPointer<QMessageBox> box_;
    QTimer refresh_;  // keeps the waiting count of a locked log's box current
    std::deque<Message> waiting_;
};

}  // namespace ravo::app
