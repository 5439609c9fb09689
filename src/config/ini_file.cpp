#include "config/ini_file.h"

#include "base/strings.h"

namespace velin {

int32_t IniFile::ReadInteger(const std::string& section, const std::string& key,
                             int32_t default_value) {
  std::string text = ReadString(section, key, "");
  if (text.size() > 2 && text[0] == '0' && text[1] == 'x') text.replace(0, 2, "$");
  int32_t value = 0;
  return TryStrToInt(text, value) ? value : default_value;
}

void IniFile::WriteInteger(const std::string& section, const std::string& key, int32_t value) {
  WriteString(section, key, std::to_string(value));
}

std::string ConfigPath() { return GetExePath() + "config.ini"; }

}  // namespace velin
