// Records what a receiver takes in as a capture: every receive event with the
// time the decoder read for its items, and the operator's actions, so that
// ravo-cli decode of the recording gives the same messages, logs and error files
// as the live run.
//
// The live program decodes an item a little after its bytes arrived (the poll
// timer), while a replay delivers a receive event and then decodes until the
// buffer is worked off, all at the time of the last clock line. So the recorder
// does not write the bytes as they arrived but as the decoder saw them:
//
// - Bytes that arrived between two decoding cycles form one receive event, so
//   the replay's first decode of them sees the same buffer as the live one.
// - The recorder observes the receiver and notes the time the header stage gives
//   each item. When the items of one event were decoded at different times, the
//   event is cut after the earlier items and the later part gets its own clock
//   line, where the cut cannot change how the earlier items are cut from the
//   buffer (see cutIsSafe in Recorder.cpp).
// - When a cycle leaves whole items in the buffer and new bytes arrive before
//   the next one, the event is cut in front of those items (or runs on into the
//   new bytes), so that they are decoded behind the new bytes as they were live.
// - An operator action between two items of one event cuts the event the same way.
//
// What a replay cannot repeat is counted in stats(): waits given up after a time
// (the replay only gives up a wait on the buffer's size) and cuts that were needed
// but not safe.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/Clock.h"
#include "core/Receiver.h"

namespace ravo {

class ReceiveBuffer;

class Recorder : private Receiver::DecodingObserver {
public:
    // Where a replay of the recording may differ from the live run, counted.
    struct Stats {
        std::uint64_t events = 0;  // receive events written
        std::uint64_t cuts = 0;    // events cut so that items keep their own time and order
        std::uint64_t merges = 0;  // events run on into the next bytes instead
        // Items that had to share an earlier item's time (to the millisecond), and
        // of those the ones in another second (the replay shows another time).
        std::uint64_t unsafeCuts = 0;
        std::uint64_t secondMismatches = 0;
        // Actions the replay applies after items that were decoded after them live.
        std::uint64_t lateActions = 0;
        // Whole items a cycle left in the buffer that the replay decodes before
        // the bytes that arrived next (live they were decoded after them).
        std::uint64_t lateItems = 0;
        // Waits given up after a time: a replay gives a wait up only on size.
        std::uint64_t timedGiveUps = 0;
    };

    Recorder() = default;
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;
    ~Recorder() override;

    // Watches this receiver's buffer, the times its items are given and the
    // operator's actions (it is the receiver's one decoding observer).
    void attach(Receiver& rx);

    // Starts writing a new capture to `path` (truncated); `comment` becomes its first
    // line. With `settings` the receiver's band, logging settings, filter and grid
    // addresses are written first as operator actions (a recording started from
    // the monitor, where no command-line options say them). False with a reason.
    bool start(const std::string& path, const std::string& comment, bool settings, std::string& error);
    // Writes out what is complete and closes the file.
    void stop();
    bool recording() const { return file_ != nullptr; }
    const std::string& path() const { return path_; }

    // Closes the file and opens the same path again for appending (log rotation);
    // the new file starts with the current clock line, so it decodes on its own.
    bool reopen(std::string& error);
    // Writes out every complete record and flushes the file.
    void flush();

    // Around every decoding cycle (a poll tick, a drain of the buffer): the
    // recorder takes the bytes that arrived since the last cycle as one event and
    // notes the times its items were given.
    void beginDecoding();
    void endDecoding();

    const Stats& stats() const { return stats_; }

private:
    // Counts that tell what the decoder did between two points.
    struct SegmentTrace {
        std::uint64_t abandoned = 0, discarded = 0, textLines = 0, rtlLines = 0;
    };
    struct Segment {
        size_t start;  // stream position
        std::optional<LocalTime> time;
        SegmentTrace trace;  // at its start
    };

    void itemTimed(const LocalTime& t) override;
    void operatorAction(const OperatorAction& a) override;
    // Whether the current segment may end at `at`; the live buffer ended at groupEnd.
    bool cutIsSafe(size_t at, const SegmentTrace& upToCut, size_t groupEnd = SIZE_MAX, bool extending = false) const;
    void resolveEtx(bool alone);
    void writeSettled();
    bool extends(size_t from, size_t to, const ReceiveBuffer& buf);
    bool found(size_t from, size_t to, std::string_view pattern) const;
    SegmentTrace trace() const;
    void writeUpTo(size_t at);
    void writeSegment(size_t from, size_t to, const std::optional<LocalTime>& time);
    void writeLine(const std::string& line);
    void writeSettings();

    Receiver* rx_ = nullptr;
    std::FILE* file_ = nullptr;
    std::string path_;
    bool inDecoding_ = false;

    // The event being built: bytes from stream position groupStart_ on, cut into
    // segments that each replay at their own time.
    size_t groupStart_ = 0;
    std::string group_;
    std::string before_;  // the last bytes written before the group
    std::vector<Segment> segments_;
    bool settled_ = true;  // the last cycle emptied the buffer or waited for more input
    size_t cycleStartConsumed_ = 0;
    size_t endConsumed_ = 0;              // consumed position when the last cycle ended
    size_t lastReadConsumed_ = SIZE_MAX;  // consumed position at the last header read
    size_t lastItemEnd_ = SIZE_MAX;       // ... of the last item read in the current segment
    SegmentTrace atLastItem_;
    size_t etxAt_ = SIZE_MAX;  // an STX item's ETX in front, whose call decides where the event ends
    SegmentTrace etxTrace_;
    size_t etxGroupEnd_ = 0;
    std::uint64_t textLines_ = 0, rtlLines_ = 0;
    std::optional<LocalTime> lastWritten_;
    Stats stats_;
};

}  // namespace ravo
