// The transmitter decoders, one per family; each runs as one row of the dispatch
// table on a frame whose CRC has passed, and ends the frame's decoding.
#pragma once

namespace ravo {

class Receiver;

void decodeTemperature(Receiver& rx);       // 0x82
void decodeHumidity(Receiver& rx);          // 0x83
void decodeFixedPulse(Receiver& rx);        // 0x84
void decodeVoltageCurrent(Receiver& rx);    // 0x85
void decodeThermocouple(Receiver& rx);      // 0x86
void decodeThermistor(Receiver& rx);        // 0x8A
void decodeDriveByPulse(Receiver& rx);      // 0x81
void decodeLegionella(Receiver& rx);        // 0x7A
void decodeLegionellaSignal(Receiver& rx);  // 0x7B
void decodeContact(Receiver& rx);           // 0x87
void decodeAlarm(Receiver& rx);             // 0x88
void decodeLevel(Receiver& rx);             // 0x89
void decodeElectricity(Receiver& rx);       // 0x8B
void decodeLeakNoise(Receiver& rx);         // 0x8F
void decodePressureFlow(Receiver& rx);      // 0xF2
void decodeF1Family(Receiver& rx);          // 0xF1

}  // namespace ravo
