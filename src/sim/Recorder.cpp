#include "sim/Recorder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "common/Latin1.h"
#include "core/Receiver.h"
#include "sim/Capture.h"

namespace ravo {
namespace {

// How far past its own bytes an "Rtl" line's item reads: the 18 characters after
// "Rtl" and one separator.
constexpr size_t kRtlReach = 22;
constexpr size_t kKeptBefore = kRtlReach + 2;

size_t streamEnd(const ReceiveBuffer& b) { return b.consumed() + b.size(); }

bool sameTime(const LocalTime& a, const LocalTime& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour && a.minute == b.minute &&
           a.second == b.second && a.millisecond == b.millisecond;
}

bool sameSecond(LocalTime a, LocalTime b) {
    a.millisecond = b.millisecond = 0;
    return sameTime(a, b);
}

bool isText(std::string_view bytes) {
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 || u > 0x7E) && c != '\r' && c != '\n' && c != '\t') return false;
    }
    return true;
}

}  // namespace

Recorder::~Recorder() { stop(); }

void Recorder::attach(Receiver& rx) {
    rx_ = &rx;
    rx.observeDecoding(this);
}

bool Recorder::start(const std::string& path, const std::string& comment, bool settings, std::string& error) {
    stop();
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    path_ = path;
    stats_ = {};
    lastWritten_.reset();
    // Bytes already waiting in the buffer are decoded from now on: they belong in.
    groupStart_ = endConsumed_ = rx_ ? rx_->state().receiveBuffer.consumed() : 0;
    group_.clear();
    before_.clear();
    segments_.clear();
    settled_ = true;
    lastReadConsumed_ = lastItemEnd_ = SIZE_MAX;
    if (!comment.empty()) writeLine("# " + comment);
    if (settings && rx_) writeSettings();
    return true;
}

void Recorder::stop() {
    if (!file_) return;
    writeUpTo(groupStart_ + group_.size());
    std::fclose(file_);
    file_ = nullptr;
}

bool Recorder::reopen(std::string& error) {
    if (!file_) return true;
    // Only what is complete goes to the old file; the open event follows in the new one.
    writeSettled();
    std::fclose(file_);
    file_ = std::fopen(path_.c_str(), "ab");
    if (!file_) {
        error = "cannot write " + path_ + ": " + std::strerror(errno);
        return false;
    }
    if (lastWritten_) writeLine(capture::timeLine(*lastWritten_));
    return true;
}

void Recorder::flush() {
    if (!file_) return;
    writeSettled();
    std::fflush(file_);
}

// An event whose items are still being decoded may yet be cut: it waits. Of a
// settled one, the bytes of an item that waits for its rest stay behind when the
// cut is safe (should the buffer be cleared on a disconnect, they never arrived).
void Recorder::writeSettled() {
    if (!settled_ || !rx_) return;
    const size_t groupEnd = groupStart_ + group_.size();
    const size_t consumed = rx_->state().receiveBuffer.consumed();
    if (!segments_.empty() && consumed > segments_.back().start && consumed < groupEnd && cutIsSafe(consumed, trace()))
        writeUpTo(consumed);
    else if (consumed >= groupEnd || segments_.empty() || consumed > segments_.back().start) writeUpTo(groupEnd);
}

