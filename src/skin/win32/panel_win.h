// Panel: a plain surface of one colour that holds controls (a window's side column, a page).
// PageViewer: a stack of panels showing one at a time; switching pages repaints once, with no
// erase flash.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "skin/painter.h"
#include "skin/win32/gdi_win.h"
#include "skin/win32/window_win.h"

namespace velin::skin {

struct PanelArgs {
  DesignRect bounds{};
  Argb background = 0;  // 0: the parent's colour
  std::string text{};   // window text (a name for screen readers)
};

class Panel : public Window {
 public:
  void Create(Window* parent, const PanelArgs& args);
  Argb Background() const override;
  void SetBackground(Argb colour);

  // Extra drawing over the background (lines, pictures), in device pixels of the client area.
  std::function<void(Painter& painter, const RectI& client)> on_paint;

 protected:
  LRESULT WndProc(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  Argb background_ = 0;
  BackBuffer buffer_;
};

struct PageViewerArgs {
  DesignRect bounds{};
  Argb background = 0;  // of the pages; 0: the parent's colour
};

class PageViewer : public Window {
 public:
  void Create(Window* parent, const PageViewerArgs& args);
  Argb Background() const override;

  // A new page covering the viewer, hidden unless it is the first. Pages are numbered from 0.
  Panel* AddPage(std::string name = {});
  int PageCount() const { return static_cast<int>(pages_.size()); }
  Panel* Page(int index) const;
  // Shows page `index` and hides the one shown before; an index out of range does nothing.
  // Keyboard focus inside the page being hidden moves to the new page's first control.
  void ShowPage(int index);
  int CurrentPage() const { return current_; }

  std::function<void(int index)> on_page_changed;

  void SetBounds(const DesignRect& bounds) override;

 protected:
  LRESULT WndProc(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  Argb background_ = 0;
  std::vector<Panel*> pages_;
  int current_ = -1;
};

}  // namespace velin::skin
