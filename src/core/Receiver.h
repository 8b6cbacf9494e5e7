// One receiver monitor: the program-wide state, the screen model and the services
// they use (clock, files, messages). The frame decoder, the decoders, the grids,
// the logs and the operator actions all work on this object.
#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <string>
#include <string_view>

#include "common/Clock.h"
#include "common/NumberText.h"
#include "frames/ProgramState.h"
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
    Receiver(const Clock& clock, FileSystem& files, ReceiverSettings settings = {});
    Receiver(const Receiver&) = delete;
    Receiver& operator=(const Receiver&) = delete;

    ProgramState state;
    ScreenModel screen;
    ProfileWindow profile;
    const Clock& clock;

    // Every output that wants the readings as data. The header stage starts a
    // reading for each frame it dispatches, the decoder adds its fields, and the
    // finished reading goes to `readings` (only when some output listens).
    ReadingFanOut readings;

    // Receive event: the bytes that arrived, in order, unaltered.
    void receive(std::string_view bytes) { state.receiveBuffer.append(bytes); }

    // One tick of the poll timer: calls the frame decoder once when the receive
    // buffer is not empty. Returns whether it did.
    bool tick();

    // A tick of the poll timer with catch-up: one item, and more while the buffer
    // holds over kCatchUpThreshold bytes, for at most kCatchUpBudget. Returns
    // false when the buffer was empty.
    bool pollCycle();
    static constexpr size_t kCatchUpThreshold = 256;
    static constexpr std::chrono::microseconds kCatchUpBudget{4000};

    // Takes at most one item off the front of the receive buffer and handles it.
    void frameDecoder();

    // Operator actions by control name; false for a name that is not a control of
    // that kind.
    bool click(std::string_view name);
    bool doubleClick(std::string_view name);
    // The operator types a text into a box (runs the same change handling).
    void type(BoxRef box, std::string text);

    // Told of every operator action that was carried out (typing, clicks and
    // double-clicks by control name), so that a recorder can write them down.
    std::function<void(const OperatorAction&)> onOperatorAction;

    // Selects the receiver band (the VHF or UHF option).
    void selectBand(bool vhf);

    // A modal "Error" message. The core never waits for it: it is queued, and the
    // window shows it once the current handler has returned.
    void raiseError(std::string text) override;
    std::deque<std::string> pendingErrors;
    std::function<void(const std::string&)> onError;

    // Number text with the configured decimal separator.
    std::string number(double v) const { return numberText(v, decimalSeparator); }

private:
    // The header stage after an item is cut, the start of its reading, and what the
    // decoders produce (FrameDecoder.cpp).
    class Output;
    void headerStage();
    void beginReading(const DispatchRow& row);

    FileSystem& files;
    const char decimalSeparator;
    Reading reading;
    // The message line of the frame in hand; the reading refers to it in place, so
    // it stays until the next frame's line replaces it.
    std::string messageLine;
};

}  // namespace ravo
