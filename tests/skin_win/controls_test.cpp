// The skin's controls as real windows: captions as window text, standard combo box and edit
// messages, clicks, keyboard use, modal windows, page switching and dpi scaling.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/win32/wide_win.h"
#include "demo_window.h"

namespace velin::skin::test {
namespace {

struct ChildInfo {
  HWND hwnd;
  std::wstring window_class;
  std::wstring text;
};

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM lparam) {
  wchar_t cls[64] = {};
  GetClassNameW(hwnd, cls, 64);
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), int(text.size()))));
  reinterpret_cast<std::vector<ChildInfo>*>(lparam)->push_back({hwnd, cls, text});
  return TRUE;
}

// Every descendant window, as automation sees them.
std::vector<ChildInfo> Children(HWND parent) {
  std::vector<ChildInfo> children;
  EnumChildWindows(parent, &CollectChild, reinterpret_cast<LPARAM>(&children));
  return children;
}

const ChildInfo* FindChild(const std::vector<ChildInfo>& children, const wchar_t* cls,
                           const std::wstring& text) {
  for (const ChildInfo& c : children) {
    if (_wcsicmp(c.window_class.c_str(), cls) == 0 && c.text == text) return &c;
  }
  return nullptr;
}

RECT WindowRect(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  return r;
}

int Width(HWND hwnd) {
  const RECT r = WindowRect(hwnd);
  return r.right - r.left;
}
int Height(HWND hwnd) {
  const RECT r = WindowRect(hwnd);
  return r.bottom - r.top;
}

void Key(HWND target, UINT vk, LPARAM flags = 0) {
  PostMessageW(target, WM_KEYDOWN, vk, 1 | flags);
  Pump();
  PostMessageW(target, WM_KEYUP, vk, 1 | flags | (LPARAM{1} << 30) | (LPARAM{1} << 31));
  Pump();
}

TEST(SkinControls, EveryControlIsAChildWindowCarryingItsCaption) {
  Demo demo;
  const std::vector<ChildInfo> children = Children(demo.frame->hwnd());
  for (const wchar_t* caption :
       {L"蓝牙打印", L"系统设置", L"字体设置", L"淘宝网店", L"访问官网", L"文档中心", L"联系客服",
        L"当前蓝牙适配器未识别", L"检查更新", L"更新日志", L"最小化", L"关闭"}) {
    EXPECT_NE(FindChild(children, L"Button", caption), nullptr) << WideToUtf8(caption);
  }
  EXPECT_NE(FindChild(children, L"Static", L"v1.1.2 USB蓝牙"), nullptr);
  EXPECT_NE(FindChild(children, L"Static", L"数据传输模式："), nullptr);
  EXPECT_NE(FindChild(children, L"msctls_progress32", L"50"), nullptr);
  EXPECT_NE(FindChild(children, L"ComboBox", L"CPCL指令"), nullptr);  // the selected entry
  EXPECT_NE(FindChild(children, L"Edit", L"17"), nullptr);
  // Controls are children of the window that holds them, not owned pop-ups.
  for (const ChildInfo& c : children) {
    EXPECT_TRUE(GetWindowLongW(c.hwnd, GWL_STYLE) & WS_CHILD) << WideToUtf8(c.text);
  }
  // The frame's text is its title; the caption changes like any window text.
  EXPECT_EQ(demo.frame->Text(), "皮肤演示");
  demo.state->SetText("已识别到蓝牙接收器");
  wchar_t text[64] = {};
  GetWindowTextW(demo.state->hwnd(), text, 64);
  EXPECT_STREQ(text, L"已识别到蓝牙接收器");
}

