// The service windows of the real Velin.exe, driven from a second process: the font
// installation and the print font settings from the fonts page, the debug window with its
// capture and page preview from the receiver state button (with the receiver stand-in on the
// named pipe). Each window is found by title, its controls by caption, and pictured.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <thread>

#include "app/app_texts.h"
#include "app/device_search_override.h"
#include "fonts/font_installer.h"
#include "fonts/font_settings.h"
#include "glyph_check.h"
#include "usb_win/pipe_receiver.h"
#include "velin_driver.h"

namespace velin::test {
namespace {

const std::wstring kTitle = Wide(app::kAppTitle);

std::string Slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

HWND Page(HWND main, const char* name) { return FindControl(main, Wide(name), L"VelinPanel"); }

std::vector<HWND> OfClass(HWND parent, const std::wstring& window_class) {
  std::vector<HWND> found;
  for (HWND child : Descendants(parent))
    if (ClassOf(child) == window_class) found.push_back(child);
  return found;
}

std::vector<std::wstring> ComboItems(HWND combo) {
  std::vector<std::wstring> items;
  const int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    const int n = std::max(0, static_cast<int>(SendMessageW(combo, CB_GETLBTEXTLEN, i, 0)));
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(n));
    items.push_back(text);
  }
  return items;
}

// A top-level window of `pid` titled `title` other than `except`.
HWND FindOther(DWORD pid, const std::wstring& title, HWND except) {
  for (HWND w : TopLevelWindows(pid))
    if (w != except && IsWindowVisible(w) && TextOf(w) == title) return w;
  return nullptr;
}

std::wstring Profile(const std::wstring& path, const wchar_t* section, const wchar_t* key) {
  wchar_t value[2048] = {};
  GetPrivateProfileStringW(section, key, L"<missing>", value, 2048, path.c_str());
  return value;
}

// The whole text of a control (TextOf reads at most 4095 characters).
std::wstring WholeText(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length))
    return {};
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                      SMTO_ABORTIFHUNG, 2000, &copied);
  text.resize(copied);
  return text;
}

RECT ClientSize(HWND window) {
  RECT r{};
  GetClientRect(window, &r);
  return r;
}

// Every caption in `captions` shows real glyphs in a picture of `top`.
void ExpectRealGlyphs(HWND top, const Bitmap32& picture, const std::vector<const char*>& captions) {
  for (const char* caption : captions) {
    HWND control = FindControl(top, Wide(caption));
    ASSERT_NE(control, nullptr) << caption;
    EXPECT_TRUE(HasRealGlyphs(picture, Within(control, top))) << caption << " drawn as boxes";
  }
}

class ServiceWindows : public ::testing::Test {
 protected:
  void Start(const std::string& name, const std::string& config,
             const std::map<std::wstring, std::wstring>& environment = {}) {
    dir_ = std::string(VELIN_BINARY_DIR) + "/scratch/" + name;
    std::filesystem::remove_all(dir_);
    velin_.Start(dir_, config, environment);
    ASSERT_TRUE(
        Eventually([&] { return (main_ = FindTopLevel(velin_.pid(), kTitle)) != nullptr; }, 20s));
  }
  void TearDown() override {
    if (main_ != nullptr && velin_.Running()) {
      PostMessageW(main_, WM_CLOSE, 0, 0);
      velin_.WaitExit(10s);
    }
  }
  HWND Control(HWND top, const char* caption, const wchar_t* window_class = L"Button") {
    HWND control = FindControl(top, Wide(caption), window_class);
    EXPECT_NE(control, nullptr) << caption;
    return control;
  }
  void Navigate(const char* caption) {
    Press(Control(main_, caption));
    ASSERT_TRUE(Eventually([&] { return IsWindowVisible(Page(main_, caption)) != FALSE; }));
  }
  HWND OpenWindow(HWND button, const char* title, HWND except = nullptr) {
    Press(button);
    HWND window = nullptr;
    EXPECT_TRUE(Eventually([&] { return (window = FindOther(velin_.pid(), Wide(title), except)); }))
        << title;
    return window;
  }
  // Presses `button`; expects a box with `text` (and an icon or not); answers it with `id`.
  void ExpectBox(HWND button, const std::string& text, bool icon, HWND owner, int id = IDOK) {
    Press(button);
    auto box = WaitForMessageBox(velin_.pid());
    ASSERT_TRUE(box) << "no message box for " << text;
    EXPECT_EQ(box->text, Wide(text));
    EXPECT_EQ(box->caption, kTitle);
    EXPECT_EQ(box->icon, icon) << text;
    EXPECT_EQ(box->owner, owner) << text;
    EXPECT_TRUE(Answer(*box, id));
  }
  void Close(HWND window) {
    Press(Control(window, "关闭"));
    EXPECT_TRUE(Eventually([&] { return !IsWindowVisible(window) || !IsWindow(window); }));
  }

