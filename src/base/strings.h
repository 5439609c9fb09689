// Small text helpers shared by the configuration reader and the command handlers.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace velin {

// The conversion error of the strict integer reader; its message is the user-visible one.
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads a 32-bit signed integer strictly: optional leading spaces, an optional sign, then
// decimal digits to the end of the text; a leading "$", "x", "X", "0x" or "0X" (after the sign)
// selects hexadecimal, whose eight-digit values wrap to negative as a 32-bit pattern. Anything else
// (a trailing space, no digits, overflow) fails. Returns false on failure.
bool TryStrToInt(std::string_view text, int32_t& value);

// As TryStrToInt, but throws EConvertError "'TEXT' is not a valid integer value".
int32_t StrToInt(std::string_view text);

// The value of one hexadecimal digit (0-9, A-F, a-f), or -1 for any other character.
int HexDigit(char c);

// ASCII-only case-insensitive comparison.
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);

// Strips spaces and tabs at both ends.
std::string_view TrimBlanks(std::string_view text);

}  // namespace velin
