// The font installation's steps and outcomes, against a fake platform that records what was
// asked of it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fonts/font_installer.h"

namespace velin::fonts {
namespace {

class FakePlatform final : public FontInstallPlatform {
 public:
  bool admin = true;
  bool copy_works = true;
  RegistryWrite registry = RegistryWrite::kWritten;
  std::vector<std::string> calls;

  bool IsUserAnAdmin() override {
    calls.push_back("admin?");
    return admin;
  }
  bool CopyFileOver(const std::string& from, const std::string& to) override {
    calls.push_back("copy " + from + " -> " + to);
    return copy_works;
  }
  RegistryWrite WriteFontsValue(const std::string& name, const std::string& data) override {
    calls.push_back("value " + name + " = " + data);
    return registry;
  }
  void BroadcastFontChange() override { calls.push_back("broadcast"); }
};

constexpr char kSource[] = "C:\\Program Files\\Velin\\font24x24.ttf";
constexpr char kCopy[] =
    "copy C:\\Program Files\\Velin\\font24x24.ttf -> C:\\Windows\\Fonts\\font24x24.ttf";

TEST(InstallFont, EachOutcomeTakesExactlyItsStepsAndSaysItsMessage) {
  using R = FontInstallPlatform::RegistryWrite;
  struct Case {
    const char* what;
    bool admin;
    bool copy_works;
    R registry;
    InstallOutcome::Kind kind;
    bool error_box;
    std::string text;
    std::vector<std::string> calls;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {"installed", true, true, R::kWritten, InstallOutcome::kInstalled, false, kFontInstalled,
       {"admin?", kCopy, "value font24x24.ttf = font24x24.ttf", "broadcast"}},
      {"not an administrator: nothing touched", false, true, R::kWritten,
       InstallOutcome::kNotAdministrator, false, kNeedAdministrator, {"admin?"}},
      {"copy fails (missing source)", true, false, R::kWritten, InstallOutcome::kCopyFailed, false,
       kCopyFailed, {"admin?", kCopy}},
      {"key cannot be opened: still installed and broadcast", true, true, R::kKeyNotOpened,
       InstallOutcome::kInstalled, false, kFontInstalled,
       {"admin?", kCopy, "value font24x24.ttf = font24x24.ttf", "broadcast"}},
      {"value cannot be written: error box, no broadcast", true, true, R::kValueNotWritten,
       InstallOutcome::kRegistryWriteFailed, true, "Failed to set data for 'font24x24.ttf'",
       {"admin?", kCopy, "value font24x24.ttf = font24x24.ttf"}},
  };
  // clang-format on
  for (const Case& c : cases) {
    FakePlatform platform;
    platform.admin = c.admin;
    platform.copy_works = c.copy_works;
    platform.registry = c.registry;
    const InstallOutcome outcome = InstallFont(kSource, platform);
    EXPECT_EQ(outcome.kind, c.kind) << c.what;
    EXPECT_EQ(outcome.error_box, c.error_box) << c.what;
    EXPECT_EQ(outcome.text, c.text) << c.what;
    EXPECT_EQ(platform.calls, c.calls) << c.what;
  }
}

TEST(InstallFont, TheValueIsNamedAfterTheFileWhateverTheFolderSeparator) {
  for (const std::string& path : {std::string("D:/fonts/My Font.TTF"), std::string("My Font.TTF"),
                                  std::string("\\\\server\\share\\My Font.TTF")}) {
    FakePlatform platform;
    EXPECT_EQ(InstallFont(path, platform).kind, InstallOutcome::kInstalled);
    ASSERT_EQ(platform.calls.size(), 4u);
    EXPECT_EQ(platform.calls[1], "copy " + path + " -> C:\\Windows\\Fonts\\My Font.TTF");
    EXPECT_EQ(platform.calls[2], "value My Font.TTF = My Font.TTF");
  }
}

}  // namespace
}  // namespace velin::fonts
