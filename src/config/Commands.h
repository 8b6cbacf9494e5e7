// Configuration commands to the receiver: the operating mode and a set of three
// or eight addresses, each followed by its CRC-16 (low byte first).
//
//   Set Mode      "AT=" m  CRC lo  CRC hi                      6 bytes
//   Set 3ch Add   "AP" a1 a2 a3  CRC lo  CRC hi                13 bytes
//   Set 8ch Add   "AP" a1 ... a8  CRC lo  CRC hi               28 bytes
// Each address is three bytes, most significant first.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "frames/ProgramState.h"
#include "screen/ScreenModel.h"

namespace ravo {

// Wakes the receiver: from here on it forwards every packet it hears.
inline constexpr const char* kMonitorOn = "\rMONITOR 1\r";
// Tells it to stop forwarding (sent when a program lets go of the port).
inline constexpr const char* kMonitorOff = "MONITOR 0\r";

// The three bytes of an address value, or nothing when the value cannot be sent
// (below 0, above 16777215, or a fraction that rounds past the last byte).
std::optional<std::string> addressBytes(double value);

struct Command {
    std::string bytes;  // the whole command with its CRC, empty when refused
    std::string error;  // why it cannot be sent
    bool ok() const { return error.empty(); }
};

// Builds the commands from box texts (read as numbers, 0 when not a number).
Command modeCommand(const std::string& modeText);
Command addressCommand(const std::vector<std::string>& addressTexts);

// Appends the CRC-16 of CommandText to it, through the program's CRC register
// (both in `st`).
void finishCommand(ProgramState& st);

// The three buttons: empty the message box, compose the command from the boxes of
// the configuration frame and return it (bytes to write, or the reason it is refused).
// The boxes are in `screen`; the command goes through the register of `st`.
Command setModeClicked(ScreenModel& screen, ProgramState& st);
Command setAddressesClicked(ScreenModel& screen, ProgramState& st, int count);  // 3 or 8

}  // namespace ravo
