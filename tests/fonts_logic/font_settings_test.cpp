// The print font settings against a real config.ini: look-up, save, the factory set, and
// the family list.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "base/ansi_codec.h"
#include "fonts/font_settings.h"
#include "support/test_paths.h"

namespace velin::fonts {
namespace {

class FontSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { path_ = test::ScratchDir() + "/config.ini"; }
  FontSettings Settings(std::vector<std::string> families = {"Arial", "SimSun", kDefaultFace}) {
    return FontSettings([this] { return OpenIniFile(path_); }, FontFamilyList(std::move(families)));
  }
  void Write(const std::string& utf8) {
    std::ofstream(path_, std::ios::binary) << Utf8ToAnsi(utf8);
  }
  std::string Read(const std::string& section, const std::string& key) {
    return OpenIniFile(path_)->ReadString(section, key, "<missing>");
  }
  std::string path_;
};

TEST(FontFamilyList, AddsDefaultOnceAndSortsIgnoringCase) {
  EXPECT_EQ(
      FontFamilyList({"simsun", "Arial", "Default", "SimHei", "arial", "微软雅黑", "Consolas"}),
      (std::vector<std::string>{"Arial", "arial", "Consolas", "Default", "SimHei", "simsun",
                                "微软雅黑"}));
  EXPECT_EQ(FontFamilyList({}), (std::vector<std::string>{"Default"}));
}

TEST(FontFamilyList, FindFontIndexWantsTheExactCase) {
  const std::vector<std::string> list = FontFamilyList({"Arial", "SimSun"});
  EXPECT_EQ(FindFontIndex(list, "SimSun"), 2);
  EXPECT_EQ(FindFontIndex(list, "simsun"), -1);
  EXPECT_EQ(FindFontIndex(list, ""), -1);
}

TEST_F(FontSettingsTest, LookUpShowsTheStoredFaceAndSize) {
  Write(
      "[8]\r\nfont=SimSun\r\nfontsize=0x14\r\n[9]\r\nfont=simsun\r\nfontsize=abc\r\n"
      "[10]\r\nfont=Not Installed\r\nfontsize=12\r\n");
  const FontSettings settings = Settings();
  const int simsun = FindFontIndex(settings.families(), "SimSun");
  struct Case {
    std::string code;
    FontSettings::Shown shown;
  };
  const std::vector<Case> cases = {
      {"8", {simsun, 20}},  // hexadecimal size
      {"9", {-1, 0}},       // face differs in case; size not a number
      {"10", {-1, 12}},     // face not installed: size still shown
      {"42", {-1, 0}},      // no section
      {"", {-1, 0}},        // an empty code
  };
  for (const Case& c : cases) EXPECT_EQ(settings.LookUp(c.code), c.shown) << "code " << c.code;
}

TEST_F(FontSettingsTest, SaveWantsAFaceAndWritesBothKeysUnderTheCodeAsTyped) {
  const FontSettings settings = Settings();
  EXPECT_EQ(settings.Save("55", -1, 12), (UserMessage{3, kChooseFont}));
  EXPECT_EQ(settings.Save("55", 99, 12), (UserMessage{3, kChooseFont}));
  EXPECT_FALSE(std::filesystem::exists(path_)) << "nothing written without a face";

  const int face = FindFontIndex(settings.families(), kDefaultFace);
  EXPECT_EQ(settings.Save("x 1", face, 23), (UserMessage{1, kSaved}));
  EXPECT_EQ(Read("x 1", "font"), kDefaultFace);
  EXPECT_EQ(Read("x 1", "fontsize"), "23");
  EXPECT_EQ(settings.LookUp("x 1"), (FontSettings::Shown{face, 23}));
  // The face is stored in the ANSI code page, as the profile functions store it.
  std::ifstream in(path_, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(bytes.find(Utf8ToAnsi(kDefaultFace)), std::string::npos);
}

TEST_F(FontSettingsTest, DefaultsWriteTheFactorySetAndLeaveOtherSectionsAlone) {
  Write("[55]\r\nfont=Arial\r\nfontsize=30\r\n[99]\r\nfont=Arial\r\nfontsize=5\r\n");
  const FontSettings settings = Settings();
  EXPECT_EQ(settings.WriteDefaults(), (UserMessage{1, kDefaultsRestored}));
  const int face = FindFontIndex(settings.families(), kDefaultFace);
  EXPECT_EQ(settings.LookUp("55"), (FontSettings::Shown{face, 11}));
  EXPECT_EQ(settings.LookUp("3"), (FontSettings::Shown{face, 11}));
  EXPECT_EQ(settings.LookUp("8"), (FontSettings::Shown{face, 17}));
  EXPECT_EQ(settings.LookUp("24"), (FontSettings::Shown{face, 17}));
  EXPECT_EQ(Read("99", "font"), "Arial");
  EXPECT_EQ(Read("99", "fontsize"), "5");
}

TEST_F(FontSettingsTest, AFailedWriteThrowsAndShowsNoSuccess) {
  path_ = test::ScratchDir() + "/no-such-folder/config.ini";
  const FontSettings settings = Settings();
  EXPECT_THROW(settings.Save("55", 0, 11), EIniFileException);
  EXPECT_THROW(settings.WriteDefaults(), EIniFileException);
}

}  // namespace
}  // namespace velin::fonts
