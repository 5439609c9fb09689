#include "skin/win32/fields_win.h"

#include <windowsx.h>

#include <algorithm>
#include <string>

#include "base/win32/wide_win.h"
#include "skin/looks.h"
#include "skin/spin.h"

namespace velin::skin {

namespace {

std::wstring WindowText(HWND hwnd) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), int(text.size()))));
  return text;
}

void TrackLeave(HWND hwnd) {
  TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd, 0};
  TrackMouseEvent(&track);
}

constexpr UINT_PTR kRepeatTimer = 1;

}  // namespace

// The EDIT inside an EditBox: dialog keys, Enter for the owner, the prompt, spin keys.
class EditControl : public Window {
 public:
  void Create(Window* parent, EditBox* owner, DWORD style, const std::wstring& text) {
    owner_ = owner;
    CreateHwnd(parent, L"EDIT", text, style, 0, {});
  }
  void OnDpiChanged() override {}  // placed by its owner

 protected:
  LRESULT WndProc(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  EditBox* owner_ = nullptr;
  bool swallow_return_ = false;
};

LRESULT EditControl::WndProc(UINT message, WPARAM wparam, LPARAM lparam) {
  const bool multiline = owner_->multiline_;
  const bool read_only = (GetWindowLongW(hwnd(), GWL_STYLE) & ES_READONLY) != 0;
  switch (message) {
    case WM_GETDLGCODE: {
      LRESULT code = CallDefault(message, wparam, lparam);
      const MSG* msg = reinterpret_cast<const MSG*>(lparam);
      if (msg == nullptr || msg->message != WM_KEYDOWN) return code;
      switch (msg->wParam) {
        case VK_RETURN:
          // Enter goes to the field when its owner listens for it or a memo takes new lines;
          // otherwise the window presses its default button.
          if (owner_->on_key_down || (multiline && !read_only)) {
            code |= DLGC_WANTMESSAGE;
          } else {
            code &= ~DLGC_WANTMESSAGE;
          }
          break;
        case VK_TAB:
        case VK_ESCAPE:
          // A memo would keep Tab and Esc; they move the focus and close the window instead.
          code &= ~(DLGC_WANTMESSAGE | DLGC_WANTTAB);
          break;
        default:
          break;
      }
      return code;
    }
    case WM_KEYDOWN:
      if (owner_->on_key_down && owner_->on_key_down(static_cast<unsigned>(wparam))) {
        swallow_return_ = wparam == VK_RETURN;
        return 0;
      }
      if (owner_->spin_ && (wparam == VK_UP || wparam == VK_DOWN)) {
        owner_->Step(wparam == VK_UP ? 1 : -1);
        return 0;
      }
      break;
    case WM_CHAR:
      if (wparam == L'\r' || wparam == L'\n') {
        // A one-line field would beep; a taken Enter makes no new line.
        if (!multiline || swallow_return_) {
          swallow_return_ = false;
          return 0;
        }
      }
      break;
    case WM_MOUSEWHEEL:
      if (owner_->spin_ && GetFocus() == hwnd()) {
        owner_->Step(GET_WHEEL_DELTA_WPARAM(wparam) > 0 ? 1 : -1);
        return 0;
      }
      break;
    case WM_MOUSEMOVE:
      if (!owner_->inner_hover_) {
        owner_->SetHover(owner_->frame_hover_, true);
        TrackLeave(hwnd());
      }
      break;
    case WM_MOUSELEAVE:
      owner_->SetHover(owner_->frame_hover_, false);
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
      const LRESULT r = CallDefault(message, wparam, lparam);
      owner_->Invalidate();
      Invalidate();
      return r;
    }
    case WM_PAINT:
      if (!owner_->cue_.empty() && GetWindowTextLengthW(hwnd()) == 0 && GetFocus() != hwnd()) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd(), &ps);
        RECT client;
        GetClientRect(hwnd(), &client);
        FillRect(dc, &client, SolidBrush(owner_->FieldColour()));
        RECT format{};
        SendMessageW(hwnd(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
        const RectI box = {format.left, multiline ? format.top : client.top, format.right,
                           multiline ? format.bottom : client.bottom};
        const std::wstring cue = Utf8ToWide(owner_->cue_);
        DrawTextIn(dc, box, cue, reinterpret_cast<HFONT>(SendMessageW(hwnd(), WM_GETFONT, 0, 0)),
                   theme().text_muted, Align::kStart,
                   multiline ? TextFlow::kWrap : TextFlow::kOneLine);
        EndPaint(hwnd(), &ps);
        return 0;
      }
      break;
    default:
      break;
  }
  return Window::WndProc(message, wparam, lparam);
}

