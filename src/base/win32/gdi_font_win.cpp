#include "base/win32/gdi_font_win.h"

#include <algorithm>
#include <string>

#include "base/win32/wide_win.h"

namespace velin {

HFONT CreateGdiFont(const Font& font) {
  LOGFONTW lf{};
  lf.lfHeight = -EmPixels(font.size);
  lf.lfEscapement = font.orientation;
  lf.lfOrientation = font.orientation;
  lf.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = ANTIALIASED_QUALITY;  // grey levels only: no colour fringes to undo
  lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  std::wstring name = Utf8ToWide(font.name);
  name.resize(std::min<size_t>(name.size(), LF_FACESIZE - 1));
  std::copy(name.begin(), name.end(), lf.lfFaceName);
  return CreateFontIndirectW(&lf);
}

}  // namespace velin
