#include "skin/win32/panel_win.h"

#include "base/win32/wide_win.h"

namespace velin::skin {

void Panel::Create(Window* parent, const PanelArgs& args) {
  background_ = args.background;
  CreateHwnd(parent, RegisterSkinClass(L"VelinPanel"), Utf8ToWide(args.text),
             WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT,
             args.bounds);
}

Argb Panel::Background() const { return background_ != 0 ? background_ : Window::Background(); }

void Panel::SetBackground(Argb colour) {
  background_ = colour;
  if (hwnd() != nullptr) RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

LRESULT Panel::WndProc(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_ERASEBKGND) return 1;
  if (message != WM_PAINT) return Window::WndProc(message, wparam, lparam);
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd(), &ps);
  RECT client;
  GetClientRect(hwnd(), &client);
  if (on_paint) {
    Surface surface = buffer_.Begin(client.right, client.bottom);
    if (!surface.empty()) {
      Painter p(surface);
      p.Clear(Background());
      on_paint(p, {0, 0, client.right, client.bottom});
      buffer_.Blit(dc, 0, 0, client.right, client.bottom);
    }
  } else {
    // A plain colour needs no buffer: children are clipped out, so nothing flashes.
    FillRect(dc, &ps.rcPaint, SolidBrush(Background()));
  }
  EndPaint(hwnd(), &ps);
  return 0;
}

void PageViewer::Create(Window* parent, const PageViewerArgs& args) {
  background_ = args.background;
  CreateHwnd(parent, RegisterSkinClass(L"VelinPageViewer"), L"",
             WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT,
             args.bounds);
}

Argb PageViewer::Background() const {
  return background_ != 0 ? background_ : Window::Background();
}

Panel* PageViewer::AddPage(std::string name) {
  Panel* page = Add<Panel>(PanelArgs{{0, 0, bounds().width, bounds().height}, 0, std::move(name)});
  pages_.push_back(page);
  if (current_ < 0) {
    current_ = 0;
  } else {
    page->SetVisible(false);
  }
  return page;
}

Panel* PageViewer::Page(int index) const {
  return index >= 0 && index < PageCount() ? pages_[static_cast<size_t>(index)] : nullptr;
}

void PageViewer::ShowPage(int index) {
  Panel* next = Page(index);
  if (next == nullptr || index == current_) return;
  Panel* previous = Page(current_);
  HWND focus = GetFocus();
  const bool focus_in_previous =
      previous != nullptr && focus != nullptr && IsChild(previous->hwnd(), focus);
  // No drawing until both pages have changed places, then one repaint of the new page.
  SendMessageW(hwnd(), WM_SETREDRAW, FALSE, 0);
  ShowWindow(next->hwnd(), SW_SHOWNA);
  if (previous != nullptr) ShowWindow(previous->hwnd(), SW_HIDE);
  SendMessageW(hwnd(), WM_SETREDRAW, TRUE, 0);
  RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  current_ = index;
  if (focus_in_previous) {
    // The first control of the new page in tab order, else the window's first control.
    HWND root = GetAncestor(hwnd(), GA_ROOT);
    const HWND start = GetNextDlgTabItem(root, nullptr, FALSE);
    HWND target = start;
    HWND h = start;
    for (int guard = 0; h != nullptr && guard < 1000; ++guard) {
      if (IsChild(next->hwnd(), h)) {
        target = h;
        break;
      }
      h = GetNextDlgTabItem(root, h, FALSE);
      if (h == start) break;
    }
    if (target != nullptr) SetFocus(target);
  }
  if (on_page_changed) on_page_changed(index);
}

void PageViewer::SetBounds(const DesignRect& bounds) {
  Window::SetBounds(bounds);
  for (Panel* page : pages_) page->SetBounds({0, 0, bounds.width, bounds.height});
}

LRESULT PageViewer::WndProc(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_ERASEBKGND) return 1;
  if (message == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd(), &ps);
    FillRect(dc, &ps.rcPaint, SolidBrush(Background()));  // only seen without pages
    EndPaint(hwnd(), &ps);
    return 0;
  }
  return Window::WndProc(message, wparam, lparam);
}

}  // namespace velin::skin
