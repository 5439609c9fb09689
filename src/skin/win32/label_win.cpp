#include "skin/win32/label_win.h"

#include <algorithm>
#include <utility>

#include "base/win32/wide_win.h"
#include "skin/painter.h"

namespace velin::skin {

void Label::Create(Window* parent, const LabelArgs& args) {
  style_ = args.style;
  colour_ = args.colour;
  align_ = args.align;
  flow_ = args.flow;
  CreateHwnd(parent, L"STATIC", Utf8ToWide(args.text), WS_CHILD | WS_VISIBLE | SS_OWNERDRAW, 0,
             args.bounds);
}

void Label::SetColour(Argb colour) {
  colour_ = colour;
  Invalidate();
}

LRESULT Label::WndProc(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_ERASEBKGND) return 1;
  if (message == WM_SETTEXT) {
    const LRESULT r = CallDefault(message, wparam, lparam);
    Invalidate();
    return r;
  }
  return Window::WndProc(message, wparam, lparam);
}

bool Label::HandleReflected(UINT message, WPARAM, LPARAM lparam, LRESULT* result) {
  if (message != WM_DRAWITEM) return false;
  const DRAWITEMSTRUCT& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
  const int w = item.rcItem.right - item.rcItem.left, h = item.rcItem.bottom - item.rcItem.top;
  Surface surface = buffer_.Begin(w, h);
  *result = TRUE;
  if (surface.empty()) return true;
  Painter(surface).Clear(Background());
  const Theme& t = theme();
  const Argb colour = !IsEnabled() ? t.text_disabled : colour_ != 0 ? colour_ : t.text;
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd())) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(hwnd(), text.data(), int(text.size()))));
  DrawTextIn(buffer_.dc(), {0, 0, w, h}, text, UiFont(style_.value_or(t.body), dpi()), colour,
             align_, flow_);
  buffer_.Blit(item.hDC, item.rcItem.left, item.rcItem.top, w, h);
  return true;
}

void ImageBox::Create(Window* parent, const ImageBoxArgs& args) {
  fit_ = args.fit;
  background_ = args.background;
  CreateHwnd(parent, RegisterSkinClass(L"VelinImageBox"), Utf8ToWide(args.text),
             WS_CHILD | WS_VISIBLE, 0, args.bounds);
}

void ImageBox::SetImage(Image image) {
  image_ = std::move(image);
  scaled_ = Image();
  scaled_rect_ = {};
  Invalidate();
}

LRESULT ImageBox::WndProc(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_ERASEBKGND) return 1;
  if (message != WM_PAINT) return Window::WndProc(message, wparam, lparam);
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd(), &ps);
  RECT client;
  GetClientRect(hwnd(), &client);
  const int w = client.right, h = client.bottom;
  Surface surface = buffer_.Begin(w, h);
  if (!surface.empty()) {
    Painter p(surface);
    p.Clear(background_ != 0 ? background_ : Background());
    const RectI dest = FitImage(image_.width(), image_.height(), {0, 0, w, h}, fit_);
    if (!dest.empty()) {
      if (dest.width() == image_.width() && dest.height() == image_.height()) {
        p.DrawImage(image_.View(), dest.left, dest.top);
      } else {
        if (!(scaled_rect_ == dest) || scaled_.empty()) {
          scaled_ = Image(dest.width(), dest.height());
          Painter(scaled_.View())
              .DrawImageScaled(image_.View(), {0, 0, dest.width(), dest.height()});
          scaled_rect_ = dest;
        }
        p.DrawImage(scaled_.View(), dest.left, dest.top);
      }
    }
    buffer_.Blit(dc, 0, 0, w, h);
  }
  EndPaint(hwnd(), &ps);
  return 0;
}

}  // namespace velin::skin
