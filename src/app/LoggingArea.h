// The logging settings at the top of the main window: "Enable Logging", the
// folder, one file or a file per transmitter, and the two file-name prefixes.
#pragma once

#include <QObject>

class QCheckBox;
class QRadioButton;
class QWidget;

namespace ravo {
class Receiver;
}

namespace ravo::app {

class BoxMirror;
class Twips;

class LoggingArea : public QObject {
    Q_OBJECT
public:
    LoggingArea(Receiver& rx, BoxMirror& mirror, const Twips& tw, QWidget* content);

    // Shows the model's check box and options.
    void showSettings();

private:
    Receiver& rx_;
    QCheckBox* enable_ = nullptr;
    QRadioButton* oneFile_ = nullptr;
    QRadioButton* separateFiles_ = nullptr;
};

}  // namespace ravo::app
