// MsgBox: the program's modal message box by kind (0 OK; 1 OK, information; 2 OK and Cancel,
// question, Cancel default; 3 OK, warning; 4 OK, error; 5 OK and Cancel, error). An empty
// caption becomes the application title "Velin|蓝牙打印". Returns the box's result (IDOK 1,
// IDCANCEL 2), or -1 for any other kind (nothing is shown) or when the box cannot be shown.
// Never throws. Any thread; `owner` may be null.
#pragma once

#include <windows.h>

#include <string>

namespace velin::app {

int MsgBox(int kind, const std::string& caption, const std::string& text, HWND owner = nullptr);

}  // namespace velin::app
