// Turns SIGHUP into a call on the event loop, so that a program can close and
// reopen the files it holds open when logrotate has moved them away.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace ravo {

class ReopenSignal : public QObject {
  public:
    // Calls `reopen` on the event loop for each SIGHUP. One object per process;
    // false from ok() when the signal could not be set up.
    explicit ReopenSignal(std::function<void()> reopen, QObject* parent = nullptr);
    ~ReopenSignal() override;

    bool ok() const { return notifier_ != nullptr; }

  private:
    std::function<void()> reopen_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace ravo
