// The packet decoders of the F1 family, called by its dispatcher (F1Family.cpp)
// with a pulse-grid row of 19 or less. Each reads the payload from PayloadBytes
// (the packet's own, or the row's saved main payload put back there) and takes the
// status byte S it is to be decoded with: the packet's own, or the status of the
// stored main packet. Those with a serial number read it from the row's F1 state.
#pragma once

#include <cstdint>

namespace ravo {

class Receiver;

// Volts of an ADC channel in tenths, raw x 0.0122 rounded half to even, computed
// on integers so that a decimal tie (raw 250 gives exactly 3.05) is a tie.
std::int32_t adcTenthsOfVolts(std::uint16_t raw);

// Two 16-bit channels, shown with their volts; shows and logs.
void decodeAdcPacket(Receiver& rx, int row, int status);
// Temperature in tenths of a degree and an auxiliary word; shows and logs.
void decodePt100Packet(Receiver& rx, int row, int status);
// A 32-bit meter reading with the row's serial number; shows and logs.
void decodeDirectReadPacket(Receiver& rx, int row, int status);
// Noise level and spread, leak flag in status bit 5, with the row's serial number;
// shows and logs.
void decodeLoggerPlusPacket(Receiver& rx, int row, int status);

// Shown, not logged; they empty the row's value cells.
void showUnknownMainPacket(Receiver& rx, int row, int status);  // a main packet of no known type
void showIdPacket(Receiver& rx, int row);                       // a stored main packet of a type without decoder
void showSerialPacket(Receiver& rx, int row);                   // a stored main packet of a type without serial display

}  // namespace ravo
