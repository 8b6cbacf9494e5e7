// The receiver type ("Receiver Type": VHF or UHF) and the configuration frame
// "Ravo Receiver Configuration" with the mode and address commands. The frame
// lies to the right of the window's design-size client area.
#pragma once

#include <QObject>

class QRadioButton;
class QWidget;

namespace ravo {
class Connection;
class Receiver;
}  // namespace ravo

namespace ravo::app {

class BoxMirror;
class Twips;

class ReceiverConfiguration : public QObject {
    Q_OBJECT
public:
    ReceiverConfiguration(Receiver& rx, Connection& connection, BoxMirror& mirror, const Twips& tw, QWidget* content);

    // Shows the model's band option.
    void showBand();

private:
    Receiver& rx_;
    QRadioButton* vhf_ = nullptr;
    QRadioButton* uhf_ = nullptr;
};

}  // namespace ravo::app
