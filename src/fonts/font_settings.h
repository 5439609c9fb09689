// The print font settings, as the window "打印字体设置" decides them: the font map in
// config.ini turns a label's font code (a section named by the code exactly as typed) into a
// face ("font") and a size ("fontsize"). The window looks a code up, saves the chosen face and
// size under it, and writes the factory set for the four common codes. Nothing is cached:
// every call opens the configuration afresh.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "config/ini_file.h"

namespace velin::fonts {

inline constexpr char kDefaultFace[] = "微软雅黑";
inline constexpr char kDefaultFamilyEntry[] = "Default";  // the entry the platform list carries

inline constexpr char kChooseFont[] = "请选择字体";
inline constexpr char kSaved[] = "保存成功";
inline constexpr char kRestoreDefaultsQuestion[] = "您是否要恢复默认设置?";
inline constexpr char kDefaultsRestored[] = "恢复默认设置完成";

// A message for the user: the program's message-box kind (1 information, 3 warning) and text.
struct UserMessage {
  int kind = 1;
  std::string text;
  bool operator==(const UserMessage&) const = default;
};

struct FontMapEntry {
  const char* code;
  const char* font;
  int32_t size;
};
// The factory set, in the order it is written: "55" and "3" at 11, "8" and "24" at 17.
const std::vector<FontMapEntry>& FactoryFontMap();

// The family list as the window shows it: the platform's family names plus "Default", each
// once, sorted without regard to ASCII letter case (names equal but for case keep their byte
// order).
std::vector<std::string> FontFamilyList(std::vector<std::string> platform_names);

// The index of the first entry equal to `name` (letter case included), or -1.
int FindFontIndex(const std::vector<std::string>& families, const std::string& name);

class FontSettings {
 public:
  using OpenConfig = std::function<std::unique_ptr<IniFile>()>;

  // `families` as FontFamilyList made it.
  FontSettings(OpenConfig open_config, std::vector<std::string> families);

  const std::vector<std::string>& families() const { return families_; }

  // What the window shows after Enter in the code box: the list entry of the stored face (-1:
  // none, also for a face not in the list) and the stored size (0 when missing).
  struct Shown {
    int selection = -1;
    int32_t size = 0;
    bool operator==(const Shown&) const = default;
  };
  Shown LookUp(const std::string& code) const;

  // Save: without a chosen entry (`selection` -1 or out of range) the warning and nothing
  // written; otherwise "font" (the entry's text) then "fontsize" under section `code`, and the
  // success message. A failed write throws EIniFileException (no message then).
  UserMessage Save(const std::string& code, int selection, int32_t size) const;

  // The defaults button, once the user confirmed kRestoreDefaultsQuestion: writes the factory
  // set (other sections stay) and returns the message. Throws as Save.
  UserMessage WriteDefaults() const;

 private:
  OpenConfig open_config_;
  std::vector<std::string> families_;
};

}  // namespace velin::fonts
