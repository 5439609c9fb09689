// The parsed copy that our own config.ini reader keeps between reads. (The Windows profile API
// reads by its own rules; Wine's keeps a copy of its own, keyed by the file's time.)
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "config/ini_file.h"
#include "support/test_paths.h"

namespace velin {
namespace {

class IniFileReuseTest : public ::testing::Test {
 protected:
  void SetUp() override { path_ = test::ScratchDir() + "/config.ini"; }
  void Write(const std::string& bytes) { std::ofstream(path_, std::ios::binary) << bytes; }
  std::unique_ptr<IniFile> ini() { return OpenIniFile(path_); }
  std::string path_;
};

// A parsed file is reused only while nothing says it changed. Each row reads a value, edits
// the file as the row says (every edit keeps the size: only the other signs can tell), then
// reads again and must see the edit, as the next TEXT line would.
TEST_F(IniFileReuseTest, AnEditBetweenTwoReadsIsSeenByTheSecond) {
  const struct {
    int line;
    const char* edit;
    int age_seconds;    // how long before the first read the file was last modified
    bool keep_mtime;    // the edit restores the old modification time exactly
    bool by_rename;     // the edit writes a new file and renames it over the old one
  } rows[] = {
      {__LINE__, "an editor rewrites it in place", 60, false, false},
      {__LINE__, "a new file, renamed over it with the old time", 60, true, true},
      // Within the timestamp granularity: a same-size edit that the time cannot show. A file
      // this fresh is never reused.
      {__LINE__, "rewritten in place within the same timestamp", 1, true, false},
      {__LINE__, "rewritten in place within the same timestamp", 0, true, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "row at line " << row.line << ": " << row.edit);
    Write("[8]\r\nfont=SimSun\r\n");
    namespace fs = std::filesystem;
    const fs::file_time_type before =
        fs::file_time_type::clock::now() - std::chrono::seconds(row.age_seconds);
    fs::last_write_time(path_, before);
    EXPECT_EQ(ini()->ReadString("8", "font", ""), "SimSun");
    EXPECT_EQ(ini()->ReadString("8", "font", ""), "SimSun");  // a second read of the same state
    if (row.by_rename) {
      const std::string other = path_ + ".new";
      std::ofstream(other, std::ios::binary) << "[8]\r\nfont=SimHei\r\n";
      fs::last_write_time(other, before);
      fs::rename(other, path_);
    } else {
      std::fstream(path_, std::ios::binary | std::ios::in | std::ios::out) << "[8]\r\nfont=SimHei\r\n";
      if (row.keep_mtime) fs::last_write_time(path_, before);
    }
    EXPECT_EQ(ini()->ReadString("8", "font", ""), "SimHei");
  }
}

}  // namespace
}  // namespace velin