void Recorder::beginDecoding() {
    inDecoding_ = true;
    if (!file_ || !rx_) return;
    const ReceiveBuffer& buf = rx_->state().receiveBuffer;
    if (rx_->state().giveUpWait) ++stats_.timedGiveUps;
    cycleStartConsumed_ = buf.consumed();
    const size_t end = streamEnd(buf);
    if (buf.consumed() > endConsumed_ && endConsumed_ < groupStart_ + group_.size()) {
        // The buffer was cleared (a disconnect): what it held was never decoded.
        writeUpTo(std::max(endConsumed_, groupStart_));
        segments_.clear();
        group_.clear();
        before_.clear();
        groupStart_ = buf.consumed();
    }
    const size_t groupEnd = groupStart_ + group_.size();
    if (end <= groupEnd) return;  // nothing new: the cycle goes on with the same event
    const size_t consumed = buf.consumed();
    etxAt_ = SIZE_MAX;
    const bool etxInFront = !settled_ && !segments_.empty() && consumed >= segments_.back().start &&
                            consumed < groupEnd && group_[consumed - groupStart_] == '\x03';
    if (etxInFront && (consumed + 1 == groupEnd || cutIsSafe(consumed + 1, trace(), groupEnd))) {
        // The ETX that an STX item leaves in front goes with the next call. When
        // that call drops it alone, the cut goes behind it (see endDecoding).
        etxAt_ = consumed;
        etxTrace_ = trace();
        etxGroupEnd_ = groupEnd;
    } else if (!settled_ && !segments_.empty() && cutIsSafe(consumed, trace())) {
        // The last cycle left whole items in the buffer, and they are decoded now,
        // behind the new bytes: they go into the new event.
        ++stats_.cuts;
        writeUpTo(consumed);
    } else if (!settled_ && !segments_.empty() && consumed > segments_.back().start && consumed < groupEnd &&
               extends(groupEnd, end, buf)) {
        // No cut there, but the items already taken would be cut the same with the
        // new bytes behind them: the event runs on.
        ++stats_.merges;
        lastItemEnd_ = SIZE_MAX;
        return;
    } else {
        if (!settled_) ++stats_.lateItems;
        writeUpTo(groupEnd);
        // Bytes cleared from the buffer unread were never decoded: they are left out.
        if (consumed > groupEnd) before_.clear();
        groupStart_ = std::max(groupEnd, consumed);
        segments_.push_back({groupStart_, std::nullopt, trace()});
    }
    group_.append(buf.view().substr(groupStart_ + group_.size() - consumed));
    lastItemEnd_ = SIZE_MAX;
}

// Appends the bytes from `from` to `to` to the event when the items of its last
// segment would be cut from a buffer ending at `to` as from one ending at `from`.
bool Recorder::extends(size_t from, size_t to, const ReceiveBuffer& buf) {
    const size_t size = group_.size();
    group_.append(buf.view().substr(from - buf.consumed(), to - from));
    if (cutIsSafe(from, trace(), to, true)) return true;
    group_.resize(size);
    return false;
}

void Recorder::endDecoding() {
    inDecoding_ = false;
    if (!file_ || !rx_) return;
    const ReceiveBuffer& buf = rx_->state().receiveBuffer;
    if (etxAt_ != SIZE_MAX) {
        if (buf.consumed() == etxAt_ + 1 && rx_->state().discardedItems == etxTrace_.discarded + 1) {
            resolveEtx(true);
        } else {
            // No item was cut (that would have read the clock): the ETX went in a
            // discard with bytes that arrived behind it. Cut behind the ETX, the
            // replay would drop it alone and decode those bytes: the event runs on.
            etxAt_ = SIZE_MAX;
            ++stats_.merges;
        }
    }
    settled_ = buf.empty() || buf.consumed() == cycleStartConsumed_;
    endConsumed_ = buf.consumed();
}

// A call that drops the ETX alone leaves the same state however much follows it:
// then the event ends behind the ETX, and what follows is decoded with the bytes
// that arrived since, as it was live. When the call cut an item behind the ETX
// (its decode read the clock), the event ends where it did.
void Recorder::resolveEtx(bool alone) {
    const size_t at = etxAt_;
    etxAt_ = SIZE_MAX;
    if (alone) {
        ++stats_.cuts;
        writeUpTo(at + 1);
    } else {
        ++stats_.lateItems;
        writeUpTo(etxGroupEnd_);
    }
}

