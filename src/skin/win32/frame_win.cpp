#include "skin/win32/frame_win.h"

#include <windowsx.h>

#include <algorithm>

#include "base/win32/wide_win.h"

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace velin::skin {
namespace {

constexpr int kTitleButtonWidth = 40;  // design pixels

void FocusFirstControl(HWND frame) {
  HWND first = GetNextDlgTabItem(frame, nullptr, FALSE);
  SetFocus(first != nullptr ? first : frame);
}

BOOL CALLBACK CollectEnabled(HWND hwnd, LPARAM lparam) {
  auto* windows = reinterpret_cast<std::vector<HWND>*>(lparam);
  if (hwnd != windows->front() && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
    windows->push_back(hwnd);
  }
  return TRUE;
}

}  // namespace

Frame::~Frame() { modal_ = false; }

void Frame::Create(const FrameArgs& args) {
  width_ = args.width;
  height_ = args.height;
  background_ = args.background;
  show_title_ = args.show_title;
  title_bar_ = args.title_bar;
  const Theme* theme = args.theme != nullptr ? args.theme : &DefaultTheme();
  const int first_dpi = args.dpi > 0 ? args.dpi : WindowDpi(args.owner);
  InitRoot(first_dpi, theme);
  DWORD ex_style = WS_EX_CONTROLPARENT;
  if (args.task_bar_button) ex_style |= WS_EX_APPWINDOW;
  CreateHwnd(nullptr, RegisterSkinClass(L"VelinFrame"), Utf8ToWide(args.title),
             WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN, ex_style,
             {0, 0, args.width, args.height}, args.owner);
  if (args.icon != nullptr) {
    SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(args.icon));
    SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(args.icon));
  }
  // Title bar buttons: glyphs only, square corners, outside the tab order.
  auto title_button = [this](const char* text, ButtonStyle style, Glyph glyph) {
    ButtonArgs b;
    b.text = text;
    b.style = style;
    b.glyph = glyph;
    b.caption_visible = false;
    b.tab_stop = false;
    b.corner_radius = 0;
    return Add<Button>(b);
  };
  if (args.minimise_button) {
    minimise_button_ = title_button("最小化", ButtonStyle::kFlat, Glyph::kMinimise);
    minimise_button_->on_click = [this] {
      if (on_minimise) {
        on_minimise();
      } else {
        ShowWindow(hwnd(), SW_MINIMIZE);
      }
    };
  }
  if (args.close_button) {
    close_button_ = title_button("关闭", ButtonStyle::kClose, Glyph::kClose);
    close_button_->on_click = [this] { Close(); };
  }
  PlaceTitleButtons();
  // The window now exists on a monitor: follow that monitor's dpi unless one was given.
  SetDpi(args.dpi > 0 ? args.dpi : WindowDpi(hwnd()));
  CentreOn(args.owner);
}

DesignRect Frame::TitleBar() const {
  return title_bar_.value_or(DesignRect{0, 0, width_, theme().title_bar_height});
}

int Frame::BorderPixels() const { return ScaleStroke(theme().border_width, dpi()); }

void Frame::PlaceTitleButtons() {
  DesignRect bar = TitleBar();
  if (close_button_ != nullptr) close_button_->SetBounds(TakeRight(bar, kTitleButtonWidth));
  if (minimise_button_ != nullptr) minimise_button_->SetBounds(TakeRight(bar, kTitleButtonWidth));
}

Argb Frame::Background() const { return background_ != 0 ? background_ : theme().window; }

void Frame::Show() {
  if (hwnd() == nullptr) return;
  ShowWindow(hwnd(), SW_SHOW);
  HWND focus = GetFocus();
  if (focus == nullptr || !IsChild(hwnd(), focus)) FocusFirstControl(hwnd());
  UpdateWindow(hwnd());
}

void Frame::Hide() {
  if (hwnd() != nullptr) ShowWindow(hwnd(), SW_HIDE);
}

