// App: the one owner of the running program. In creation order it holds the configuration
// path, the window registry, the main window's logic, the main window, the dispatcher that
// carries the interpreter's records to it as posted messages, the interpreter thread (which
// owns the receive FIFO and the USB port, created here on the user-interface thread), and the
// tray icon.
//
// Shutting down runs on the user-interface thread in this order: the tray icon goes, the
// interpreter thread is told to stop and joined, then the FIFO and the port are destroyed on
// this thread that created them, the records still in flight are released, and the windows
// go last. Every way out takes it: the close button, Alt+F4, the tray menu, the end of the
// Windows session.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>

#include "app/main_window_logic.h"
#include "app/win32/main_window_win.h"
#include "app/win32/tray_icon_win.h"
#include "app/win32/window_dispatcher_win.h"
#include "app/window_registry.h"
#include "interpreter/cmd_thread.h"
#include "interpreter/printer_system.h"

namespace velin::app {

class App {
 public:
  App();
  ~App();
  App(const App&) = delete;
  App& operator=(const App&) = delete;

  // Creates the main window (FormCreate: the interpreter starts), shows it with the tray icon
  // and runs the message loop until the program ends; then shuts down. Returns the exit code.
  int Run();

  WindowRegistry& registry() { return registry_; }
  Tmain* main_window() { return main_.get(); }
  TCPCLCmdThread* CPCLCmdThread() { return interpreter_.get(); }

 private:
  void FormCreate();
  // The receiver state button: the debug window over the main window, on the interpreter's
  // FIFO and page.
  void OpenDebugWindow();
  bool HandleMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result);
  // The close button, the tray menu's exit: hide, and leave the message loop.
  void RequestExit();
  // Stops what runs besides the window: the tray icon and the interpreter (idempotent).
  void StopServices();
  void Shutdown();

  std::string config_path_;
  WindowRegistry registry_;
  std::unique_ptr<PrinterSystem> ui_printers_;  // the printer list's own instance
  MainWindowLogic logic_;
  HICON big_icon_ = nullptr;
  HICON small_icon_ = nullptr;
  std::unique_ptr<Tmain> main_;
  WindowDispatcher dispatcher_;
  std::unique_ptr<PrinterSystem> printers_;  // the interpreter's
  std::unique_ptr<TCPCLCmdThread> interpreter_;
  std::atomic<DWORD> interpreter_thread_id_{0};  // set while it shows a message box
  TrayIcon tray_;
  bool exiting_ = false;
};

}  // namespace velin::app
