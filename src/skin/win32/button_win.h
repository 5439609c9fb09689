// Button: a real BUTTON (BS_OWNERDRAW) whose window text is its caption, painted by the skin.
// BM_CLICK, the mouse, the space bar and Enter (while focused) all raise on_click. The look
// follows ButtonStyle and the state: pointer over it, pressed, keyboard focus, disabled, and
// selected (navigation entries).
#pragma once

#include <functional>
#include <string>

#include "skin/painter.h"
#include "skin/surface.h"
#include "skin/win32/gdi_win.h"
#include "skin/win32/window_win.h"

namespace velin::skin {

// An icon drawn at `dpi`: called at each paint after a dpi change, so icons stay crisp.
using ImageSource = std::function<Image(int dpi)>;

struct ButtonArgs {
  std::string text{};  // the caption, also the window text
  DesignRect bounds{};
  ButtonStyle style = ButtonStyle::kSecondary;
  Glyph glyph = Glyph::kNone;   // drawn in the caption's colour, in the icon slot
  bool caption_visible = true;  // false: glyph or icon only (the text stays the window text)
  bool tab_stop = true;
  Align align = Align::kCentre;  // of the icon and caption as a group
  int corner_radius = -1;        // design pixels; -1: the theme's
};

class Button : public Window {
 public:
  void Create(Window* parent, const ButtonArgs& args);

  // Raised by a click, BM_CLICK, the space bar or Enter; not while disabled.
  std::function<void()> on_click;

  void SetStyle(ButtonStyle style);
  ButtonStyle style() const { return style_; }
  // The current entry of a navigation column.
  void SetSelected(bool selected);
  bool selected() const { return selected_; }
  void SetGlyph(Glyph glyph);
  // The icon slot, left of the caption: a portable image, or an icon handle the caller keeps
  // alive, drawn `design_size` pixels square. Setting one clears the others.
  void SetIcon(ImageSource source);
  void SetIcon(HICON icon, int design_size = 24);
  void ClearIcon();
  // Raises on_click as a click does (nothing while disabled).
  void Click();

  // The state the last paint showed (tests and automation).
  ButtonState state() const { return state_; }

 protected:
  LRESULT WndProc(UINT message, WPARAM wparam, LPARAM lparam) override;
  bool HandleReflected(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;
  void OnDpiChanged() override;

 private:
  void Paint(const DRAWITEMSTRUCT& item);

  ButtonStyle style_ = ButtonStyle::kSecondary;
  Glyph glyph_ = Glyph::kNone;
  bool caption_visible_ = true;
  Align align_ = Align::kCentre;
  int corner_radius_ = -1;
  bool selected_ = false;
  bool tab_stop_ = true;
  HWND previous_focus_ = nullptr;  // where the focus was before a click gave it to the button
  bool hover_ = false;
  ButtonState state_;
  ImageSource image_source_;
  Image image_;
  int image_dpi_ = 0;
  HICON icon_ = nullptr;
  int icon_size_ = 24;
  BackBuffer buffer_;
};

}  // namespace velin::skin
