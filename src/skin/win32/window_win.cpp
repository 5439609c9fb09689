#include "skin/win32/window_win.h"

#include <stdexcept>

#include "base/win32/wide_win.h"

namespace velin::skin {
namespace {

constexpr wchar_t kObjectProperty[] = L"VelinSkinWindow";

}  // namespace

Window::~Window() {
  if (hwnd_ != nullptr) {
    HWND hwnd = hwnd_;
    // Children objects are still alive and see their own destruction; this object no longer
    // takes messages, since its derived parts are already gone.
    Detach();
    DestroyWindow(hwnd);
  }
}

Window* Window::FromHwnd(HWND hwnd) {
  return hwnd != nullptr ? static_cast<Window*>(GetPropW(hwnd, kObjectProperty)) : nullptr;
}

int Window::NextControlId() {
  // Ids above IDOK, IDCANCEL and the other dialog command ids; unique within the process.
  static int next = 1000;
  if (next >= 0x7FFF) next = 1000;
  return next++;
}

const wchar_t* Window::RegisterSkinClass(const wchar_t* name, UINT class_style) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  if (GetClassInfoExW(GetModuleHandleW(nullptr), name, &wc)) return name;
  wc = WNDCLASSEXW{};
  wc.cbSize = sizeof(wc);
  wc.style = class_style;
  wc.lpfnWndProc = &Window::ClassProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = name;
  if (!RegisterClassExW(&wc)) throw std::runtime_error("cannot register a window class");
  return name;
}

void Window::CreateHwnd(Window* parent, const wchar_t* window_class, std::wstring_view text,
                        DWORD style, DWORD ex_style, const DesignRect& bounds, HWND owner) {
  parent_ = parent;
  if (parent != nullptr) {
    dpi_ = parent->dpi_;
    theme_ = parent->theme_;
  }
  bounds_ = bounds;
  const RectI r = ToDevice(bounds, dpi_);
  const std::wstring caption(text);
  WNDCLASSEXW info{};
  info.cbSize = sizeof(info);
  const bool ours = GetClassInfoExW(GetModuleHandleW(nullptr), window_class, &info) &&
                    info.lpfnWndProc == &Window::ClassProc;
  HMENU id = nullptr;
  if (parent != nullptr) id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(NextControlId()));
  HWND hwnd = CreateWindowExW(ex_style, window_class, caption.c_str(), style, r.left, r.top,
                              r.width(), r.height(), parent != nullptr ? parent->hwnd_ : owner, id,
                              GetModuleHandleW(nullptr), ours ? this : nullptr);
  if (hwnd == nullptr) throw std::runtime_error("cannot create a window");
  if (!ours) {
    hwnd_ = hwnd;
    SetPropW(hwnd, kObjectProperty, this);
    original_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Window::SubclassProc)));
  }
}

LRESULT CALLBACK Window::ClassProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  Window* self = FromHwnd(hwnd);
  if (self == nullptr && message == WM_NCCREATE) {
    self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    if (self != nullptr) {
      self->hwnd_ = hwnd;
      SetPropW(hwnd, kObjectProperty, self);
    }
  }
  if (self == nullptr) return DefWindowProcW(hwnd, message, wparam, lparam);
  return self->Dispatch(message, wparam, lparam);
}

LRESULT CALLBACK Window::SubclassProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  Window* self = FromHwnd(hwnd);
  if (self == nullptr) return DefWindowProcW(hwnd, message, wparam, lparam);
  return self->Dispatch(message, wparam, lparam);
}

LRESULT Window::Dispatch(UINT message, WPARAM wparam, LPARAM lparam) {
  LRESULT result = 0;
  if (on_message && on_message(message, wparam, lparam, &result)) return result;
  if (message == WM_NCDESTROY) {
    HWND hwnd = hwnd_;
    WNDPROC original = original_;
    Detach();
    return original != nullptr ? CallWindowProcW(original, hwnd, message, wparam, lparam)
                               : DefWindowProcW(hwnd, message, wparam, lparam);
  }
  return WndProc(message, wparam, lparam);
}

