#include "app/ErrorMessages.h"

#include <QMessageBox>
#include <QTimer>
#include <algorithm>

#include "core/Receiver.h"
#include "presentation/CsvLog.h"

namespace ravo::app {

ErrorMessages::ErrorMessages(Receiver& rx, QWidget* owner) : QObject(owner), rx_(rx), owner_(owner) {
    rx_.observeErrors([this](const std::string&) { queued(); });
    refresh_.setInterval(250);
    connect(&refresh_, &QTimer::timeout, this, &ErrorMessages::showCount);
}

ErrorMessages::~ErrorMessages() {
    rx_.observeErrors(nullptr);
    delete box_.data();
}

QString ErrorMessages::repeatLine(const QString& text, quint64 times, std::size_t waiting) {
    // The rows of a locked log file wait until it can be written again.
    if (text == QLatin1String(kLogInaccessible))
        return QStringLiteral("Readings waiting to be logged: %1.").arg(static_cast<qulonglong>(waiting));
    if (times < 2) return {};
    return QStringLiteral("This message came %1 times while it was open.").arg(times);
}

void ErrorMessages::queued() {
    if (scheduled_) return;
    scheduled_ = true;
    QTimer::singleShot(0, this, [this] {
        scheduled_ = false;
        takePending();
    });
}

void ErrorMessages::takePending() {
    while (const auto pending = rx_.takeError()) {
        const QString text = QString::fromLatin1(pending->c_str());
        if (box_ && current_.text == text) {
            ++current_.times;
            continue;
        }
        auto same = std::find_if(waiting_.begin(), waiting_.end(), [&](const Message& m) { return m.text == text; });
        if (same != waiting_.end()) ++same->times;
        else waiting_.push_back({text, 1});
    }
    if (box_) showCount();
    else showNext();
}

void ErrorMessages::showNext() {
    while (!box_ && !waiting_.empty()) {
        current_ = waiting_.front();
        waiting_.pop_front();
        if (hook) {
            hook(current_.text);
            continue;
        }
        auto* box =
            new QMessageBox(QMessageBox::NoIcon, QStringLiteral("Error"), current_.text, QMessageBox::Ok, owner_);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box_ = box;
        showCount();
        if (current_.text == QLatin1String(kLogInaccessible)) refresh_.start();
        connect(box, &QMessageBox::finished, this, [this] {
            refresh_.stop();
            box_.clear();
            current_ = {};
            // What came while it was open and is still waiting is shown next.
            QTimer::singleShot(0, this, &ErrorMessages::showNext);
        });
        // Modal for the window, but the event loop (and so the decoder) runs on.
        box->open();
    }
}

void ErrorMessages::showCount() {
    if (!box_) return;
    const QString line = repeatLine(current_.text, current_.times, rx_.logBacklog().waiting());
    if (box_->informativeText() != line) box_->setInformativeText(line);
}

}  // namespace ravo::app
