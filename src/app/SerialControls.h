// The "Communications Port" frame (port list and Connect/Disconnect) and the
// "Baudrate" frame, kept in step with the connection.
#pragma once

#include <QObject>
#include <array>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QWidget;

namespace ravo {
class Connection;
}

namespace ravo::app {

class Twips;

class SerialControls : public QObject {
    Q_OBJECT
public:
    SerialControls(Connection& connection, const Twips& tw, QWidget* content);
    ~SerialControls() override;

    // Chooses entry `index` of the port list, as the operator would.
    void choosePort(int index);
    // Shows the connection's state: caption, enabled controls, list, baud rate.
    void refresh();

    QComboBox* portList() const { return ports_; }
    QPushButton* connectButton() const { return connect_; }
    QPushButton* refreshButton() const { return refresh_; }
    QLabel* refusedLabel() const { return refused_; }

private:
    Connection& connection_;
    QComboBox* ports_ = nullptr;
    QPushButton* connect_ = nullptr;
    QPushButton* refresh_ = nullptr;
    QLabel* refused_ = nullptr;
    std::array<QRadioButton*, 5> bauds_{};
    std::vector<std::string> shownList_;
};

}  // namespace ravo::app
