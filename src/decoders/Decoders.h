// The transmitter decoders, one per family; each runs as one row of the dispatch
// table on a frame whose CRC has passed, and ends the frame's decoding.
#pragma once

namespace ravo {

struct Frame;
class DecoderOutput;

void decodeTemperature(const Frame& frame, DecoderOutput& out);       // 0x82
void decodeHumidity(const Frame& frame, DecoderOutput& out);          // 0x83
void decodeFixedPulse(const Frame& frame, DecoderOutput& out);        // 0x84
void decodeVoltageCurrent(const Frame& frame, DecoderOutput& out);    // 0x85
void decodeThermocouple(const Frame& frame, DecoderOutput& out);      // 0x86
void decodeThermistor(const Frame& frame, DecoderOutput& out);        // 0x8A
void decodeDriveByPulse(const Frame& frame, DecoderOutput& out);      // 0x81
void decodeLegionella(const Frame& frame, DecoderOutput& out);        // 0x7A
void decodeLegionellaSignal(const Frame& frame, DecoderOutput& out);  // 0x7B
void decodeContact(const Frame& frame, DecoderOutput& out);           // 0x87
void decodeAlarm(const Frame& frame, DecoderOutput& out);             // 0x88
void decodeLevel(const Frame& frame, DecoderOutput& out);             // 0x89
void decodeElectricity(const Frame& frame, DecoderOutput& out);       // 0x8B
void decodeLeakNoise(const Frame& frame, DecoderOutput& out);         // 0x8F
void decodePressureFlow(const Frame& frame, DecoderOutput& out);      // 0xF2
void decodeF1Family(const Frame& frame, DecoderOutput& out);          // 0xF1

}  // namespace ravo
