#include "app/win32/tray_icon_win.h"

#include <shellapi.h>

#include <iterator>

#include "base/win32/wide_win.h"

namespace velin::app {

bool TrayIcon::Add(HWND owner, HICON icon, const std::string& tip) {
  owner_ = owner;
  icon_ = icon;
  tip_ = Utf8ToWide(tip);
  if (taskbar_created_ == 0) taskbar_created_ = RegisterWindowMessageW(L"TaskbarCreated");
  wanted_ = true;
  added_ = Notify(NIM_ADD);
  return added_;
}

void TrayIcon::Remove() {
  wanted_ = false;
  if (!added_) return;
  Notify(NIM_DELETE);
  added_ = false;
}

bool TrayIcon::Notify(DWORD action) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof(data);
  data.hWnd = owner_;
  data.uID = kIconId;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = kCallbackMessage;
  data.hIcon = icon_;
  lstrcpynW(data.szTip, tip_.c_str(), static_cast<int>(std::size(data.szTip)));
  return Shell_NotifyIconW(action, &data) != FALSE;
}

void TrayIcon::ShowMenu() {
  HMENU menu = CreatePopupMenu();
  if (menu == nullptr) return;
  AppendMenuW(menu, MF_STRING, kShowCommand, L"显示窗口(&S)");
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, MF_STRING, kExitCommand, L"退出程序(&E)");
  POINT at;
  GetCursorPos(&at);
  // The owner must be the foreground window, or the menu does not close when clicking
  // elsewhere; the posted WM_NULL lets a second click on the icon work.
  SetForegroundWindow(owner_);
  const UINT command = static_cast<UINT>(
      TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON | TPM_BOTTOMALIGN, at.x,
                     at.y, 0, owner_, nullptr));
  PostMessageW(owner_, WM_NULL, 0, 0);
  DestroyMenu(menu);
  if (command == kShowCommand && on_show) on_show();
  if (command == kExitCommand && on_exit) on_exit();
}

bool TrayIcon::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  if (message == kCallbackMessage && wparam == kIconId) {
    switch (LOWORD(lparam)) {
      case WM_LBUTTONDBLCLK:
        if (on_show) on_show();
        break;
      case WM_RBUTTONUP:
      case WM_CONTEXTMENU:
        ShowMenu();
        break;
      default:
        break;
    }
    *result = 0;
    return true;
  }
  if (taskbar_created_ != 0 && message == taskbar_created_) {
    // Explorer started again and lost every icon.
    if (owner_ != nullptr && wanted_) added_ = Notify(NIM_ADD) || Notify(NIM_MODIFY);
    *result = 0;
    return true;
  }
  return false;
}

}  // namespace velin::app
