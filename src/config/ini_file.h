// config.ini access with the Windows private-profile semantics.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace velin {

// A failed write: "Unable to write to PATH".
class EIniFileException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Contract: an INI file object names one file, and every call reads or writes the file as it
// is at that moment: a read never returns a value the file no longer holds (an unchanged file
// may be served from a parsed copy; see the platform reader). Section and key names match without regard to ASCII letter case. Values read lose
// their leading and trailing blanks and one pair of enclosing matching quotes, and are cut at
// 2047 characters; a missing file, section or key yields the default. Text is UTF-8 here; a
// file without byte-order mark is stored in the ANSI code page (GBK). Writes raise
// EIniFileException when the file cannot be written. Any thread may use its own object; no
// lock of the program's own guards the file.
class IniFile {
 public:
  virtual ~IniFile() = default;
  const std::string& FileName() const { return path_; }

  virtual std::string ReadString(const std::string& section, const std::string& key,
                                 const std::string& default_value) = 0;
  virtual void WriteString(const std::string& section, const std::string& key,
                           const std::string& value) = 0;

  // The value text; "0x" at its start (when longer than two characters) becomes "$"; then the
  // strict integer conversion; the default if anything fails or is missing.
  int32_t ReadInteger(const std::string& section, const std::string& key, int32_t default_value);
  // Writes the decimal text of the value.
  void WriteInteger(const std::string& section, const std::string& key, int32_t value);

 protected:
  explicit IniFile(std::string path) : path_(std::move(path)) {}

 private:
  std::string path_;
};

// The platform's INI file object for `path` (the profile API on Windows, our own reader and
// writer elsewhere).
std::unique_ptr<IniFile> OpenIniFile(const std::string& path);

// The running executable's directory with a trailing separator.
std::string GetExePath();

// GetExePath() + "config.ini".
std::string ConfigPath();

}  // namespace velin