void Frame::CentreOn(HWND other) {
  if (hwnd() == nullptr) return;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoW(MonitorFromWindow(other != nullptr ? other : hwnd(), MONITOR_DEFAULTTONEAREST),
                  &monitor);
  RECT area = monitor.rcWork;
  if (other != nullptr && IsWindowVisible(other) && !IsIconic(other)) GetWindowRect(other, &area);
  RECT self;
  GetWindowRect(hwnd(), &self);
  const int w = self.right - self.left, h = self.bottom - self.top;
  int x = area.left + (area.right - area.left - w) / 2;
  int y = area.top + (area.bottom - area.top - h) / 2;
  // Keep the title bar on the work area.
  x = std::clamp<int>(x, monitor.rcWork.left,
                      std::max<int>(monitor.rcWork.left, monitor.rcWork.right - w));
  y = std::clamp<int>(y, monitor.rcWork.top,
                      std::max<int>(monitor.rcWork.top, monitor.rcWork.bottom - h));
  SetWindowPos(hwnd(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int Frame::ShowModal() {
  if (hwnd() == nullptr) return IDCANCEL;
  HWND previously_active = GetActiveWindow();
  std::vector<HWND> disabled = {hwnd()};
  EnumThreadWindows(GetCurrentThreadId(), &CollectEnabled, reinterpret_cast<LPARAM>(&disabled));
  disabled.erase(disabled.begin());
  for (HWND w : disabled) EnableWindow(w, FALSE);

  modal_ = true;
  modal_result_ = IDCANCEL;
  Show();
  SetForegroundWindow(hwnd());
  bool quit = false;
  WPARAM quit_code = 0;
  MSG msg;
  while (modal_) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      quit = true;
      quit_code = msg.wParam;
      break;
    }
    if (got < 0) break;
    if (!TranslateSkinMessage(msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  modal_ = false;
  // Enabled again before this one hides, so that activation goes back to them.
  for (HWND w : disabled) {
    if (IsWindow(w)) EnableWindow(w, TRUE);
  }
  if (hwnd() != nullptr) ShowWindow(hwnd(), SW_HIDE);
  if (previously_active != nullptr && IsWindow(previously_active) &&
      IsWindowVisible(previously_active)) {
    SetActiveWindow(previously_active);
  }
  if (quit) PostQuitMessage(static_cast<int>(quit_code));
  return modal_result_;
}

void Frame::EndModal(int result) {
  if (!modal_) return;
  modal_result_ = result;
  modal_ = false;
  PostMessageW(hwnd(), WM_NULL, 0, 0);  // wakes the loop
}

void Frame::Close() {
  if (hwnd() != nullptr) SendMessageW(hwnd(), WM_CLOSE, 0, 0);
}

void Frame::SetDpi(int dpi) {
  if (dpi <= 0) dpi = kDesignDpi;
  ApplyDpi(dpi);
  if (hwnd() != nullptr) {
    RedrawWindow(hwnd(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_ERASENOW | RDW_UPDATENOW);
  }
  if (on_dpi_changed) on_dpi_changed(dpi);
}

void Frame::SetClientSize(int width, int height) {
  width_ = width;
  height_ = height;
  PlaceTitleButtons();
  OnDpiChanged();
}

void Frame::OnDpiChanged() {
  if (hwnd() == nullptr) return;
  const int border = BorderPixels();
  SetWindowPos(hwnd(), nullptr, 0, 0, Px(width_) + 2 * border, Px(height_) + 2 * border,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void Frame::PaintBorder() {
  HDC dc = GetWindowDC(hwnd());
  if (dc == nullptr) return;
  RECT window;
  GetWindowRect(hwnd(), &window);
  const int w = window.right - window.left, h = window.bottom - window.top, b = BorderPixels();
  HBRUSH brush = SolidBrush(theme().frame_border);
  const RECT edges[] = {{0, 0, w, b}, {0, h - b, w, h}, {0, b, b, h - b}, {w - b, b, w, h - b}};
  for (const RECT& edge : edges) FillRect(dc, &edge, brush);
  ReleaseDC(hwnd(), dc);
}

void Frame::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd(), &ps);
  RECT client;
  GetClientRect(hwnd(), &client);
  Surface surface = buffer_.Begin(client.right, client.bottom);
  if (!surface.empty()) {
    Painter(surface).Clear(Background());
    if (show_title_) {
      DesignRect bar = TitleBar();
      if (close_button_ != nullptr) TakeRight(bar, kTitleButtonWidth);
      if (minimise_button_ != nullptr) TakeRight(bar, kTitleButtonWidth);
      RectI box = ToDevice(bar, dpi());
      box.left += Px(theme().padding + 2);
      std::wstring title(static_cast<size_t>(GetWindowTextLengthW(hwnd())) + 1, L'\0');
      title.resize(static_cast<size_t>(GetWindowTextW(hwnd(), title.data(), int(title.size()))));
      DrawTextIn(buffer_.dc(), box, title, UiFont(theme().title, dpi()), theme().text,
                 Align::kStart);
    }
    buffer_.Blit(dc, 0, 0, client.right, client.bottom);
  }
  EndPaint(hwnd(), &ps);
}

LRESULT Frame::WndProc(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_NCCALCSIZE: {
      // The painted border is the whole non-client area.
      RECT* r = wparam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lparam)->rgrc[0]
                       : reinterpret_cast<RECT*>(lparam);
      const int b = BorderPixels();
      InflateRect(r, -b, -b);
      return 0;
    }
    case WM_NCPAINT:
      PaintBorder();
      return 0;
    case WM_NCACTIVATE:
      PaintBorder();
      return TRUE;
    case WM_NCHITTEST: {
      POINT pt = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      ScreenToClient(hwnd(), &pt);
      RECT client;
      GetClientRect(hwnd(), &client);
      if (!PtInRect(&client, pt)) return HTBORDER;
      return ToDevice(TitleBar(), dpi()).Contains(pt.x, pt.y) ? HTCAPTION : HTCLIENT;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      Paint();
      return 0;
    case WM_SYSCOMMAND:
      switch (wparam & 0xFFF0) {
        case SC_MAXIMIZE:
        case SC_SIZE:
          return 0;
        default:
          break;
      }
      break;
    case DM_GETDEFID:
      if (default_button_ != nullptr && default_button_->hwnd() != nullptr) {
        return MAKELRESULT(GetDlgCtrlID(default_button_->hwnd()), DC_HASDEFID);
      }
      return 0;
    case WM_COMMAND:
      // Commands of the dialog manager (Esc, Enter with no default) carry no control.
      if (lparam == 0 && LOWORD(wparam) == IDCANCEL) {
        if (modal_) Close();
        return 0;
      }
      if (lparam == 0 && LOWORD(wparam) == IDOK) {
        if (default_button_ != nullptr) default_button_->Click();
        return 0;
      }
      break;
    case WM_ACTIVATE:
      if (LOWORD(wparam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(hwnd(), focus)) saved_focus_ = focus;
      } else if (saved_focus_ != nullptr && IsWindow(saved_focus_) &&
                 IsChild(hwnd(), saved_focus_) && IsWindowVisible(saved_focus_) &&
                 IsWindowEnabled(saved_focus_)) {
        SetFocus(saved_focus_);
      } else {
        FocusFirstControl(hwnd());
      }
      return 0;
    case WM_DPICHANGED: {
      SetDpi(LOWORD(wparam));
      const RECT* suggested = reinterpret_cast<const RECT*>(lparam);
      if (suggested != nullptr) {
        SetWindowPos(hwnd(), nullptr, suggested->left, suggested->top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
      return 0;
    }
    case WM_CLOSE:
      if (on_close && !on_close()) return 0;
      if (modal_) {
        EndModal(IDCANCEL);
      } else {
        DestroyWindow(hwnd());
      }
      return 0;
    case WM_DESTROY:
      if (modal_) EndModal(IDCANCEL);
      if (on_destroy) on_destroy();
      break;
    default:
      break;
  }
  return Window::WndProc(message, wparam, lparam);
}

void Frame::SetFocusCues(bool shown) {
  if (shown == focus_cues_) return;
  focus_cues_ = shown;
  HWND focus = GetFocus();
  if (focus != nullptr && IsChild(hwnd(), focus)) InvalidateRect(focus, nullptr, FALSE);
}

bool TranslateSkinMessage(MSG& msg) {
  if (msg.hwnd == nullptr) return false;
  const bool key = msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST;
  const bool click = msg.message == WM_LBUTTONDOWN || msg.message == WM_RBUTTONDOWN ||
                     msg.message == WM_MBUTTONDOWN || msg.message == WM_NCLBUTTONDOWN;
  if (!key && !click) return false;
  auto* frame = dynamic_cast<Frame*>(Window::FromHwnd(GetAncestor(msg.hwnd, GA_ROOT)));
  if (frame == nullptr) return false;
  if (click) {
    frame->SetFocusCues(false);
    return false;
  }
  if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) frame->SetFocusCues(true);
  return IsDialogMessageW(frame->hwnd(), &msg) != 0;
}

int RunMessageLoop() {
  MSG msg;
  BOOL got;
  while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0) {
    if (got < 0) return -1;
    if (!TranslateSkinMessage(msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return static_cast<int>(msg.wParam);
}

FrameArgs SideWindowArgs(std::string title, int width, int height, HWND owner) {
  FrameArgs args;
  args.title = std::move(title);
  args.width = width;
  args.height = height;
  args.background = DefaultTheme().side_panel;
  args.owner = owner;
  args.dpi = owner != nullptr ? WindowDpi(owner) : 0;
  return args;
}

}  // namespace velin::skin
