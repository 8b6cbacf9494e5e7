// The "Message Received" box and its address filter.
#pragma once

namespace ravo {

class Receiver;

// Shows MessageLine when the filter is off (0) or names TxAddress.
void showMessageLine(Receiver& rx);

}  // namespace ravo
