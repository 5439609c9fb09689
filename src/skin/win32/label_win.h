// Label: static text (a STATIC whose window text is the text), drawn by the skin in the
// theme's face on its parent's colour. ImageBox: a picture scaled into its box.
#pragma once

#include <optional>
#include <string>

#include "skin/surface.h"
#include "skin/win32/gdi_win.h"
#include "skin/win32/window_win.h"

namespace velin::skin {

struct LabelArgs {
  std::string text{};
  DesignRect bounds{};
  std::optional<TextStyle> style{};  // the theme's body style when not given
  Argb colour = 0;                   // 0: the theme's text colour
  Align align = Align::kStart;
  TextFlow flow = TextFlow::kOneLine;
};

class Label : public Window {
 public:
  void Create(Window* parent, const LabelArgs& args);
  void SetColour(Argb colour);

 protected:
  LRESULT WndProc(UINT message, WPARAM wparam, LPARAM lparam) override;
  bool HandleReflected(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  std::optional<TextStyle> style_;
  Argb colour_ = 0;
  Align align_ = Align::kStart;
  TextFlow flow_ = TextFlow::kOneLine;
  BackBuffer buffer_;
};

struct ImageBoxArgs {
  DesignRect bounds{};
  ImageFit fit = ImageFit::kContain;
  Argb background = 0;  // 0: the parent's colour
  std::string text{};   // window text (a description for screen readers)
};

class ImageBox : public Window {
 public:
  void Create(Window* parent, const ImageBoxArgs& args);
  // Shows `image` (premultiplied pixels; a copy is kept).
  void SetImage(Image image);
  const Image& image() const { return image_; }

 protected:
  LRESULT WndProc(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  Image image_;
  Image scaled_;  // image_ as last drawn, kept while the box's size stays
  RectI scaled_rect_;
  ImageFit fit_ = ImageFit::kContain;
  Argb background_ = 0;
  BackBuffer buffer_;
};

}  // namespace velin::skin
