// Arbitrary receive events through the whole frame decoder, on either band.
//   byte 0: bit 0 band (1 VHF), bit 1 separate files, bits 2-7 seconds between events
//   then chunks: one length byte, then that many bytes as one receive event;
//   a length of 0 is an operator action chosen by the next byte.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzSupport.h"
#include "frames/FrameExtraction.h"
#include "sim/Replay.h"

using namespace ravo;

namespace {

void operatorAction(Receiver& rx, std::uint8_t what) {
    switch (what % 8) {
        case 0: rx.click("btClear"); break;
        case 1: rx.click("cmdseqadd"); break;
        case 2: rx.click("cmdseqtempadd"); break;
        case 3: rx.click(what & 0x80 ? "optvhf" : "optuhf"); break;
        case 4: rx.doubleClick("txt_errorcount"); break;
        case 5: rx.type({Field::txttx, what % kGridRows}, std::to_string(what)); break;
        case 6: rx.type({Field::txtzero, what % kGridRows}, std::to_string(what * 1000)); break;
        default: rx.doubleClick("txttempadd[" + std::to_string(what % kGridRows) + "]"); break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    if (size == 0) return 0;
    fuzz::FuzzReceiver f;
    Receiver& rx = f.rx;
    rx.selectBand(data[0] & 1);
    rx.setSeparateFiles(data[0] & 2);
    const double step = (data[0] >> 2) / 8.0;
    size_t i = 1;
    while (i < size) {
        const size_t len = data[i++];
        if (len == 0) {
            if (i < size) operatorAction(rx, data[i++]);
            continue;
        }
        const size_t n = len < size - i ? len : size - i;
        rx.receive(std::string(reinterpret_cast<const char*>(data + i), n));
        i += n;
        drainReceiveBuffer(rx, f.clock.now());
        // A drained buffer only ever holds an item that waits, and such a wait is bounded.
        if (rx.state().receiveBuffer.size() >= kWaitBound) std::abort();
        if (rx.screen().text(Field::txtReceiverMonitor).size() > ScreenModel::kMonitorTail) std::abort();
        f.clock.advance(step);
    }
    // A wait that lasts too long is given up, and decoding moves on.
    rx.giveUpWait();
    drainReceiveBuffer(rx, f.clock.now());
    return 0;
}
