// Tupdate_detail, the update log: a borderless 333 × 187 window titled "更新日志" with a close
// button, holding a read-only memo with the log's lines. Created afresh at each opening
// (OpenModal), centred on the main window. User-interface thread.
#pragma once

#include <windows.h>

#include "skin/win32/skin_win.h"

namespace velin::app {

class Tupdate_detail {
 public:
  static constexpr int kWidth = 333;
  static constexpr int kHeight = 187;

  explicit Tupdate_detail(HWND centre_on);
  int ShowModal() { return frame_.ShowModal(); }
  skin::Frame& frame() { return frame_; }
  skin::EditBox* memo() const { return memo_; }

 private:
  skin::Frame frame_;
  skin::EditBox* memo_ = nullptr;
};

}  // namespace velin::app
