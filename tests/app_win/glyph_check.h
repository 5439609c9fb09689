// A box-glyph ("tofu") detector for pictures of captions: a font without the characters draws
// every one of them as the same missing-glyph box, so a caption of several different CJK
// characters whose glyph cells are all alike was drawn without a CJK font.
#pragma once

#include <windows.h>

#include <string>

#include "base/bitmap.h"

namespace velin::test {

struct GlyphCells {
  int cells = 0;     // runs of inked columns
  int distinct = 0;  // different ones among them (ink masks compared exactly)
};

// The glyph cells of the text in `area` of `picture` (0x00RRGGBB pixels): ink is what differs
// clearly from the area's most common colour.
GlyphCells CellsIn(const Bitmap32& picture, const RECT& area);

// True when the caption in `area` shows real glyphs: at least two cells, not all alike.
bool HasRealGlyphs(const Bitmap32& picture, const RECT& area);

// `text` drawn black on white with the user-interface face at `pixel_height`, for checking
// the detector itself.
Bitmap32 RenderText(const std::wstring& text, int pixel_height);

}  // namespace velin::test
