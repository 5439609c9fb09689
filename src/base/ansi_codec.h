// The system ANSI code page (GBK, code page 936, on the machines this program serves).
// Inside the program text is UTF-8; bytes from the receiver and from config.ini files
// without a byte-order mark are ANSI.
#pragma once

#include <string>
#include <string_view>

namespace velin {

// Decodes ANSI bytes to UTF-8. A byte sequence that is not a character of the code page
// becomes U+FFFD, one per offending byte; decoding then resumes at the next byte. Never fails.
// Thread-safe.
//
// Code page 936, as Windows maps it (and as the Linux build always decodes):
//   0x00-0x7F                     itself
//   0x80                          U+20AC
//   0x81-0xFE, then 0x40-0x7E or  one character for the pair; every such pair is one, the
//   0x80-0xFE                     user-defined areas and unassigned pairs private-use ones
//                                 (AAA1 is U+E000, F8A1 U+E234, A140 U+E4C6, A2AB U+E766)
//   0x81-0xFE otherwise           U+FFFD for the lead byte alone: before 0x00-0x3F, 0x7F or
//                                 0xFF, or at the end; the next byte is decoded on its own,
//                                 so the ASCII after a bad pair is kept
//   0xFF                          U+FFFD
std::string AnsiToUtf8(std::string_view ansi);

// Encodes UTF-8 text in the ANSI code page, without best-fit substitutes: a character the
// code page lacks becomes '?', as does each character beyond the Basic Multilingual Plane and
// each byte of malformed UTF-8 (cut short, overlong, a surrogate). Never fails. Thread-safe.
// In code page 936 this is the inverse of the decoding, and U+F8F5 becomes 0xFF besides.
std::string Utf8ToAnsi(std::string_view utf8);

// Appends the UTF-8 form of one code point (U+FFFD for a surrogate or a value above U+10FFFF).
void AppendUtf8(std::string& out, char32_t cp);

// Decodes one UTF-8 character at s[pos]; advances pos. Malformed input yields U+FFFD and
// advances by one byte.
char32_t NextUtf8(std::string_view s, size_t& pos);

}  // namespace velin