void Recorder::itemTimed(const LocalTime& t) {
    // Items are timed only inside a decoding cycle that is being recorded.
    if (!inDecoding_ || !file_ || !rx_ || segments_.empty()) return;
    if (etxAt_ != SIZE_MAX) resolveEtx(false);
    const size_t consumed = rx_->state().receiveBuffer.consumed();
    // Only the first time given to an item counts.
    if (consumed == lastReadConsumed_) return;
    lastReadConsumed_ = consumed;
    Segment& seg = segments_.back();
    if (!seg.time) {
        seg.time = t;
    } else if (!sameTime(*seg.time, t)) {
        if (lastItemEnd_ != SIZE_MAX && cutIsSafe(lastItemEnd_, atLastItem_)) {
            ++stats_.cuts;
            segments_.push_back({lastItemEnd_, t, atLastItem_});
        } else {
            ++stats_.unsafeCuts;
            if (!sameSecond(*seg.time, t)) ++stats_.secondMismatches;
        }
    }
    // What this item was: a text line or an "Rtl" line look further than a frame.
    if (rx_->state().rtlLine) ++rtlLines_;
    else if (rx_->state().textLineMode) ++textLines_;
    lastItemEnd_ = consumed;
    atLastItem_ = trace();
}

// Whether the items of the current segment are cut from the buffer the same way
// when it ends at stream position `at` as when it ends where the live buffer did.
// Every item before `at` was taken whole from in front of it, so a CR, ETX or
// 0xFF pair behind the cut was never what an item ended at. What the extraction
// rules do see behind an item:
// - an "Rtl" anywhere (every call looks for one first), and an "Rtl" line reads
//   18 characters past its marker;
// - an 0xFF pair anywhere, for a hexadecimal text line (its form of line end);
// - an STX anywhere, for a front that is no frame (a call that dropped bytes);
// - the ETX that stays in front after an STX item.
// A wait given up on the buffer's size would not be given up in a shorter
// buffer: the segment may have none. `extending`: the same for a buffer that
// ends later than the live one did (`at` is the live end, groupEnd the later one).
bool Recorder::cutIsSafe(size_t at, const SegmentTrace& upToCut, size_t groupEnd, bool extending) const {
    const Segment& seg = segments_.back();
    if (groupEnd == SIZE_MAX) groupEnd = groupStart_ + group_.size();
    if (at == seg.start && at < groupEnd) return true;  // nothing of the segment was taken yet
    if (at < seg.start || at >= groupEnd) return false;
    if (upToCut.abandoned != seg.trace.abandoned) return false;
    const std::string_view rest = std::string_view(group_).substr(at - groupStart_, groupEnd - at);
    if (rest.front() == '\x03') return false;
    const bool discards = upToCut.discarded != seg.trace.discarded;
    if (discards && rest.find('\x02') != std::string_view::npos) return false;
    if (extending) {
        // Bytes added behind items: a frame that ended at the old end would take an
        // 0xFF pair that follows it, and a call that dropped bytes looked for a CR,
        // an ETX and an 0xFF pair up to the old end only.
        if (rest.front() == '\xFF') return false;
        if (discards && (rest.find_first_of("\r\x03") != std::string_view::npos ||
                         found(at - 1, groupEnd, std::string_view("\xFF\xFF", 2))))
            return false;
    }
    const size_t reach = upToCut.rtlLines != seg.trace.rtlLines ? kRtlReach : 2;
    const bool ff = upToCut.textLines != seg.trace.textLines;
    if (ff && found(at - 1, groupEnd, std::string_view("\xFF\xFF", 2))) return false;
    return !found(at > reach ? at - reach : 0, groupEnd, "Rtl");
}

// Whether `pattern` starts in [from, to) of the stream (the bytes written last
// before the event included), without copying the event.
bool Recorder::found(size_t from, size_t to, std::string_view pattern) const {
    const std::string_view group = std::string_view(group_).substr(0, to - groupStart_);
    if (from < groupStart_) {
        // Where the event meets what was written before it.
        const size_t keep = std::min(before_.size(), groupStart_ - from);
        const std::string seam =
            before_.substr(before_.size() - keep) + std::string(group.substr(0, pattern.size() - 1));
        if (seam.find(pattern) != std::string::npos) return true;
        from = groupStart_;
    }
    return group.find(pattern, from - groupStart_) != std::string_view::npos;
}