void EditBox::Create(Window* parent, const EditArgs& args) {
  cue_ = args.cue;
  multiline_ = args.multiline;
  spin_ = args.spin;
  minimum_ = args.minimum;
  maximum_ = std::max(args.minimum, args.maximum);
  step_ = args.step;
  CreateHwnd(parent, RegisterSkinClass(L"VelinEditBox"), Utf8ToWide(args.cue),
             WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, args.bounds);
  DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
  if (args.multiline) {
    style |= ES_MULTILINE | ES_AUTOVSCROLL;
    if (args.vertical_scroll) style |= WS_VSCROLL;
    if (args.horizontal_scroll) style |= WS_HSCROLL | ES_AUTOHSCROLL;
  } else {
    style |= ES_AUTOHSCROLL;
  }
  if (args.read_only) style |= ES_READONLY;
  if (args.number || args.spin) style |= ES_NUMBER;
  inner_ = Add<EditControl>(this, style, Utf8ToWide(args.text));
  if (args.multiline) SendMessageW(inner_->hwnd(), EM_SETLIMITTEXT, 0, 0);
  if (args.spin) SetValue(SpinValue(args.text, minimum_, maximum_));
  PlaceEdit();
}

HWND EditBox::edit() const { return inner_ != nullptr ? inner_->hwnd() : nullptr; }

std::string EditBox::Text() const {
  return edit() != nullptr ? WideToUtf8(WindowText(edit())) : "";
}

void EditBox::SetText(std::string_view text) {
  if (edit() != nullptr) SetWindowTextW(edit(), Utf8ToWide(text).c_str());
}

