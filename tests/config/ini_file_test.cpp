// config.ini with the Windows profile semantics.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "base/ansi_codec.h"
#include "config/ini_file.h"
#include "support/test_paths.h"

namespace velin {
namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class IniFileTest : public ::testing::Test {
 protected:
  void SetUp() override { path_ = test::ScratchDir() + "/config.ini"; }
  void Write(const std::string& bytes) { std::ofstream(path_, std::ios::binary) << bytes; }
  std::unique_ptr<IniFile> ini() { return OpenIniFile(path_); }
  std::string path_;
};

// The README's config.ini example, copied as a user copies it: the indented block after the
// "## config.ini" heading, without its indent, saved in the ANSI code page as the README says.
TEST_F(IniFileTest, TheReadmeExampleMeansWhatItSays) {
  std::istringstream readme(Slurp(test::SourcePath("README.md")));
  std::string line, example;
  bool in_section = false;
  while (std::getline(readme, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("## ", 0) == 0) {
      if (in_section) break;
      in_section = line == "## config.ini";
    } else if (in_section && line.rfind("    ", 0) == 0) {
      example += line.substr(4) + "\n";
    } else if (in_section && !example.empty()) {
      break;  // the end of the block
    }
  }
  ASSERT_FALSE(example.empty());
  Write(Utf8ToAnsi(example));
  auto f = ini();
  EXPECT_EQ(f->ReadInteger("system", "transfer_mode", -1), 1);
  EXPECT_EQ(f->ReadString("system", "printer", ""), "Label Printer");
  EXPECT_EQ(f->ReadString("system", "label_dialect", ""), "printer");
  EXPECT_EQ(f->ReadString("8", "font", ""), "微软雅黑");
  EXPECT_EQ(f->ReadInteger("8", "fontsize", 0), 17);
}

TEST_F(IniFileTest, ReadsAFileWindowsWrote) {
  // CRLF line ends, GBK text, names in other letter case, blanks and quotes around values.
  Write(
      "; written by Windows\r\n[System]\r\nPrinter = \"Office Laser\" \r\ntransfer_mode=0x2\r\n"
      "\r\n[8]\r\nfont=\xCE\xA2\xC8\xED\xD1\xC5\xBA\xDA\r\nfontsize=17\r\n[55]\r\nfont='SimSun'"
      "\r\n");
  auto f = ini();
  EXPECT_EQ(f->ReadString("system", "printer", ""), "Office Laser");
  EXPECT_EQ(f->ReadString("SYSTEM", "PRINTER", ""), "Office Laser");
  EXPECT_EQ(f->ReadInteger("system", "transfer_mode", 1), 2);
  EXPECT_EQ(f->ReadString("8", "font", ""), "微软雅黑");
  EXPECT_EQ(f->ReadInteger("8", "fontsize", 0), 17);
  EXPECT_EQ(f->ReadString("55", "font", ""), "SimSun");
  EXPECT_EQ(f->ReadInteger("55", "fontsize", 0), 0);       // missing key
  EXPECT_EQ(f->ReadString("99", "font", "dflt"), "dflt");  // missing section
}

TEST_F(IniFileTest, IntegersFollowTheReaderRule) {
  struct Row {
    int line;
    std::string value;
    int32_t expected;
  } rows[] = {
      {__LINE__, "2", 2},        {__LINE__, "0x2", 2},         {__LINE__, "$1F", 31},
      {__LINE__, "-5", -5},      {__LINE__, "abc", 1},         {__LINE__, "", 1},
      {__LINE__, "0x", 1},  // not rewritten (two characters), and no digits to read
      {__LINE__, "2 # note", 1}, {__LINE__, "99999999999", 1},
  };
  for (const Row& row : rows) {
    Write("[system]\ntransfer_mode=" + row.value + "\n");
    EXPECT_EQ(ini()->ReadInteger("system", "transfer_mode", 1), row.expected) << "row " << row.line;
  }
}

TEST_F(IniFileTest, NothingIsCachedAndAMissingFileGivesDefaults) {
  auto f = ini();
  EXPECT_EQ(f->ReadInteger("system", "transfer_mode", 1), 1);
  EXPECT_EQ(f->ReadString("system", "printer", ""), "");
  Write("[system]\r\nprinter=A\r\n");
  EXPECT_EQ(f->ReadString("system", "printer", ""), "A");
  Write("[system]\r\nprinter=B\r\n");
  EXPECT_EQ(f->ReadString("system", "printer", ""), "B");
}

TEST_F(IniFileTest, ValuesAreCutAt2047Characters) {
  std::string longest(2047, 'x'), longer(3000, 'y');
  Write("[a]\r\nk=" + longest + "\r\nl=" + longer + "\r\n");
  EXPECT_EQ(ini()->ReadString("a", "k", ""), longest);
  EXPECT_EQ(ini()->ReadString("a", "l", ""), std::string(2047, 'y'));
}

TEST_F(IniFileTest, WritesCreateUpdateAndKeepEverythingElse) {
  auto f = ini();
  f->WriteString("system", "printer", "Label Printer");
  f->WriteInteger("system", "transfer_mode", 2);
  f->WriteString("8", "font", "微软雅黑");
  EXPECT_EQ(Slurp(path_),
            "[system]\r\nprinter=Label Printer\r\ntransfer_mode=2\r\n[8]\r\n"
            "font=\xCE\xA2\xC8\xED\xD1\xC5\xBA\xDA\r\n");
  // Updating in another letter case keeps the stored names; comments and other sections stay.
  Write("; keep me\r\n[System]\r\nPrinter=Old\r\n[99]\r\nfont=Custom\r\n");
  f->WriteString("system", "printer", "New");
  f->WriteString("SYSTEM", "transfer_mode", "0");
  EXPECT_EQ(Slurp(path_),
            "; keep me\r\n[System]\r\nPrinter=New\r\ntransfer_mode=0\r\n[99]\r\nfont=Custom\r\n");
  EXPECT_EQ(f->ReadString("99", "font", ""), "Custom");
}

TEST_F(IniFileTest, FilesWithAByteOrderMarkKeepTheirEncoding) {
  // UTF-16LE with BOM, as Notepad saves "Unicode".
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string("[system]\r\nprinter=P1\r\n")) utf16 += std::string{c, '\0'};
  Write(utf16);
  EXPECT_EQ(ini()->ReadString("system", "printer", ""), "P1");
  ini()->WriteString("system", "printer", "中");
  EXPECT_EQ(ini()->ReadString("system", "printer", ""), "中");
  EXPECT_EQ(Slurp(path_).substr(0, 2), "\xFF\xFE");

  Write("\xEF\xBB\xBF[system]\nprinter=\xE4\xB8\xAD\n");  // UTF-8 with BOM
  EXPECT_EQ(ini()->ReadString("system", "printer", ""), "中");
}

TEST_F(IniFileTest, AFailedWriteRaisesTheWriteError) {
  std::string dir = test::ScratchDir() + "/not-a-file";
  std::filesystem::create_directories(dir);
  auto f = OpenIniFile(dir);  // a directory cannot be written as a file
  try {
    f->WriteString("system", "printer", "x");
    FAIL() << "no exception";
  } catch (const EIniFileException& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + dir);
  }
}

TEST(ExePath, EndsWithASeparatorAndHoldsTheTestBinary) {
  std::string dir = GetExePath();
  ASSERT_FALSE(dir.empty());
#ifdef _WIN32
  EXPECT_EQ(dir.back(), '\\');
  EXPECT_TRUE(std::filesystem::exists(dir + "velin_tests_config.exe"));
#else
  EXPECT_EQ(dir.back(), '/');
  EXPECT_TRUE(std::filesystem::exists(dir + "velin_tests_config"));
#endif
  EXPECT_EQ(ConfigPath(), dir + "config.ini");
}

}  // namespace
}  // namespace velin
