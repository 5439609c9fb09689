// The font installation on the real platform: the administrator check is the seam that lets
// the refusal be seen without taking rights away; the other steps are the system's own.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>

#include "base/win32/wide_win.h"
#include "fonts/win32/font_install_win.h"
#include "support/test_paths.h"

namespace velin::fonts {
namespace {

const wchar_t kInstalled[] = L"C:\\Windows\\Fonts\\velin-test-font.ttf";

class NotAdministrator final : public FontInstallPlatform {
 public:
  bool IsUserAnAdmin() override { return false; }
  bool CopyFileOver(const std::string& from, const std::string& to) override {
    return real.CopyFileOver(from, to);
  }
  RegistryWrite WriteFontsValue(const std::string& name, const std::string& data) override {
    return real.WriteFontsValue(name, data);
  }
  void BroadcastFontChange() override { real.BroadcastFontChange(); }
  WindowsFontInstallPlatform real;
};

std::wstring StoredValue(const wchar_t* name) {
  wchar_t value[MAX_PATH] = {};
  DWORD size = sizeof(value);
  if (RegGetValueW(HKEY_LOCAL_MACHINE, Utf8ToWide(kFontsKey).c_str(), name, RRF_RT_REG_SZ, nullptr,
                   value, &size) != ERROR_SUCCESS)
    return L"<missing>";
  return value;
}

void Forget() {
  DeleteFileW(kInstalled);
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, Utf8ToWide(kFontsKey).c_str(), 0, KEY_SET_VALUE, &key) ==
      ERROR_SUCCESS) {
    RegDeleteValueW(key, L"velin-test-font.ttf");
    RegCloseKey(key);
  }
}

TEST(WindowsFontInstall, RefusedWithoutRightsAndDoneWithThem) {
  const std::string source = test::ScratchDir() + "/velin-test-font.ttf";
  std::ofstream(source, std::ios::binary) << "not really a font";
  // Wine's Z: drive is the Linux root.
  std::string windows_source = WideToUtf8(std::filesystem::path(source).make_preferred().wstring());
  if (windows_source.rfind("\\", 0) == 0 && windows_source.rfind("\\\\", 0) != 0)
    windows_source.insert(0, "Z:");
  Forget();

  NotAdministrator refused;
  const InstallOutcome no = InstallFont(windows_source, refused);
  EXPECT_EQ(no.kind, InstallOutcome::kNotAdministrator);
  EXPECT_EQ(no.text, kNeedAdministrator);
  EXPECT_EQ(GetFileAttributesW(kInstalled), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(StoredValue(L"velin-test-font.ttf"), L"<missing>");

  WindowsFontInstallPlatform platform;
  if (!platform.IsUserAnAdmin()) GTEST_SKIP() << "this session has no administrator rights";
  const InstallOutcome yes = InstallFont(windows_source, platform);
  EXPECT_EQ(yes.kind, InstallOutcome::kInstalled);
  EXPECT_EQ(yes.text, kFontInstalled);
  EXPECT_NE(GetFileAttributesW(kInstalled), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(StoredValue(L"velin-test-font.ttf"), L"velin-test-font.ttf");
  EXPECT_EQ(InstallFont(windows_source + ".missing", platform).kind, InstallOutcome::kCopyFailed);
  Forget();
}

}  // namespace
}  // namespace velin::fonts
