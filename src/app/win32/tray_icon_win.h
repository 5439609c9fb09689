// The notification-area icon: added once the window exists, shown for the whole run, added
// again when Explorer restarts (the "TaskbarCreated" broadcast), removed on every way out.
// Its menu: "显示窗口(&S)", a separator, "退出程序(&E)".
//
// Thread: the user-interface thread. The icon's messages arrive at `owner`'s window procedure,
// which passes every message to HandleMessage first.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace velin::app {

class TrayIcon {
 public:
  // The callback message of the icon (lParam: the mouse message).
  static constexpr UINT kCallbackMessage = WM_APP + 0x101;
  static constexpr UINT kIconId = 1;
  // Menu command ids.
  static constexpr UINT kShowCommand = 100;
  static constexpr UINT kExitCommand = 101;

  TrayIcon() = default;
  ~TrayIcon() { Remove(); }
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  // Adds the icon for `owner` (which must outlive it) with `tip`. False if the shell refused
  // (no notification area yet): the icon is then added when TaskbarCreated arrives.
  bool Add(HWND owner, HICON icon, const std::string& tip);
  // Removes the icon; nothing if it is not there.
  void Remove();
  bool added() const { return added_; }

  // Handles the icon's callback, the menu and TaskbarCreated; true when `message` was one of
  // them (with *result set).
  bool HandleMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result);

  std::function<void()> on_show;  // double click, or "显示窗口(&S)"
  std::function<void()> on_exit;  // "退出程序(&E)"

 private:
  bool Notify(DWORD action);
  void ShowMenu();

  HWND owner_ = nullptr;
  HICON icon_ = nullptr;
  std::wstring tip_;
  bool added_ = false;   // the shell holds the icon
  bool wanted_ = false;  // between Add and Remove
  UINT taskbar_created_ = 0;
};

}  // namespace velin::app
