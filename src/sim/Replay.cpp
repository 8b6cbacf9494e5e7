#include "sim/Replay.h"

#include "common/Latin1.h"
#include "sim/Capture.h"

namespace ravo {

void ReplayClock::advance(double seconds) {
    if (!fixed_) fixed_.emplace(system_.now());
    fixed_->advance(seconds);
}

void drainReceiveBuffer(Receiver& rx, const LocalTime& now) {
    while (!rx.state().receiveBuffer.empty()) {
        const size_t before = rx.state().receiveBuffer.size();
        rx.tick(now);
        if (rx.state().receiveBuffer.size() == before) break;
    }
}

bool typeIntoBox(Receiver& rx, const std::string& name, const std::string& utf8Text) {
    const auto ref = ScreenModel::parseBoxName(name);
    if (!ref) return false;
    std::string text;
    if (!utf8ToLatin1(utf8Text, text)) text = utf8Text;  // not UTF-8: taken byte for byte
    rx.type(*ref, std::move(text));
    return true;
}

std::optional<std::string> applyRecord(const capture::Record& record, Receiver& rx, ReplayClock& clock) {
    std::optional<std::string> error;
    std::visit(
        [&](const auto& r) {
            using T = std::decay_t<decltype(r)>;
            if constexpr (std::is_same_v<T, capture::SetTime>) {
                clock.set(r.time);
            } else if constexpr (std::is_same_v<T, capture::Advance>) {
                clock.advance(r.seconds);
            } else if constexpr (std::is_same_v<T, capture::Receive>) {
                rx.receive(r.bytes);
                drainReceiveBuffer(rx, clock.now());
            } else if constexpr (std::is_same_v<T, capture::Set>) {
                if (!typeIntoBox(rx, r.name, r.text)) error = "no text box named " + r.name;
            } else if constexpr (std::is_same_v<T, capture::Click>) {
                if (!rx.click(r.name)) error = "cannot click " + r.name;
            } else if constexpr (std::is_same_v<T, capture::DoubleClick>) {
                if (!rx.doubleClick(r.name)) error = "cannot double-click " + r.name;
            } else if constexpr (std::is_same_v<T, capture::Invalid>) {
                error = r.reason;
            }
        },
        record);
    return error;
}

std::optional<ReplayError> replayCapture(std::istream& in, Receiver& rx, ReplayClock& clock,
                                         const std::function<void()>& afterRecord) {
    std::string line;
    size_t number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (const auto error = applyRecord(capture::parseLine(line), rx, clock)) return ReplayError{number, *error};
        if (afterRecord) afterRecord();
    }
    return std::nullopt;
}

std::optional<ReplayError> loadCapture(std::istream& in, std::vector<CaptureLine>& out) {
    NoFileSystem noFiles;
    ReplayClock scratchClock;
    Receiver scratch(LocalTime{}, noFiles);
    std::string line;
    size_t number = 0;
    while (std::getline(in, line)) {
        ++number;
        capture::Record record = capture::parseLine(line);
        if (std::holds_alternative<capture::Ignore>(record)) continue;
        // Only what the operator does is tried out: it may name no control.
        const bool action =
            std::holds_alternative<capture::Set>(record) || std::holds_alternative<capture::Click>(record) ||
            std::holds_alternative<capture::DoubleClick>(record) || std::holds_alternative<capture::Invalid>(record);
        if (action)
            if (const auto error = applyRecord(record, scratch, scratchClock)) return ReplayError{number, *error};
        out.push_back({number, std::move(record)});
    }
    return std::nullopt;
}

}  // namespace ravo
