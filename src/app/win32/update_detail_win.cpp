#include "app/win32/update_detail_win.h"

#include "app/app_texts.h"

namespace velin::app {

Tupdate_detail::Tupdate_detail(HWND centre_on) {
  const skin::Theme& t = skin::DefaultTheme();
  skin::FrameArgs args;
  args.title = kUpdateLogTitle;
  args.width = kWidth;
  args.height = kHeight;
  args.dpi = centre_on != nullptr ? skin::WindowDpi(centre_on) : 0;
  frame_.Create(args);
  std::string text;
  for (const std::string& line : UpdateLogLines()) {
    if (!text.empty()) text += "\r\n";
    text += line;
  }
  skin::EditArgs memo;
  memo.bounds = skin::Inset({0, t.title_bar_height, kWidth, kHeight - t.title_bar_height}, 12, 8);
  memo.bounds.height -= 4;
  memo.text = text;
  memo.multiline = true;
  memo.read_only = true;
  memo.vertical_scroll = true;
  memo_ = frame_.Add<skin::EditBox>(memo);
  frame_.CentreOn(centre_on);
}

}  // namespace velin::app
