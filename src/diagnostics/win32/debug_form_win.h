// Tdebug_form, the debug window "调试模式" (borderless 456 × 255): the log memo, the buttons
// "开启调试", "停止调试", "保存数据" (through the file-save dialog), "查看图像" (the page
// preview Timage_view) and "蓝牙设置". Timage_view: a borderless window titled "调试模式" as
// large as the page, showing a snapshot of the page bitmap below its title bar.
// Both only wire their controls to DebugSession and the preview functions.
//
// Thread: the user-interface thread. Created afresh at each opening and shown modally; the
// FIFO and the page belong to the interpreter and outlive the windows.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "diagnostics/debug_session.h"
#include "skin/win32/skin_win.h"

namespace velin::diagnostics {

// The program's message box (kind as its MsgBox; empty caption: the program's title).
using MessageBoxFn = std::function<int(HWND owner, int kind, const std::string& text)>;

// The platform's file-save dialog (GetSaveFileNameW), owned by `owner`.
class WindowsSaveDialog final : public FileSaveDialog {
 public:
  explicit WindowsSaveDialog(HWND owner) : owner_(owner) {}
  std::optional<std::string> Ask(const SaveDialogOptions& options) override;

 private:
  HWND owner_;
};

class Timage_view {
 public:
  // Sized for the page as it is now (PreviewLayout), its picture drawn under the page lock.
  Timage_view(PageImage& page, HWND owner);
  int ShowModal() { return frame_.ShowModal(); }
  skin::Frame& frame() { return frame_; }

  skin::Panel* scgpnl_image = nullptr;
  skin::ImageBox* img = nullptr;

 private:
  skin::Frame frame_;
};

class Tdebug_form {
 public:
  static constexpr int kWidth = 456;
  static constexpr int kHeight = 255;
  // How often the memo takes up the lines that arrived meanwhile.
  static constexpr UINT kRefreshMs = 100;

  // What the window opens over itself (modally, `owner` being this window): the page preview
  // (a Timage_view of `page` when not given) and the Bluetooth module settings window.
  struct Openers {
    std::function<void(HWND owner)> preview;
    std::function<void(HWND owner)> bluetooth;
  };
  // FormCreate: the log starts empty.
  Tdebug_form(TUSBFiFo& fifo, PageImage& page, MessageBoxFn message_box, Openers openers,
              HWND centre_on);
  // Debug mode ends with the window, however it closes.
  ~Tdebug_form();
  int ShowModal() { return frame_.ShowModal(); }
  skin::Frame& frame() { return frame_; }
  DebugSession& session() { return session_; }

  // WM_DEBUG_DATA: the record's line goes to the log (the sender's record is released by the
  // caller).
  void ThreadProgress(const TDebugData& record);

  void scGPButton1Click();  // 开启调试
  void scGPButton2Click();  // 停止调试
  void scGPButton3Click();  // 保存数据
  void scGPButton4Click();  // 查看图像
  void scGPButton5Click();  // 蓝牙设置

  skin::EditBox* mmo_cmd = nullptr;
  skin::Button* scGPButton1 = nullptr;
  skin::Button* scGPButton2 = nullptr;
  skin::Button* scGPButton3 = nullptr;
  skin::Button* scGPButton4 = nullptr;
  skin::Button* scGPButton5 = nullptr;

 private:
  // Shows what the log gained since the last refresh.
  void RefreshMemo();

  DebugSession session_;
  PageImage& page_;
  MessageBoxFn message_box_;
  Openers openers_;
  skin::Frame frame_;
};

}  // namespace velin::diagnostics
