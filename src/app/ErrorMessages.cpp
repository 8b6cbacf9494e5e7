#include "app/ErrorMessages.h"

#include <QMessageBox>
#include <QTimer>

#include "core/Receiver.h"
#include "serial/qt/PollTimer.h"

namespace ravo::app {

ErrorMessages::ErrorMessages(Receiver& rx, PollTimer& poll, QWidget* owner)
    : QObject(owner), rx_(rx), poll_(poll), owner_(owner) {
    rx_.onError = [this](const std::string&) { queued(); };
}

ErrorMessages::~ErrorMessages() { rx_.onError = nullptr; }

void ErrorMessages::queued() {
    // No further item is decoded before the message has been seen.
    poll_.setPaused(true);
    if (scheduled_ || showing_) return;  // the running loop below picks it up
    scheduled_ = true;
    QTimer::singleShot(0, this, &ErrorMessages::showAll);
}

void ErrorMessages::showAll() {
    scheduled_ = false;
    if (showing_) return;
    showing_ = true;
    while (!rx_.pendingErrors.empty()) {
        const QString text = QString::fromLatin1(rx_.pendingErrors.front().c_str());
        rx_.pendingErrors.pop_front();
        if (hook) {
            hook(text);
            continue;
        }
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Error"), text, QMessageBox::Ok, owner_);
        box.exec();
    }
    showing_ = false;
    poll_.setPaused(false);
}

}  // namespace ravo::app