  VelinProcess velin_;
  std::string dir_;
  HWND main_ = nullptr;
};

// The font installation, for real: a missing source first, then the supplied font.
TEST_F(ServiceWindows, InstallingTheFontCopiesItRegistersItAndSaysSo) {
  const std::wstring installed = L"C:\\Windows\\Fonts\\font24x24.ttf";
  DeleteFileW(installed.c_str());
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, Wide(fonts::kFontsKey).c_str(), 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegDeleteValueW(key, L"font24x24.ttf");
  Start("FontInstall", "");
  Navigate("字体设置");
  HWND install = Control(main_, "安装字体");
  // Velin.exe was copied alone: its font is not beside it.
  ExpectBox(install, fonts::kCopyFailed, false, main_);
  EXPECT_EQ(GetFileAttributesW(installed.c_str()), INVALID_FILE_ATTRIBUTES);

  const std::filesystem::path supplied =
      std::filesystem::path(VELIN_EXE).parent_path() / "font24x24.ttf";
  ASSERT_TRUE(std::filesystem::exists(supplied)) << "the build places it beside Velin.exe";
  std::filesystem::copy_file(supplied, dir_ + "/font24x24.ttf");
  for (int run = 0; run < 2; ++run) {  // installing twice overwrites both
    ExpectBox(install, fonts::kFontInstalled, false, main_);
    std::ifstream in(std::filesystem::path(installed), std::ios::binary);
    const std::string copy((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(copy, Slurp(supplied)) << "run " << run;
    wchar_t value[MAX_PATH] = {};
    DWORD size = sizeof(value), type = 0;
    ASSERT_EQ(RegQueryValueExW(key, L"font24x24.ttf", nullptr, &type,
                               reinterpret_cast<BYTE*>(value), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::wstring(value), L"font24x24.ttf");
  }
  RegCloseKey(key);
}

TEST_F(ServiceWindows, FontSettingsLookUpSaveAndDefaults) {
  Start("FontSettings", "[system]\r\ntransfer_mode=1\r\n");
  const std::wstring config = velin_.config_path();
  Navigate("字体设置");
  HWND window = OpenWindow(Control(main_, "打印字体设置"), "打印字体设置");
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(ClientSize(window).right, 362);
  EXPECT_EQ(ClientSize(window).bottom, 222);
  EXPECT_FALSE(IsWindowEnabled(main_)) << "shown modally";
  for (const char* caption : {"字体代码或名称", "输出字体", "字体大小"})
    EXPECT_NE(FindControl(window, Wide(caption), L"Static"), nullptr) << caption;
  const std::vector<HWND> edits = OfClass(window, L"Edit");
  const std::vector<HWND> lists = OfClass(window, L"ComboBox");
  ASSERT_EQ(edits.size(), 2u);
  ASSERT_EQ(lists.size(), 1u);
  HWND code = edits[0], size = edits[1], list = lists[0];

  // The families as the system lists them, with "Default", sorted ignoring case; none chosen.
  const std::vector<std::wstring> items = ComboItems(list);
  ASSERT_GE(items.size(), 2u);
  EXPECT_NE(std::find(items.begin(), items.end(), L"Default"), items.end());
  EXPECT_TRUE(std::is_sorted(items.begin(), items.end(), [](const auto& a, const auto& b) {
    return _wcsicmp(a.c_str(), b.c_str()) < 0;
  }));
  EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_EQ(TextOf(code), L"");
  EXPECT_EQ(TextOf(size), L"0");
  const Bitmap32 picture = Picture(window);
  SaveArtefact(picture, "velin-font-settings");
  ExpectRealGlyphs(window, picture,
                   {"字体代码或名称", "输出字体", "字体大小", "保存字体参数", "默认设置"});

  // Save without a face: the warning, nothing written.
  ExpectBox(Control(window, "保存字体参数"), fonts::kChooseFont, true, window);
  EXPECT_FALSE(std::filesystem::exists(dir_ + "/config.ini") &&
               Profile(config, L"77", L"font") != L"<missing>");
  // A code typed, a face picked, a size: saved under the code without pressing Enter.
  const int pick = static_cast<int>(items.size()) - 1;
  SetWindowTextW(code, L"77");
  SendMessageW(list, CB_SETCURSEL, pick, 0);
  SetWindowTextW(size, L"23");
  ExpectBox(Control(window, "保存字体参数"), fonts::kSaved, true, window);
  EXPECT_EQ(Profile(config, L"77", L"font"), items[static_cast<size_t>(pick)]);
  EXPECT_EQ(Profile(config, L"77", L"fontsize"), L"23");

  // Defaults: Cancel writes nothing; OK writes the factory set.
  ExpectBox(Control(window, "默认设置"), fonts::kRestoreDefaultsQuestion, true, window, IDCANCEL);
  EXPECT_EQ(Profile(config, L"55", L"font"), L"<missing>");
  ExpectBox(Control(window, "默认设置"), fonts::kRestoreDefaultsQuestion, true, window, IDOK);
  auto done = WaitForMessageBox(velin_.pid());
  ASSERT_TRUE(done);
  EXPECT_EQ(done->text, Wide(fonts::kDefaultsRestored));
  EXPECT_TRUE(Answer(*done, IDOK));
  for (const auto& entry : fonts::FactoryFontMap()) {
    EXPECT_EQ(Profile(config, Wide(entry.code).c_str(), L"font"), Wide(entry.font)) << entry.code;
    EXPECT_EQ(Profile(config, Wide(entry.code).c_str(), L"fontsize"), std::to_wstring(entry.size))
        << entry.code;
  }
  EXPECT_EQ(Profile(config, L"77", L"fontsize"), L"23") << "other sections stay";

  // Enter looks a code up: the stored face (when the system lists it) and size.
  const auto face = std::find(items.begin(), items.end(), Wide(fonts::kDefaultFace));
  const LRESULT face_index = face == items.end() ? CB_ERR : face - items.begin();
  struct Case {
    const wchar_t* code;
    LRESULT selection;
    const wchar_t* size;
  };
  for (const Case& c : {Case{L"8", face_index, L"17"}, Case{L"77", pick, L"23"},
                        Case{L"nothing here", CB_ERR, L"0"}, Case{L"55", face_index, L"11"}}) {
    SetWindowTextW(code, c.code);
    PostMessageW(code, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_TRUE(Eventually([&] { return TextOf(size) == c.size; }, 3s)) << c.code;
    EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), c.selection) << c.code;
  }
  EXPECT_FALSE(WaitForMessageBox(velin_.pid(), 300ms)) << "Enter says nothing";
  Close(window);
  EXPECT_TRUE(Eventually([&] { return IsWindowEnabled(main_) != FALSE; }));
}

// Fills the file-save dialog that Velin.exe shows with `path` and confirms it; checks the
// proposed name and the filter on the way.
void SaveThroughDialog(DWORD pid, HWND debug_window, const std::wstring& path) {
  HWND dialog = nullptr;
  ASSERT_TRUE(Eventually([&] { return (dialog = FindTopLevel(pid, L"", L"#32770")) != nullptr; }));
  EXPECT_EQ(GetWindow(dialog, GW_OWNER), debug_window);
  HWND name = nullptr;
  ASSERT_TRUE(Eventually(
      [&] {
        for (HWND child : Descendants(dialog))
          if (ClassOf(child) == L"Edit" && TextOf(child) == L"Data.bin") name = child;
        return name != nullptr;
      },
      5s))
      << "no file name box proposing Data.bin";
  bool filter = false;
  for (HWND child : Descendants(dialog))
    if (ClassOf(child) == L"ComboBox")
      for (const std::wstring& item : ComboItems(child)) filter = filter || item == L"数据文件";
  EXPECT_TRUE(filter) << "the filter 数据文件";
  SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
  Press(GetDlgItem(dialog, IDOK));
  EXPECT_TRUE(Eventually([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }));
}

TEST_F(ServiceWindows, TheDebugWindowLogsCapturesAndPreviewsALabel) {
  PipeReceiver receiver;
  Start("DebugWindow", "[system]\r\ntransfer_mode=1\r\n",
        {{Wide(app::kTestReceiverVariable), Wide(receiver.path())}});
  HWND state = nullptr;
  ASSERT_TRUE(Eventually([&] { return (state = FindControl(main_, Wide(app::kReceiverFound))); }));
  HWND window = OpenWindow(state, "调试模式");
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(ClientSize(window).right, 456);
  EXPECT_EQ(ClientSize(window).bottom, 255);
  EXPECT_FALSE(IsWindowEnabled(main_)) << "shown modally";
  const std::vector<HWND> edits = OfClass(window, L"Edit");
  ASSERT_EQ(edits.size(), 1u);
  HWND memo = edits[0];
  EXPECT_EQ(TextOf(memo), L"");
  const LONG style = GetWindowLongW(memo, GWL_STYLE);
  EXPECT_NE(style & WS_VSCROLL, 0);
  EXPECT_NE(style & WS_HSCROLL, 0);

  // Debug mode on, a label through the receiver: its lines in the log, its bytes captured.
  Press(Control(window, "开启调试"));
  std::this_thread::sleep_for(300ms);
  const std::string label =
      "! 0 200 200 240 1\r\nPAGE-WIDTH 400\r\nBOX 10 10 390 230 3\r\n"
      "TEXT 8 0 30 30 Velin \xb2\xe2\xca\xd4\r\nLINE 10 120 390 120 2\r\nFORM\r\n";
  receiver.Send(label.substr(0, 25));
  receiver.Send(label.substr(25));
  const std::wstring expected =
      L"! 0 200 200 240 1\r\nPAGE-WIDTH 400\r\nBOX 10 10 390 230 3\r\n"
      L"TEXT 8 0 30 30 Velin 测试\r\nLINE 10 120 390 120 2\r\nFORM";
  EXPECT_TRUE(Eventually([&] { return TextOf(memo) == expected; }, 15s));
  EXPECT_EQ(TextOf(memo), expected);
  const Bitmap32 picture = Picture(window);
  SaveArtefact(picture, "velin-debug-window");
  ExpectRealGlyphs(window, picture, {"开启调试", "停止调试", "保存数据", "查看图像", "蓝牙设置"});

  // The preview: as large as the page (400 × 240 dots), titled as the debug window.
  HWND preview = OpenWindow(Control(window, "查看图像"), "调试模式", window);
  ASSERT_NE(preview, nullptr);
  EXPECT_EQ(ClientSize(preview).right, 400);
  EXPECT_EQ(ClientSize(preview).bottom, 240);
  const Bitmap32 page = Picture(preview);
  SaveArtefact(page, "velin-page-preview");
  EXPECT_TRUE(HasRealGlyphs(page, RECT{0, 0, 120, 34})) << "the title drawn as boxes";
  // The box's top edge (y 10..12 of 240 dots, drawn into 206 rows below the title bar) is dark.
  int dark = 0;
  for (int x = 50; x < 350; ++x) {
    for (int y = 34 + 8; y < 34 + 13; ++y) {
      const uint32_t p = page.GetPixel(x, y);
      dark += (p & 0xFF) < 80 && ((p >> 8) & 0xFF) < 80 && ((p >> 16) & 0xFF) < 80;
    }
  }
  EXPECT_GT(dark, 250) << "the box's top edge";
  Close(preview);

  // Saved byte for byte through the file-save dialog.
  const std::string saved = dir_ + "/捕获数据.bin";  // a name outside ASCII
  Press(Control(window, "保存数据"));
  SaveThroughDialog(velin_.pid(), window, WinPath(saved));
  const std::filesystem::path saved_path(
      std::u8string(reinterpret_cast<const char8_t*>(saved.data()), saved.size()));
  // Written once the dialog has closed: wait for the whole of it.
  EXPECT_TRUE(Eventually([&] { return Slurp(saved_path).size() >= label.size(); }));
  EXPECT_EQ(Slurp(saved_path), label);

  // Stopped: nothing more in the log.
  Press(Control(window, "停止调试"));
  std::this_thread::sleep_for(300ms);
  receiver.Send("FORM\r\n");
  std::this_thread::sleep_for(1500ms);
  EXPECT_EQ(TextOf(memo), expected);

  Close(window);
  EXPECT_TRUE(Eventually([&] { return IsWindowEnabled(main_) != FALSE; }));
  // A new opening starts with an empty log and debug mode off.
  window = OpenWindow(state, "调试模式");
  ASSERT_NE(window, nullptr);
  memo = OfClass(window, L"Edit")[0];
  receiver.Send("FORM\r\n");
  std::this_thread::sleep_for(1500ms);
  EXPECT_EQ(TextOf(memo), L"");

  // A flood of lines: the window keeps answering, and the log keeps the newest 2000 (the
  // interpreter pauses 10 ms after each line it logs, so this takes some 25 s).
  Press(Control(window, "开启调试"));
  std::this_thread::sleep_for(300ms);
  const int total = 2300;
  std::string block;
  for (int i = 0; i < total; ++i) {
    block += "FLOOD " + std::to_string(i) + "\r\n";
    if (block.size() > 3000 || i == total - 1) {
      receiver.Send(block);
      block.clear();
      DWORD_PTR ignored = 0;
      EXPECT_TRUE(SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored))
          << "the debug window stopped answering at line " << i;
    }
  }
  const std::wstring last = L"FLOOD " + std::to_wstring(total - 1);
  EXPECT_TRUE(Eventually(
      [&] {
        const std::wstring text = WholeText(memo);
        return text.size() >= last.size() && text.substr(text.size() - last.size()) == last;
      },
      90s));
  const std::wstring text = WholeText(memo);
  EXPECT_EQ(std::count(text.begin(), text.end(), L'\n') + 1, 2000);
  EXPECT_EQ(text.substr(0, text.find(L'\r')), L"FLOOD " + std::to_wstring(total - 2000));
  Close(window);
}

// GBK bytes of `text`, as the module receives a name.
std::string Gbk(const std::wstring& text) {
  const int n = WideCharToMultiByte(936, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(std::max(n, 1)), '\0');
  WideCharToMultiByte(936, 0, text.c_str(), -1, out.data(), n, nullptr, nullptr);
  out.resize(static_cast<size_t>(std::max(n - 1, 0)));
  return out;
}

constexpr const char* kCaptureQueue = "velin-capture";
const std::filesystem::path kCaptureDir = "/var/spool/velin-capture";

bool HasCaptureQueue() {
  const auto names = SpoolerPrinters();
  return std::find(names.begin(), names.end(), Wide(kCaptureQueue)) != names.end() &&
         std::filesystem::is_directory(kCaptureDir);
}

size_t CapturedJobCount() {
  size_t n = 0;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(kCaptureDir, ec))
    n += entry.path().filename().string().rfind("job-", 0) == 0;
  return n;
}

