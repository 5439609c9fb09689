// The real Velin.exe driven from a second process: one start serves the window checks, a
// second start (with a receiver stand-in) the end-to-end label, and each ends by one of the
// program's ways out.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <set>
#include <thread>

#include "app/app_texts.h"
#include "app/device_search_override.h"
#include "app/win32/tray_icon_win.h"
#include "glyph_check.h"
#include "skin/theme.h"
#include "usb_win/pipe_receiver.h"
#include "velin_driver.h"

namespace velin::test {
namespace {

const std::wstring kTitle = Wide(app::kAppTitle);
constexpr const char* kCaptureQueue = "velin-capture";
const std::filesystem::path kCaptureDir = "/var/spool/velin-capture";

// A colour as the pictures hold it (0x00BBGGRR).
Color Bgr(skin::Argb c) {
  return (uint32_t{skin::BlueOf(c)} << 16) | (uint32_t{skin::GreenOf(c)} << 8) | skin::RedOf(c);
}

// The window of a started Velin.exe, and how long it took to appear.
HWND WaitForMainWindow(const VelinProcess& velin, double* seconds = nullptr) {
  HWND window = nullptr;
  Eventually([&] { return (window = FindTopLevel(velin.pid(), kTitle)) != nullptr; }, 20s);
  if (seconds != nullptr) {
    *seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - velin.started()).count();
  }
  return window;
}

// Opens the tray icon's menu as a right click does; returns the menu window.
HWND OpenTrayMenu(const VelinProcess& velin, HWND main) {
  HWND menu = nullptr;
  for (int attempt = 0; attempt < 3 && menu == nullptr; ++attempt) {
    // The window that was just hidden hands the activation on first; a menu opened meanwhile
    // is closed by that change, as it would be for a user.
    std::this_thread::sleep_for(300ms);
    PostMessageW(main, app::TrayIcon::kCallbackMessage, app::TrayIcon::kIconId, WM_RBUTTONUP);
    Eventually([&] { return (menu = FindTopLevel(velin.pid(), L"", L"#32768")) != nullptr; }, 3s);
  }
  return menu;
}

// How many pixels of `area` are within a small distance of `colour` (0x00BBGGRR).
int PixelsNear(const Bitmap32& picture, const RECT& area, Color colour) {
  int n = 0;
  for (int y = std::max<int>(0, area.top); y < std::min<int>(picture.height(), area.bottom); ++y)
    for (int x = std::max<int>(0, area.left); x < std::min<int>(picture.width(), area.right); ++x) {
      const Color c = picture.GetPixel(x, y);
      int d = 0;
      for (int shift : {0, 8, 16})
        d += std::abs(int((c >> shift) & 0xFF) - int((colour >> shift) & 0xFF));
      n += d < 40;
    }
  return n;
}

int RingValue(HWND ring) { return static_cast<int>(SendMessageW(ring, PBM_GETPOS, 0, 0)); }

// The ring's values over `span`, as the heartbeat turns it.
std::vector<int> RingValues(HWND ring, std::chrono::milliseconds span) {
  std::vector<int> values;
  const auto end = std::chrono::steady_clock::now() + span;
  while (std::chrono::steady_clock::now() < end) {
    const int v = RingValue(ring);
    if (values.empty() || values.back() != v) values.push_back(v);
    std::this_thread::sleep_for(50ms);
  }
  return values;
}

// Progress values step by 10 and wrap at 100: each change seen is one step (or a few, if a
// poll was missed), never backwards.
// The ring shows 50 until the first record (0) arrives.
bool Advances(const std::vector<int>& values) {
  if (values.size() < 3) return false;
  const size_t first = values[0] == 50 && values[1] == 0 ? 2 : 1;
  for (size_t i = first; i < values.size(); ++i) {
    const int step = (values[i] - values[i - 1] + 100) % 100;
    if (step == 0 || step % 10 != 0 || step > 30) return false;
  }
  return true;
}

std::vector<std::wstring> ComboItems(HWND combo) {
  std::vector<std::wstring> items;
  const int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    const int n = static_cast<int>(SendMessageW(combo, CB_GETLBTEXTLEN, i, 0));
    std::wstring text(static_cast<size_t>(std::max(n, 0)) + 1, L'\0');
    SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(std::max(n, 0)));
    items.push_back(text);
  }
  return items;
}

