#include "fonts/font_settings.h"

#include <algorithm>

namespace velin::fonts {
namespace {

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool LessIgnoringCase(const std::string& a, const std::string& b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const auto x = static_cast<unsigned char>(FoldAscii(a[i]));
    const auto y = static_cast<unsigned char>(FoldAscii(b[i]));
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

}  // namespace

const std::vector<FontMapEntry>& FactoryFontMap() {
  static const std::vector<FontMapEntry> entries = {
      {"55", kDefaultFace, 11},
      {"3", kDefaultFace, 11},
      {"8", kDefaultFace, 17},
      {"24", kDefaultFace, 17},
  };
  return entries;
}

std::vector<std::string> FontFamilyList(std::vector<std::string> platform_names) {
  platform_names.emplace_back(kDefaultFamilyEntry);
  std::sort(platform_names.begin(), platform_names.end(), LessIgnoringCase);
  platform_names.erase(std::unique(platform_names.begin(), platform_names.end()),
                       platform_names.end());
  return platform_names;
}

int FindFontIndex(const std::vector<std::string>& families, const std::string& name) {
  const auto it = std::find(families.begin(), families.end(), name);
  return it == families.end() ? -1 : static_cast<int>(it - families.begin());
}

FontSettings::FontSettings(OpenConfig open_config, std::vector<std::string> families)
    : open_config_(std::move(open_config)), families_(std::move(families)) {}

FontSettings::Shown FontSettings::LookUp(const std::string& code) const {
  std::unique_ptr<IniFile> config = open_config_();
  Shown shown;
  shown.selection = FindFontIndex(families_, config->ReadString(code, "font", ""));
  shown.size = config->ReadInteger(code, "fontsize", 0);
  return shown;
}

UserMessage FontSettings::Save(const std::string& code, int selection, int32_t size) const {
  if (selection < 0 || selection >= static_cast<int>(families_.size())) {
    return {3, kChooseFont};
  }
  std::unique_ptr<IniFile> config = open_config_();
  config->WriteString(code, "font", families_[static_cast<size_t>(selection)]);
  config->WriteInteger(code, "fontsize", size);
  return {1, kSaved};
}

UserMessage FontSettings::WriteDefaults() const {
  std::unique_ptr<IniFile> config = open_config_();
  for (const FontMapEntry& entry : FactoryFontMap()) {
    config->WriteString(entry.code, "font", entry.font);
    config->WriteInteger(entry.code, "fontsize", entry.size);
  }
  return {1, kDefaultsRestored};
}

}  // namespace velin::fonts
