// Tmain, the main window: a borderless 595 × 219 window with a left column (version label,
// three navigation entries, the program's picture), a title bar that drags it with minimise
// (to the tray) and close buttons, and three pages: the receiver page (links, receiver state,
// heartbeat ring), the settings page (printer, transfer mode, courier platform, update check
// and log) and the fonts page. Its handlers forward to MainWindowLogic and show the results.
//
// Thread: the user-interface thread. Ownership: owns its frame and controls; the logic, the
// registry and the callbacks' targets outlive it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "app/main_window_logic.h"
#include "app/window_registry.h"
#include "skin/win32/skin_win.h"

namespace velin::app {

class Tmain {
 public:
  static constexpr int kWidth = 595;
  static constexpr int kHeight = 219;
  static constexpr int kColumnWidth = 160;

  Tmain(MainWindowLogic& logic, WindowRegistry& registry);
  ~Tmain();
  Tmain(const Tmain&) = delete;
  Tmain& operator=(const Tmain&) = delete;

  // Creates the window hidden, centred on the monitor under the mouse pointer, page 0 shown
  // (FormCreate's part that concerns the window), at that monitor's dpi unless `dpi` is given
  // (tests). Throws std::runtime_error on failure.
  void Create(HICON icon, int dpi = 0);
  // The image the state button shows (kImageReceiverFound or kImageReceiverMissing).
  int state_image() const { return state_image_; }
  // Shows the window in its normal state and brings it to the front (start-up, the tray).
  void ShowNormal();
  // btn_minClick: hides the window; it leaves the task bar, the tray icon stays.
  void HideToTray();

  HWND hwnd() const { return frame_.hwnd(); }
  skin::Frame& frame() { return frame_; }

  // WMThreadProgress: the ring, the state button's caption and image.
  void WMThreadProgress(const TThreadData& data);
  // GetAllPrinterName: fills the lists (each showing of the window runs it).
  void GetAllPrinterName();
  // Shows page `index` and marks its navigation entry.
  void ShowPage(int index);

  // Every message of the window passes here first (the program's tray icon, posted records,
  // end of session); return true (with *result) to take it.
  std::function<bool(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result)> on_app_message;
  // The close button, Alt+F4, WM_CLOSE: the program ends.
  std::function<void()> on_exit;
  // The receiver state button: the debug window (the program wires it to the interpreter).
  std::function<void()> open_debug_window;

  // The fonts page's handlers: "安装字体" installs the supplied font, "打印字体设置" opens the
  // print font settings.
  void scGPButton1Click();
  void scGPButton9Click();

  // Controls, by their names in the program's design.
  skin::Label* version = nullptr;
  skin::Button* btn_device = nullptr;
  skin::Button* btn_setting = nullptr;
  skin::Button* btn_fonts = nullptr;
  skin::ImageBox* picture = nullptr;
  skin::PageViewer* scgpgvwr_page = nullptr;
  skin::Button* scGPButton2 = nullptr;  // 淘宝网店
  skin::Button* scGPButton3 = nullptr;  // 访问官网
  skin::Button* scGPButton8 = nullptr;  // 文档中心
  skin::Button* scGPButton5 = nullptr;  // 联系客服
  skin::Button* btn_usbstate = nullptr;
  skin::ProgressRing* scgpcrcldprgrsbr_threadstate = nullptr;
  skin::ComboBox* cbb_printers = nullptr;
  skin::ComboBox* cbb_tran_mode = nullptr;
  skin::ComboBox* scGPComboBox1 = nullptr;  // courier platform
  skin::Button* scGPButton7 = nullptr;      // 检查更新
  skin::ProgressRing* update_ring = nullptr;
  skin::Button* scGPButton4 = nullptr;  // 更新日志
  skin::Button* scGPButton1 = nullptr;  // 安装字体
  skin::Button* scGPButton9 = nullptr;  // 打印字体设置

 private:
  void BuildColumn();
  void BuildReceiverPage(skin::Panel* page);
  void BuildSettingsPage(skin::Panel* page);
  void BuildFontsPage(skin::Panel* page);
  void SetLeftMenuFocuseStyle();
  void ShowStateImage(int index);
  void LoadStateImages();
  void FreeStateImages();
  void ShowNotice(const std::optional<Notice>& notice);
  void OpenLink(const char* address);
  bool HandleMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result);

  MainWindowLogic& logic_;
  WindowRegistry& registry_;
  skin::Frame frame_;
  std::vector<skin::Button*> navigation_;
  int state_image_ = 0;
  HICON state_icons_[2] = {nullptr, nullptr};  // found, missing, at the window's dpi
};

}  // namespace velin::app
