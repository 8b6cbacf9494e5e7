// The transmitter decoders, one per family; each runs as one row of the dispatch
// table on a frame whose CRC has passed, and ends the frame's decoding.
#pragma once

namespace ravo {

class Receiver;

void decodeTemperature(Receiver& rx);  // 0x82

}  // namespace ravo
