// The temperature profile window: the last 60 samples of one transmitter's
// temperature as horizontal bars, newest at the bottom, with the address, the
// latest reading, its time and the sampling period. It follows the profile logic
// of the core: loaded (sampling, possibly hidden), shown, or unloaded.
#pragma once

#include <QTimer>
#include <QWidget>

namespace ravo {
class Receiver;
}

namespace ravo::app {

class BoxMirror;

class TempProfileWindow : public QWidget {
    Q_OBJECT
public:
    explicit TempProfileWindow(Receiver& rx, QWidget* parent = nullptr);
    ~TempProfileWindow() override;

    // Bar i (0 at the bottom) on screen. A negative temperature is drawn as a
    // bar of no length.
    QRect barRect(int i) const;
    const QTimer& samplingTimer() const { return timer_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void follow();
    void buildBoxes();
    void buildLabels();

    Receiver& rx_;
    BoxMirror* mirror_ = nullptr;
    QTimer timer_;
};

}  // namespace ravo::app
