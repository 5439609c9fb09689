#include "velin_driver.h"

#include <shellapi.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include "base/png.h"
#include "base/win32/wide_win.h"

namespace velin::test {

std::wstring WinPath(const std::string& unix_path) {
  std::wstring path = Utf8ToWide(unix_path);
  for (wchar_t& c : path)
    if (c == L'/') c = L'\\';
  return path.size() > 1 && path[1] == L':' ? path : L"Z:" + path;
}

std::wstring Wide(const std::string& utf8) { return Utf8ToWide(utf8); }

VelinProcess::~VelinProcess() {
  if (Running()) Kill();
  if (info_.hProcess != nullptr) CloseHandle(info_.hProcess);
  if (info_.hThread != nullptr) CloseHandle(info_.hThread);
}

void VelinProcess::Start(const std::string& dir, const std::string& config,
                         const std::map<std::wstring, std::wstring>& environment) {
  dir_ = dir;
  std::filesystem::create_directories(dir);
  const std::string exe = dir + "/Velin.exe";
  std::filesystem::copy_file(VELIN_EXE, exe, std::filesystem::copy_options::overwrite_existing);
  std::filesystem::remove(dir + "/config.ini");
  if (!config.empty()) std::ofstream(dir + "/config.ini", std::ios::binary) << config;
  Launch(WinPath(exe), environment);
}

void VelinProcess::StartCopyOf(const VelinProcess& other) {
  dir_ = other.dir_;
  Launch(other.exe_, {});
}

void VelinProcess::Launch(const std::wstring& exe,
                          const std::map<std::wstring, std::wstring>& environment) {
  exe_ = exe;
  std::map<std::wstring, std::optional<std::wstring>> saved;
  for (const auto& [name, value] : environment) {
    wchar_t old[4096];
    const DWORD n = GetEnvironmentVariableW(name.c_str(), old, 4096);
    saved[name] = n > 0 && n < 4096 ? std::optional<std::wstring>(old) : std::nullopt;
    SetEnvironmentVariableW(name.c_str(), value.c_str());
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  std::wstring command = L"\"" + exe + L"\"";
  started_ = std::chrono::steady_clock::now();
  const BOOL ok = CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 nullptr, &startup, &info_);
  for (const auto& [name, value] : saved)
    SetEnvironmentVariableW(name.c_str(), value ? value->c_str() : nullptr);
  ASSERT_TRUE(ok) << "CreateProcessW error " << GetLastError();
}

bool VelinProcess::Running() const {
  return info_.hProcess != nullptr && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> VelinProcess::WaitExit(std::chrono::milliseconds timeout) {
  if (info_.hProcess == nullptr) return std::nullopt;
  if (WaitForSingleObject(info_.hProcess, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0)
    return std::nullopt;
  DWORD code = 0;
  GetExitCodeProcess(info_.hProcess, &code);
  return code;
}

void VelinProcess::Kill() {
  if (!Running()) return;
  TerminateProcess(info_.hProcess, 99);
  WaitForSingleObject(info_.hProcess, 5000);
}

bool Eventually(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

namespace {

struct TopLevelSearch {
  DWORD pid;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM lparam) {
  auto* search = reinterpret_cast<TopLevelSearch*>(lparam);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == search->pid) search->found.push_back(window);
  return TRUE;
}

BOOL CALLBACK CollectChild(HWND window, LPARAM lparam) {
  reinterpret_cast<std::vector<HWND>*>(lparam)->push_back(window);
  return TRUE;
}

}  // namespace

std::vector<HWND> TopLevelWindows(DWORD pid) {
  TopLevelSearch search{pid, {}};
  EnumWindows(&CollectTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND FindTopLevel(DWORD pid, const std::wstring& title, const std::wstring& window_class) {
  for (HWND window : TopLevelWindows(pid)) {
    if (!IsWindowVisible(window)) continue;
    if (!title.empty() && TextOf(window) != title) continue;
    if (!window_class.empty() && ClassOf(window) != window_class) continue;
    return window;
  }
  return nullptr;
}

std::vector<HWND> Descendants(HWND parent) {
  std::vector<HWND> all;
  EnumChildWindows(parent, &CollectChild, reinterpret_cast<LPARAM>(&all));
  return all;
}

HWND FindControl(HWND parent, const std::wstring& text, const std::wstring& window_class) {
  for (HWND child : Descendants(parent)) {
    if (TextOf(child) != text) continue;
    if (!window_class.empty() && ClassOf(child) != window_class) continue;
    return child;
  }
  return nullptr;
}

std::wstring TextOf(HWND window) {
  wchar_t text[4096] = {};
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text),
                           SMTO_ABORTIFHUNG, 2000, &copied)) {
    return {};
  }
  return std::wstring(text, copied);
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  const int n = GetClassNameW(window, name, 256);
  return std::wstring(name, n > 0 ? n : 0);
}

std::optional<SeenBox> WaitForMessageBox(DWORD pid, std::chrono::milliseconds timeout) {
  SeenBox box;
  if (!Eventually([&] { return (box.window = FindTopLevel(pid, L"", L"#32770")) != nullptr; },
                  timeout)) {
    return std::nullopt;
  }
  Sleep(50);  // let it finish its layout
  box.caption = TextOf(box.window);
  GUITHREADINFO gui{};
  gui.cbSize = sizeof(gui);
  if (GetGUIThreadInfo(GetWindowThreadProcessId(box.window, nullptr), &gui) &&
      gui.hwndFocus != nullptr) {
    box.focused_button = GetDlgCtrlID(gui.hwndFocus);
  }
  box.owner = GetWindow(box.window, GW_OWNER);
  for (HWND child : Descendants(box.window)) {
    const std::wstring cls = ClassOf(child);
    const int id = GetDlgCtrlID(child);
    if (cls == L"Button" && id == IDOK) box.ok = true;
    if (cls == L"Button" && id == IDCANCEL) box.cancel = true;
    if (cls == L"Static") {
      const LONG style = GetWindowLongW(child, GWL_STYLE);
      if ((style & SS_TYPEMASK) == SS_ICON) {
        box.icon = SendMessageW(child, STM_GETICON, 0, 0) != 0;
      } else if (!TextOf(child).empty()) {
        box.text = TextOf(child);
      }
    }
  }
  return box;
}

bool Answer(const SeenBox& box, int id) {
  PostMessageW(box.window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
  return Eventually([&] { return !IsWindow(box.window) || !IsWindowVisible(box.window); }, 5s);
}

void Press(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

Bitmap32 Picture(HWND window) {
  SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
  Sleep(300);  // the other process repaints
  RECT area;
  GetWindowRect(window, &area);
  const int w = area.right - area.left, h = area.bottom - area.top;
  Bitmap32 picture(w, h);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bitmap);
  BitBlt(dc, 0, 0, w, h, screen, area.left, area.top, SRCCOPY);
  GdiFlush();
  const auto* pixels = static_cast<const uint32_t*>(bits);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) picture.Row(y)[x] = pixels[size_t(y) * w + x] & 0xFFFFFF;
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  return picture;
}

RECT Within(HWND control, HWND top) {
  RECT c, t;
  GetWindowRect(control, &c);
  GetWindowRect(top, &t);
  return {c.left - t.left, c.top - t.top, c.right - t.left, c.bottom - t.top};
}

std::string SaveArtefact(const Bitmap32& picture, const std::string& name) {
  const std::filesystem::path dir = std::filesystem::path(VELIN_BINARY_DIR) / "test-artifacts";
  std::filesystem::create_directories(dir);
  const std::string path = (dir / (name + ".png")).string();
  EXPECT_TRUE(WritePng(path, picture)) << path;
  return path;
}

bool TrayIconPresent(HWND owner, UINT id) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof(data);
  data.hWnd = owner;
  data.uID = id;
  data.uFlags = NIF_TIP;
  lstrcpynW(data.szTip, L"Velin|蓝牙打印", static_cast<int>(std::size(data.szTip)));
  return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

void DropTrayIcon(HWND owner, UINT id) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof(data);
  data.hWnd = owner;
  data.uID = id;
  Shell_NotifyIconW(NIM_DELETE, &data);
}

std::vector<std::wstring> SpoolerPrinters() {
  DWORD needed = 0, count = 0;
  const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
  EnumPrintersW(flags, nullptr, 4, nullptr, 0, &needed, &count);
  std::vector<BYTE> buffer(needed);
  std::vector<std::wstring> names;
  if (needed == 0 || !EnumPrintersW(flags, nullptr, 4, buffer.data(), needed, &needed, &count))
    return names;
  const auto* info = reinterpret_cast<const PRINTER_INFO_4W*>(buffer.data());
  for (DWORD i = 0; i < count; ++i) names.emplace_back(info[i].pPrinterName);
  return names;
}

}  // namespace velin::test
