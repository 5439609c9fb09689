// Text fields and drop-down lists in a rounded frame.
//
// EditBox: a standard EDIT inside a painted frame (the EditBox window), so the text, caret,
// selection, clipboard and IME behave as everywhere in Windows and automation finds an "Edit"
// child holding the text. Single-line, multi-line (memo, with scroll bars), read-only, digits
// only, or an integer spin box (arrows at the right end, Up/Down keys, the mouse wheel).
//
// ComboBox: a standard COMBOBOX (CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS), so
// CB_ADDSTRING, CB_GETCOUNT, CB_GETLBTEXT, CB_SETCURSEL and the CBN_ notifications work as for
// any combo box; the skin paints the closed field and the entries of the open list.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "skin/win32/gdi_win.h"
#include "skin/win32/window_win.h"

namespace velin::skin {

class EditControl;

struct EditArgs {
  DesignRect bounds{};
  std::string text{};
  std::string cue{};  // grey prompt shown while the field is empty and not focused
  bool multiline = false;
  bool read_only = false;
  bool vertical_scroll = false;    // multi-line: a vertical scroll bar
  bool horizontal_scroll = false;  // multi-line: no wrapping, a horizontal scroll bar
  bool number = false;             // digits only
  bool spin = false;               // integer spin box (implies digits only)
  int minimum = 0;
  int maximum = 9999;
  int step = 1;
};

class EditBox : public Window {
 public:
  void Create(Window* parent, const EditArgs& args);

  // The EDIT control inside the frame.
  HWND edit() const;
  // The field's text (the EDIT's window text). The frame's own window text is the prompt.
  std::string Text() const;
  void SetText(std::string_view text);
  // Adds `line` at the end (after a line break unless the field is empty) and scrolls to it.
  // When the text grows beyond `max_chars`, whole lines are dropped from the top.
  void AppendLine(std::string_view line, size_t max_chars = size_t{1} << 20);
  // Spin boxes: the number shown, clamped to the range (the minimum when the text is not a
  // number); setting shows the clamped value.
  int Value() const;
  void SetValue(int value);
  void SetReadOnly(bool read_only);
  void SetEnabled(bool enabled) override;

  // A key pressed in the field, before the field acts on it; return true to take it (Enter,
  // for instance, which the window would otherwise use for its default button).
  std::function<bool(unsigned key)> on_key_down;
  // The text changed (typing, pasting, SetText, spin steps).
  std::function<void()> on_change;

  Argb FieldColour() const;

 protected:
  LRESULT WndProc(UINT message, WPARAM wparam, LPARAM lparam) override;
  void OnDpiChanged() override;

 private:
  friend class EditControl;
  void Paint();
  void PlaceEdit();
  void Step(int direction);
  void SetHover(bool frame, bool inner);
  RectI SpinArea() const;

  EditControl* inner_ = nullptr;
  std::string cue_;
  bool multiline_ = false;
  bool spin_ = false;
  int minimum_ = 0;
  int maximum_ = 9999;
  int step_ = 1;
  bool frame_hover_ = false;
  bool inner_hover_ = false;
  int repeat_direction_ = 0;
  BackBuffer buffer_;
};

struct ComboArgs {
  DesignRect bounds{};  // the closed field; the list opens below it
  std::vector<std::string> items{};
  int selection = -1;
  int visible_items = 8;  // entries the open list shows before it scrolls
};

class ComboBox : public Window {
 public:
  void Create(Window* parent, const ComboArgs& args);

  int AddItem(std::string_view text);  // its index
  void Clear();
  int Count() const;
  std::string ItemText(int index) const;  // empty for an index out of range
  int Selection() const;                  // -1: none
  // Selects entry `index` (-1: none) without raising on_selection_change.
  void SetSelection(int index);

  // CBN_SELCHANGE: the user (or automation) picked another entry.
  std::function<void(int index)> on_selection_change;
  // CBN_CLOSEUP: the list closed, whether or not the selection changed.
  std::function<void()> on_close_up;
  std::function<void()> on_drop_down;

  void SetBounds(const DesignRect& bounds) override;

 protected:
  LRESULT WndProc(UINT message, WPARAM wparam, LPARAM lparam) override;
  bool HandleReflected(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;
  void OnDpiChanged() override;

 private:
  void RenderField(HDC target);
  void PaintItem(const DRAWITEMSTRUCT& item);

  int visible_items_ = 8;
  bool hover_ = false;
  BackBuffer buffer_;
  BackBuffer item_buffer_;
};

}  // namespace velin::skin