Recorder::SegmentTrace Recorder::trace() const {
    const ProgramState& st = rx_->state();
    return {st.abandonedWaits, st.discardedItems, textLines_, rtlLines_};
}

void Recorder::operatorAction(const OperatorAction& a) {
    if (!file_) return;
    const size_t consumed = rx_ ? rx_->state().receiveBuffer.consumed() : 0;
    if (settled_ || segments_.empty()) {
        writeUpTo(groupStart_ + group_.size());
    } else if (cutIsSafe(consumed, trace())) {
        // Items of the event are still in the buffer: the part already decoded goes
        // out, and the rest is decoded after the action, as it was live.
        ++stats_.cuts;
        writeUpTo(consumed);
    } else {
        ++stats_.lateActions;
        writeUpTo(groupStart_ + group_.size());
    }
    switch (a.kind) {
        case OperatorAction::Kind::Type: writeLine("!set " + a.name + " " + latin1ToUtf8(a.text)); break;
        case OperatorAction::Kind::Click: writeLine("!click " + a.name); break;
        case OperatorAction::Kind::DoubleClick: writeLine("!dblclick " + a.name); break;
    }
}

void Recorder::writeUpTo(size_t at) {
    for (size_t i = 0; i < segments_.size(); ++i) {
        const size_t to = i + 1 < segments_.size() ? std::min(at, segments_[i + 1].start) : at;
        writeSegment(segments_[i].start, to, segments_[i].time);
    }
    const size_t n = at - groupStart_;
    const std::string written = before_ + group_.substr(0, n);
    before_ = written.substr(written.size() > kKeptBefore ? written.size() - kKeptBefore : 0);
    group_.erase(0, n);
    groupStart_ = at;
    segments_.clear();
    lastItemEnd_ = SIZE_MAX;
    if (!group_.empty()) segments_.push_back({at, std::nullopt, trace()});
}

void Recorder::writeSegment(size_t from, size_t to, const std::optional<LocalTime>& time) {
    if (to <= from) return;
    if (time && !(lastWritten_ && sameTime(*lastWritten_, *time))) {
        writeLine(capture::timeLine(*time));
        lastWritten_ = time;
    }
    const std::string_view bytes = std::string_view(group_).substr(from - groupStart_, to - from);
    writeLine(isText(bytes) ? capture::quotedLine(bytes) : capture::hexLine(bytes));
    ++stats_.events;
}

void Recorder::writeLine(const std::string& line) {
    if (!file_) return;
    std::fwrite(line.data(), 1, line.size(), file_);
    std::fputc('\n', file_);
}

void Recorder::writeSettings() {
    const ScreenModel& s = rx_->screen();
    const ScreenModel fresh;
    writeLine(s.vhfSelected() ? "!click optvhf" : "!click optuhf");
    writeLine(s.separateFiles() ? "!click optsepfiles" : "!click optonefile");
    auto set = [&](BoxRef ref, const std::string& name, bool always) {
        if (always || s.text(ref) != fresh.text(ref)) writeLine("!set " + name + " " + latin1ToUtf8(s.text(ref)));
    };
    for (const Field f : {Field::txtfilepath, Field::txtpulsefilename, Field::txttempfilename, Field::txtaddfilter})
        set({f, 0}, ScreenModel::fieldName(f), true);
    for (const Field f : {Field::txttx, Field::txtzero, Field::txttempadd})
        for (int row = 0; row < kGridRows; ++row)
            set({f, row}, std::string(ScreenModel::fieldName(f)) + "[" + std::to_string(row) + "]", false);
    if (s.loggingEnabled()) writeLine("!click chklogen");
}

}  // namespace ravo
