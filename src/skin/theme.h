// The skin's colours, sizes and type, and the looks of the controls' states.
#pragma once

#include "skin/color.h"

namespace velin::skin {

// A font size and weight; the face is the program's user-interface face on every control.
struct TextStyle {
  float points = 9;
  bool bold = false;
};

struct Theme {
  // Surfaces.
  Argb window = Rgb(255, 255, 255);        // main window, text fields, selected navigation
  Argb side_panel = Rgb(240, 243, 248);    // left column, background of the side windows
  Argb frame_border = Rgb(197, 205, 216);  // one-pixel border of borderless windows
  // Text.
  Argb text = Rgb(31, 41, 55);         // captions and field text
  Argb text_muted = Rgb(84, 94, 110);  // version label, prompts of empty fields
  Argb text_disabled = Rgb(156, 163, 175);
  // The accent: primary buttons, focus, progress, selection.
  Argb accent = Rgb(37, 99, 235);
  Argb accent_hover = Rgb(29, 78, 216);
  Argb accent_pressed = Rgb(30, 64, 175);
  Argb on_accent = Rgb(255, 255, 255);
  Argb accent_soft = Rgb(219, 234, 254);  // highlighted list entry
  // Controls on a surface: buttons of the secondary kind, fields.
  Argb control = Rgb(255, 255, 255);
  Argb control_hover = Rgb(241, 245, 250);
  Argb control_pressed = Rgb(226, 232, 240);
  Argb control_border = Rgb(203, 210, 220);
  Argb control_border_hover = Rgb(148, 160, 178);
  Argb control_disabled = Rgb(238, 240, 243);
  // Flat buttons (navigation, title bar) over their surface.
  Argb flat_hover = WithAlpha(Rgb(15, 23, 42), 18);
  Argb flat_pressed = WithAlpha(Rgb(15, 23, 42), 36);
  Argb danger = Rgb(196, 43, 28);  // the close button under the pointer
  Argb danger_pressed = Rgb(163, 35, 23);
  Argb focus_ring = Rgb(37, 99, 235);
  Argb ring_track = Rgb(226, 232, 240);

  // Sizes in design pixels (96 dpi).
  int corner_radius = 6;
  int border_width = 1;
  int focus_width = 2;
  int padding = 10;  // between a control's edge and its caption
  int icon_gap = 6;  // between an icon and its caption
  int title_bar_height = 34;
  int title_glyph = 10;  // side of the minimise and close glyphs
  int chevron = 8;       // side of a drop-down list's chevron
  float glyph_stroke = 1.25f;
  int ring_thickness = 4;

  TextStyle body{9, false};
  TextStyle title{10, false};
  TextStyle small{8, false};
};

const Theme& DefaultTheme();

enum class ButtonStyle {
  kPrimary,     // accent fill, light caption: the main action of a window
  kSecondary,   // white fill with a border, dark caption
  kNavigation,  // an entry of a side column: the column's colour, the window's when selected
  kFlat,        // no fill until the pointer is over it (title bar, quiet actions)
  kClose,       // a flat button that turns red under the pointer (title bar close)
};

// What a button is going through; several may hold at once.
struct ButtonState {
  bool hover = false;    // the pointer is over it
  bool pressed = false;  // held down by the mouse or the space bar
  bool focused = false;  // has the keyboard focus and focus cues are shown
  bool disabled = false;
  bool selected = false;  // the current entry of a navigation column
};

// The one look a button shows: disabled wins over everything, then pressed, then hover.
enum class VisualState { kNormal, kHover, kPressed, kDisabled };
VisualState Resolve(const ButtonState& state);

struct ButtonLook {
  Argb fill = kTransparent;  // kTransparent: the surface behind shows through
  Argb border = kTransparent;
  Argb text = 0;
  bool focus_ring = false;  // a focus_width ring of the theme's focus colour replaces the border
};

ButtonLook LookFor(const Theme& theme, ButtonStyle style, const ButtonState& state);

// Looks of the frame of a text field or drop-down list.
struct FieldState {
  bool hover = false;
  bool focused = false;
  bool disabled = false;
};
struct FieldLook {
  Argb fill = 0;
  Argb border = 0;
  float border_width = 1;  // design pixels
  Argb text = 0;
};
FieldLook LookFor(const Theme& theme, const FieldState& state);

}  // namespace velin::skin
