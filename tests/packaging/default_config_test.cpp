// The config.ini that the installer and the zip put beside Velin.exe, read back with the
// program's own INI reader (the profile functions on Windows): the factory font map, the
// system keys at their defaults, nothing else, in the ANSI code page.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#include "base/ansi_codec.h"
#include "config/ini_file.h"

namespace velin {
namespace {

const std::string kDefaultConfig = std::string(VELIN_BINARY_DIR) + "/packaging/windows/config.ini";

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The factory font map, in the order the font settings window's defaults button writes it.
struct FontEntry {
  const char* code;
  int32_t size;
};
constexpr FontEntry kFactoryFontMap[] = {{"55", 11}, {"3", 11}, {"8", 17}, {"24", 17}};

TEST(DefaultConfig, HoldsTheFactoryFontMapAndTheDefaultSystemKeys) {
  const std::string bytes = Slurp(kDefaultConfig);
  ASSERT_FALSE(bytes.empty()) << kDefaultConfig << " is missing (target velin_default_config)";
  auto ini = OpenIniFile(kDefaultConfig);
  for (const FontEntry& entry : kFactoryFontMap) {
    SCOPED_TRACE(entry.code);
    EXPECT_EQ(ini->ReadString(entry.code, "font", "?"), "微软雅黑");
    EXPECT_EQ(ini->ReadInteger(entry.code, "fontsize", -1), entry.size);
  }
  EXPECT_EQ(ini->ReadInteger("system", "transfer_mode", -1), 1);  // CPCL
  EXPECT_EQ(ini->ReadString("system", "printer", "?"), "");       // none bound
}

// Read as the program reads a file without byte-order mark: in the ANSI code page (GBK). A
// UTF-8 file would give the font name as mojibake on a Chinese Windows.
TEST(DefaultConfig, IsInTheAnsiCodePageWithCrLfLineEnds) {
  const std::string bytes = Slurp(kDefaultConfig);
  ASSERT_GE(bytes.size(), 3u);
  EXPECT_NE(bytes.compare(0, 3, "\xEF\xBB\xBF"), 0) << "byte-order mark";
  EXPECT_NE(bytes.find("font=" + Utf8ToAnsi("微软雅黑") + "\r\n"), std::string::npos);
  EXPECT_EQ(bytes.find("微软雅黑"), std::string::npos) << "UTF-8 text";
  size_t bare_lf = 0;
  for (size_t i = 0; i < bytes.size(); ++i)
    bare_lf += bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r');
  EXPECT_EQ(bare_lf, 0u);
}

// The file holds no section that the program would not write itself.
TEST(DefaultConfig, HoldsOnlyTheSystemSectionAndTheFactoryFontCodes) {
  std::istringstream lines(AnsiToUtf8(Slurp(kDefaultConfig)));
  std::vector<std::string> sections;
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line[0] == '[') sections.push_back(line.substr(1, line.find(']') - 1));
  }
  std::vector<std::string> expected = {"system"};
  for (const FontEntry& entry : kFactoryFontMap) expected.push_back(entry.code);
  EXPECT_EQ(sections, expected);
}

}  // namespace
}  // namespace velin