int ComboSelection(HWND combo) { return static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0)); }

// What a user's pick in a drop-down list sends: the selection, then the list closing.
void PickAndCloseUp(HWND combo, int index) {
  if (index >= 0) SendMessageW(combo, CB_SETCURSEL, index, 0);
  PostMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_CLOSEUP),
               reinterpret_cast<LPARAM>(combo));
}

int StoredInt(const VelinProcess& velin, const wchar_t* key) {
  return static_cast<int>(GetPrivateProfileIntW(L"system", key, -99, velin.config_path().c_str()));
}
std::wstring StoredString(const VelinProcess& velin, const wchar_t* key) {
  wchar_t value[2048] = {};
  GetPrivateProfileStringW(L"system", key, L"<missing>", value, 2048, velin.config_path().c_str());
  return value;
}

// The controls of the page shown: the page panel whose window text is `name`.
HWND Page(HWND main, const char* name) { return FindControl(main, Wide(name), L"VelinPanel"); }

std::vector<HWND> OfClass(HWND parent, const std::wstring& window_class) {
  std::vector<HWND> found;
  for (HWND child : Descendants(parent))
    if (ClassOf(child) == window_class) found.push_back(child);
  return found;
}

// One Velin.exe for the window checks: no receiver, bound to the capture queue when Wine
// lists it (else to the first printer), CPCL.
class VelinWindow : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    printers_ = new std::vector<std::wstring>(SpoolerPrinters());
    bound_ = new std::string;
    for (const std::wstring& p : *printers_) {
      if (p == Wide(kCaptureQueue)) *bound_ = kCaptureQueue;
    }
    if (bound_->empty() && !printers_->empty()) {
      *bound_ = std::filesystem::path(printers_->front()).string();  // ASCII names in tests
    }
    velin_ = new VelinProcess;
    const std::string dir = std::string(VELIN_BINARY_DIR) + "/scratch/VelinWindow";
    std::filesystem::remove_all(dir);
    velin_->Start(dir, "[system]\r\nprinter=" + *bound_ + "\r\ntransfer_mode=1\r\n");
    double seconds = 0;
    main_ = WaitForMainWindow(*velin_, &seconds);
    std::cout << "Velin.exe: window visible " << seconds << " s after the process started\n";
  }
  static void TearDownTestSuite() {
    delete velin_;  // kills it if a test left it running
    delete printers_;
    delete bound_;
  }
  void SetUp() override {
    ASSERT_NE(main_, nullptr) << "no window titled Velin|蓝牙打印";
    ASSERT_TRUE(velin_->Running());
  }
  HWND Control(const char* caption, const wchar_t* window_class = L"Button") {
    HWND control = FindControl(main_, Wide(caption), window_class);
    EXPECT_NE(control, nullptr) << caption;
    return control;
  }
  // Presses a navigation entry and waits for its page.
  void Navigate(const char* caption) {
    Press(Control(caption));
    ASSERT_TRUE(Eventually([&] { return IsWindowVisible(Page(main_, caption)) != FALSE; }))
        << caption;
  }
  // Presses `button`, expects a message box with `text` and the program's title, answers it.
  void ExpectBox(HWND button, const std::string& text) {
    Press(button);
    auto box = WaitForMessageBox(velin_->pid());
    ASSERT_TRUE(box) << "no message box for " << text;
    EXPECT_EQ(box->text, Wide(text));
    EXPECT_EQ(box->caption, kTitle);
    EXPECT_TRUE(box->ok);
    EXPECT_TRUE(box->icon) << "information icon";
    EXPECT_EQ(box->owner, main_) << "the main window waits for the box";
    EXPECT_TRUE(Answer(*box, IDOK));
  }

  static VelinProcess* velin_;
  static HWND main_;
  static std::vector<std::wstring>* printers_;
  static std::string* bound_;
};
VelinProcess* VelinWindow::velin_ = nullptr;
HWND VelinWindow::main_ = nullptr;
std::vector<std::wstring>* VelinWindow::printers_ = nullptr;
std::string* VelinWindow::bound_ = nullptr;

