// ANSI code page conversions over MultiByteToWideChar/WideCharToMultiByte with CP_ACP, the
// code page of the system's locale (936 on the users' machines).
#include <windows.h>

#include <climits>

#include "base/ansi_codec.h"
#include "base/win32/wide_win.h"

namespace velin {
namespace {

// Decodes `ansi` strictly; false if any sequence is not a character of the code page.
bool DecodeStrict(std::string_view ansi, std::wstring& out) {
  out.clear();
  if (ansi.empty()) return true;
  if (ansi.size() > INT_MAX) return false;
  const int length = static_cast<int>(ansi.size());
  int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(), length, nullptr, 0);
  if (n <= 0) return false;
  out.resize(static_cast<size_t>(n));
  return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(), length, out.data(), n) == n;
}

}  // namespace

std::string AnsiToUtf8(std::string_view ansi) {
  std::wstring wide;
  if (DecodeStrict(ansi, wide)) return WideToUtf8(wide);
  // Some sequence is bad: resynchronise character by character. A lead byte with its trail
  // byte is tried as a pair; whatever does not decode becomes U+FFFD for its first byte and
  // decoding resumes at the next byte.
  std::string out;
  out.reserve(ansi.size());
  size_t pos = 0;
  while (pos < ansi.size()) {
    const BYTE byte = static_cast<BYTE>(ansi[pos]);
    size_t width = IsDBCSLeadByteEx(CP_ACP, byte) && pos + 1 < ansi.size() ? 2 : 1;
    if (width == 1 && IsDBCSLeadByteEx(CP_ACP, byte)) {
      AppendUtf8(out, 0xFFFD);  // a lead byte cut short at the end
      ++pos;
      continue;
    }
    if (DecodeStrict(ansi.substr(pos, width), wide)) {
      out += WideToUtf8(wide);
      pos += width;
    } else {
      AppendUtf8(out, 0xFFFD);
      ++pos;
    }
  }
  return out;
}

std::string Utf8ToAnsi(std::string_view utf8) {
  // Characters beyond the Basic Multilingual Plane have no form in a double-byte code page,
  // and malformed UTF-8 has none at all: each becomes one '?'. Runs of the rest are encoded
  // without best-fit substitutes, so a character the code page lacks becomes '?' too.
  std::string out;
  out.reserve(utf8.size());
  std::wstring run;
  auto flush = [&out, &run] {
    if (run.empty()) return;
    const int length = static_cast<int>(run.size());
    int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, run.data(), length, nullptr, 0, "?",
                                nullptr);
    if (n > 0) {
      size_t at = out.size();
      out.resize(at + static_cast<size_t>(n));
      WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, run.data(), length, out.data() + at, n, "?",
                          nullptr);
    } else {
      out.append(run.size(), '?');
    }
    run.clear();
  };
  for (size_t pos = 0; pos < utf8.size();) {
    size_t start = pos;
    char32_t cp = NextUtf8(utf8, pos);
    bool malformed = cp == 0xFFFD && utf8.compare(start, pos - start, "\xEF\xBF\xBD") != 0;
    if (malformed || cp >= 0x10000) {
      flush();
      out += '?';
    } else {
      run += static_cast<wchar_t>(cp);
      if (run.size() >= 65536) flush();
    }
  }
  flush();
  return out;
}

}  // namespace velin
