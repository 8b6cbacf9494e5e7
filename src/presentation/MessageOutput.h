// The "Message Received" box and its address filter.
#pragma once

namespace ravo {

class Receiver;

// Shows MessageLine when the filter is off (0) or names TxAddress. The line is
// also the line of the frame's reading, whatever the filter says.
void showMessageLine(Receiver& rx);

}  // namespace ravo
