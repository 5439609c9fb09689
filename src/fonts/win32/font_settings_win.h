// Tfontset, the print font settings window "打印字体设置": a borderless 362 × 222 window with
// the code box (Enter looks the code up), the installed font families, the size spin box, and
// the buttons "保存字体参数" and "默认设置". It only wires these controls to FontSettings.
// User-interface thread; created afresh at each opening and shown modally.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "fonts/font_settings.h"
#include "skin/win32/skin_win.h"

namespace velin::fonts {

// The program's message box (kind as its MsgBox, empty caption: the program's title), owned
// by `owner`; returns the button pressed (1 OK, 2 Cancel).
using MessageBoxFn = std::function<int(HWND owner, int kind, const std::string& text)>;

// The font family names the system lists (EnumFontFamiliesEx over every character set), each
// once, vertical-writing variants ("@" names) left out.
std::vector<std::string> InstalledFontFamilies();

class Tfontset {
 public:
  static constexpr int kWidth = 362;
  static constexpr int kHeight = 222;

  // FormCreate: fills the family list with InstalledFontFamilies() in FontFamilyList order.
  Tfontset(FontSettings::OpenConfig open_config, MessageBoxFn message_box, HWND centre_on);
  int ShowModal() { return frame_.ShowModal(); }
  skin::Frame& frame() { return frame_; }

  // Handlers, by their names in the program's design.
  void edt_fontKeyDown(unsigned key);
  void scGPButton1Click();  // save
  void scGPButton2Click();  // defaults

  skin::EditBox* edt_font = nullptr;
  skin::ComboBox* cbb_fontname = nullptr;
  skin::EditBox* edt_fontsize = nullptr;
  skin::Button* scGPButton1 = nullptr;
  skin::Button* scGPButton2 = nullptr;

 private:
  // A message box; a failed write shows the error instead.
  void Say(const UserMessage& message);

  FontSettings settings_;
  MessageBoxFn message_box_;
  skin::Frame frame_;
};

}  // namespace velin::fonts
