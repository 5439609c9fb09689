// What the main window's handlers decide and write, apart from the window itself: the lists a
// showing fills, what closing a list writes to config.ini and which message follows, and what a
// progress record shows. The window (win32/main_window_win.*) only forwards events here and
// shows the results.
//
// Thread: the user-interface thread. Errors: a failed configuration write comes back as the
// error message to show; nothing here throws.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/ini_file.h"
#include "interpreter/cmd_thread.h"

namespace velin::app {

// A message box to show: MsgBox's kind and text, with the application title as caption.
struct Notice {
  int kind = 1;
  std::string text;
  bool operator==(const Notice&) const = default;
};

// The entries of a drop-down list and the selected one (-1: none).
struct ListState {
  std::vector<std::string> items;
  int selection = -1;
  bool operator==(const ListState&) const = default;
};

// What a progress record shows: the ring's value, the state button's caption and image.
struct ProgressView {
  int ring = 0;
  std::string caption;
  int image = 0;
  bool operator==(const ProgressView&) const = default;
};

class MainWindowLogic {
 public:
  // The installed printers in the platform's order; may throw std::runtime_error.
  using PrinterLister = std::function<std::vector<std::string>()>;
  // A fresh config.ini object for one handler.
  using ConfigOpener = std::function<std::unique_ptr<IniFile>()>;

  MainWindowLogic(PrinterLister printers, ConfigOpener config);

  // GetAllPrinterName, run at every showing of the window. `printers`: the printer list's
  // content from scratch (the installed printers, each once, the bound one selected by its
  // exact name), or nothing when the printers cannot be listed (the list keeps what it
  // shows). `transfer_mode`: the entry to select in the transfer-mode list (-1: none, for a
  // stored mode that is not one of the three), or nothing when no printer is installed (the
  // list keeps its selection).
  struct Showing {
    std::optional<ListState> printers;
    std::optional<int> transfer_mode;
  };
  Showing GetAllPrinterName();

  // cbb_printersCloseUp: the printer list closed with entry `text` selected (nothing when no
  // entry is selected). Writes [system] printer. Returns the error to show if the write failed.
  std::optional<Notice> PrinterClosedUp(const std::optional<std::string>& text);
  // cbb_tran_modeCloseUp (also when the courier-platform list closes): `index` is the
  // transfer-mode list's selection (-1: none). Writes [system] transfer_mode and returns the
  // restart notice, also when the mode did not change; returns the error instead if the write
  // failed, and nothing when no entry is selected.
  std::optional<Notice> TransferModeClosedUp(int index);

  // WMThreadProgress.
  static ProgressView Progress(const TThreadData& data);
  // SetLeftMenuFocuseStyle: which of btn_device, btn_setting and btn_fonts shows as current
  // for page `page` (the current one is white, the others have the left column's colour).
  static std::array<bool, 3> NavigationSelected(int page);

 private:
  PrinterLister printers_;
  ConfigOpener config_;
};

// MsgBox's platform flags for `kind` 0 to 5 (MB_OK, MB_ICONINFORMATION, 0x121, MB_ICONWARNING,
// MB_ICONERROR, 0x11); nothing for any other kind, which shows no box and returns -1.
std::optional<unsigned> MsgBoxFlags(int kind);

}  // namespace velin::app
