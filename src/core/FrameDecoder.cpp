// The frame decoder: extraction, then the header stage (CRC, address, status,
// payload, signal level, time), repeat suppression and dispatch.
#include "common/TextValue.h"
#include "core/Receiver.h"
#include "decoders/DecoderOutput.h"
#include "decoders/Dispatch.h"
#include "frames/BadFrames.h"
#include "frames/Crc16.h"
#include "frames/FrameExtraction.h"
#include "presentation/CsvLog.h"
#include "presentation/ErrorFile.h"
#include "presentation/MessageOutput.h"

namespace ravo {
namespace {

// hh, mm and ss of a time text, each read as a number.
struct TimeParts {
    double h, m, s;
};
TimeParts timeParts(const std::string& t) {
    auto part = [&t](size_t pos) { return pos < t.size() ? textValue(std::string_view(t).substr(pos, 2)) : 0.0; };
    return {part(0), part(3), part(6)};
}

// True when the transmitter's grid row shows a reading less than 4 seconds ago in
// the same minute.
bool isRecentRepeat(const ScreenModel& screen, const ProgramState& state) {
    const double address = state.frame.address;
    const std::string* rowTime = nullptr;
    for (int i = 0; i < kGridRows && !rowTime; ++i)
        if (screen.gridValue(Field::txttx, i) == address) rowTime = &screen.text(Field::txtlog, i);
    for (int i = 0; i < kGridRows && !rowTime; ++i)
        if (screen.gridValue(Field::txttempadd, i) == address) rowTime = &screen.text(Field::txtemprx, i);
    if (!rowTime || rowTime->empty()) return false;
    const TimeParts then = timeParts(*rowTime);
    const TimeParts now = timeParts(state.time.timeText);
    return now.h == then.h && now.m == then.m && now.s - then.s < 4;
}

}  // namespace

// The common fields of the reading; the decoder adds the family's own. On VHF the
// header's S level (byte 9 / 16) is taken as the reading's; a family whose byte 9
// means something else takes it away, one that carries its own replaces it.
void Receiver::beginReading(const DispatchRow& row) {
    const ProgramState& st = state_;
    Reading& r = reading;
    r.restart();
    r.withFields = readings_.wantsFields();
    r.time = st.time.read;
    r.type = st.byte(1);
    r.family = row.key;
    r.address = st.frame.address;
    r.status = st.frame.status;
    r.vhf = st.vhfBand;
    if (st.vhfBand) r.sLevel = st.byte(st.headerOffset + 9) / 16;
}

// What the decoders produce goes to the receiver's screen_ model, logs, readings
// and profile_ window.
class Receiver::Output final : public DecoderOutput {
public:
    explicit Output(Receiver& rx) : rx_(rx) {}

    void showMessage(std::string line, std::int32_t address) override {
        rx_.messageLine = std::move(line);
        // The reading carries the line whatever the filter lets through. It refers
        // to the line in place: a decoder leaves the line alone once it has shown it.
        if (!rx_.readings_.empty()) rx_.reading.line.refer(rx_.messageLine);
        showMessageLine(rx_.screen_, rx_.messageLine, address);
    }
    void logTemperature(int status, const std::string& sLevel, const std::string& value1,
                        const std::string& value2) override {
        logReading(files(), row(status, sLevel, value1, value2));
    }
    void logPulse(int status, const std::string& sLevel, const std::string& value1, const std::string& value2,
                  const std::string& serial) override {
        logReadingWithSerial(files(), row(status, sLevel, value1, value2), serial);
    }
    ScreenModel& screen() override { return rx_.screen_; }
    F1RowState& f1Row(int row) override { return rx_.state_.f1[static_cast<size_t>(row)]; }
    Reading* reading() override { return rx_.readings_.empty() ? nullptr : &rx_.reading; }
    void feedProfile(double temperature) override { rx_.profile_.feed(rx_.state_.frame.address, temperature); }
    std::string number(double v) const override { return rx_.number(v); }

private:
    LogFiles files() const { return {rx_.screen_, rx_.files, rx_, rx_.logBacklog_}; }
    LogRow row(int status, const std::string& sLevel, const std::string& value1, const std::string& value2) const {
        return {rx_.state_.time, rx_.state_.frame.address, status, sLevel, value1, value2};
    }

    Receiver& rx_;
};

void Receiver::headerStage() {
    ProgramState& st = state_;
    if (st.frameLength > 3) checkFrameCrc(st);
    else st.crcOk = false;
    if (st.rtlLine) st.crcOk = true;

    const int o = st.headerOffset;
    Frame& f = st.frame;
    f.bytes = &st.frameBytes;
    f.headerOffset = o;
    f.type = st.byte(1);
    f.address = st.byte(o + 2) * 65536 + st.byte(o + 3) * 256 + st.byte(o + 4);
    f.status = st.byte(o + 5);
    for (int k = 0; k < 4; ++k) f.payload[static_cast<size_t>(k)] = static_cast<std::uint8_t>(st.byte(o + 6 + k));
    f.signalLevel = st.vhfBand ? " " + std::to_string(st.byte(o + 9) / 16) : std::string();
    f.vhfBand = st.vhfBand;
    f.time = &st.time;
    updateTimestamp(st.time, now_);
    if (decodingObserver_) decodingObserver_->itemTimed(now_);

    const int type = f.type;
    if (type != 0xF1 && type != 0x7B && isRecentRepeat(screen_, state_)) {
        if (!readings_.empty()) readings_.repeatDropped(f.address, st.time.read);
        return;
    }

    const DispatchRow* row = st.crcOk ? findDispatchRow(type, st.vhfBand) : nullptr;
    if (!row) {
        const std::string line = handleBadFrame(st, screen_, readings_);
        appendErrorLine(screen_, files, st.time, line);
        return;
    }
    const bool wanted = !readings_.empty();
    if (wanted) beginReading(*row);
    Output out(*this);
    row->decode(f, out);
    if (wanted) readings_.reading(reading);
}

void Receiver::frameDecoder() {
    if (extractItem(state_, screen_) == Extraction::Cut) headerStage();
}

}  // namespace ravo
