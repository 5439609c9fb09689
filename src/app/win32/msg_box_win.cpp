#include "app/win32/msg_box_win.h"

#include "app/app_texts.h"
#include "app/main_window_logic.h"
#include "base/win32/wide_win.h"

namespace velin::app {

int MsgBox(int kind, const std::string& caption, const std::string& text, HWND owner) {
  try {
    const std::optional<unsigned> flags = MsgBoxFlags(kind);
    if (!flags) return -1;
    const std::wstring wide_caption = Utf8ToWide(caption.empty() ? kAppTitle : caption);
    const std::wstring wide_text = Utf8ToWide(text);
    const int result = MessageBoxW(owner, wide_text.c_str(), wide_caption.c_str(), *flags);
    return result == 0 ? -1 : result;
  } catch (...) {
    return -1;
  }
}

}  // namespace velin::app
