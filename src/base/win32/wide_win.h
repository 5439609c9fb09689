// UTF-8 (the program's text) to and from UTF-16 (the wide Win32 API).
#pragma once

#include <string>
#include <string_view>

namespace velin {

// Malformed UTF-8 becomes U+FFFD; unpaired surrogates in UTF-16 become U+FFFD.
std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);

}  // namespace velin
