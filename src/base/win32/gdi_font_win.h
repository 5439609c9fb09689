// The GDI font of a Font, made the same way wherever the program draws text with GDI (the
// text renderer, metafiles), so that both measure and draw alike.
#pragma once

#include <windows.h>

#include "base/text_renderer.h"

namespace velin {

// A new font: em height EmPixels(font.size) in logical units, font.name (at most 31
// characters), bold or normal weight, turned by font.orientation, grey-level anti-aliasing.
// The caller deletes it with DeleteObject; null when GDI fails.
HFONT CreateGdiFont(const Font& font);

}  // namespace velin