TEST_F(ServiceWindows, TheBluetoothWindowQueriesSetsTheNameAndHoldsLabelsBack) {
  PipeReceiver receiver;
  const bool printing = HasCaptureQueue();
  Start("Bluetooth",
        std::string("[system]\r\ntransfer_mode=1\r\nprinter=") + (printing ? kCaptureQueue : "") +
            "\r\n",
        {{Wide(app::kTestReceiverVariable), Wide(receiver.path())}});
  HWND state = nullptr;
  ASSERT_TRUE(Eventually([&] { return (state = FindControl(main_, Wide(app::kReceiverFound))); }));
  HWND debug = OpenWindow(state, "调试模式");
  ASSERT_NE(debug, nullptr);
  HWND log = OfClass(debug, L"Edit")[0];
  Press(Control(debug, "开启调试"));
  std::this_thread::sleep_for(300ms);
  HWND window = OpenWindow(Control(debug, "蓝牙设置"), "蓝牙设置");
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(ClientSize(window).right, 335);
  EXPECT_EQ(ClientSize(window).bottom, 185);
  EXPECT_FALSE(IsWindowEnabled(debug)) << "shown modally over the debug window";
  for (const char* caption : {"蓝牙名称", "蓝牙地址"})
    EXPECT_NE(FindControl(window, Wide(caption), L"Static"), nullptr) << caption;
  // The developer buttons exist, below the visible area.
  for (const char* caption : {"实时数据", "退出实时", "模拟发送"}) {
    HWND button = Control(window, caption);
    ASSERT_NE(button, nullptr);
    RECT r{};
    GetWindowRect(button, &r);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_GE(r.top, ClientSize(window).bottom) << caption;
  }
  const std::vector<HWND> edits = OfClass(window, L"Edit");
  ASSERT_EQ(edits.size(), 3u);
  HWND name = edits[0], address = edits[1];
  EXPECT_EQ(TextOf(name), L"");
  EXPECT_EQ(TextOf(address), L"");

  // Query: the replies come in several blocks; both boxes fill.
  Press(Control(window, "查询"));
  EXPECT_EQ(receiver.Receive(10), "AT+NAME?\r\n");
  receiver.Send("+NAME:Prin");
  receiver.Send("ter01\r\n");
  receiver.Send("OK\r\n");
  EXPECT_EQ(receiver.Receive(13), "AT+LBDADDR?\r\n");
  receiver.Send("+LBDADDR:12:34:56:78:9A:BC\r\nOK\r\n");
  EXPECT_TRUE(Eventually([&] { return TextOf(address) == L"12:34:56:78:9A:BC"; }, 5s));
  EXPECT_EQ(TextOf(name), L"Printer01");
  const Bitmap32 picture = Picture(window);
  SaveArtefact(picture, "velin-bluetooth-settings");
  ExpectRealGlyphs(window, picture, {"蓝牙名称", "蓝牙地址", "查询", "设置蓝牙名称"});

  // A Chinese name goes out in GBK, ended by CR LF.
  const std::wstring chinese = L"打印机01";
  SetWindowTextW(name, chinese.c_str());
  ExpectBox(Control(window, "设置蓝牙名称"), "您确定要修改蓝牙名称吗", true, window, IDOK);
  const std::string command = "AT+NAME=" + Gbk(chinese) + "\r\n";
  EXPECT_EQ(command.size(), 8u + 8u + 2u);
  EXPECT_EQ(receiver.Receive(command.size()), command);
  receiver.Send("OK\r\n");
  auto done = WaitForMessageBox(velin_.pid());
  ASSERT_TRUE(done);
  EXPECT_EQ(done->text, L"设置蓝牙名称成功");
  EXPECT_TRUE(Answer(*done, IDOK));

  // While the window is open a label waits in the FIFO; it is read once the window closes.
  const size_t jobs_before = printing ? CapturedJobCount() : 0;
  receiver.Send("! 0 200 200 100 1\r\nLINE 0 0 100 0 2\r\nFORM\r\nPRINT\r\n");
  std::this_thread::sleep_for(1500ms);
  EXPECT_EQ(TextOf(log), L"") << "the interpreter took bytes while the window was open";
  if (printing) {
    EXPECT_EQ(CapturedJobCount(), jobs_before);
  }
  Close(window);
  EXPECT_TRUE(Eventually(
      [&] { return TextOf(log) == L"! 0 200 200 100 1\r\nLINE 0 0 100 0 2\r\nFORM\r\nPRINT"; },
      10s))
      << "the waiting label was not read after the window closed";
  if (printing) {
    EXPECT_TRUE(Eventually([&] { return CapturedJobCount() > jobs_before; }, 60s))
        << "the waiting label did not print";
  }
  Close(debug);
}

}  // namespace
}  // namespace velin::test
