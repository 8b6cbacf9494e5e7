// Two-channel switch transmitters: contact (0x87, UHF only) and alarm (0x88,
// either band).
//
//   byte  1        2  3  4       5         6  7  8           9        10 11
//        [87|88] [address, MSB] [status] [count, MSB]  [unused/S]  [CRC lo,hi]
//   status: bit 7 low battery, bit 5 channel 2 closed/on, bit 4 channel 1
//           closed/on, bits 0-3 firmware revision; bit 6 unused.
//   count: unsigned 24 bits, shown raw (no zero reference).
//   VHF: bits 4-7 of byte 9 are the S level; a wrapped 12-byte alarm frame has
//        every position from byte 2 on one higher.
//
// Both use the pulse grid in black; txtzero holds the two channel states as words
// run together ("1:Open " + "2:Clo'd").
#include "decoders/DecoderCommon.h"
#include "decoders/DecoderOutput.h"
#include "decoders/Decoders.h"
#include "decoders/FamilyFields.h"
#include "decoders/PulseRowWrites.h"
#include "decoders/ReadingFields.h"
#include "screen/GridRows.h"

namespace ravo {
namespace {

constexpr FieldDecl kContactFields[] = {
    {"count", "", "Count", FieldKind::Counter, "", "total_increasing"},
    {"channel_1_closed", "", "Channel 1 closed", FieldKind::Flag},
    {"channel_2_closed", "", "Channel 2 closed", FieldKind::Flag},
};
constexpr FieldDecl kAlarmFields[] = {
    {"count", "", "Count", FieldKind::Counter, "", "total_increasing"},
    {"channel_1_on", "", "Channel 1 on", FieldKind::Flag},
    {"channel_2_on", "", "Channel 2 on", FieldKind::Flag},
};

// The texts of one transmitter kind; each pair is {set, clear}.
struct SwitchWords {
    const char* label;
    const char* countLabel;
    const char* monitor1[2];
    const char* monitor2[2];
    const char* grid1[2];
    const char* grid2[2];
    bool showsSignalLevel;   // writes txtslevel on VHF
    const FieldDecl* count;  // reading fields of the count and the two channel states
    const FieldDecl* field1;
    const FieldDecl* field2;
};

constexpr SwitchWords kContact{"Contact Tx. - Address: ",
                               "  Pulse Count = ",
                               {"  CH1 CLOSED", "  CH1 OPEN "},
                               {"  CH2 CLOSED", "  CH2 OPEN "},
                               {"1:Clo'd ", "1:Open "},
                               {"2:Clo'd", "2:Open"},
                               false,
                               &declaredField(kContactFields, "count"),
                               &declaredField(kContactFields, "channel_1_closed"),
                               &declaredField(kContactFields, "channel_2_closed")};
constexpr SwitchWords kAlarm{"Alarm Tx: ",
                             "  Ch1 Count: ",
                             {"  CH1:ON ", "  CH1:OFF "},
                             {"  CH2:ON ", "  CH2:OFF "},
                             {"1:On ", "1:Off "},
                             {"2:On", "2:Off"},
                             true,
                             &declaredField(kAlarmFields, "count"),
                             &declaredField(kAlarmFields, "channel_1_on"),
                             &declaredField(kAlarmFields, "channel_2_on")};

void decodeSwitch(const Frame& frame, DecoderOutput& out, const SwitchWords& w) {
    const int o = frame.headerOffset;
    const int status = frame.status;
    const int ch1 = (status & 0x10) ? 0 : 1;  // index into {set, clear}
    const int ch2 = (status & 0x20) ? 0 : 1;
    const double count = (frame.byte(o + 6) * 256.0 + frame.byte(o + 7)) * 256.0 + frame.byte(o + 8);

    std::string line = labelAndAddress(frame, w.label);
    line += w.countLabel + spacedNumber(count);
    line += w.monitor1[ch1];
    line += w.monitor2[ch2];
    if (lowBattery(status)) line += kLowBattery;
    line += "  F/W rev : " + spacedNumber(status & 0x0F) + timeSuffix(frame);
    out.showMessage(std::move(line), frame.address);
    if (Reading* r = out.reading()) {
        setBatteryAndFirmware(*r, status);
        r->set(*w.count, wholeNumber(count));
        r->set(*w.field1, ch1 == 0);
        r->set(*w.field2, ch2 == 0);
    }

    out.logPulse(frame.status, frame.signalLevel, spacedNumber(count), std::string(), std::string());

    const int row = findPulseRow(out.screen(), frame.address, colour::black);
    if (row >= kGridRows) return;
    ScreenModel& s = out.screen();
    paintRow(out.screen(), row, colour::black, {Field::txtcount, Field::txtlog, Field::txtzero});
    s.setText(Field::txtlog, row, frame.timeText());
    s.setText(Field::txtzero, row, w.grid1[ch1]);
    s.setText(Field::txtzero, row, s.text(Field::txtzero, row) + w.grid2[ch2]);
    s.setText(Field::txtcount, row, out.number(count));
    if (w.showsSignalLevel && frame.vhfBand) s.setText(Field::txtslevel, row, out.number(frame.byte(o + 9) / 16));
}

}  // namespace

void decodeContact(const Frame& frame, DecoderOutput& out) { decodeSwitch(frame, out, kContact); }
void decodeAlarm(const Frame& frame, DecoderOutput& out) { decodeSwitch(frame, out, kAlarm); }

std::span<const FamilyFields> contactAlarmFamilies() {
    static constexpr FamilyFields kFamilies[] = {{"contact", kContactFields}, {"alarm", kAlarmFields}};
    return kFamilies;
}

}  // namespace ravo
