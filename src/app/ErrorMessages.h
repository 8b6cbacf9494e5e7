// The modal "Error" messages. The core only queues a message (Receiver::raiseError);
// it is shown once the handler that raised it has returned, never from inside the
// decoder. While a message is open the poll timer rests, so the decoder is not
// re-entered; received bytes keep collecting in the buffer meanwhile.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QWidget;

namespace ravo {
class Receiver;
class PollTimer;
}  // namespace ravo

namespace ravo::app {

class ErrorMessages : public QObject {
    Q_OBJECT
public:
    ErrorMessages(Receiver& rx, PollTimer& poll, QWidget* owner);
    ~ErrorMessages() override;

    // When set, messages go here instead of a message box (tests, headless runs).
    std::function<void(const QString&)> hook;

    bool showing() const { return showing_; }

private:
    void queued();
    void showAll();

    Receiver& rx_;
    PollTimer& poll_;
    QWidget* owner_;
    bool scheduled_ = false;
    bool showing_ = false;
};

}  // namespace ravo::app
