// A whole monitor for the widget tests: receiver, real serial port, connection and
// main window, with the log folder in a temporary folder and the "Error" messages
// collected instead of shown.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <string>
#include <vector>

#include "../TestSupport.h"
#include "app/Mainscreen.h"
#include "common/Clock.h"
#include "core/Receiver.h"
#include "presentation/FileSystem.h"
#include "serial/Connection.h"
#include "serial/qt/QtSerialPort.h"
#include "sim/Pty.h"

namespace ravo::test {

inline std::string tempFolder(const QTemporaryDir& dir) { return dir.path().toStdString() + "/logger/"; }

struct AppRig {
    QTemporaryDir dir;
    std::string logFolder = tempFolder(dir);
    SystemClock clock;
    DiskFileSystem files;
    Receiver rx{clock.now(), files, ReceiverSettings{logFolder, '.'}};
    QtSerialPort port;
    Connection connection;
    app::Mainscreen window;
    QStringList messages;

    // The devices of the port table; nothing of the machine's own is probed.
    explicit AppRig(std::vector<std::string> devices)
        : connection(rx, port, PortTable(std::move(devices), {})), window(rx, clock, connection, port) {
        window.setMessageHook([this](const QString& m) { messages << m; });
        window.show();
        (void)QTest::qWaitForWindowExposed(&window);
    }

    void startUp() { window.startUp(files, logFolder); }
    // The screen and the state, to arrange what earlier frames would have left.
    ScreenModel& screen() { return ReceiverInternals::screen(rx); }
    ProgramState& state() { return ReceiverInternals::state(rx); }
    ProfileWindow& profile() { return ReceiverInternals::profile(rx); }

    template <class W>
    W* find(const QString& name) const {
        return window.findChild<W*>(name);
    }
    template <class W>
    W* find(const char* name) const {
        return find<W>(QString::fromLatin1(name));
    }
};

// What arrives on the "receiver" side within timeoutMs (stops early once `want`
// bytes are there), with the event loop running so the port can write.
inline std::string readReceiver(sim::Pty& pty, size_t want, int timeoutMs) {
    std::string got;
    QElapsedTimer t;
    t.start();
    while (got.size() < want && t.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        got += pty.read(10);
    }
    return got;
}

// The operator replaces a box's text by typing.
inline void typeInto(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
}

inline std::string bytesOf(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s.push_back(static_cast<char>(v));
    return s;
}

}  // namespace ravo::test
