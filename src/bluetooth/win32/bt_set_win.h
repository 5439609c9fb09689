// Tbt_set, the Bluetooth module settings window "蓝牙设置" (borderless 335 × 185): the name and
// address boxes, "查询" and "设置蓝牙名称". Below the visible area lie the trace memo and the
// developer buttons "实时数据", "退出实时" and "模拟发送" (real controls, out of sight).
// The window holds a BluetoothModule from its creation to its closing, so the interpreter's
// FBTCmd is set for exactly that time; it only wires the controls to the module.
//
// Thread: the user-interface thread. Every wait for the module dispatches the thread's
// messages (received blocks reach the FIFO only so), so the window stays alive meanwhile; a
// second click while an exchange runs is ignored, and closing the window (or the program)
// during one takes effect when it ends.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "bluetooth/bluetooth_module.h"
#include "skin/win32/skin_win.h"

namespace velin {

class Tbt_set {
 public:
  static constexpr int kWidth = 335;
  static constexpr int kHeight = 185;
  // Memo1 keeps at most this many characters (whole lines dropped from the top).
  static constexpr size_t kMemoChars = 64 * 1024;

  // The program's message box (kind as its MsgBox; empty caption: the program's title).
  using MessageBoxFn = std::function<int(HWND owner, int kind, const std::string& text)>;

  // FormCreate: the module is made here, which sets FBTCmd through `set_paused`.
  Tbt_set(TUSBFiFo& fifo, std::function<void(bool paused)> set_paused, MessageBoxFn message_box,
          HWND centre_on);
  ~Tbt_set();
  int ShowModal();
  skin::Frame& frame() { return frame_; }

  void scGPButton2Click();  // 查询
  void scGPButton1Click();  // 设置蓝牙名称
  void Button1Click();      // 实时数据
  void btn1Click();         // 退出实时
  void Button2Click();      // 模拟发送

  skin::EditBox* edt_name = nullptr;
  skin::EditBox* edt_addr = nullptr;
  skin::Button* scGPButton2 = nullptr;
  skin::Button* scGPButton1 = nullptr;
  skin::EditBox* Memo1 = nullptr;
  skin::Button* Button1 = nullptr;
  skin::Button* btn1 = nullptr;
  skin::Button* Button2 = nullptr;
  bool debug = false;  // the live byte view runs

 private:
  // One pass of a wait: dispatches what is pending, else sleeps until a message comes (1 ms at
  // most), so a wait does not spin a core. A WM_QUIT ends the live view and is posted again
  // once the exchange is over.
  void Pump();
  // Runs a handler's exchange unless another one runs; afterwards carries out a close or quit
  // that came meanwhile.
  void Exclusive(const std::function<void()>& body);
  void Trace(const std::string& line);

  TUSBFiFo& fifo_;
  MessageBoxFn message_box_;
  skin::Frame frame_;
  std::unique_ptr<BluetoothModule> module_;
  bool busy_ = false;
  bool close_requested_ = false;
  bool quit_ = false;
  WPARAM quit_code_ = 0;
};

}  // namespace velin
