// The program's texts are 8-bit: one character per byte, read as ISO-8859-1.
#pragma once

#include <string>
#include <string_view>

namespace ravo {

// Each byte becomes the code point of the same value, written as UTF-8.
std::string latin1ToUtf8(std::string_view text);

// Code points up to U+00FF become one byte each; any other code point, or a
// malformed sequence, becomes "?". Returns false when anything was replaced.
bool utf8ToLatin1(std::string_view utf8, std::string& out);

}  // namespace ravo
