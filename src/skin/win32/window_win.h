// The base of every skin window: a C++ object that owns one real Win32 window.
//
// Thread: every member runs on the thread that created the window (the user-interface thread).
// Ownership: the object owns its HWND (destroyed with the object) and the child objects made
// with Add (destroyed with it). Destroying the HWND first (DestroyWindow, or the parent's
// destruction) leaves the object alive with hwnd() null. An object must not be deleted from
// inside one of its own handlers.
// Messages: one static window procedure finds the object (a window property set at creation)
// and calls the virtual WndProc. Controls built on system classes (BUTTON, EDIT, COMBOBOX,
// STATIC, msctls_progress32) are subclassed the same way, so they keep the behaviour screen
// readers and automation know. Notifications a control sends its parent (WM_COMMAND,
// WM_DRAWITEM, WM_CTLCOLOR*, ...) are handed back to the control's object ("reflected"), so a
// control draws itself and raises its own events whatever window it sits in.
// Errors: creation throws std::runtime_error when Windows refuses to create the window.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "skin/color.h"
#include "skin/dpi.h"
#include "skin/layout.h"
#include "skin/theme.h"

namespace velin::skin {

class Window {
 public:
  Window() = default;
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND hwnd() const { return hwnd_; }
  Window* parent() const { return parent_; }
  // The skin object of `hwnd`, or nullptr for a window the skin did not create.
  static Window* FromHwnd(HWND hwnd);

  // Creates a child control of type T (T::Create(this, args...)), owned by this window. Tab
  // order is creation order.
  template <class T, class... Args>
  T* Add(Args&&... args) {
    owned_.push_back(std::make_unique<T>());
    T* child = static_cast<T*>(owned_.back().get());
    try {
      child->Create(this, std::forward<Args>(args)...);
    } catch (...) {
      owned_.pop_back();
      throw;
    }
    return child;
  }

  // Position and size in design pixels, in the parent's client coordinates; the window is
  // placed at the current dpi and follows later dpi changes.
  virtual void SetBounds(const DesignRect& bounds);
  const DesignRect& bounds() const { return bounds_; }
  // The window text (a control's caption). UTF-8.
  void SetText(std::string_view text);
  std::string Text() const;
  void SetVisible(bool visible);
  bool IsVisible() const;
  virtual void SetEnabled(bool enabled);
  bool IsEnabled() const;
  void Focus();
  void Invalidate();

  int dpi() const { return dpi_; }
  int Px(int design) const { return Scale(design, dpi_); }
  const Theme& theme() const { return *theme_; }
  // The colour around this window's children (seen behind their rounded corners): the
  // parent's, unless the window paints a surface of its own.
  virtual Argb Background() const;
  // Whether controls show where the keyboard focus is: as in Windows, not until the keyboard
  // is used in the window (a Frame decides; elsewhere always).
  virtual bool FocusCuesShown() const {
    return parent_ != nullptr ? parent_->FocusCuesShown() : true;
  }

  // Called for every message before the window's own handling; return true (with *result set)
  // to take the message. For a window's own messages (WM_APP ones, timers).
  std::function<bool(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result)> on_message;

 protected:
  // Creates the HWND: `window_class` is a class from RegisterSkinClass, or a system class,
  // which is then subclassed. A null parent makes a top-level window (owned by `owner`).
  // Throws std::runtime_error on failure.
  void CreateHwnd(Window* parent, const wchar_t* window_class, std::wstring_view text, DWORD style,
                  DWORD ex_style, const DesignRect& bounds, HWND owner = nullptr);
  // Registers (once) a window class whose procedure is the skin's; returns its name.
  static const wchar_t* RegisterSkinClass(const wchar_t* name, UINT class_style = 0);

  virtual LRESULT WndProc(UINT message, WPARAM wparam, LPARAM lparam);
  // The default handling: the system class's procedure, or DefWindowProc.
  LRESULT CallDefault(UINT message, WPARAM wparam, LPARAM lparam);
  // A notification this control's parent received from it. True when handled, with *result.
  virtual bool HandleReflected(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result);
  // The dpi changed (Frame::SetDpi): the base places the window again; controls also renew
  // fonts and metrics. Children are told after their parent.
  virtual void OnDpiChanged();

  // Sets the dpi and theme a top-level window starts with.
  void InitRoot(int dpi, const Theme* theme) {
    dpi_ = dpi;
    theme_ = theme;
  }
  void ApplyDpi(int dpi);  // this window and its descendants
  const std::vector<std::unique_ptr<Window>>& children() const { return owned_; }
  static int NextControlId();

 private:
  static LRESULT CALLBACK ClassProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT Dispatch(UINT message, WPARAM wparam, LPARAM lparam);
  bool Reflect(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result);
  void Detach();

  HWND hwnd_ = nullptr;
  WNDPROC original_ = nullptr;  // the system class's procedure of a subclassed control
  Window* parent_ = nullptr;
  DesignRect bounds_;
  int dpi_ = kDesignDpi;
  const Theme* theme_ = &DefaultTheme();
  std::vector<std::unique_ptr<Window>> owned_;
};

// The dpi of the monitor `hwnd` is on (GetDpiForWindow where Windows has it, else the screen's
// LOGPIXELSX); 96 when unknown.
int WindowDpi(HWND hwnd);

}  // namespace velin::skin