void EditBox::AppendLine(std::string_view line, size_t max_chars) {
  HWND e = edit();
  if (e == nullptr) return;
  std::wstring add = Utf8ToWide(line);
  const int length = GetWindowTextLengthW(e);
  if (length > 0) add.insert(0, L"\r\n");
  SendMessageW(e, EM_SETSEL, length, length);
  SendMessageW(e, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(add.c_str()));
  const size_t total = static_cast<size_t>(GetWindowTextLengthW(e));
  if (total > max_chars && multiline_) {
    // Drop whole lines from the top until the text fits again.
    const int lines = static_cast<int>(SendMessageW(e, EM_GETLINECOUNT, 0, 0));
    int cut = 0;
    for (int i = 1; i < lines; ++i) {
      cut = static_cast<int>(SendMessageW(e, EM_LINEINDEX, i, 0));
      if (cut < 0 || total - static_cast<size_t>(cut) <= max_chars) break;
    }
    if (cut > 0) {
      SendMessageW(e, EM_SETSEL, 0, cut);
      SendMessageW(e, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
    }
  }
  const int end = GetWindowTextLengthW(e);
  SendMessageW(e, EM_SETSEL, end, end);
  SendMessageW(e, EM_SCROLLCARET, 0, 0);
}

int EditBox::Value() const { return SpinValue(Text(), minimum_, maximum_); }

void EditBox::SetValue(int value) {
  SetText(std::to_string(std::clamp(value, minimum_, maximum_)));
}

void EditBox::SetReadOnly(bool read_only) {
  if (edit() != nullptr) SendMessageW(edit(), EM_SETREADONLY, read_only, 0);
  Invalidate();
}

void EditBox::SetEnabled(bool enabled) {
  Window::SetEnabled(enabled);
  if (edit() != nullptr) EnableWindow(edit(), enabled);
}

void EditBox::Step(int direction) {
  SetValue(SpinStep(Value(), direction, step_, minimum_, maximum_));
  if (edit() != nullptr) SendMessageW(edit(), EM_SETSEL, 0, -1);
}

void EditBox::SetHover(bool frame, bool inner) {
  const bool before = frame_hover_ || inner_hover_;
  frame_hover_ = frame;
  inner_hover_ = inner;
  if ((frame || inner) != before) Invalidate();
}

Argb EditBox::FieldColour() const {
  return LookFor(theme(), FieldState{.disabled = !IsEnabled()}).fill;
}

RectI EditBox::SpinArea() const {
  RECT client{};
  if (hwnd() != nullptr) GetClientRect(hwnd(), &client);
  const RectI bounds = {0, 0, client.right, client.bottom};
  const RectI text = FieldTextArea(bounds, theme(), dpi(), true);
  const int border = ScaleStroke(theme().focus_width, dpi());
  return {text.right, border, bounds.right - border, bounds.bottom - border};
}

void EditBox::PlaceEdit() {
  if (edit() == nullptr || hwnd() == nullptr) return;
  HFONT font = UiFont(theme().body, dpi());
  SendMessageW(edit(), WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  RECT client;
  GetClientRect(hwnd(), &client);
  const RectI bounds = {0, 0, client.right, client.bottom};
  RectI area = FieldTextArea(bounds, theme(), dpi(), spin_);
  if (multiline_) {
    // A memo fills the frame inside its border, with a little room for the rounded corners.
    const int inset = ScaleStroke(theme().focus_width, dpi()) + Px(3);
    area = {inset + Px(3), inset, bounds.right - inset, bounds.bottom - inset};
  } else {
    HDC dc = GetDC(hwnd());
    const int line = MeasureText(dc, L"", font).cy + 2;
    ReleaseDC(hwnd(), dc);
    area = Place(area.width(), std::min(line, area.height()), area, Align::kStart, Align::kCentre);
  }
  SetWindowPos(edit(), nullptr, area.left, area.top, std::max(0, area.width()),
               std::max(0, area.height()), SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(edit(), nullptr, TRUE);
}

void EditBox::OnDpiChanged() {
  Window::OnDpiChanged();
  PlaceEdit();
}

void EditBox::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd(), &ps);
  RECT client;
  GetClientRect(hwnd(), &client);
  Surface surface = buffer_.Begin(client.right, client.bottom);
  if (!surface.empty()) {
    const Theme& t = theme();
    const FieldLook look = LookFor(t, FieldState{.hover = frame_hover_ || inner_hover_,
                                                 .focused = GetFocus() == edit(),
                                                 .disabled = !IsEnabled()});
    Painter p(surface);
    p.Clear(Background());
    PaintField(p, {0, 0, client.right, client.bottom}, look, t, dpi());
    if (spin_) {
      const RectI spin = SpinArea();
      const int mid = (spin.top + spin.bottom) / 2;
      const float side = std::min(ScaleF(float(t.chevron), dpi()), float(mid - spin.top) - 2);
      const Argb colour = IsEnabled() ? t.text_muted : t.text_disabled;
      const float cx = (float(spin.left) + float(spin.right)) / 2 - ScaleF(3, dpi());
      const float up_mid = (float(spin.top) + float(mid)) / 2 + 1;
      const float down_mid = (float(mid) + float(spin.bottom)) / 2 - 1;
      p.DrawGlyph(Glyph::kChevronUp,
                  {cx - side / 2, up_mid - side / 2, cx + side / 2, up_mid + side / 2},
                  ScaleF(t.glyph_stroke, dpi()), colour);
      p.DrawGlyph(Glyph::kChevronDown,
                  {cx - side / 2, down_mid - side / 2, cx + side / 2, down_mid + side / 2},
                  ScaleF(t.glyph_stroke, dpi()), colour);
    }
    buffer_.Blit(dc, 0, 0, client.right, client.bottom);
  }
  EndPaint(hwnd(), &ps);
}

LRESULT EditBox::WndProc(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      Paint();
      return 0;
    case WM_SIZE:
      PlaceEdit();
      break;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lparam) == edit()) {
        HDC dc = reinterpret_cast<HDC>(wparam);
        const FieldLook look = LookFor(theme(), FieldState{.disabled = !IsEnabled()});
        SetTextColor(dc, ToColorref(look.text));
        SetBkColor(dc, ToColorref(look.fill));
        return reinterpret_cast<LRESULT>(SolidBrush(look.fill));
      }
      break;
    case WM_COMMAND:
      if (reinterpret_cast<HWND>(lparam) == edit()) {
        if (HIWORD(wparam) == EN_CHANGE && on_change) on_change();
        return 0;
      }
      break;
    case WM_MOUSEMOVE:
      if (!frame_hover_) {
        SetHover(true, inner_hover_);
        TrackLeave(hwnd());
      }
      break;
    case WM_MOUSELEAVE:
      SetHover(false, inner_hover_);
      break;
    case WM_LBUTTONDOWN: {
      if (edit() != nullptr) SetFocus(edit());
      const RectI spin = SpinArea();
      const int x = GET_X_LPARAM(lparam), y = GET_Y_LPARAM(lparam);
      if (spin_ && spin.Contains(x, y)) {
        repeat_direction_ = y < (spin.top + spin.bottom) / 2 ? 1 : -1;
        Step(repeat_direction_);
        SetCapture(hwnd());
        SetTimer(hwnd(), kRepeatTimer, 400, nullptr);
      }
      return 0;
    }
    case WM_TIMER:
      if (wparam == kRepeatTimer) {
        if (GetCapture() == hwnd() && repeat_direction_ != 0) {
          Step(repeat_direction_);
          SetTimer(hwnd(), kRepeatTimer, 60, nullptr);
        } else {
          KillTimer(hwnd(), kRepeatTimer);
        }
        return 0;
      }
      break;
    case WM_LBUTTONUP:
      if (GetCapture() == hwnd()) ReleaseCapture();
      return 0;
    case WM_CAPTURECHANGED:
      repeat_direction_ = 0;
      KillTimer(hwnd(), kRepeatTimer);
      return 0;
    default:
      break;
  }
  return Window::WndProc(message, wparam, lparam);
}

