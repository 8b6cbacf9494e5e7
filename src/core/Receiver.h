// One receiver monitor behind a few verbs: bytes in, ticks with the time given,
// operator actions by control name; read-only views of its state, screen and
// profile window; observers for the screen, messages, readings and decoding.
// Inside, the frame pipeline hands each frame to its decoder, and what the
// decoder produces goes to the presentation and to the readings fan-out.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/Clock.h"
#include "common/NumberText.h"
#include "config/Commands.h"
#include "frames/ProgramState.h"
#include "presentation/CsvLog.h"
#include "presentation/ErrorSink.h"
#include "presentation/FileSystem.h"
#include "profile/Profile.h"
#include "readings/ReadingFanOut.h"
#include "screen/ScreenModel.h"

namespace ravo {

struct OperatorAction {
    enum class Kind { Type, Click, DoubleClick };
    Kind kind;
    std::string name;  // control name as in the capture format ("txtzero[2]", "btClear")
    std::string text;  // Type: the box's new text (8-bit)
};

struct ReceiverSettings {
    std::string logFolder;        // initial txtfilepath
    char decimalSeparator = '.';  // of number text in grid cells
};

struct DispatchRow;

class Receiver : public ErrorSink {
public:
    // `now`: the time texts shown before the first frame.
    Receiver(const LocalTime& now, FileSystem& files, ReceiverSettings settings = {});
    Receiver(const Receiver&) = delete;
    Receiver& operator=(const Receiver&) = delete;

    // What the receiver shows and keeps, read-only: the program state (receive
    // buffer, frame in hand, time texts, band, counts), the screen and the
    // profile window.
    const ProgramState& state() const { return state_; }
    const ScreenModel& screen() const { return screen_; }
    const ProfileWindow& profile() const { return profile_; }

    // Receive event: the bytes that arrived, in order, unaltered.
    void receive(std::string_view bytes) { state_.receiveBuffer.append(bytes); }

    // One tick of the poll timer at time `now`: the frame decoder takes one item
    // off the front of the receive buffer when it is not empty. Returns whether it did.
    bool tick(const LocalTime& now);

    // A tick of the poll timer with catch-up: one item, and more while the buffer
    // holds over kCatchUpThreshold bytes, for at most kCatchUpBudget; every item
    // gets the time `now`. Returns false when the buffer was empty.
    bool pollCycle(const LocalTime& now);
    static constexpr size_t kCatchUpThreshold = 256;
    static constexpr std::chrono::microseconds kCatchUpBudget{4000};

    // A wait for the rest of an item is given up (it took too long): the next tick
    // takes what the buffer holds.
    void giveUpWait() { state_.giveUpWait = true; }

    // The line to the receiver starts afresh (start-up, a disconnect): the receive
    // buffer is emptied and the text-line mode is off.
    void restartLine() {
        state_.receiveBuffer.clear();
        state_.textLineMode = false;
    }

    // The time texts are made anew from `now` (start-up, the clock's second).
    void setTime(const LocalTime& now);
    // The main window's clock: the time texts, and the clock box shows the time.
    void clockTick(const LocalTime& now);

    // Operator actions by control name; false for a name that is not a control of
    // that kind.
    bool click(std::string_view name);
    bool doubleClick(std::string_view name);
    // The operator types a text into a box (runs the same change handling).
    void type(BoxRef box, std::string text);
    // Selects the receiver band (the VHF or UHF option).
    void selectBand(bool vhf);
    // The logging settings as a front end's options give them (not operator
    // actions: no observer is told).
    void setLogging(bool enabled, const std::string& folder);
    void setSeparateFiles(bool separate) { screen_.setSeparateFiles(separate); }
    // The "Set Mode" and "Set Addresses" buttons (3 or 8 boxes): the command to
    // send, or the reason there is none.
    Command modeCommand() { return setModeClicked(screen_, state_); }
    Command addressesCommand(int count) { return setAddressesClicked(screen_, state_, count); }
    // The profile window: opened for an address chosen elsewhere (the transmitter
    // table), its sampling timer, and its "Exit".
    void openProfile(long long address) { profile_.openAddress(address); }
    void profileTimer() { profile_.timerTick(); }
    void exitProfile() { profile_.exit(); }

