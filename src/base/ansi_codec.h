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
std::string AnsiToUtf8(std::string_view ansi);

// Encodes UTF-8 text in the ANSI code page. A character the code page lacks, and any
// malformed UTF-8, becomes '?'. Never fails. Thread-safe.
std::string Utf8ToAnsi(std::string_view utf8);

// Appends the UTF-8 form of one code point (U+FFFD for a surrogate or a value above U+10FFFF).
void AppendUtf8(std::string& out, char32_t cp);

// Decodes one UTF-8 character at s[pos]; advances pos. Malformed input yields U+FFFD and
// advances by one byte.
char32_t NextUtf8(std::string_view s, size_t& pos);

}  // namespace velin
