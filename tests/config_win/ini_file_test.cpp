// config.ini over the profile API: the semantics the POSIX backend also keeps, on a file laid
// out as that backend writes it (CRLF, GBK, blank line between sections), with names in
// mixed case, blanks and quotes.
#include "config/ini_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "support/test_paths.h"

namespace velin {
namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class WinIniFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = test::ScratchDir() + "/config.ini";
    std::filesystem::copy_file(test::SourcePath("tests/config_win/posix_written.ini"), path_);
    ini_ = OpenIniFile(path_);
  }
  std::string path_;
  std::unique_ptr<IniFile> ini_;
};

TEST_F(WinIniFileTest, ReadsAFileThePosixBackendWrote) {
  struct Row {
    const char* section;
    const char* key;
    const char* expected;
  } rows[] = {
      {"system", "printer", "Label Printer"},  // unquoted and trimmed
      {"SYSTEM", "PRINTER", "Label Printer"},  // names in any case
      {"55", "font", "微软雅黑"},              // GBK decoded
      {"8", "font", "黑体"},
      {"8", "fontsize", "<default>"},  // missing key
      {"99", "font", "<default>"},     // missing section
  };
  for (const Row& row : rows)
    EXPECT_EQ(ini_->ReadString(row.section, row.key, "<default>"), row.expected)
        << row.section << "/" << row.key;
  EXPECT_EQ(ini_->ReadInteger("system", "transfer_mode", 1), 2);  // "0x2"
  EXPECT_EQ(ini_->ReadInteger("55", "fontsize", 11), 11);         // "abc"
  EXPECT_EQ(ini_->ReadString("system", "printer", " keep  "), "Label Printer");
  EXPECT_EQ(OpenIniFile(path_ + ".absent")->ReadString("system", "printer", " a "), " a ");
}

TEST_F(WinIniFileTest, WritesGoToTheFileAtOnceInTheAnsiCodePage) {
  auto other = OpenIniFile(path_);  // a second object sees every write: nothing is cached
  ini_->WriteString("System", "printer", "打印机 2");
  ini_->WriteInteger("99", "fontsize", 17);
  ini_->WriteString("8", "font", "line\r\nbreak");  // a line break cannot start a new key
  EXPECT_EQ(other->ReadString("system", "Printer", ""), "打印机 2");
  EXPECT_EQ(other->ReadInteger("99", "FontSize", 0), 17);
  EXPECT_EQ(other->ReadString("8", "font", ""), "linebreak");
  EXPECT_EQ(other->ReadString("55", "font", ""), "微软雅黑");  // untouched
  const std::string bytes = Slurp(path_);
  EXPECT_NE(bytes.find("\xB4\xF2\xD3\xA1\xBB\xFA 2"), std::string::npos);  // GBK, not UTF-8
  EXPECT_EQ(bytes.find("\xE6\x89\x93"), std::string::npos);
}

TEST_F(WinIniFileTest, LongValuesAreCutAt2047Characters) {
  ini_->WriteString("system", "printer", std::string(3000, 'p'));
  EXPECT_EQ(ini_->ReadString("system", "printer", ""), std::string(2047, 'p'));
}

TEST(WinIniFile, FailedWriteNamesTheFile) {
  const std::string path = test::ScratchDir() + "/no such dir/config.ini";
  try {
    OpenIniFile(path)->WriteString("system", "printer", "x");
    ADD_FAILURE() << "wrote into a missing directory";
  } catch (const EIniFileException& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + path);
  }
}

TEST(WinIniFile, ExePathIsTheExecutablesDirectory) {
  const std::string dir = GetExePath();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), '\\');
  EXPECT_TRUE(std::filesystem::exists(dir + "velin_tests_config_win.exe"));
  EXPECT_EQ(ConfigPath(), dir + "config.ini");
}

}  // namespace
}  // namespace velin