TEST_F(VelinWindow, IsBorderlessCentredAndHoldsEveryControlByCaption) {
  const LONG style = GetWindowLongW(main_, GWL_STYLE);
  EXPECT_EQ(style & WS_CAPTION, 0) << "no system title bar";
  EXPECT_EQ(style & WS_THICKFRAME, 0) << "no sizing border";
  EXPECT_NE(GetWindowLongW(main_, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0) << "a task-bar button";
  RECT client;
  GetClientRect(main_, &client);
  EXPECT_EQ(client.right, 595);
  EXPECT_EQ(client.bottom, 219);
  // Centred on the work area of its monitor.
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoW(MonitorFromWindow(main_, MONITOR_DEFAULTTONEAREST), &monitor);
  RECT window;
  GetWindowRect(main_, &window);
  EXPECT_NEAR(window.left + window.right, monitor.rcWork.left + monitor.rcWork.right, 2);
  EXPECT_NEAR(window.top + window.bottom, monitor.rcWork.top + monitor.rcWork.bottom, 2);

  const std::vector<std::pair<std::string, std::wstring>> controls = {
      {app::VersionLabel(), L"Static"},
      {"蓝牙打印", L"Button"},
      {"系统设置", L"Button"},
      {"字体设置", L"Button"},
      {"最小化", L"Button"},
      {"关闭", L"Button"},
      {"淘宝网店", L"Button"},
      {"访问官网", L"Button"},
      {"文档中心", L"Button"},
      {"联系客服", L"Button"},
      {app::kReceiverMissing, L"Button"},
      {"绑定打印机：", L"Static"},
      {"数据传输模式：", L"Static"},
      {"快递平台：", L"Static"},
      {"检查更新", L"Button"},
      {"更新日志", L"Button"},
      {"安装字体", L"Button"},
      {"打印字体设置", L"Button"},
  };
  for (const auto& [caption, window_class] : controls) {
    EXPECT_NE(FindControl(main_, Wide(caption), window_class), nullptr) << caption;
  }
  // Pages, the rings (the second one hidden), the lists.
  for (const char* page : {"蓝牙打印", "系统设置", "字体设置"})
    EXPECT_NE(Page(main_, page), nullptr) << page;
  const std::vector<HWND> rings = OfClass(main_, PROGRESS_CLASSW);
  ASSERT_EQ(rings.size(), 2u);
  EXPECT_TRUE(IsChild(Page(main_, "蓝牙打印"), rings[0]));
  EXPECT_FALSE(GetWindowLongW(rings[1], GWL_STYLE) & WS_VISIBLE) << "the update ring stays hidden";
  const std::vector<HWND> lists = OfClass(Page(main_, "系统设置"), L"ComboBox");
  ASSERT_EQ(lists.size(), 3u);
  EXPECT_EQ(ComboItems(lists[1]), (std::vector<std::wstring>{L"透传", L"CPCL指令", L"TSPL指令"}));
  EXPECT_EQ(ComboSelection(lists[1]), 1);
  EXPECT_EQ(ComboItems(lists[2]), (std::vector<std::wstring>{L"通用"}));
  EXPECT_EQ(ComboSelection(lists[2]), 0);
}

TEST_F(VelinWindow, WithoutAReceiverTheStateStaysMissingWhileTheHeartbeatTurnsTheRing) {
  HWND ring = OfClass(main_, PROGRESS_CLASSW).front();
  const std::vector<int> values = RingValues(ring, 2200ms);
  EXPECT_TRUE(Advances(values)) << ::testing::PrintToString(values);
  EXPECT_NE(FindControl(main_, Wide(app::kReceiverMissing), L"Button"), nullptr);
  EXPECT_EQ(FindControl(main_, Wide(app::kReceiverFound), L"Button"), nullptr);
}

TEST_F(VelinWindow, NavigationSwitchesPagesAndColoursWithRealGlyphs) {
  const char* pages[] = {"蓝牙打印", "系统设置", "字体设置"};
  const std::vector<std::vector<const char*>> captions = {
      {"淘宝网店", "访问官网", "文档中心", "联系客服", app::kReceiverMissing},
      {"绑定打印机：", "数据传输模式：", "快递平台：", "检查更新", "更新日志"},
      {"安装字体", "打印字体设置"},
  };
  const skin::Theme& theme = skin::DefaultTheme();
  for (int i : {1, 2, 0}) {
    Navigate(pages[i]);
    for (int j = 0; j < 3; ++j) {
      EXPECT_EQ(IsWindowVisible(Page(main_, pages[j])) != FALSE, i == j) << pages[i];
    }
    const Bitmap32 picture = Picture(main_);
    SaveArtefact(picture, "velin-page" + std::to_string(i));
    if (i == 0) {
      SaveArtefact(picture, "velin-main-window");
      // The state button shows image 8 (a red cross) from the program's resources.
      const RECT state = Within(Control(app::kReceiverMissing), main_);
      EXPECT_GT(PixelsNear(picture, state, Bgr(skin::Rgb(220, 38, 38))), 4);
      EXPECT_EQ(PixelsNear(picture, state, Bgr(skin::Rgb(22, 163, 74))), 0);
    }
    // The current entry is white, the others have the column's colour.
    for (int j = 0; j < 3; ++j) {
      const RECT entry = Within(Control(pages[j]), main_);
      EXPECT_EQ(picture.GetPixel(entry.left + 3, entry.top + 3),
                Bgr(j == i ? theme.window : theme.side_panel))
          << "entry " << j << " on page " << i;
      EXPECT_TRUE(HasRealGlyphs(picture, entry)) << pages[j] << " drawn as boxes";
    }
    for (const char* caption : captions[static_cast<size_t>(i)]) {
      HWND control = FindControl(main_, Wide(caption));
      ASSERT_NE(control, nullptr) << caption;
      EXPECT_TRUE(HasRealGlyphs(picture, Within(control, main_))) << caption << " drawn as boxes";
    }
  }
}

TEST_F(VelinWindow, TheGlyphCheckTellsBoxesFromCharacters) {
  const Bitmap32 real = RenderText(L"蓝牙打印", 16);
  const Bitmap32 boxes =
      RenderText(L"\x0378\x0379\x0380\x0381", 16);  // unassigned: no font has them
  const RECT all_real = {0, 0, real.width(), real.height()};
  const RECT all_boxes = {0, 0, boxes.width(), boxes.height()};
  EXPECT_TRUE(HasRealGlyphs(real, all_real));
  EXPECT_FALSE(HasRealGlyphs(boxes, all_boxes)) << CellsIn(boxes, all_boxes).distinct;
}

TEST_F(VelinWindow, PrinterListHoldsWinesPrintersOnceWithTheBoundOneSelectedAfterHideAndShow) {
  HWND printers = OfClass(Page(main_, "系统设置"), L"ComboBox")[0];
  auto check = [&](const char* when) {
    const std::vector<std::wstring> items = ComboItems(printers);
    EXPECT_EQ(items, *printers_) << when;
    EXPECT_EQ(std::set<std::wstring>(items.begin(), items.end()).size(), items.size()) << when;
    const auto bound = std::find(items.begin(), items.end(), Wide(*bound_));
    EXPECT_EQ(ComboSelection(printers), bound == items.end() ? -1 : int(bound - items.begin()))
        << when;
  };
  check("at start");
  if (!bound_->empty()) {
    EXPECT_EQ(*bound_, kCaptureQueue) << "Wine does not list the CUPS capture queue";
  }

  // Minimise: hidden, off the task bar, the heartbeat goes on; the tray brings it back.
  Press(Control("最小化"));
  ASSERT_TRUE(Eventually([&] { return !IsWindowVisible(main_); }));
  EXPECT_TRUE(Advances(RingValues(OfClass(main_, PROGRESS_CLASSW).front(), 2200ms)))
      << "progress stops while hidden";
  EXPECT_TRUE(TrayIconPresent(main_));
  PostMessageW(main_, app::TrayIcon::kCallbackMessage, app::TrayIcon::kIconId, WM_LBUTTONDBLCLK);
  ASSERT_TRUE(Eventually([&] { return IsWindowVisible(main_) != FALSE; }));
  EXPECT_FALSE(IsIconic(main_));
  check("after hide and show");
  // Once more, through the tray menu's first entry.
  Press(Control("最小化"));
  ASSERT_TRUE(Eventually([&] { return !IsWindowVisible(main_); }));
  HWND menu = OpenTrayMenu(*velin_, main_);
  ASSERT_NE(menu, nullptr);
  PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
  PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
  ASSERT_TRUE(Eventually([&] { return IsWindowVisible(main_) != FALSE; }));
  check("after the tray menu's show");
}

TEST_F(VelinWindow, ClosingTheListsWritesConfigAndTheModeListAsksForARestart) {
  Navigate("系统设置");
  const std::vector<HWND> lists = OfClass(Page(main_, "系统设置"), L"ComboBox");
  auto expect_notice = [&](const char* when) {
    auto box = WaitForMessageBox(velin_->pid());
    ASSERT_TRUE(box) << when;
    EXPECT_EQ(box->text, Wide(app::kRestartNotice)) << when;
    EXPECT_EQ(box->caption, kTitle) << when;
    EXPECT_TRUE(box->icon) << when;
    EXPECT_TRUE(Answer(*box, IDOK));
  };
  PickAndCloseUp(lists[1], 2);
  expect_notice("TSPL chosen");
  EXPECT_EQ(StoredInt(*velin_, L"transfer_mode"), 2);
  PickAndCloseUp(lists[1], 2);
  expect_notice("the same mode again");
  EXPECT_EQ(StoredInt(*velin_, L"transfer_mode"), 2);
  // The courier list closing writes the mode list's choice.
  SendMessageW(lists[1], CB_SETCURSEL, 0, 0);
  PickAndCloseUp(lists[2], 0);
  expect_notice("courier list closed");
  EXPECT_EQ(StoredInt(*velin_, L"transfer_mode"), 0);
  PickAndCloseUp(lists[1], 1);
  expect_notice("back to CPCL");
  EXPECT_EQ(StoredInt(*velin_, L"transfer_mode"), 1);

  // The printer list: written without a message.
  if (printers_->empty()) GTEST_SKIP() << "Wine lists no printer";
  const int last = static_cast<int>(printers_->size()) - 1;
  PickAndCloseUp(lists[0], last);
  EXPECT_TRUE(Eventually([&] { return StoredString(*velin_, L"printer") == (*printers_)[last]; }));
  EXPECT_FALSE(WaitForMessageBox(velin_->pid(), 500ms));
  const auto bound = std::find(printers_->begin(), printers_->end(), Wide(*bound_));
  PickAndCloseUp(lists[0], static_cast<int>(bound - printers_->begin()));
  EXPECT_TRUE(Eventually([&] { return StoredString(*velin_, L"printer") == Wide(*bound_); }));
}

TEST_F(VelinWindow, ButtonsShowTheirMessages) {
  Navigate("蓝牙打印");
  ExpectBox(Control("联系客服"), app::ContactText(app::MakerLinks().web_site));
  Navigate("系统设置");
  ExpectBox(Control("检查更新"), app::kNoUpdate);
  Navigate("蓝牙打印");
}

TEST_F(VelinWindow, UpdateLogOpensModallyCentredAndEscClosesIt) {
  Navigate("系统设置");
  Press(Control("更新日志"));
  HWND log = nullptr;
  ASSERT_TRUE(Eventually([&] { return (log = FindTopLevel(velin_->pid(), L"更新日志")); }));
  RECT client, window, main_rect;
  GetClientRect(log, &client);
  EXPECT_EQ(client.right, 333);
  EXPECT_EQ(client.bottom, 187);
  GetWindowRect(log, &window);
  GetWindowRect(main_, &main_rect);
  EXPECT_NEAR(window.left + window.right, main_rect.left + main_rect.right, 2);
  EXPECT_NEAR(window.top + window.bottom, main_rect.top + main_rect.bottom, 2);
  EXPECT_FALSE(IsWindowEnabled(main_)) << "shown modally";
  EXPECT_NE(FindControl(log, L"关闭", L"Button"), nullptr);
  HWND memo = nullptr;
  for (HWND child : Descendants(log))
    if (ClassOf(child) == L"Edit") memo = child;
  ASSERT_NE(memo, nullptr);
  std::wstring expected;
  for (const std::string& line : app::UpdateLogLines())
    expected += (expected.empty() ? L"" : L"\r\n") + Wide(line);
  EXPECT_EQ(TextOf(memo), expected);
  const LONG memo_style = GetWindowLongW(memo, GWL_STYLE);
  EXPECT_NE(memo_style & ES_READONLY, 0);
  EXPECT_NE(memo_style & WS_VSCROLL, 0);
  const Bitmap32 picture = Picture(log);
  SaveArtefact(picture, "velin-update-log");
  EXPECT_TRUE(HasRealGlyphs(picture, Within(memo, log))) << "the log drawn as boxes";
  PostMessageW(memo, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(Eventually([&] { return !IsWindow(log); }));
  EXPECT_TRUE(Eventually([&] { return IsWindowEnabled(main_) != FALSE; }));
}

TEST_F(VelinWindow, ASecondStartWarnsAndLeavesTheFirstRunning) {
  VelinProcess second;
  second.StartCopyOf(*velin_);
  auto box = WaitForMessageBox(second.pid());
  ASSERT_TRUE(box);
  EXPECT_EQ(box->text, Wide(app::kAlreadyRunning));
  EXPECT_EQ(box->caption, Wide(app::kAlreadyRunningCaption));
  EXPECT_TRUE(box->icon) << "warning icon";
  EXPECT_EQ(box->owner, nullptr);
  // The box is the only window the second instance made.
  for (HWND window : TopLevelWindows(second.pid()))
    EXPECT_TRUE(window == box->window || !IsWindowVisible(window)) << ClassOf(window);
  EXPECT_EQ(FindTopLevel(second.pid(), kTitle), nullptr);
  EXPECT_TRUE(Answer(*box, IDOK));
  EXPECT_EQ(second.WaitExit(10s), std::optional<DWORD>(0));
  EXPECT_TRUE(velin_->Running());
  EXPECT_TRUE(Advances(RingValues(OfClass(main_, PROGRESS_CLASSW).front(), 2200ms)));
}

TEST_F(VelinWindow, TheTrayIconComesBackWhenExplorerRestarts) {
  ASSERT_TRUE(TrayIconPresent(main_));
  DropTrayIcon(main_);
  ASSERT_FALSE(TrayIconPresent(main_));
  SendMessageW(main_, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  EXPECT_TRUE(TrayIconPresent(main_));
}

// Last of the suite: the process ends.
TEST_F(VelinWindow, TheTrayMenusExitEndsTheProgramAndRemovesTheIcon) {
  ASSERT_TRUE(TrayIconPresent(main_));
  HWND menu = OpenTrayMenu(*velin_, main_);
  ASSERT_NE(menu, nullptr);
  for (UINT key : {VK_DOWN, VK_DOWN, VK_RETURN}) PostMessageW(menu, WM_KEYDOWN, key, 0);
  EXPECT_EQ(velin_->WaitExit(10s), std::optional<DWORD>(0));
  EXPECT_FALSE(TrayIconPresent(main_));
}

TEST(VelinExit, WithoutConfigItShowsCpclAndNoPrinterAndTheCloseButtonEndsIt) {
  VelinProcess velin;
  const std::string dir = std::string(VELIN_BINARY_DIR) + "/scratch/VelinExit";
  std::filesystem::remove_all(dir);
  velin.Start(dir, "");  // no config.ini at all
  HWND main = WaitForMainWindow(velin);
  ASSERT_NE(main, nullptr);
  // Without config.ini: CPCL and no printer selected.
  const std::vector<HWND> lists = OfClass(Page(main, "系统设置"), L"ComboBox");
  ASSERT_EQ(lists.size(), 3u);
  EXPECT_EQ(ComboSelection(lists[0]), -1);
  EXPECT_EQ(ComboSelection(lists[1]), 1);
  ASSERT_TRUE(TrayIconPresent(main));
  HWND close = FindControl(main, L"关闭", L"Button");
  ASSERT_NE(close, nullptr);
  Press(close);
  EXPECT_EQ(velin.WaitExit(10s), std::optional<DWORD>(0));
  EXPECT_FALSE(TrayIconPresent(main));
  EXPECT_FALSE(std::filesystem::exists(dir + "/config.ini")) << "nothing was written";
}

// A receiver stand-in on the USB port: the named pipe, reached through the test switch.
bool HasCaptureQueue() {
  const auto names = SpoolerPrinters();
  return std::find(names.begin(), names.end(), Wide(kCaptureQueue)) != names.end() &&
         std::filesystem::is_directory(kCaptureDir);
}

std::set<std::filesystem::path> CapturedJobs() {
  std::set<std::filesystem::path> files;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(kCaptureDir, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("job-", 0) == 0 && entry.path().extension() == ".bin")
      files.insert(entry.path());
  }
  return files;
}

TEST(VelinEndToEnd, ALabelFromTheReceiverPrintsAndStatusQueriesAreAnswered) {
  PipeReceiver receiver;
  VelinProcess velin;
  const std::string dir = std::string(VELIN_BINARY_DIR) + "/scratch/VelinEndToEnd";
  std::filesystem::remove_all(dir);
  velin.Start(dir, std::string("[system]\r\nprinter=") + kCaptureQueue + "\r\ntransfer_mode=1\r\n",
              {{Wide(app::kTestReceiverVariable), Wide(receiver.path())}});
  HWND main = WaitForMainWindow(velin);
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(Eventually([&] { return FindControl(main, Wide(app::kReceiverFound), L"Button"); }))
      << "the stand-in was not found";
  {
    // Image 6 (a green tick) now.
    const Bitmap32 picture = Picture(main);
    SaveArtefact(picture, "velin-receiver-found");
    const RECT state = Within(FindControl(main, Wide(app::kReceiverFound), L"Button"), main);
    EXPECT_GT(PixelsNear(picture, state, Bgr(skin::Rgb(22, 163, 74))), 4);
    EXPECT_EQ(PixelsNear(picture, state, Bgr(skin::Rgb(220, 38, 38))), 0);
  }

  // Status queries: ESC echoes the next byte; RS and five bytes get the four-byte reply.
  receiver.Send("\x1b\x76");
  EXPECT_EQ(receiver.Receive(1), "\x76");
  receiver.Send(std::string("\x1e\x01\x02\x03\x04\x05", 6));
  EXPECT_EQ(receiver.Receive(4), "\x22\x03\xc5\x20");

  if (!HasCaptureQueue()) {
    GTEST_SKIP() << "no CUPS capture queue";
  }
  const auto before = CapturedJobs();
  receiver.Send(
      "! 0 200 200 240 1\r\nPAGE-WIDTH 400\r\nBOX 10 10 390 230 3\r\n"
      "TEXT 8 0 30 30 Velin \xb2\xe2\xca\xd4\r\nLINE 10 120 390 120 2\r\n"
      "BARCODE 128 1 1 50 30 140 VELIN0001\r\nFORM\r\nPRINT\r\n");
  std::set<std::filesystem::path> jobs;
  ASSERT_TRUE(Eventually(
      [&] {
        jobs.clear();
        for (const auto& path : CapturedJobs())
          if (!before.count(path)) jobs.insert(path);
        return !jobs.empty();
      },
      60s))
      << "no job reached the capture queue";
  std::this_thread::sleep_for(3s);  // a second job would be here by now
  jobs.clear();
  for (const auto& path : CapturedJobs())
    if (!before.count(path)) jobs.insert(path);
  ASSERT_EQ(jobs.size(), 1u);
  std::ifstream in(*jobs.begin(), std::ios::binary);
  std::string job((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(job.substr(0, 4), "%!PS") << "a graphic job (Wine's driver makes PostScript)";

  // The end of the session ends the program and takes the icon away.
  DWORD_PTR answer = 0;
  ASSERT_TRUE(SendMessageTimeoutW(main, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer));
  EXPECT_EQ(answer, TRUE);
  SendMessageTimeoutW(main, WM_ENDSESSION, TRUE, 0, SMTO_ABORTIFHUNG, 5000, &answer);
  EXPECT_FALSE(TrayIconPresent(main));
  EXPECT_EQ(velin.WaitExit(10s), std::optional<DWORD>(0));
}

}  // namespace
}  // namespace velin::test
