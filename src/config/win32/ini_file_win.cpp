// config.ini over the Windows private-profile API, which matches names without regard to case,
// trims and unquotes values, and reads and writes files without byte-order mark in the ANSI
// code page. Nothing is cached here: every call goes to the profile API.
#include <windows.h>

#include <string>

#include "base/win32/wide_win.h"
#include "config/ini_file.h"

namespace velin {
namespace {

// Room for 2047 characters and the terminating zero: longer values are cut there.
constexpr DWORD kValueBuffer = 2048;

// Returned by the API for a missing file, section or key, so that the caller's default comes
// back exactly as given (the API would strip trailing blanks from a default of its own).
constexpr wchar_t kMissing[] = L"\x1Fvelin:missing\x1F";

class WinIniFile final : public IniFile {
 public:
  explicit WinIniFile(std::string path)
      : IniFile(std::move(path)), wide_path_(Utf8ToWide(FileName())) {}

  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& default_value) override {
    std::wstring buffer(kValueBuffer, L'\0');
    DWORD n = GetPrivateProfileStringW(Utf8ToWide(section).c_str(), Utf8ToWide(key).c_str(),
                                       kMissing, buffer.data(), kValueBuffer, wide_path_.c_str());
    buffer.resize(n);
    if (buffer == kMissing) return default_value;
    return WideToUtf8(buffer);
  }

  void WriteString(const std::string& section, const std::string& key,
                   const std::string& value) override {
    // A line break in a value would end its line and start another key or section.
    std::string clean;
    for (char c : value)
      if (c != '\r' && c != '\n') clean += c;
    if (!WritePrivateProfileStringW(Utf8ToWide(section).c_str(), Utf8ToWide(key).c_str(),
                                    Utf8ToWide(clean).c_str(), wide_path_.c_str()))
      throw EIniFileException("Unable to write to " + FileName());
  }

 private:
  std::wstring wide_path_;
};

}  // namespace

std::unique_ptr<IniFile> OpenIniFile(const std::string& path) {
  return std::make_unique<WinIniFile>(path);
}

std::string GetExePath() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return ".\\";
    if (n < buffer.size()) {
      buffer.resize(n);
      break;
    }
    if (buffer.size() >= 32768) return ".\\";  // longer than any path the system allows
    buffer.resize(buffer.size() * 2);
  }
  size_t slash = buffer.find_last_of(L"\\/");
  return WideToUtf8(buffer.substr(0, slash == std::wstring::npos ? 0 : slash + 1));
}

}  // namespace velin
