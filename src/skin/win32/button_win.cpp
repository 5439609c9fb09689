#include "skin/win32/button_win.h"

#include <windowsx.h>

#include <utility>

#include "base/win32/wide_win.h"
#include "skin/looks.h"

namespace velin::skin {

void Button::Create(Window* parent, const ButtonArgs& args) {
  style_ = args.style;
  glyph_ = args.glyph;
  caption_visible_ = args.caption_visible;
  align_ = args.align;
  corner_radius_ = args.corner_radius;
  tab_stop_ = args.tab_stop;
  DWORD style = WS_CHILD | WS_VISIBLE | BS_OWNERDRAW;
  if (args.tab_stop) style |= WS_TABSTOP;
  CreateHwnd(parent, L"BUTTON", Utf8ToWide(args.text), style, 0, args.bounds);
}

void Button::SetStyle(ButtonStyle style) {
  style_ = style;
  Invalidate();
}

void Button::SetSelected(bool selected) {
  selected_ = selected;
  Invalidate();
}

void Button::SetGlyph(Glyph glyph) {
  glyph_ = glyph;
  Invalidate();
}

void Button::SetIcon(ImageSource source) {
  ClearIcon();
  image_source_ = std::move(source);
  Invalidate();
}

void Button::SetIcon(HICON icon, int design_size) {
  ClearIcon();
  icon_ = icon;
  icon_size_ = design_size;
  Invalidate();
}

void Button::ClearIcon() {
  image_source_ = nullptr;
  image_ = Image();
  image_dpi_ = 0;
  icon_ = nullptr;
  Invalidate();
}

void Button::Click() {
  if (hwnd() == nullptr || !IsWindowEnabled(hwnd())) return;
  // The notification a click sends, so a handler cannot tell the two apart.
  SendMessageW(GetParent(hwnd()), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd()), BN_CLICKED),
               reinterpret_cast<LPARAM>(hwnd()));
}

void Button::OnDpiChanged() {
  Window::OnDpiChanged();
  image_dpi_ = 0;  // the icon is drawn again at the new size
}

LRESULT Button::WndProc(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_MOUSEMOVE: {
      RECT client;
      GetClientRect(hwnd(), &client);
      const POINT pt = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      const bool inside = PtInRect(&client, pt) != 0;
      if (inside != hover_) {
        hover_ = inside;
        Invalidate();
      }
      if (inside) {
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd(), 0};
        TrackMouseEvent(&track);
      }
      break;
    }
    case WM_MOUSELEAVE:
      if (hover_) {
        hover_ = false;
        Invalidate();
      }
      break;
    case WM_GETDLGCODE: {
      // Enter on a focused button clicks it, whatever window it sits in.
      LRESULT code = CallDefault(message, wparam, lparam);
      const MSG* msg = reinterpret_cast<const MSG*>(lparam);
      if (msg != nullptr && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN) {
        code |= DLGC_WANTMESSAGE;
      }
      return code;
    }
    case WM_KEYDOWN:
      if (wparam == VK_RETURN) {
        Click();
        return 0;
      }
      break;
    case WM_CHAR:
      if (wparam == L'\r') return 0;
      break;
    case WM_SETFOCUS:
      previous_focus_ = reinterpret_cast<HWND>(wparam);
      break;
    case WM_ERASEBKGND:
      return 1;
    case WM_ENABLE:
      if (!wparam) hover_ = false;
      Invalidate();
      break;
    case WM_SETTEXT: {
      const LRESULT r = CallDefault(message, wparam, lparam);
      Invalidate();
      return r;
    }
    default:
      break;
  }
  return Window::WndProc(message, wparam, lparam);
}

bool Button::HandleReflected(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  if (message == WM_COMMAND && HIWORD(wparam) == BN_CLICKED) {
    // A button outside the tab order (title bar) hands the focus back after a click.
    if (!tab_stop_ && GetFocus() == hwnd() && previous_focus_ != nullptr &&
        IsWindow(previous_focus_) && IsWindowVisible(previous_focus_) &&
        IsWindowEnabled(previous_focus_)) {
      SetFocus(previous_focus_);
    }
    if (on_click && IsEnabled()) on_click();
    *result = 0;
    return true;
  }
  if (message == WM_DRAWITEM) {
    Paint(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
    *result = TRUE;
    return true;
  }
  return false;
}

void Button::Paint(const DRAWITEMSTRUCT& item) {
  const int w = item.rcItem.right - item.rcItem.left, h = item.rcItem.bottom - item.rcItem.top;
  Surface surface = buffer_.Begin(w, h);
  if (surface.empty()) return;
  const Theme& t = theme();
  state_.hover = hover_;
  state_.pressed = (item.itemState & ODS_SELECTED) != 0;
  state_.focused = (item.itemState & ODS_FOCUS) != 0 && (item.itemState & ODS_NOFOCUSRECT) == 0 &&
                   FocusCuesShown();
  state_.disabled = (item.itemState & ODS_DISABLED) != 0;
  state_.selected = selected_;
  const ButtonLook look = LookFor(t, style_, state_);

  Painter p(surface);
  p.Clear(Background());
  PaintButtonBody(p, {0, 0, w, h}, look, t, dpi(), float(corner_radius_));

  // The icon slot and the caption, centred as a group inside the padding.
  const std::wstring caption = [&] {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd())) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd(), text.data(), int(text.size()))));
    return text;
  }();
  HFONT font = UiFont(t.body, dpi());
  int icon_px = 0;
  if (icon_ != nullptr) {
    icon_px = Px(icon_size_);
  } else if (image_source_) {
    if (image_dpi_ != dpi()) {
      image_ = image_source_(dpi());
      image_dpi_ = dpi();
    }
    icon_px = image_.empty() ? 0 : image_.width();
  } else if (glyph_ != Glyph::kNone) {
    icon_px = Px(t.title_glyph);
  }
  SIZE text_size{};
  if (caption_visible_ && !caption.empty()) text_size = MeasureText(buffer_.dc(), caption, font);
  const int pad = caption_visible_ ? Px(t.padding) : 0;
  const RectI body = {pad, 0, w - pad, h};
  const int icon_h = image_source_ && !image_.empty() ? image_.height() : icon_px;
  const IconAndText place =
      PlaceIconAndText(body, icon_px, icon_h, text_size.cx, text_size.cy, Px(t.icon_gap), align_);
  if (!place.icon.empty()) {
    if (glyph_ != Glyph::kNone && icon_ == nullptr && !image_source_) {
      p.DrawGlyph(glyph_, RectF(place.icon), ScaleF(t.glyph_stroke, dpi()), look.text);
    } else if (!image_.empty() && icon_ == nullptr) {
      p.DrawImage(image_.View(), place.icon.left, place.icon.top, state_.disabled ? 110 : 255);
    }
  }
  if (icon_ != nullptr && !place.icon.empty()) {
    DrawIconEx(buffer_.dc(), place.icon.left, place.icon.top, icon_, icon_px, icon_px, 0, nullptr,
               DI_NORMAL);
  }
  if (!place.text.empty()) {
    // The measured box may be cut to the body; DrawTextIn then ends it with an ellipsis.
    DrawTextIn(buffer_.dc(), {place.text.left, 0, place.text.right, h}, caption, font, look.text,
               Align::kStart);
  }
  buffer_.Blit(item.hDC, item.rcItem.left, item.rcItem.top, w, h);
}

}  // namespace velin::skin
