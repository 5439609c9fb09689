// ProgressRing: a real progress bar (msctls_progress32: PBM_SETPOS, PBM_GETPOS and the range
// answer as usual) drawn as a ring: a track all round and the value's arc clockwise from 12
// o'clock. Its window text is the current value in decimal, for automation.
#pragma once

#include "skin/win32/gdi_win.h"
#include "skin/win32/window_win.h"

namespace velin::skin {

struct ProgressRingArgs {
  DesignRect bounds{};
  int minimum = 0;
  int maximum = 100;
  int value = 0;
  bool show_text = false;  // the percentage in the middle of the ring
};

class ProgressRing : public Window {
 public:
  void Create(Window* parent, const ProgressRingArgs& args);
  void SetValue(int value);  // clamped to the range
  int value() const;
  void SetRange(int minimum, int maximum);

 protected:
  LRESULT WndProc(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  void UpdateText();

  bool show_text_ = false;
  BackBuffer buffer_;
};

}  // namespace velin::skin