void Window::Detach() {
  if (hwnd_ == nullptr) return;
  if (original_ != nullptr) {
    SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
  }
  RemovePropW(hwnd_, kObjectProperty);
  hwnd_ = nullptr;
  original_ = nullptr;
}

LRESULT Window::WndProc(UINT message, WPARAM wparam, LPARAM lparam) {
  LRESULT result = 0;
  if (Reflect(message, wparam, lparam, &result)) return result;
  return CallDefault(message, wparam, lparam);
}

LRESULT Window::CallDefault(UINT message, WPARAM wparam, LPARAM lparam) {
  return original_ != nullptr ? CallWindowProcW(original_, hwnd_, message, wparam, lparam)
                              : DefWindowProcW(hwnd_, message, wparam, lparam);
}

bool Window::HandleReflected(UINT, WPARAM, LPARAM, LRESULT*) { return false; }

bool Window::Reflect(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  HWND from = nullptr;
  switch (message) {
    case WM_COMMAND:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORSCROLLBAR:
    case WM_HSCROLL:
    case WM_VSCROLL:
      from = reinterpret_cast<HWND>(lparam);
      break;
    case WM_DRAWITEM:
      from = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam)->hwndItem;
      break;
    case WM_NOTIFY:
      from = reinterpret_cast<const NMHDR*>(lparam)->hwndFrom;
      break;
    case WM_MEASUREITEM: {
      const UINT id = reinterpret_cast<const MEASUREITEMSTRUCT*>(lparam)->CtlID;
      from = hwnd_ != nullptr ? GetDlgItem(hwnd_, static_cast<int>(id)) : nullptr;
      break;
    }
    default:
      return false;
  }
  Window* control = FromHwnd(from);
  if (control == nullptr || control == this) return false;
  return control->HandleReflected(message, wparam, lparam, result);
}

void Window::SetBounds(const DesignRect& bounds) {
  bounds_ = bounds;
  if (hwnd_ == nullptr) return;
  const RectI r = ToDevice(bounds, dpi_);
  SetWindowPos(hwnd_, nullptr, r.left, r.top, r.width(), r.height(), SWP_NOZORDER | SWP_NOACTIVATE);
}

void Window::SetText(std::string_view text) {
  if (hwnd_ == nullptr) return;
  SetWindowTextW(hwnd_, Utf8ToWide(text).c_str());
  Invalidate();
}

std::string Window::Text() const {
  if (hwnd_ == nullptr) return {};
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd_)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(hwnd_, text.data(), int(text.size()))));
  return WideToUtf8(text);
}

void Window::SetVisible(bool visible) {
  if (hwnd_ != nullptr) ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
}

bool Window::IsVisible() const { return hwnd_ != nullptr && IsWindowVisible(hwnd_); }

void Window::SetEnabled(bool enabled) {
  if (hwnd_ == nullptr) return;
  EnableWindow(hwnd_, enabled);
  Invalidate();
}

bool Window::IsEnabled() const { return hwnd_ != nullptr && IsWindowEnabled(hwnd_); }

void Window::Focus() {
  if (hwnd_ != nullptr) SetFocus(hwnd_);
}

void Window::Invalidate() {
  if (hwnd_ != nullptr) InvalidateRect(hwnd_, nullptr, FALSE);
}

Argb Window::Background() const {
  return parent_ != nullptr ? parent_->Background() : theme_->window;
}

void Window::OnDpiChanged() { SetBounds(bounds_); }

void Window::ApplyDpi(int dpi) {
  dpi_ = dpi;
  OnDpiChanged();
  for (const auto& child : owned_) child->ApplyDpi(dpi);
}

int WindowDpi(HWND hwnd) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto get_dpi_for_window = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (get_dpi_for_window != nullptr && hwnd != nullptr) {
    const UINT dpi = get_dpi_for_window(hwnd);
    if (dpi > 0) return static_cast<int>(dpi);
  }
  HDC dc = GetDC(hwnd);
  const int dpi = dc != nullptr ? GetDeviceCaps(dc, LOGPIXELSX) : 0;
  if (dc != nullptr) ReleaseDC(hwnd, dc);
  return dpi > 0 ? dpi : kDesignDpi;
}

}  // namespace velin::skin
