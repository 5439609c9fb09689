// A window built from every skin control, laid out like the program's main window: a side
// column with navigation entries, a title bar, and a page viewer whose pages hold link buttons,
// a state button with an icon, a progress ring, drop-down lists, text fields, a spin box and
// a memo.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "skin/win32/skin_win.h"

namespace velin::skin::test {

struct Demo {
  explicit Demo(int dpi = 96, const std::string& title = "皮肤演示");

  std::unique_ptr<Frame> frame;
  Panel* side = nullptr;
  Label* version = nullptr;
  std::vector<Button*> nav;
  ImageBox* picture = nullptr;
  PageViewer* pages = nullptr;
  // Page 0.
  std::vector<Button*> links;
  Button* state = nullptr;
  ProgressRing* ring = nullptr;
  // Page 1.
  ComboBox* printers = nullptr;
  ComboBox* modes = nullptr;
  Button* save = nullptr;
  Button* disabled = nullptr;
  // Page 2.
  EditBox* code = nullptr;
  EditBox* size = nullptr;
  EditBox* memo = nullptr;

  std::vector<std::string> events;  // what the handlers saw, in order
};

// A small settings window as the side windows look: title bar, labelled fields, two buttons.
struct SideWindow {
  explicit SideWindow(int dpi = 96);
  std::unique_ptr<Frame> frame;
  EditBox* name = nullptr;
  EditBox* address = nullptr;
  Button* query = nullptr;
  Button* set = nullptr;
};

// Handles every queued message as the program's loop does.
void Pump();

}  // namespace velin::skin::test
