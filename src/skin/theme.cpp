#include "skin/theme.h"

namespace velin::skin {

const Theme& DefaultTheme() {
  static const Theme theme;
  return theme;
}

VisualState Resolve(const ButtonState& s) {
  if (s.disabled) return VisualState::kDisabled;
  if (s.pressed) return VisualState::kPressed;
  if (s.hover) return VisualState::kHover;
  return VisualState::kNormal;
}

ButtonLook LookFor(const Theme& t, ButtonStyle style, const ButtonState& state) {
  const VisualState v = Resolve(state);
  ButtonLook look;
  look.focus_ring = state.focused && v != VisualState::kDisabled;
  if (v == VisualState::kDisabled) {
    look.text = t.text_disabled;
    if (style == ButtonStyle::kPrimary || style == ButtonStyle::kSecondary) {
      look.fill = t.control_disabled;
      look.border = t.control_border;
    } else if (style == ButtonStyle::kNavigation && state.selected) {
      look.fill = t.window;
    }
    return look;
  }
  switch (style) {
    case ButtonStyle::kPrimary:
      look.fill = v == VisualState::kPressed ? t.accent_pressed
                  : v == VisualState::kHover ? t.accent_hover
                                             : t.accent;
      look.text = t.on_accent;
      break;
    case ButtonStyle::kSecondary:
      look.fill = v == VisualState::kPressed ? t.control_pressed
                  : v == VisualState::kHover ? t.control_hover
                                             : t.control;
      look.border = v == VisualState::kNormal ? t.control_border : t.control_border_hover;
      look.text = t.text;
      break;
    case ButtonStyle::kNavigation:
      if (state.selected) {
        look.fill = v == VisualState::kPressed ? t.control_pressed : t.window;
        look.text = t.accent_pressed;
      } else {
        look.fill = v == VisualState::kPressed ? t.flat_pressed
                    : v == VisualState::kHover ? t.flat_hover
                                               : kTransparent;
        look.text = t.text;
      }
      break;
    case ButtonStyle::kFlat:
      look.fill = v == VisualState::kPressed ? t.flat_pressed
                  : v == VisualState::kHover ? t.flat_hover
                                             : kTransparent;
      look.text = t.text;
      break;
    case ButtonStyle::kClose:
      look.fill = v == VisualState::kPressed ? t.danger_pressed
                  : v == VisualState::kHover ? t.danger
                                             : kTransparent;
      look.text = v == VisualState::kNormal ? t.text : t.on_accent;
      break;
  }
  return look;
}

FieldLook LookFor(const Theme& t, const FieldState& state) {
  FieldLook look;
  if (state.disabled) {
    look.fill = t.control_disabled;
    look.border = t.control_border;
    look.text = t.text_disabled;
    return look;
  }
  look.fill = t.control;
  look.text = t.text;
  if (state.focused) {
    look.border = t.focus_ring;
    look.border_width = float(t.focus_width);
  } else {
    look.border = state.hover ? t.control_border_hover : t.control_border;
  }
  return look;
}

}  // namespace velin::skin
