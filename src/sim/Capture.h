// The capture format: a text file of receiver traffic and operator actions, one
// record a line. ravo-cli decode reads it, the simulator writes it.
//
//   empty or "#..."              ignored
//   @YYYY-MM-DD HH:MM:SS[.mmm]   the clock reads this local time from here on
//   +SECONDS                     the clock moves on (decimals allowed)
//   82 00 04 D2 ...              one receive event with those bytes
//   "text\r\n"                   one receive event with the text (\r \n \t \\ \" \xHH)
//   !set NAME TEXT               the operator types TEXT into box NAME
//   !click NAME                  a click on a button, option or check box
//   !dblclick NAME               a double-click on a box
#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "common/Clock.h"

namespace ravo::capture {

struct Ignore {};
struct SetTime {
    LocalTime time;
};
struct Advance {
    double seconds;
};
struct Receive {
    std::string bytes;
};
struct Set {
    std::string name;
    std::string text;
};
struct Click {
    std::string name;
};
struct DoubleClick {
    std::string name;
};
struct Invalid {
    std::string reason;
};

using Record = std::variant<Ignore, SetTime, Advance, Receive, Set, Click, DoubleClick, Invalid>;

// Parses one line (without its line end; a trailing CR is ignored).
Record parseLine(std::string_view line);

// Writing records.
std::string hexLine(std::string_view bytes);     // "82 00 04 D2"
std::string quotedLine(std::string_view bytes);  // "\"Rtl ...\\r\\n\""
std::string timeLine(const LocalTime& t);        // "@2026-12-07 12:00:00.000"

}  // namespace ravo::capture
