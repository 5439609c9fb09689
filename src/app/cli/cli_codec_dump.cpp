// velin-cli codec-dump: writes what the ANSI code page codec makes of every one- and two-byte
// sequence and of every Basic Multilingual Plane character, in a stable text form, so that
// two builds (Linux, and Windows under Wine in the zh_CN locale) can be compared with cmp.
//
// One line per case, in a fixed order:
//   d HEX: CODEPOINTS   decoding of the bytes HEX (every byte alone; every pair alone; every
//                       pair followed by "A"; a few longer odd sequences), as the code points
//                       of the UTF-8 result, or "!XX" for a byte of the result that is not UTF-8
//   e HEX: HEX          encoding of the UTF-8 bytes on the left (every code point U+0000 to
//                       U+FFFF, surrogates in their three-byte form, which is malformed, each
//                       alone; then malformed and non-BMP sequences), as the ANSI bytes
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>

#include "base/ansi_codec.h"
#include "cli.h"

namespace velin::cli {
namespace {

constexpr const char* kName = "codec-dump";
constexpr const char* kUsage = "codec-dump OUTPUT";

void AppendHex(std::string& out, std::string_view bytes) {
  char hex[4];
  for (unsigned char b : bytes) {
    std::snprintf(hex, sizeof hex, "%02X", b);
    out += hex;
  }
}

void AppendCodePoints(std::string& out, std::string_view utf8) {
  char text[16];
  for (size_t pos = 0; pos < utf8.size();) {
    size_t start = pos;
    char32_t cp = NextUtf8(utf8, pos);
    if (cp == 0xFFFD && utf8.compare(start, pos - start, "\xEF\xBF\xBD") != 0)
      std::snprintf(text, sizeof text, " !%02X", static_cast<unsigned char>(utf8[start]));
    else
      std::snprintf(text, sizeof text, " %04X", static_cast<unsigned>(cp));
    out += text;
  }
}

void Decode(std::string& out, std::string_view ansi) {
  out += "d ";
  AppendHex(out, ansi);
  out += ':';
  AppendCodePoints(out, AnsiToUtf8(ansi));
  out += '\n';
}

void Encode(std::string& out, std::string_view utf8) {
  out += "e ";
  AppendHex(out, utf8);
  out += ": ";
  AppendHex(out, Utf8ToAnsi(utf8));
  out += '\n';
}

// The UTF-8 form of a BMP code point, surrogates included (which makes them malformed).
std::string ThreeByteForm(char32_t cp) {
  std::string s;
  if (cp < 0x80) {
    s += static_cast<char>(cp);
  } else if (cp < 0x800) {
    s += static_cast<char>(0xC0 | (cp >> 6));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    s += static_cast<char>(0xE0 | (cp >> 12));
    s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  }
  return s;
}

std::string Dump() {
  std::string out;
  out.reserve(8 << 20);
  for (int b = 0; b < 256; ++b) Decode(out, std::string(1, static_cast<char>(b)));
  for (const char* after : {"", "A"}) {
    for (int pair = 0; pair < 65536; ++pair)
      Decode(out,
             std::string{static_cast<char>(pair >> 8), static_cast<char>(pair & 0xFF)} + after);
  }
  // Longer sequences: a bad pair before text, lead bytes in a row, a lead byte cut short
  // after text, single-byte oddities between characters, an embedded NUL.
  static constexpr std::string_view kOddAnsi[] = {
      "T 4 0 10 20 \xA2\xAB"
      "AB",
      "\xA2\xAB\xA2\xAB",
      "\x81\x81\x81",
      "\x81\x81\x81\x81",
      "\xFE\xFE\xFE",
      "AB\x81",
      "\xD6\xD0\x81",
      "\xD6\xD0\xFF\xCE\xC4",
      "\x80\x80\x80",
      "\xFF\xFF\xFF",
      "\x81\x7F"
      "A",
      "\x81\xFF"
      "A",
      "\x81\x20\x81\x40",
      std::string_view("\xB0\x00\xA1", 3),
      "\xAA\xA1\xAF\xFE\xF8\xA1\xFE\xFE\xA1\x40\xA7\xA0",
  };
  for (std::string_view s : kOddAnsi) Decode(out, s);

  for (char32_t cp = 0; cp < 0x10000; ++cp) Encode(out, ThreeByteForm(cp));
  static constexpr std::string_view kOddUtf8[] = {
      "\xF0\x9F\x98\x80",          // U+1F600, beyond the BMP
      "\xF0\x90\x80\x80",          // U+10000
      "\xF4\x8F\xBF\xBF",          // U+10FFFF
      "\xF4\x90\x80\x80",          // above U+10FFFF
      "\xED\xA0\xBD\xED\xB8\x80",  // a surrogate pair spelt out (CESU-8)
      "\xC0\x80",                  // overlong NUL
      "\xE0\x80\x80",              // overlong
      "\xC3",                      // cut short
      "\xE4\xB8",                  // cut short
      "\xE4\xB8"
      "A",
      "\xF0\x9F\x98",  // cut short
      "\x80",          // lone continuation byte
      "\xBF\xBF",
      "\xF5\x80\x80\x80",
      "\xFE",
      "\xFF",
      "a\xF0\x9F\x98\x80"
      "b\xE4\xB8\xAD",
  };
  for (std::string_view s : kOddUtf8) Encode(out, s);
  return out;
}

int Run(const std::vector<std::string>& args) {
  if (args.size() != 1 || args[0].empty() || args[0][0] == '-')
    return UsageError(kName, "expected one OUTPUT path");
  std::ofstream file(args[0], std::ios::binary | std::ios::trunc);
  const std::string text = Dump();
  file.write(text.data(), static_cast<std::streamsize>(text.size()));
  file.close();
  if (!file) {
    std::fprintf(stderr, "velin-cli %s: cannot write '%s'\n", kName, args[0].c_str());
    return kExitFailure;
  }
  return kExitOk;
}

const bool registered = Register({kName, kUsage, Run});

}  // namespace
}  // namespace velin::cli
