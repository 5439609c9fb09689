#include "fonts/win32/font_install_win.h"

#include <windows.h>

#include <shlobj.h>

#include "base/win32/wide_win.h"

namespace velin::fonts {

bool WindowsFontInstallPlatform::IsUserAnAdmin() { return ::IsUserAnAdmin() != FALSE; }

bool WindowsFontInstallPlatform::CopyFileOver(const std::string& from, const std::string& to) {
  return CopyFileW(Utf8ToWide(from).c_str(), Utf8ToWide(to).c_str(), FALSE) != FALSE;
}

FontInstallPlatform::RegistryWrite WindowsFontInstallPlatform::WriteFontsValue(
    const std::string& name, const std::string& data) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, Utf8ToWide(kFontsKey).c_str(), 0, nullptr,
                      REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return RegistryWrite::kKeyNotOpened;
  }
  const std::wstring value = Utf8ToWide(data);
  const LONG written = RegSetValueExW(key, Utf8ToWide(name).c_str(), 0, REG_SZ,
                                      reinterpret_cast<const BYTE*>(value.c_str()),
                                      static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  return written == ERROR_SUCCESS ? RegistryWrite::kWritten : RegistryWrite::kValueNotWritten;
}

void WindowsFontInstallPlatform::BroadcastFontChange() {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(HWND_BROADCAST, WM_FONTCHANGE, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG, 5000,
                      &ignored);
}

}  // namespace velin::fonts
