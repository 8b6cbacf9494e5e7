// The frame decoder: extraction, then the header stage (CRC, address, status,
// payload, signal level, time), repeat suppression and dispatch.
#include "common/TextValue.h"
#include "core/Receiver.h"
#include "decoders/Dispatch.h"
#include "frames/BadFrames.h"
#include "frames/Crc16.h"
#include "frames/FrameExtraction.h"

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
bool isRecentRepeat(const Receiver& rx) {
    const auto& screen = rx.screen;
    const double address = rx.state.txAddress;
    const std::string* rowTime = nullptr;
    for (int i = 0; i < kGridRows && !rowTime; ++i)
        if (screen.gridValue(Field::txttx, i) == address) rowTime = &screen.text(Field::txtlog, i);
    for (int i = 0; i < kGridRows && !rowTime; ++i)
        if (screen.gridValue(Field::txttempadd, i) == address) rowTime = &screen.text(Field::txtemprx, i);
    if (!rowTime || rowTime->empty()) return false;
    const TimeParts then = timeParts(*rowTime);
    const TimeParts now = timeParts(rx.state.time.timeText);
    return now.h == then.h && now.m == then.m && now.s - then.s < 4;
}

// The common fields of the reading; the decoder adds the family's own. On VHF the
// header's S level (byte 9 / 16) is taken as the reading's; a family whose byte 9
// means something else takes it away, one that carries its own replaces it.
void beginReading(Receiver& rx, const DispatchRow& row) {
    const ProgramState& st = rx.state;
    Reading& r = rx.reading;
    r.restart();
    r.withFields = rx.readings.wantsFields();
    r.time = st.time.read;
    r.type = st.byte(1);
    r.family = row.key;
    r.address = st.txAddress;
    r.status = st.statusByte;
    r.vhf = st.vhfBand;
    if (st.vhfBand) r.sLevel = st.byte(st.headerOffset + 9) / 16;
}

void headerStage(Receiver& rx) {
    ProgramState& st = rx.state;
    if (st.frameLength > 3) checkFrameCrc(st);
    else st.crcOk = false;
    if (st.rtlLine) st.crcOk = true;

    const int o = st.headerOffset;
    st.txAddress = st.byte(o + 2) * 65536 + st.byte(o + 3) * 256 + st.byte(o + 4);
    st.statusByte = st.byte(o + 5);
    for (int k = 0; k < 4; ++k) st.payloadBytes[static_cast<size_t>(k)] = static_cast<std::uint8_t>(st.byte(o + 6 + k));
    st.signalLevel = st.vhfBand ? " " + std::to_string(st.byte(o + 9) / 16) : std::string();
    updateTimestamp(st.time, rx.clock);

    const int type = st.byte(1);
    if (type != 0xF1 && type != 0x7B && isRecentRepeat(rx)) {
        if (!rx.readings.empty()) rx.readings.repeatDropped(st.txAddress, st.time.read);
        return;
    }

    const DispatchRow* row = st.crcOk ? findDispatchRow(type, st.vhfBand) : nullptr;
    if (!row) {
        handleBadFrame(rx);
        return;
    }
    const bool wanted = !rx.readings.empty();
    if (wanted) beginReading(rx, *row);
    row->decode(rx);
    if (wanted) rx.readings.reading(rx.reading);
}

}  // namespace

void Receiver::frameDecoder() {
    if (extractItem(*this) == Extraction::Cut) headerStage(*this);
}

}  // namespace ravo
