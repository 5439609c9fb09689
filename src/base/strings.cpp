#include "base/strings.h"

namespace velin {

bool TryStrToInt(std::string_view text, int32_t& value) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  } else if (i < text.size() && (text[i] == 'x' || text[i] == 'X')) {
    base = 16;
    ++i;
  }
  if (i == text.size()) return false;
  uint64_t magnitude = 0;
  const uint64_t limit = base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
  for (; i < text.size(); ++i) {
    const int digit = HexDigit(text[i]);
    if (digit < 0 || digit >= base) return false;
    magnitude = magnitude * base + digit;
    if (magnitude > limit) return false;
  }
  uint32_t bits = static_cast<uint32_t>(magnitude);
  if (negative) bits = 0u - bits;
  value = static_cast<int32_t>(bits);
  return true;
}

int32_t StrToInt(std::string_view text) {
  int32_t value = 0;
  if (!TryStrToInt(text, value))
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
  return value;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x += 'a' - 'A';
    if (y >= 'A' && y <= 'Z') y += 'a' - 'A';
    if (x != y) return false;
  }
  return true;
}

std::string_view TrimBlanks(std::string_view text) {
  size_t b = 0, e = text.size();
  while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
  while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
  return text.substr(b, e - b);
}

}  // namespace velin
