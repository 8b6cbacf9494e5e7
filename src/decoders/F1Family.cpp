// The F1 family, type 0xF1, VHF only: ADC, PT100, direct-read and logger-plus
// transmitters, which also send an ID packet and a serial-number packet.
//
//   byte  1     2  3  4       5         6   7   8   9       10 11
//        [F1] [address, MSB] [status] [P0  P1  P2  P3]    [CRC lo,hi]
//   A wrapped 12-byte frame has every position from byte 2 on one higher.
//
//   status             packet            payload
//   bit 6 clear        main packet       by the row's device type:
//                                          1 PT100: P0P1 tenths of a degree (signed),
//                                                   P2P3 auxiliary word (hex)
//                                          2 direct read: P0..P3 meter reading
//                                          3 logger plus: P0 level, P1 spread;
//                                                   status bit 5 leak
//   0x40               ID packet         P0P1 device type
//   0x41               serial number     P0..P3 serial number (on a typed row)
//   other, bit 6 set   ADC packet        P0P1 channel 1, P2P3 channel 2 (on an
//                                        untyped row; bit 7 low battery)
//   status bits 0-3 are the firmware version.
//
// The device type and serial number are learned per pulse-grid row (F1RowState,
// reset when the row's address changes). A main packet heard while the type is
// unknown is shown as unknown, and its status kept; the latest main payload is
// always kept. An ID or serial-number packet then decodes the kept packet again.
// F1 frames are never dropped as repeats, and nothing at all is shown or logged
// for a transmitter that finds the grid full.
#include "decoders/DecoderOutput.h"
#include "decoders/Decoders.h"
#include "decoders/F1SubDecoders.h"
#include "decoders/FamilyFields.h"
#include "decoders/ReadingFields.h"
#include "frames/Frame.h"
#include "screen/GridRows.h"

namespace ravo {
namespace {

constexpr int kIdPacket = 0x40;
constexpr int kSerialPacket = 0x41;

enum DeviceType : std::int32_t { kUnknown = 0, kPt100 = 1, kDirectRead = 2, kLoggerPlus = 3 };

bool isMainPacket(int status) { return (status & 0x40) == 0; }

// What the row has learned of the device, on a reading of any packet kind.
constexpr FieldDecl kDeviceFields[] = {
    {"device_type", "", "Device type", FieldKind::Number},
    {"serial_number", "", "Serial number", FieldKind::Number},
};
constexpr const FieldDecl& kDeviceType = declaredField(kDeviceFields, "device_type");
constexpr const FieldDecl& kSerialNumber = declaredField(kDeviceFields, "serial_number");

// A main packet as it arrives, decoded by the row's device type.
void mainPacket(const Frame& frame, DecoderOutput& out, int row, F1RowState& f1) {
    const int s = frame.status;
    const F1Payload& p = frame.payload;
    switch (f1.deviceType) {
        case kPt100: decodePt100Packet(frame, out, row, s, p); break;
        case kDirectRead: decodeDirectReadPacket(frame, out, row, s, p); break;
        case kLoggerPlus: decodeLoggerPlusPacket(frame, out, row, s, p); break;
        case kUnknown:
            // Kept for the ID packet; a status of 0 reads as "none kept".
            f1.mainStatus = s;
            showUnknownMainPacket(frame, out, row, s);
            break;
        default: showUnknownMainPacket(frame, out, row, s); break;
    }
    f1.savedPayload = p;
}

// The ID packet names the device type; the kept main packet is shown with it.
void idPacket(const Frame& frame, DecoderOutput& out, int row, F1RowState& f1) {
    const F1Payload& p = frame.payload;
    f1.deviceType = 256 * p[0] + p[1];
    if (f1.mainStatus == 0) return;
    const F1Payload& saved = f1.savedPayload;
    switch (f1.deviceType) {
        case kPt100: decodePt100Packet(frame, out, row, f1.mainStatus, saved); break;
        case kDirectRead: decodeDirectReadPacket(frame, out, row, f1.mainStatus, saved); break;
        case kLoggerPlus: decodeLoggerPlusPacket(frame, out, row, f1.mainStatus, saved); break;
        default: showIdPacket(frame, out, row); break;
    }
}

// The serial number of a typed row; the kept main packet is shown again with it
// where the type displays a serial number.
void serialPacket(const Frame& frame, DecoderOutput& out, int row, F1RowState& f1) {
    const F1Payload& p = frame.payload;
    f1.serialNumber = (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
                      (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
    if (f1.mainStatus == 0) return;
    const F1Payload& saved = f1.savedPayload;
    switch (f1.deviceType) {
        case kDirectRead: decodeDirectReadPacket(frame, out, row, f1.mainStatus, saved); break;
        case kLoggerPlus: decodeLoggerPlusPacket(frame, out, row, f1.mainStatus, saved); break;
        default: showSerialPacket(frame, out, row); break;
    }
}

}  // namespace

void decodeF1Family(const Frame& frame, DecoderOutput& out) {
    Reading* r = out.reading();
    if (r) r->sLevel.reset();  // byte 9 is payload in this family
    const int row = findPulseRow(out.screen(), frame.address, colour::black);
    if (row >= kGridRows) return;
    F1RowState& f1 = out.f1Row(row);
    const int status = frame.status;

    // The packet kind names the reading unless a sub-decoder shows a main packet.
    if (r && status == kIdPacket) r->family = "f1_id";
    else if (r && status == kSerialPacket && f1.deviceType != kUnknown) r->family = "f1_serial";

    if (isMainPacket(status)) mainPacket(frame, out, row, f1);
    else if (status == kIdPacket) idPacket(frame, out, row, f1);
    else if (f1.deviceType == kUnknown) decodeAdcPacket(frame, out, row, status, frame.payload);
    else if (status == kSerialPacket) serialPacket(frame, out, row, f1);
    // Any other packet with bit 6 set on a typed row is ignored.

    if (r) {
        // What the row has learned of the device, as it stands after this packet.
        if (f1.deviceType != kUnknown) r->set(kDeviceType, std::int64_t{f1.deviceType});
        if (f1.serialNumber > 0) r->set(kSerialNumber, std::int64_t{f1.serialNumber});
    }
}

std::span<const FieldDecl> f1DeviceFields() { return kDeviceFields; }

std::span<const FamilyFields> f1Families() {
    // The packets that no sub-decoder names: they carry the device fields alone.
    static constexpr FamilyFields kFamilies[] = {
        {"f1_id", {}, kDeviceFields}, {"f1_serial", {}, kDeviceFields}, {"f1", {}, kDeviceFields}};
    return kFamilies;
}

}  // namespace ravo
