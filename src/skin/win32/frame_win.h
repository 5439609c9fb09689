// Frame: a borderless top-level window in the skin's style. A one-pixel border is painted
// around the client area; a title bar area drags the window; the title is drawn in it, with
// minimise and close buttons at its right end. Alt+F4 closes it (it has a system menu), Tab
// and Shift+Tab move between its controls, Enter presses the focused button (or the default
// one), and Esc closes it while it is shown modally.
//
// Thread and ownership as Window. The program's message loop must pass keyboard messages
// through TranslateSkinMessage (RunMessageLoop does), so that Tab, Enter and Esc work in every
// frame.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "skin/win32/button_win.h"
#include "skin/win32/gdi_win.h"
#include "skin/win32/window_win.h"

namespace velin::skin {

struct FrameArgs {
  std::string title{};  // the window text; drawn in the title bar when show_title is set
  int width = 400;      // client area, design pixels
  int height = 300;
  Argb background = 0;  // 0: the theme's window colour
  bool show_title = true;
  // The area that drags the window (client coordinates, design pixels); by default the
  // theme's title bar height across the whole width. The buttons sit at its right end.
  std::optional<DesignRect> title_bar{};
  bool minimise_button = false;
  bool close_button = true;
  HWND owner = nullptr;          // stays above its owner
  bool task_bar_button = false;  // a button of its own on the task bar (the main window)
  HICON icon = nullptr;          // task bar and Alt+Tab icon
  const Theme* theme = nullptr;  // nullptr: DefaultTheme()
  int dpi = 0;                   // 0: the dpi of the monitor the window appears on
};

// The frame of a side window shown over `owner` (may be null): a title bar with a close
// button, the theme's side-panel colour, kept above its owner and laid out at its dpi.
FrameArgs SideWindowArgs(std::string title, int width, int height, HWND owner);

class Frame : public Window {
 public:
  Frame() = default;
  ~Frame() override;

  // Creates the window hidden, sized for its dpi and centred on its owner (or on the work
  // area of its monitor). Throws std::runtime_error on failure.
  void Create(const FrameArgs& args);

  void Show();
  void Hide();
  // Centres the window on `other`, or on the work area of its monitor when null.
  void CentreOn(HWND other);
  // Shows the window and runs a nested message loop until EndModal or Close; other windows
  // of the thread are disabled meanwhile. Returns the EndModal result (IDCANCEL after Close,
  // Esc or Alt+F4). A WM_QUIT ends the loop and is posted again for the outer loop.
  int ShowModal();
  void EndModal(int result);
  bool IsModal() const { return modal_; }
  // Asks the window to close, as its close button does.
  void Close();

  // The dpi seam: lays the window and every control out again at `dpi`, keeping the window's
  // top-left corner. WM_DPICHANGED comes here.
  void SetDpi(int dpi);
  // The client size in design pixels.
  void SetClientSize(int width, int height);
  int client_width() const { return width_; }
  int client_height() const { return height_; }

  // Enter in a control that does not take it presses this button.
  void SetDefaultButton(Button* button) { default_button_ = button; }
  Button* close_button() const { return close_button_; }
  Button* minimise_button() const { return minimise_button_; }

  Argb Background() const override;
  bool FocusCuesShown() const override { return focus_cues_; }
  // Keys pressed in the window show the focus; mouse clicks hide it again.
  void SetFocusCues(bool shown);

  // Before closing: return false to keep the window open.
  std::function<bool()> on_close;
  // The minimise button; by default the window is minimised.
  std::function<void()> on_minimise;
  // The window is being destroyed (the main window posts WM_QUIT here).
  std::function<void()> on_destroy;
  // After a dpi change, once the controls are laid out again.
  std::function<void(int dpi)> on_dpi_changed;

 protected:
  LRESULT WndProc(UINT message, WPARAM wparam, LPARAM lparam) override;
  void OnDpiChanged() override;

 private:
  void Paint();
  void PaintBorder();
  void PlaceTitleButtons();
  DesignRect TitleBar() const;
  int BorderPixels() const;

  int width_ = 0;
  int height_ = 0;
  Argb background_ = 0;
  bool show_title_ = true;
  std::optional<DesignRect> title_bar_;
  Button* close_button_ = nullptr;
  Button* minimise_button_ = nullptr;
  Button* default_button_ = nullptr;
  bool modal_ = false;
  bool focus_cues_ = false;
  int modal_result_ = 0;
  HWND saved_focus_ = nullptr;
  BackBuffer buffer_;
};

// Lets the frame that `msg` is for handle dialog keys (Tab, Shift+Tab, arrows between
// buttons, Enter, Esc) and notes whether the keyboard or the mouse is in use. Returns true if
// it handled the message, which must then not be dispatched.
bool TranslateSkinMessage(MSG& msg);
// A message loop for the program: runs until WM_QUIT and returns its exit code.
int RunMessageLoop();

}  // namespace velin::skin