TEST(SkinControls, ComboBoxesAnswerTheStandardMessages) {
  Demo demo;
  HWND modes = demo.modes->hwnd();
  EXPECT_EQ(SendMessageW(modes, CB_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(SendMessageW(modes, CB_GETCURSEL, 0, 0), 1);
  wchar_t text[32] = {};
  ASSERT_EQ(SendMessageW(modes, CB_GETLBTEXT, 2, reinterpret_cast<LPARAM>(text)), 6);
  EXPECT_STREQ(text, L"TSPL指令");
  EXPECT_EQ(SendMessageW(demo.printers->hwnd(), CB_GETCOUNT, 0, 0), 0);

  // As automation drives it: select, then tell the parent the selection changed and closed.
  SendMessageW(modes, CB_SETCURSEL, 2, 0);
  const WPARAM id = static_cast<WPARAM>(GetDlgCtrlID(modes));
  SendMessageW(GetParent(modes), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(modes));
  SendMessageW(GetParent(modes), WM_COMMAND, MAKEWPARAM(id, CBN_CLOSEUP),
               reinterpret_cast<LPARAM>(modes));
  EXPECT_EQ(demo.events, (std::vector<std::string>{"mode 2", "close up"}));
  EXPECT_EQ(demo.modes->Selection(), 2);

  // Items added through the class answer the messages; through the messages, the class.
  EXPECT_EQ(demo.printers->AddItem("Label Printer"), 0);
  SendMessageW(demo.printers->hwnd(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"打印机 2"));
  EXPECT_EQ(demo.printers->Count(), 2);
  EXPECT_EQ(demo.printers->ItemText(1), "打印机 2");
  EXPECT_EQ(demo.printers->ItemText(5), "");
  EXPECT_EQ(demo.printers->Selection(), -1);
  demo.printers->Clear();
  EXPECT_EQ(SendMessageW(demo.printers->hwnd(), CB_GETCOUNT, 0, 0), 0);

  // The list opens and closes with the standard message, and says so.
  demo.events.clear();
  demo.pages->ShowPage(1);
  demo.frame->Show();
  Pump();
  SendMessageW(modes, CB_SHOWDROPDOWN, TRUE, 0);
  Pump();
  EXPECT_TRUE(SendMessageW(modes, CB_GETDROPPEDSTATE, 0, 0));
  SendMessageW(modes, CB_SHOWDROPDOWN, FALSE, 0);
  Pump();
  EXPECT_EQ(demo.events, (std::vector<std::string>{"close up"}));
}

TEST(SkinControls, ClicksReachTheHandlerUnlessDisabled) {
  Demo demo;
  SendMessageW(demo.links[2]->hwnd(), BM_CLICK, 0, 0);
  demo.links[3]->Click();
  SendMessageW(demo.disabled->hwnd(), BM_CLICK, 0, 0);
  demo.disabled->Click();
  EXPECT_EQ(demo.events, (std::vector<std::string>{"link 2", "link 3"}));
  // Enabled again, it clicks.
  demo.disabled->SetEnabled(true);
  demo.disabled->Click();
  EXPECT_EQ(demo.events.back(), "disabled clicked");
}

TEST(SkinControls, TabMovesThroughTheControlsInOrderAndSkipsHiddenPages) {
  Demo demo;
  demo.frame->Show();
  Pump();
  demo.nav[0]->Focus();
  // The side column, then page 0: the title bar buttons are not tab stops.
  std::vector<HWND> expected = {demo.nav[1]->hwnd(), demo.nav[2]->hwnd()};
  for (Button* link : demo.links) expected.push_back(link->hwnd());
  expected.push_back(demo.state->hwnd());
  expected.push_back(demo.nav[0]->hwnd());  // and round again
  for (HWND next : expected) {
    Key(GetFocus(), VK_TAB);
    ASSERT_EQ(GetFocus(), next) << "after "
                                << WideToUtf8(std::to_wstring(reinterpret_cast<uintptr_t>(next)));
  }
  // Page 2's controls: the field, the spin box, the memo; Tab leaves the memo too.
  demo.nav[2]->Click();
  Pump();
  demo.nav[2]->Focus();
  for (HWND next : {demo.code->edit(), demo.size->edit(), demo.memo->edit(), demo.nav[0]->hwnd()}) {
    Key(GetFocus(), VK_TAB);
    ASSERT_EQ(GetFocus(), next);
  }
}

void Repaint(Demo& demo) {
  RedrawWindow(demo.frame->hwnd(), nullptr, nullptr,
               RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Pump();
}

TEST(SkinControls, FocusShowsOnceTheKeyboardIsUsedAndHidesOnAClick) {
  Demo demo;
  demo.frame->Show();
  Pump();
  demo.nav[0]->Focus();
  Repaint(demo);
  EXPECT_FALSE(demo.nav[0]->state().focused);
  Key(GetFocus(), VK_TAB);
  Repaint(demo);
  ASSERT_EQ(GetFocus(), demo.nav[1]->hwnd());
  EXPECT_TRUE(demo.nav[1]->state().focused);
  PostMessageW(demo.nav[1]->hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  PostMessageW(demo.nav[1]->hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
  Pump();
  Repaint(demo);
  EXPECT_EQ(demo.events.back(), "page 1");  // the click went through
  EXPECT_FALSE(demo.nav[1]->state().focused);
}

TEST(SkinControls, EnterAndSpacePressTheFocusedButton) {
  Demo demo;
  demo.frame->Show();
  Pump();
  demo.links[1]->Focus();
  Key(demo.links[1]->hwnd(), VK_RETURN);
  Key(demo.links[1]->hwnd(), VK_SPACE);
  EXPECT_EQ(demo.events, (std::vector<std::string>{"link 1", "link 1"}));
}

TEST(SkinControls, EnterInAFieldGoesToItsHandlerOrTheDefaultButton) {
  Demo demo;
  demo.nav[2]->Click();
  demo.frame->Show();
  Pump();
  demo.events.clear();
  demo.code->SetText("55");
  SetFocus(demo.code->edit());
  Key(demo.code->edit(), VK_RETURN);
  EXPECT_EQ(demo.events, (std::vector<std::string>{"enter 55"}));
  EXPECT_EQ(demo.code->Text(), "55");  // no line break, no beep character
  // The spin box has no Enter handler: the window's default button takes it.
  SetFocus(demo.size->edit());
  Key(demo.size->edit(), VK_RETURN);
  EXPECT_EQ(demo.events.back(), "save");
}

TEST(SkinControls, SpinBoxStepsWithinItsRange) {
  Demo demo;
  demo.nav[2]->Click();
  demo.frame->Show();
  Pump();
  SetFocus(demo.size->edit());
  Key(demo.size->edit(), VK_UP);
  Key(demo.size->edit(), VK_UP);
  EXPECT_EQ(demo.size->Value(), 19);
  Key(demo.size->edit(), VK_DOWN);
  EXPECT_EQ(demo.size->Text(), "18");
  demo.size->SetValue(500);
  EXPECT_EQ(demo.size->Text(), "100");
  Key(demo.size->edit(), VK_UP);
  EXPECT_EQ(demo.size->Value(), 100);
  demo.size->SetText("");
  EXPECT_EQ(demo.size->Value(), 0);
  // Letters cannot be typed into it.
  SendMessageW(demo.size->edit(), WM_CHAR, L'a', 1);
  EXPECT_EQ(demo.size->Text(), "");
}

TEST(SkinControls, FieldsKeepTextAndMemosDropOldLines) {
  Demo demo;
  demo.code->SetText("微软雅黑 24");
  EXPECT_EQ(demo.code->Text(), "微软雅黑 24");
  EXPECT_EQ(demo.code->Text(), WideToUtf8([&] {
              wchar_t buf[64] = {};
              GetWindowTextW(demo.code->edit(), buf, 64);
              return std::wstring(buf);
            }()));
  demo.memo->SetText("");
  for (int i = 0; i < 50; ++i) demo.memo->AppendLine("line " + std::to_string(i), 100);
  const std::string text = demo.memo->Text();
  EXPECT_LE(text.size(), 100u);
  EXPECT_EQ(text.substr(text.size() - 7), "line 49");
  EXPECT_EQ(text.rfind("line ", 0), 0u);  // starts at a line's beginning
}

TEST(SkinControls, ProgressRingCarriesItsValueAsText) {
  Demo demo;
  HWND ring = demo.ring->hwnd();
  EXPECT_EQ(SendMessageW(ring, PBM_GETPOS, 0, 0), 50);
  demo.ring->SetValue(70);
  wchar_t text[16] = {};
  GetWindowTextW(ring, text, 16);
  EXPECT_STREQ(text, L"70");
  SendMessageW(ring, PBM_SETPOS, 30, 0);  // from outside, as automation may
  GetWindowTextW(ring, text, 16);
  EXPECT_STREQ(text, L"30");
  EXPECT_EQ(demo.ring->value(), 30);
  demo.ring->SetValue(150);
  EXPECT_EQ(demo.ring->value(), 100);
}

TEST(SkinControls, PageViewerShowsOnePageAndMovesFocusOutOfAHiddenOne) {
  Demo demo;
  demo.frame->Show();
  Pump();
  EXPECT_TRUE(demo.pages->Page(0)->IsVisible());
  EXPECT_FALSE(demo.pages->Page(1)->IsVisible());
  demo.links[0]->Focus();
  demo.pages->ShowPage(1);
  EXPECT_EQ(demo.pages->CurrentPage(), 1);
  EXPECT_FALSE(demo.pages->Page(0)->IsVisible());
  EXPECT_TRUE(demo.pages->Page(1)->IsVisible());
  EXPECT_TRUE(demo.modes->IsVisible());
  EXPECT_EQ(GetFocus(), demo.printers->hwnd());  // the new page's first control
  demo.pages->ShowPage(7);                       // no such page: nothing changes
  EXPECT_EQ(demo.pages->CurrentPage(), 1);
}

TEST(SkinControls, SwitchingPagesPaintsTheNewPageOnceAndTheOldOneNever) {
  Demo demo;
  demo.frame->Show();
  Pump();
  RedrawWindow(demo.frame->hwnd(), nullptr, nullptr,
               RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  int paints[2] = {0, 0};
  for (int i = 0; i < 2; ++i) {
    demo.pages->Page(i)->on_message = [&paints, i](UINT message, WPARAM, LPARAM, LRESULT*) {
      if (message == WM_PAINT) ++paints[i];
      return false;
    };
  }
  demo.pages->ShowPage(1);
  Pump();
  EXPECT_EQ(paints[0], 0);
  EXPECT_EQ(paints[1], 1);
  // Pages and the viewer never erase to a colour before they paint.
  HDC dc = GetDC(demo.pages->hwnd());
  EXPECT_EQ(
      SendMessageW(demo.pages->Page(1)->hwnd(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 1);
  EXPECT_EQ(SendMessageW(demo.pages->hwnd(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 1);
  ReleaseDC(demo.pages->hwnd(), dc);
  EXPECT_TRUE(GetWindowLongW(demo.pages->hwnd(), GWL_STYLE) & WS_CLIPCHILDREN);
}

TEST(SkinControls, TitleBarDragsTheWindow) {
  Demo demo;
  demo.frame->Show();
  Pump();
  const RECT r = WindowRect(demo.frame->hwnd());
  auto hit = [&](int x, int y) {
    return SendMessageW(demo.frame->hwnd(), WM_NCHITTEST, 0, MAKELPARAM(r.left + x, r.top + y));
  };
  EXPECT_EQ(hit(300, 10), HTCAPTION);  // the title bar right of the side column
  EXPECT_EQ(hit(300, 120), HTCLIENT);  // the pages' area (the frame's own hit test)
  EXPECT_EQ(hit(0, 0), HTBORDER);      // the painted border
}

// A modal window over the demo, closed by the keys the timer posts once the loop runs.
struct Modal {
  explicit Modal(HWND owner) {
    FrameArgs args;
    args.title = "调试模式";
    args.width = 300;
    args.height = 160;
    args.background = DefaultTheme().side_panel;
    args.owner = owner;
    frame.Create(args);
    ButtonArgs b;
    b.text = "开启调试";
    b.bounds = {20, 60, 100, 32};
    ok = frame.Add<Button>(b);
    ok->on_click = [this] { frame.EndModal(7); };
  }
  Frame frame;
  Button* ok = nullptr;
};

// Keys posted to the focused window once the modal loop is running.
std::vector<std::pair<UINT, std::pair<WPARAM, LPARAM>>> g_keys;
void CALLBACK SendKeys(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  for (const auto& [message, args] : g_keys)
    PostMessageW(GetFocus(), message, args.first, args.second);
}

int RunModal(Modal& modal, std::vector<std::pair<UINT, std::pair<WPARAM, LPARAM>>> keys) {
  g_keys = std::move(keys);
  SetTimer(nullptr, 0, 20, &SendKeys);
  return modal.frame.ShowModal();
}

TEST(SkinModal, EscapeAltF4AndItsButtonsEndIt) {
  Demo demo;
  demo.frame->Show();
  Pump();
  constexpr LPARAM kAlt = LPARAM{1} << 29;
  struct Case {
    const char* what;
    std::vector<std::pair<UINT, std::pair<WPARAM, LPARAM>>> keys;
    int result;
  } cases[] = {
      {"Esc", {{WM_KEYDOWN, {VK_ESCAPE, 1}}}, IDCANCEL},
      {"Alt+F4", {{WM_SYSKEYDOWN, {VK_F4, 1 | kAlt}}}, IDCANCEL},
      {"Enter on the focused button", {{WM_KEYDOWN, {VK_RETURN, 1}}}, 7},
  };
  for (Case& c : cases) {
    Modal modal(demo.frame->hwnd());
    EXPECT_EQ(RunModal(modal, c.keys), c.result) << c.what;
    EXPECT_FALSE(modal.frame.IsVisible()) << c.what;
    EXPECT_TRUE(IsWindowEnabled(demo.frame->hwnd())) << c.what;
  }
}

TEST(SkinModal, EscapeClosesAnOpenListBeforeTheWindow) {
  FrameArgs args;
  args.title = "打印字体设置";
  args.width = 362;
  args.height = 222;
  Frame frame;
  frame.Create(args);
  ComboBox* list = frame.Add<ComboBox>(ComboArgs{{20, 60, 200, 30}, {"Default", "微软雅黑"}, 0, 8});
  std::vector<std::string> seen;
  list->on_close_up = [&] { seen.push_back("list closed"); };
  frame.on_close = [&] {
    seen.push_back("window closed");
    return true;
  };
  g_keys = {
      {CB_SHOWDROPDOWN, {TRUE, 0}}, {WM_KEYDOWN, {VK_ESCAPE, 1}}, {WM_KEYDOWN, {VK_ESCAPE, 1}}};
  SetTimer(nullptr, 0, 20, &SendKeys);
  EXPECT_EQ(frame.ShowModal(), IDCANCEL);
  EXPECT_EQ(seen, (std::vector<std::string>{"list closed", "window closed"}));
}

TEST(SkinModal, OtherWindowsAreDisabledWhileItRuns) {
  Demo demo;
  demo.frame->Show();
  Pump();
  Modal modal(demo.frame->hwnd());
  bool owner_enabled_inside = true;
  modal.frame.on_close = [&] {
    owner_enabled_inside = IsWindowEnabled(demo.frame->hwnd()) != 0;
    return true;
  };
  EXPECT_EQ(RunModal(modal, {{WM_KEYDOWN, {VK_ESCAPE, 1}}}), IDCANCEL);
  EXPECT_FALSE(owner_enabled_inside);
  EXPECT_TRUE(IsWindowEnabled(demo.frame->hwnd()));
}

TEST(SkinModal, CloseCanBeRefusedAndQuitEndsTheLoop) {
  Demo demo;
  Modal modal(demo.frame->hwnd());
  int asked = 0;
  modal.frame.on_close = [&] { return ++asked > 1; };  // refuses the first time
  g_keys = {{WM_KEYDOWN, {VK_ESCAPE, 1}}, {WM_KEYDOWN, {VK_ESCAPE, 1}}};
  SetTimer(nullptr, 0, 20, &SendKeys);
  EXPECT_EQ(modal.frame.ShowModal(), IDCANCEL);
  EXPECT_EQ(asked, 2);

  // WM_QUIT inside the modal loop ends it and stays queued for the program's own loop.
  Modal second(demo.frame->hwnd());
  second.ok->on_click = [] { PostQuitMessage(3); };
  g_keys = {{WM_KEYDOWN, {VK_RETURN, 1}}};
  SetTimer(nullptr, 0, 20, &SendKeys);
  second.frame.ShowModal();
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 3u);
}

TEST(SkinDpi, LayoutAndFontsFollowTheDpi) {
  for (int dpi : {96, 144, 192}) {
    Demo demo(dpi);
    RECT client;
    GetClientRect(demo.frame->hwnd(), &client);
    EXPECT_EQ(client.right, Scale(560, dpi)) << dpi;
    EXPECT_EQ(client.bottom, Scale(240, dpi)) << dpi;
    // The window is the client area plus the painted border on each side.
    EXPECT_EQ(Width(demo.frame->hwnd()), Scale(560, dpi) + 2 * ScaleStroke(1, dpi)) << dpi;
    EXPECT_EQ(Width(demo.side->hwnd()), Scale(150, dpi)) << dpi;
    EXPECT_EQ(Height(demo.nav[0]->hwnd()), Scale(34, dpi)) << dpi;
    EXPECT_EQ(Height(demo.modes->hwnd()), Scale(30, dpi)) << dpi;  // the closed field only
    LOGFONTW lf{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(demo.modes->hwnd(), WM_GETFONT, 0, 0)),
               sizeof(lf), &lf);
    EXPECT_EQ(lf.lfHeight, -FontPixels(9, dpi)) << dpi;
  }
}

TEST(SkinDpi, DpiChangeMessageLaysTheWindowOutAgain) {
  Demo demo(96);
  const RECT suggested = {40, 30, 40 + 1122, 30 + 482};
  SendMessageW(demo.frame->hwnd(), 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(192, 192),
               reinterpret_cast<LPARAM>(&suggested));
  const RECT r = WindowRect(demo.frame->hwnd());
  EXPECT_EQ(r.left, 40);
  EXPECT_EQ(r.top, 30);
  EXPECT_EQ(demo.frame->dpi(), 192);
  EXPECT_EQ(Width(demo.links[0]->hwnd()), ToDevice(demo.links[0]->bounds(), 192).width());
  EXPECT_EQ(Height(demo.code->hwnd()), 60);
  // The field's EDIT sits inside its frame at the new size.
  RECT frame_rect = WindowRect(demo.code->hwnd()), edit_rect = WindowRect(demo.code->edit());
  EXPECT_GT(edit_rect.left, frame_rect.left);
  EXPECT_LT(edit_rect.right, frame_rect.right);
  EXPECT_GT(edit_rect.top, frame_rect.top);
  EXPECT_LT(edit_rect.bottom, frame_rect.bottom);
}

TEST(SkinText, CaptionFaceHasTheChineseGlyphs) {
  // "微软雅黑" must map to a face with CJK glyphs, or every caption shows boxes.
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, UiFont(DefaultTheme().body, 96));
  const std::wstring text = L"蓝牙打印系统设置字体";
  std::vector<WORD> glyphs(text.size());
  ASSERT_NE(GetGlyphIndicesW(dc, text.c_str(), int(text.size()), glyphs.data(),
                             GGI_MARK_NONEXISTING_GLYPHS),
            GDI_ERROR);
  SelectObject(dc, old);
  DeleteDC(dc);
  for (WORD g : glyphs) EXPECT_NE(g, 0xFFFF);
}

}  // namespace
}  // namespace velin::skin::test