void ComboBox::Create(Window* parent, const ComboArgs& args) {
  visible_items_ = std::max(1, args.visible_items);
  CreateHwnd(parent, L"COMBOBOX", L"",
             WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST |
                 CBS_OWNERDRAWFIXED | CBS_HASSTRINGS,
             0, args.bounds);
  for (const std::string& item : args.items) AddItem(item);
  SetSelection(args.selection);
  OnDpiChanged();
}

int ComboBox::AddItem(std::string_view text) {
  return static_cast<int>(
      SendMessageW(hwnd(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Utf8ToWide(text).c_str())));
}

void ComboBox::Clear() {
  SendMessageW(hwnd(), CB_RESETCONTENT, 0, 0);
  Invalidate();
}

int ComboBox::Count() const { return static_cast<int>(SendMessageW(hwnd(), CB_GETCOUNT, 0, 0)); }

std::string ComboBox::ItemText(int index) const {
  const LRESULT length = SendMessageW(hwnd(), CB_GETLBTEXTLEN, index, 0);
  if (length == CB_ERR || length < 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const LRESULT got =
      SendMessageW(hwnd(), CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  if (got == CB_ERR || got < 0) return {};
  text.resize(static_cast<size_t>(got));
  return WideToUtf8(text);
}

int ComboBox::Selection() const {
  const LRESULT index = SendMessageW(hwnd(), CB_GETCURSEL, 0, 0);
  return index == CB_ERR ? -1 : static_cast<int>(index);
}

void ComboBox::SetSelection(int index) {
  SendMessageW(hwnd(), CB_SETCURSEL, index, 0);
  Invalidate();
}

void ComboBox::SetBounds(const DesignRect& bounds) {
  Window::SetBounds(bounds);
  if (hwnd() == nullptr) return;
  const RectI r = ToDevice(bounds, dpi());
  // The closed field's height is the selection field's item height plus the combo box's own
  // edges, which differ between Windows versions: set a height, see what the field became,
  // and correct by the difference. The window height given to Windows also holds the open list.
  auto field_height = [this] {
    RECT now;
    GetWindowRect(hwnd(), &now);
    return static_cast<int>(now.bottom - now.top);
  };
  int item_height =
      static_cast<int>(SendMessageW(hwnd(), CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
  for (int attempt = 0; attempt < 2 && field_height() != r.height(); ++attempt) {
    item_height = std::max(1, item_height + r.height() - field_height());
    SendMessageW(hwnd(), CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), item_height);
  }
  const int item = Px(26);
  SendMessageW(hwnd(), CB_SETITEMHEIGHT, 0, item);
  SetWindowPos(hwnd(), nullptr, r.left, r.top, r.width(), r.height() + item * visible_items_ + 2,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void ComboBox::OnDpiChanged() {
  SendMessageW(hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(UiFont(theme().body, dpi())), FALSE);
  SetBounds(bounds());
  Invalidate();
}

void ComboBox::RenderField(HDC target) {
  RECT client;
  GetClientRect(hwnd(), &client);
  const int w = client.right, h = client.bottom;
  Surface surface = buffer_.Begin(w, h);
  if (surface.empty()) return;
  const Theme& t = theme();
  const bool dropped = SendMessageW(hwnd(), CB_GETDROPPEDSTATE, 0, 0) != 0;
  const FieldLook look = LookFor(t, FieldState{.hover = hover_,
                                               .focused = GetFocus() == hwnd() || dropped,
                                               .disabled = !IsEnabled()});
  Painter p(surface);
  p.Clear(Background());
  const RectI bounds = {0, 0, w, h};
  PaintField(p, bounds, look, t, dpi());
  p.DrawGlyph(dropped ? Glyph::kChevronUp : Glyph::kChevronDown, ChevronBox(bounds, t, dpi()),
              ScaleF(t.glyph_stroke, dpi()), IsEnabled() ? t.text_muted : t.text_disabled);
  const int selection = Selection();
  if (selection >= 0) {
    DrawTextIn(buffer_.dc(), FieldTextArea(bounds, t, dpi(), true), Utf8ToWide(ItemText(selection)),
               UiFont(t.body, dpi()), look.text, Align::kStart);
  }
  buffer_.Blit(target, 0, 0, w, h);
}

void ComboBox::PaintItem(const DRAWITEMSTRUCT& item) {
  const int w = item.rcItem.right - item.rcItem.left, h = item.rcItem.bottom - item.rcItem.top;
  Surface surface = item_buffer_.Begin(w, h);
  if (surface.empty()) return;
  const Theme& t = theme();
  const bool highlighted = (item.itemState & ODS_SELECTED) != 0;
  Painter(surface).Clear(highlighted ? t.accent_soft : t.control);
  if (item.itemID != static_cast<UINT>(-1)) {
    DrawTextIn(item_buffer_.dc(), {Px(t.padding), 0, w - Px(4), h},
               Utf8ToWide(ItemText(static_cast<int>(item.itemID))), UiFont(t.body, dpi()), t.text,
               Align::kStart);
  }
  item_buffer_.Blit(item.hDC, item.rcItem.left, item.rcItem.top, w, h);
}

LRESULT ComboBox::WndProc(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd(), &ps);
      RenderField(dc);
      EndPaint(hwnd(), &ps);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (!hover_) {
        hover_ = true;
        Invalidate();
        TrackLeave(hwnd());
      }
      break;
    case WM_MOUSELEAVE:
      hover_ = false;
      Invalidate();
      break;
    case WM_CTLCOLORLISTBOX: {
      // The open list asks its combo box for its colours.
      HDC dc = reinterpret_cast<HDC>(wparam);
      SetTextColor(dc, ToColorref(theme().text));
      SetBkColor(dc, ToColorref(theme().control));
      return reinterpret_cast<LRESULT>(SolidBrush(theme().control));
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case CB_SETCURSEL:
    case CB_RESETCONTENT: {
      const LRESULT r = CallDefault(message, wparam, lparam);
      Invalidate();
      return r;
    }
    default:
      break;
  }
  return Window::WndProc(message, wparam, lparam);
}

bool ComboBox::HandleReflected(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  switch (message) {
    case WM_COMMAND:
      *result = 0;
      switch (HIWORD(wparam)) {
        case CBN_SELCHANGE:
          Invalidate();
          if (on_selection_change) on_selection_change(Selection());
          return true;
        case CBN_CLOSEUP:
          Invalidate();
          if (on_close_up) on_close_up();
          return true;
        case CBN_DROPDOWN:
          Invalidate();
          if (on_drop_down) on_drop_down();
          return true;
        default:
          return true;
      }
    case WM_DRAWITEM: {
      const DRAWITEMSTRUCT& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
      if (item.itemState & ODS_COMBOBOXEDIT) {
        // The closed field, drawn whole; the combo box clips it to its text area.
        RenderField(item.hDC);
      } else {
        PaintItem(item);
      }
      *result = TRUE;
      return true;
    }
    case WM_MEASUREITEM:
      reinterpret_cast<MEASUREITEMSTRUCT*>(lparam)->itemHeight = static_cast<UINT>(Px(26));
      *result = TRUE;
      return true;
    case WM_CTLCOLORLISTBOX: {
      HDC dc = reinterpret_cast<HDC>(wparam);
      SetBkColor(dc, ToColorref(theme().control));
      *result = reinterpret_cast<LRESULT>(SolidBrush(theme().control));
      return true;
    }
    default:
      return false;
  }
}

}  // namespace velin::skin
