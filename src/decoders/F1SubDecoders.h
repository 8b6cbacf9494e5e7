// The packet decoders of the F1 family, called by its dispatcher (F1Family.cpp)
// with a pulse-grid row of 19 or less. Each takes the payload to decode (the
// packet's own, or the row's saved main payload) and the status byte S it is to be
// decoded with: the packet's own, or the status of the stored main packet. Those
// with a serial number read it from the row's F1 state.
#pragma once

#include <array>
#include <cstdint>

namespace ravo {

struct Frame;
class DecoderOutput;

using F1Payload = std::array<std::uint8_t, 4>;

// Volts of an ADC channel in tenths, raw x 0.0122 rounded half to even, computed
// on integers so that a decimal tie (raw 250 gives exactly 3.05) is a tie.
std::int32_t adcTenthsOfVolts(std::uint16_t raw);

// Two 16-bit channels, shown with their volts; shows and logs.
void decodeAdcPacket(const Frame& frame, DecoderOutput& out, int row, int status, const F1Payload& p);
// Temperature in tenths of a degree and an auxiliary word; shows and logs.
void decodePt100Packet(const Frame& frame, DecoderOutput& out, int row, int status, const F1Payload& p);
// A 32-bit meter reading with the row's serial number; shows and logs.
void decodeDirectReadPacket(const Frame& frame, DecoderOutput& out, int row, int status, const F1Payload& p);
// Noise level and spread, leak flag in status bit 5, with the row's serial number;
// shows and logs.
void decodeLoggerPlusPacket(const Frame& frame, DecoderOutput& out, int row, int status, const F1Payload& p);

// Shown, not logged; they empty the row's value cells.
// A main packet of no known type.
void showUnknownMainPacket(const Frame& frame, DecoderOutput& out, int row, int status);
void showIdPacket(const Frame& frame, DecoderOutput& out, int row);  // a stored main packet of a type without decoder
void showSerialPacket(const Frame& frame, DecoderOutput& out,
                      int row);  // a stored main packet of a type without serial display

}  // namespace ravo
