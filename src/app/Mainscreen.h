// The main window "Ravo Receiver V29": every control at its design position,
// mirroring the screen model of the receiver and passing the operator's input to
// it. The window's content is larger than its design-size client area (the
// configuration frame lies beyond it) and sits in a scroll area.
#pragma once

#include <QMainWindow>
#include <QTimer>
#include <functional>
#include <string>

#include "serial/qt/PollTimer.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;

namespace ravo {
class Connection;
class FileSystem;
class QtSerialPort;
class Receiver;
class TransmitterRegistry;
class Recorder;
struct ModelChange;
}  // namespace ravo

namespace ravo::app {

class BoxEdit;
class BoxMirror;
class ErrorMessages;
class LoggingArea;
class ReadingGrids;
class ReceiverConfiguration;
class SerialControls;
class TempProfileWindow;
class Throttle;
class TransmittersWindow;

class Mainscreen : public QMainWindow {
    Q_OBJECT
public:
    // `clock`: the time of each poll cycle and of the clock box.
    Mainscreen(Receiver& rx, const Clock& clock, Connection& connection, QtSerialPort& port, QWidget* parent = nullptr);
    ~Mainscreen() override;

    // The load of the window: probes, band, log folder, port list; then the clock.
    void startUp(FileSystem& files, const std::string& logFolder);

    // The transmitter registry the receiver feeds: a "Transmitters" button opens
    // its window, and the clock decides silence once a second.
    void attachRegistry(TransmitterRegistry& registry);
    TransmittersWindow* transmittersWindow() const { return transmitters_; }
    // Adds the "Record" button, which records into a capture file chosen in a
    // dialog; the recorder must be the one whose clock the receiver reads.
    void attachRecorder(Recorder& recorder);
    // Starts recording into `path` (the button shows it); false with a reason.
    bool startRecording(const std::string& path, std::string& error);
    QPushButton* recordButton() const { return record_; }

    // Messages go to `hook` instead of a message box when it is set.
    void setMessageHook(std::function<void(const QString&)> hook);

    // The design-size client area and the whole content, in pixels.
    QSize designSize() const;
    QSize contentSize() const;

    SerialControls& serialControls() const { return *serial_; }
    ReadingGrids& grids() const { return *grids_; }
    TempProfileWindow& profileWindow() const { return *profile_; }
    BoxMirror& mirror() const { return *mirror_; }
    ErrorMessages& errorMessages() const { return *messages_; }
    PollTimer& pollTimer() { return poll_; }
    QScrollArea* scrollArea() const { return scroll_; }

    // Shows every model change at once. The window otherwise shows the receiver
    // monitor, the message box and the text boxes a few times a second at most.
    void showPending();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildStatusBoxes();
    void buildReceiverMonitor();
    void buildMessageArea();
    void modelChanged(const ModelChange& change);
    void showMonitor();
    void showMessageBox();
    void showPanes();
    void clockTick();
    void fitToScreen();
    void raiseProfile();

    Receiver& rx_;
    const Clock& time_;
    Connection& connection_;
    QtSerialPort& port_;
    PollTimer poll_;
    QTimer clock_;  // tmrpctime
    QScrollArea* scroll_ = nullptr;
    QWidget* content_ = nullptr;
    BoxMirror* mirror_ = nullptr;
    ErrorMessages* messages_ = nullptr;
    SerialControls* serial_ = nullptr;
    LoggingArea* logging_ = nullptr;
    ReceiverConfiguration* configuration_ = nullptr;
    ReadingGrids* grids_ = nullptr;
    TempProfileWindow* profile_ = nullptr;
    TransmitterRegistry* registry_ = nullptr;
    TransmittersWindow* transmitters_ = nullptr;
    QPlainTextEdit* monitor_ = nullptr;
    QPlainTextEdit* message_ = nullptr;
    Throttle* panes_ = nullptr;
    Recorder* recorder_ = nullptr;
    QPushButton* record_ = nullptr;
    bool monitorDue_ = false;
    bool messageDue_ = false;
    std::function<void(std::string_view)> deliver_;
    bool shutDown_ = false;
};

}  // namespace ravo::app