    // Observers. The screen: every change of a text, colour or lamp, whoever made it.
    void observeScreen(ScreenModel::Listener listener) { screen_.addListener(std::move(listener)); }
    // The profile window's load, show, bars and unload (one observer).
    void observeProfile(std::function<void()> observer) { profile_.changed = std::move(observer); }
    // The readings, bad frames and dropped repeats, as data; and the connection
    // events of a live receiver, told to the same outputs.
    void addReadingSink(ReadingSink* sink) { readings_.add(sink); }
    void removeReadingSink(ReadingSink* sink) { readings_.remove(sink); }
    void connectionEvent(const ConnectionEvent& e) { readings_.connection(e); }
    // Every operator action that was carried out (typing, clicks and double-clicks
    // by control name), and the time the header stage gave each item: what a
    // recorder writes down.
    struct DecodingObserver {
        virtual ~DecodingObserver() = default;
        virtual void operatorAction(const OperatorAction& action) = 0;
        virtual void itemTimed(const LocalTime& time) = 0;
    };
    void observeDecoding(DecodingObserver* observer) { decodingObserver_ = observer; }

    // A modal "Error" message. The core never waits for it: it is queued, and the
    // window shows it once the current handler has returned (takeError). The
    // observer is told of each; with `queue` false nothing waits for an OK, and
    // nothing is queued (a headless program).
    void raiseError(std::string text) override;
    void observeErrors(std::function<void(const std::string&)> observer, bool queue = true) {
        onError_ = std::move(observer);
        queueErrors_ = queue;
    }
    const std::deque<std::string>& pendingErrors() const { return pendingErrors_; }
    std::optional<std::string> takeError();

    // The CSV rows that wait for a log file another program holds, read-only: how
    // many wait, how many were dropped because too many waited.
    const LogBacklog& logBacklog() const { return logBacklog_; }
    // Waiting rows are appended to every file that can be written again (the next
    // reading does the same); called once a second.
    void retryLogs() { logBacklog_.retry(files); }
    // Told when a file that held rows back has taken them all (path, rows written late).
    void observeLogsWritable(std::function<void(const std::string&, std::uint64_t)> observer) {
        logBacklog_.writableAgain = std::move(observer);
    }
    // The end of the run: a last try for the waiting rows; what still cannot be
    // written is given up and returned, file by file.
    std::vector<LogBacklog::Unwritten> finishLogs() { return logBacklog_.finish(files); }

    // Number text with the configured decimal separator.
    std::string number(double v) const { return numberText(v, decimalSeparator); }

private:
    friend struct ReceiverInternals;  // the tests' way to arrange a state directly

    // The frame decoder, the header stage after an item is cut, the start of its
    // reading, and what the decoders produce (FrameDecoder.cpp).
    class Output;
    void frameDecoder();
    void headerStage();
    void beginReading(const DispatchRow& row);
    void told(const OperatorAction& action) {
        if (decodingObserver_) decodingObserver_->operatorAction(action);
    }

    ProgramState state_;
    ScreenModel screen_;
    ProfileWindow profile_;
    // Every output that wants the readings as data. The header stage starts a
    // reading for each frame it dispatches, the decoder adds its fields, and the
    // finished reading goes here (only when some output listens).
    ReadingFanOut readings_;
    LocalTime now_;  // the time of the tick in hand

    FileSystem& files;
    LogBacklog logBacklog_;
    const char decimalSeparator;
    Reading reading;
    // The message line of the frame in hand; the reading refers to it in place, so
    // it stays until the next frame's line replaces it.
    std::string messageLine;
    DecodingObserver* decodingObserver_ = nullptr;
    std::deque<std::string> pendingErrors_;
    std::function<void(const std::string&)> onError_;
    bool queueErrors_ = true;
};

}  // namespace ravo
