// Drives the real Velin.exe from this (second) process: starts a copy in a folder of its own
// with its own config.ini, finds its windows and controls by title and caption, presses
// buttons, answers message boxes, and takes pictures of the screen.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/bitmap.h"

namespace velin::test {

using namespace std::chrono_literals;

// A Windows path for a path of the build tree (Wine's Z: drive is the Linux root).
std::wstring WinPath(const std::string& unix_path);

class VelinProcess {
 public:
  VelinProcess() = default;
  ~VelinProcess();
  VelinProcess(const VelinProcess&) = delete;
  VelinProcess& operator=(const VelinProcess&) = delete;

  // Copies Velin.exe into `dir`, writes `config` (GBK bytes as given; nothing when empty) as
  // its config.ini, and starts it with `environment` added to this process's environment.
  void Start(const std::string& dir, const std::string& config,
             const std::map<std::wstring, std::wstring>& environment = {});
  // Starts the same executable again (a second instance).
  void StartCopyOf(const VelinProcess& other);

  DWORD pid() const { return info_.dwProcessId; }
  HANDLE handle() const { return info_.hProcess; }
  const std::string& dir() const { return dir_; }
  std::wstring config_path() const { return WinPath(dir_ + "/config.ini"); }
  bool Running() const;
  // Waits for the process to end; its exit code, or nothing after the timeout.
  std::optional<DWORD> WaitExit(std::chrono::milliseconds timeout);
  void Kill();
  // The time CreateProcess was called.
  std::chrono::steady_clock::time_point started() const { return started_; }

 private:
  void Launch(const std::wstring& exe, const std::map<std::wstring, std::wstring>& environment);
  std::string dir_;
  std::wstring exe_;
  PROCESS_INFORMATION info_{};
  std::chrono::steady_clock::time_point started_;
};

// Polls `done` every 10 ms until it holds or `timeout` passes; returns done().
bool Eventually(const std::function<bool()>& done, std::chrono::milliseconds timeout = 10s);

// The visible top-level window of process `pid` with this title and class (either may be
// empty: any), or null.
HWND FindTopLevel(DWORD pid, const std::wstring& title, const std::wstring& window_class = {});
// Every top-level window of `pid`, visible or not.
std::vector<HWND> TopLevelWindows(DWORD pid);
// Every descendant of `parent`, in creation order.
std::vector<HWND> Descendants(HWND parent);
// The descendant of `parent` whose window text is `text` (and class, when given), or null.
HWND FindControl(HWND parent, const std::wstring& text, const std::wstring& window_class = {});
std::wstring TextOf(HWND window);
std::wstring ClassOf(HWND window);
std::wstring Wide(const std::string& utf8);

// A message box of process `pid` as it appears: its window, caption, text and buttons.
struct SeenBox {
  HWND window = nullptr;
  std::wstring caption;
  std::wstring text;
  bool ok = false;
  bool cancel = false;
  bool icon = false;
  int focused_button = 0;  // the id of the button Enter presses
  HWND owner = nullptr;
};
std::optional<SeenBox> WaitForMessageBox(DWORD pid, std::chrono::milliseconds timeout = 10s);
// Presses the box's button `id` (IDOK, IDCANCEL) and waits for the box to go.
bool Answer(const SeenBox& box, int id);

// Presses a button of another process without waiting for what its handler does.
void Press(HWND button);

// The screen's pixels under the window (0x00RRGGBB); the window is raised first.
Bitmap32 Picture(HWND window);
// `control`'s rectangle in the coordinates of a Picture of `top`.
RECT Within(HWND control, HWND top);
// Saves a picture as build-tree/test-artifacts/NAME.png; returns the path.
std::string SaveArtefact(const Bitmap32& picture, const std::string& name);

// The notification-area icon `id` of `owner` is there (the shell accepts a change to it).
bool TrayIconPresent(HWND owner, UINT id = 1);
// Removes it as a restarting Explorer would lose it.
void DropTrayIcon(HWND owner, UINT id = 1);

// The printers Wine lists (local printers and connections), in the spooler's order.
std::vector<std::wstring> SpoolerPrinters();

}  // namespace velin::test
