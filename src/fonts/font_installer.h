// Installing the supplied TrueType font for all users, without the platform's font installer:
// copy the file into the fonts folder, register it under the machine's fonts key, tell every
// window that the font set changed. The steps and their outcomes are decided here; the
// platform's part comes through FontInstallPlatform (the Windows one, or a fake in tests).
#pragma once

#include <string>

namespace velin::fonts {

inline constexpr char kFontsFolder[] = "C:\\Windows\\Fonts\\";
inline constexpr char kFontsKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
inline constexpr char kSuppliedFont[] = "font24x24.ttf";

inline constexpr char kNeedAdministrator[] = "您需要以管理员模式运行才能安装字体.";
inline constexpr char kCopyFailed[] = "复制字体文件失败.";
inline constexpr char kFontInstalled[] = "字体安装成功!";

// The platform operations of an installation. Contract: called on the user-interface thread,
// one installation at a time; no member throws.
class FontInstallPlatform {
 public:
  enum class RegistryWrite {
    kWritten,         // the value is stored
    kKeyNotOpened,    // the key could neither be opened nor created: nothing written
    kValueNotWritten  // the key opened but the value could not be written
  };
  virtual ~FontInstallPlatform() = default;
  // The user runs with administrator rights.
  virtual bool IsUserAnAdmin() = 0;
  // Copies `from` to `to`, overwriting a file of that name; false if it failed (also when
  // `from` is missing).
  virtual bool CopyFileOver(const std::string& from, const std::string& to) = 0;
  // Opens (creating if missing) kFontsKey under the machine's hive and writes the string value
  // `name` = `data`.
  virtual RegistryWrite WriteFontsValue(const std::string& name, const std::string& data) = 0;
  // Tells all top-level windows that the font set changed, waiting until they have handled it.
  virtual void BroadcastFontChange() = 0;
};

struct InstallOutcome {
  enum Kind { kNotAdministrator, kCopyFailed, kInstalled, kRegistryWriteFailed };
  Kind kind = kInstalled;
  // How it is told: a plain message box (OK, no icon) or, for a failed registry write, the
  // program's standard error box.
  bool error_box = false;
  std::string text;
};

// The last component of `path` (after the last '\' or '/').
std::string FileNameOf(const std::string& path);

// Installs the font file at `path`: administrator rights are checked first; the file is
// copied to kFontsFolder + its name; the value named after the file (not the font's display
// name), holding the file name, is written under kFontsKey (a key that cannot be opened is
// skipped); then the broadcast. A value that cannot be written ends it there, without
// broadcast, with "Failed to set data for 'NAME'".
InstallOutcome InstallFont(const std::string& path, FontInstallPlatform& platform);

}  // namespace velin::fonts
