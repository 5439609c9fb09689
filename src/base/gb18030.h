// GB18030, the Chinese national encoding, for labels that announce it (CPCL ENCODING,
// TSPL CODEPAGE). Unlike the ANSI code page it does not depend on the machine: both builds
// decode and encode it with the same tables.
#pragma once

#include <string>
#include <string_view>

namespace velin {

// Decodes GB18030 bytes to UTF-8. Never fails:
//   0x00-0x7F                      itself
//   0x81-0xFE 0x30-0x39            a four-byte sequence (third byte 0x81-0xFE, fourth
//     0x81-0xFE 0x30-0x39          0x30-0x39): its character, or one U+FFFD for the four
//                                  bytes where the standard assigns none
//   0x81-0xFE, then 0x40-0x7E or   the pair's character: code page 936's (Windows'
//     0x80-0xFE                    mapping), with the pairs GB18030 gives real characters
//   otherwise                      U+FFFD for the byte alone (0x80, 0xFF, a lead byte
//                                  before anything else or at the end); the next byte is
//                                  decoded on its own, so ASCII after a bad byte is kept
std::string Gb18030ToUtf8(std::string_view bytes);

// Encodes UTF-8 text in GB18030, which holds every Unicode character; the inverse of the
// decoding. Malformed UTF-8 becomes U+FFFD's sequence (84 31 A4 37). Never fails.
std::string Utf8ToGb18030(std::string_view utf8);

}  // namespace velin
