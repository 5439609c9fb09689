// The text renderer of systems without GDI: FreeType glyphs, faces found through fontconfig.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "base/text_renderer.h"

namespace velin {

// Faces are looked up by family name with fontconfig, with the program's aliases (the
// Windows Chinese families map to WenQuanYi Micro Hei where they are not installed) added to
// the system configuration. A character the face lacks comes from the first installed face,
// in fontconfig's order for the family, that has it. Sizes are points at 96 dots per inch,
// the em height without internal leading; a size of 0 means the default of 12 points. Bold
// uses the family's bold face, or emboldens the regular one. Glyphs are anti-aliased and
// blended onto the bitmap. Thread-safe: one lock serialises all calls.
class FreeTypeTextRenderer : public TextRenderer {
 public:
  FreeTypeTextRenderer();
  ~FreeTypeTextRenderer() override;
  FreeTypeTextRenderer(const FreeTypeTextRenderer&) = delete;
  FreeTypeTextRenderer& operator=(const FreeTypeTextRenderer&) = delete;

  void Draw(Bitmap32& target, int x, int y, std::string_view text, const Font& font) override;
  Size Measure(std::string_view text, const Font& font) override;

  // The family name of the face that draws `ch` for a font of the given family ("" when no
  // face is available). For diagnostics and tests.
  std::string FaceFamily(std::string_view family, bool bold, char32_t ch = U'A');

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace velin
