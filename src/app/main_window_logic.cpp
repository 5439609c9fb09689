#include "app/main_window_logic.h"

#include <algorithm>
#include <exception>

#include "app/app_texts.h"

namespace velin::app {

MainWindowLogic::MainWindowLogic(PrinterLister printers, ConfigOpener config)
    : printers_(std::move(printers)), config_(std::move(config)) {}

MainWindowLogic::Showing MainWindowLogic::GetAllPrinterName() {
  Showing showing;
  std::vector<std::string> installed;
  try {
    installed = printers_();
  } catch (const std::exception&) {
    return showing;  // the list keeps what it shows
  }
  ListState list;
  for (const std::string& name : installed) {
    if (std::find(list.items.begin(), list.items.end(), name) == list.items.end()) {
      list.items.push_back(name);
    }
  }
  if (!list.items.empty()) {
    auto ini = config_();
    const std::string bound = ini->ReadString("system", "printer", "");
    const int32_t mode = ini->ReadInteger("system", "transfer_mode", kCpcl);
    for (size_t i = 0; i < list.items.size(); ++i) {
      if (list.items[i] == bound) {  // exact, letter case included
        list.selection = static_cast<int>(i);
        break;
      }
    }
    showing.transfer_mode = mode >= kPassThrough && mode <= kTspl ? mode : -1;
  }
  showing.printers = std::move(list);
  return showing;
}

std::optional<Notice> MainWindowLogic::PrinterClosedUp(const std::optional<std::string>& text) {
  if (!text) return std::nullopt;
  try {
    config_()->WriteString("system", "printer", *text);
  } catch (const std::exception& e) {
    return Notice{4, e.what()};
  }
  return std::nullopt;
}

std::optional<Notice> MainWindowLogic::TransferModeClosedUp(int index) {
  if (index < 0) return std::nullopt;
  try {
    config_()->WriteInteger("system", "transfer_mode", index);
  } catch (const std::exception& e) {
    return Notice{4, e.what()};
  }
  return Notice{1, kRestartNotice};
}

ProgressView MainWindowLogic::Progress(const TThreadData& data) {
  ProgressView view;
  view.ring = std::clamp(data.Progress, 0, 100);
  view.caption = data.USBState ? kReceiverFound : kReceiverMissing;
  view.image = data.USBState ? kImageReceiverFound : kImageReceiverMissing;
  return view;
}

std::array<bool, 3> MainWindowLogic::NavigationSelected(int page) {
  return {page == 0, page == 1, page == 2};
}

std::optional<unsigned> MsgBoxFlags(int kind) {
  // MB_OK 0x0, MB_OKCANCEL 0x1, MB_ICONERROR 0x10, MB_ICONQUESTION 0x20, MB_ICONWARNING 0x30,
  // MB_ICONINFORMATION 0x40, MB_DEFBUTTON2 0x100.
  static constexpr unsigned kFlags[] = {0x0, 0x40, 0x121, 0x30, 0x10, 0x11};
  if (kind < 0 || kind >= static_cast<int>(std::size(kFlags))) return std::nullopt;
  return kFlags[kind];
}

}  // namespace velin::app
