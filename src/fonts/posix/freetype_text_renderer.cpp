#include "fonts/posix/freetype_text_renderer.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <mutex>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "base/ansi_codec.h"
#include "fonts/posix/glyph_blit.h"

namespace velin {

namespace {

// The aliases of velin-fonts.conf, compiled in (generated from that file by the build).
constexpr const char kAliasConf[] =
#include "velin_fonts_conf.inc"
    ;

// Clip boxes (pixels) stay far inside FreeType's coordinate range.
constexpr int64_t kClipLimit = int64_t{4} * kMaxEmPixels;
constexpr int kMaxCachedEm = 256;  // larger glyphs are rasterised straight into the bitmap
constexpr size_t kGlyphCacheBytes = size_t{32} << 20;

struct FaceKey {
  std::string file;
  int index = 0;
  bool operator<(const FaceKey& o) const {
    return std::tie(file, index) < std::tie(o.file, o.index);
  }
};

// An opened face and whether it needs synthetic emboldening for a bold request.
struct FaceRef {
  FT_Face face = nullptr;
  bool synthetic_bold = false;
  std::string family;
};

// Faces for one requested family and weight: fontconfig's sorted list, and per character the
// face that draws it.
struct FamilyFaces {
  FcFontSet* fonts = nullptr;  // outline fonts only, best first
  std::vector<FcCharSet*> charsets;
  std::vector<FaceRef> refs;                  // opened lazily, parallel to fonts
  std::unordered_map<char32_t, int> by_char;  // index into refs, -1 for none
};

struct GlyphKey {
  FT_Face face = nullptr;
  FT_UInt index = 0;
  int em = 0;
  bool synthetic_bold = false;
  bool operator==(const GlyphKey&) const = default;
};

struct GlyphKeyHash {
  size_t operator()(const GlyphKey& k) const {
    uint64_t h = reinterpret_cast<uintptr_t>(k.face);
    h = h * 0x9E3779B97F4A7C15u ^ k.index;
    h = h * 0x9E3779B97F4A7C15u ^ (static_cast<uint64_t>(k.em) << 1 | k.synthetic_bold);
    return static_cast<size_t>(h * 0x9E3779B97F4A7C15u >> 7);
  }
};

struct CachedGlyph {
  int64_t advance = 0;  // pixels
  int left = 0;         // bitmap origin relative to the pen position on the baseline, y up
  int top = 0;
  int width = 0;
  int rows = 0;
  std::vector<uint8_t> coverage;
};

using Placement = GlyphPlacement;

// Blends `pixel` onto one dot with coverage 0..255; dots outside the bitmap are skipped.
inline void Blend(Bitmap32& target, int64_t tx, int64_t ty, uint32_t pixel, unsigned a) {
  if (a == 0 || tx < 0 || ty < 0 || tx >= target.width() || ty >= target.height()) return;
  uint32_t& d = target.Row(static_cast<int>(ty))[tx];
  d = a >= 255 ? pixel : BlendDot(d, pixel, a);
}

struct SpanTarget {
  // Cached rendering: coverage buffer of the glyph's box.
  CachedGlyph* glyph = nullptr;
  // Direct rendering.
  Bitmap32* bitmap = nullptr;
  const Placement* place = nullptr;
  int64_t pen_u = 0;
  int64_t baseline_v = 0;
  uint32_t pixel = 0;
};

void SpanToBuffer(int y, int count, const FT_Span* spans, void* user) {
  auto* t = static_cast<SpanTarget*>(user);
  CachedGlyph& g = *t->glyph;
  const int row = g.top - 1 - y;  // raster rows run upwards
  if (row < 0 || row >= g.rows) return;
  for (int i = 0; i < count; ++i) {
    const int x0 = std::max(0, spans[i].x - g.left);
    const int x1 = std::min(g.width, spans[i].x - g.left + spans[i].len);
    for (int x = x0; x < x1; ++x)
      g.coverage[static_cast<size_t>(row) * g.width + x] = spans[i].coverage;
  }
}

void SpanToBitmap(int y, int count, const FT_Span* spans, void* user) {
  auto* t = static_cast<SpanTarget*>(user);
  const int64_t v = t->baseline_v - 1 - y;
  for (int i = 0; i < count; ++i)
    for (int k = 0; k < spans[i].len; ++k) {
      int64_t tx, ty;
      t->place->Map(t->pen_u + spans[i].x + k, v, tx, ty);
      Blend(*t->bitmap, tx, ty, t->pixel, spans[i].coverage);
    }
}

}  // namespace

struct FreeTypeTextRenderer::Impl {
  std::mutex mutex;
  FT_Library library = nullptr;
  FcConfig* config = nullptr;
  std::map<FaceKey, FT_Face> faces;
  std::map<FT_Face, int> face_em;  // the pixel size currently set on each face
  std::map<std::pair<std::string, bool>, FamilyFaces> families;
  std::unordered_map<GlyphKey, CachedGlyph, GlyphKeyHash> glyphs;
  // The family of the last look-up, which a run of text lines nearly always asks for again.
  std::string last_family_name;
  bool last_family_bold = false;
  FamilyFaces* last_family = nullptr;
  size_t glyph_bytes = 0;

  Impl() {
    if (FT_Init_FreeType(&library) != 0) library = nullptr;
    config = FcInitLoadConfigAndFonts();
    if (config != nullptr)
      FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(kAliasConf), FcTrue);
  }

  ~Impl() {
    for (auto& [key, family] : families) {
      if (family.fonts != nullptr) FcFontSetDestroy(family.fonts);
    }
    for (auto& [key, face] : faces) FT_Done_Face(face);
    if (library != nullptr) FT_Done_FreeType(library);
    if (config != nullptr) FcConfigDestroy(config);
  }

  FamilyFaces& Family(std::string_view name, bool bold) {
    if (last_family != nullptr && last_family_bold == bold && last_family_name == name)
      return *last_family;
    FamilyFaces& fam = FindFamily(name, bold);
    last_family_name.assign(name);
    last_family_bold = bold;
    last_family = &fam;  // map nodes stay put
    return fam;
  }

  FamilyFaces& FindFamily(std::string_view name, bool bold) {
    auto key = std::make_pair(std::string(name), bold);
    auto it = families.find(key);
    if (it != families.end()) return it->second;
    FamilyFaces& fam = families[key];
    if (config == nullptr) return fam;
    FcPattern* pat = FcPatternCreate();
    FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(key.first.c_str()));
    FcPatternAddInteger(pat, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pat, FC_SLANT, FC_SLANT_ROMAN);
    FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(config, pat, FcMatchPattern);
    FcDefaultSubstitute(pat);
    FcResult result;
    FcFontSet* sorted = FcFontSort(config, pat, FcFalse, nullptr, &result);
    FcPatternDestroy(pat);
    if (sorted == nullptr) return fam;
    fam.fonts = FcFontSetCreate();
    for (int i = 0; i < sorted->nfont; ++i) {
      FcPattern* font = sorted->fonts[i];
      FcBool outline = FcFalse;
      FcChar8* file = nullptr;
      FcCharSet* charset = nullptr;
      if (FcPatternGetBool(font, FC_OUTLINE, 0, &outline) != FcResultMatch || !outline) continue;
      if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch) continue;
      if (FcPatternGetCharSet(font, FC_CHARSET, 0, &charset) != FcResultMatch) continue;
      FcPatternReference(font);
      FcFontSetAdd(fam.fonts, font);
      fam.charsets.push_back(charset);
    }
    FcFontSetDestroy(sorted);
    fam.refs.resize(static_cast<size_t>(fam.fonts->nfont));
    return fam;
  }

  // Opens the i-th face of the family (once).
  FaceRef* Ref(FamilyFaces& fam, int i, bool bold) {
    FaceRef& ref = fam.refs[static_cast<size_t>(i)];
    if (ref.face != nullptr) return &ref;
    FcPattern* font = fam.fonts->fonts[i];
    FcChar8* file = nullptr;
    int index = 0;
    FcPatternGetString(font, FC_FILE, 0, &file);
    FcPatternGetInteger(font, FC_INDEX, 0, &index);
    FaceKey key{reinterpret_cast<const char*>(file), index};
    auto it = faces.find(key);
    if (it == faces.end()) {
      FT_Face face = nullptr;
      if (library == nullptr || FT_New_Face(library, key.file.c_str(), index, &face) != 0)
        return nullptr;
      it = faces.emplace(key, face).first;
    }
    ref.face = it->second;
    int weight = FC_WEIGHT_REGULAR;
    FcPatternGetInteger(font, FC_WEIGHT, 0, &weight);
    ref.synthetic_bold = bold && weight < FC_WEIGHT_DEMIBOLD;
    FcChar8* family = nullptr;
    if (FcPatternGetString(font, FC_FAMILY, 0, &family) == FcResultMatch)
      ref.family = reinterpret_cast<const char*>(family);
    return &ref;
  }

  FaceRef* Primary(FamilyFaces& fam, bool bold) {
    for (int i = 0; fam.fonts != nullptr && i < fam.fonts->nfont; ++i)
      if (FaceRef* ref = Ref(fam, i, bold)) return ref;
    return nullptr;
  }

  // The face that draws `ch`: the first in the family's order that has it, else the primary.
  FaceRef* ForChar(FamilyFaces& fam, char32_t ch, bool bold) {
    auto it = fam.by_char.find(ch);
    if (it == fam.by_char.end()) {
      int found = -1;
      for (size_t i = 0; i < fam.charsets.size() && found < 0; ++i)
        if (FcCharSetHasChar(fam.charsets[i], ch) && Ref(fam, static_cast<int>(i), bold))
          found = static_cast<int>(i);
      it = fam.by_char.emplace(ch, found).first;
    }
    return it->second >= 0 ? &fam.refs[static_cast<size_t>(it->second)] : Primary(fam, bold);
  }

  bool SetEm(FT_Face face, int em) {
    auto it = face_em.find(face);
    if (it != face_em.end() && it->second == em) return true;
    if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(em)) != 0) return false;
    face_em[face] = em;
    return true;
  }

  // Ascent and descent of the text cell in pixels, from the face's Windows metrics when it
  // has them (what GDI uses for the cell), else from its typographic ones.
  static void CellMetrics(FT_Face face, int em, int64_t& ascent, int64_t& descent) {
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    int64_t up = 0, down = 0;
    if (os2 != nullptr && os2->version != 0xFFFF && (os2->usWinAscent | os2->usWinDescent)) {
      up = os2->usWinAscent;
      down = os2->usWinDescent;
    } else {
      up = face->ascender;
      down = -static_cast<int64_t>(face->descender);
    }
    const int64_t units = face->units_per_EM > 0 ? face->units_per_EM : 1000;
    ascent = (up * em * 2 + units) / (2 * units);
    descent = (down * em * 2 + units) / (2 * units);
  }

  // Loads one glyph at the face's current size; false if it cannot be loaded as an outline.
  static bool LoadOutline(const FaceRef& ref, FT_UInt index) {
    if (FT_Load_Glyph(ref.face, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0) return false;
    if (ref.face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) return false;
    if (ref.synthetic_bold) FT_GlyphSlot_Embolden(ref.face->glyph);
    return true;
  }

  // Walks the text: for each character its face, glyph and pen position. Glyphs up to
  // kMaxCachedEm come from the cache (`glyph` set); larger ones are left loaded in the face's
  // slot (`glyph` null) for rasterising straight into the bitmap.
  // Returns the pen position after the last glyph walked.
  template <typename Visit>
  int64_t Walk(std::string_view text, const Font& font, Visit&& visit) {
    const int em = EmPixels(font.size);
    FamilyFaces& fam = Family(font.name, font.bold);
    int64_t pen = 0;
    size_t pos = 0;
    while (pos < text.size()) {
      const char32_t ch = NextUtf8(text, pos);
      FaceRef* ref = ForChar(fam, ch, font.bold);
      if (ref == nullptr) continue;
      const FT_UInt index = FT_Get_Char_Index(ref->face, ch);
      int64_t advance = 0;
      const CachedGlyph* glyph = nullptr;
      if (em <= kMaxCachedEm) {
        glyph = Cached(*ref, index, em);
        if (glyph == nullptr) continue;
        advance = glyph->advance;
      } else {
        if (!SetEm(ref->face, em) || !LoadOutline(*ref, index)) continue;
        advance = (ref->face->glyph->advance.x + 32) >> 6;
      }
      if (!visit(*ref, glyph, pen)) break;
      pen += advance;
    }
    return pen;
  }

  Size Measure(std::string_view text, const Font& font) {
    FamilyFaces& fam = Family(font.name, font.bold);
    FaceRef* primary = Primary(fam, font.bold);
    if (primary == nullptr) return {};
    const int em = EmPixels(font.size);
    int64_t ascent = 0, descent = 0;
    CellMetrics(primary->face, em, ascent, descent);
    const int64_t width =
        Walk(text, font, [](FaceRef&, const CachedGlyph*, int64_t) { return true; });
    return {static_cast<int>(std::min<int64_t>(width, INT_MAX)),
            static_cast<int>(std::min<int64_t>(ascent + descent, INT_MAX))};
  }

  // The rendered glyph, from the cache or loaded and rasterised now; null if the face cannot
  // produce it.
  const CachedGlyph* Cached(FaceRef& ref, FT_UInt index, int em) {
    const GlyphKey key{ref.face, index, em, ref.synthetic_bold};
    auto it = glyphs.find(key);
    if (it != glyphs.end()) return &it->second;
    if (!SetEm(ref.face, em) || !LoadOutline(ref, index)) return nullptr;
    if (glyph_bytes > kGlyphCacheBytes) {
      glyphs.clear();
      glyph_bytes = 0;
    }
    CachedGlyph& g = glyphs[key];
    g.advance = (ref.face->glyph->advance.x + 32) >> 6;
    FT_Outline& outline = ref.face->glyph->outline;
    FT_BBox box;
    FT_Outline_Get_CBox(&outline, &box);
    g.left = static_cast<int>(box.xMin >> 6);
    g.top = static_cast<int>((box.yMax + 63) >> 6);
    g.width = static_cast<int>(((box.xMax + 63) >> 6) - g.left);
    g.rows = static_cast<int>(g.top - (box.yMin >> 6));
    glyph_bytes += sizeof(CachedGlyph) + 64;
    if (g.width <= 0 || g.rows <= 0) {
      g.width = g.rows = 0;
      return &g;
    }
    g.coverage.assign(static_cast<size_t>(g.width) * g.rows, 0);
    SpanTarget target;
    target.glyph = &g;
    FT_Raster_Params params{};
    params.source = &outline;
    params.flags = FT_RASTER_FLAG_AA | FT_RASTER_FLAG_DIRECT;
    params.gray_spans = SpanToBuffer;
    params.user = &target;
    FT_Outline_Render(library, &outline, &params);
    glyph_bytes += g.coverage.size();
    return &g;
  }

  void Draw(Bitmap32& bmp, int x, int y, std::string_view text, const Font& font) {
    if (bmp.empty()) return;
    FamilyFaces& fam = Family(font.name, font.bold);
    FaceRef* primary = Primary(fam, font.bold);
    if (primary == nullptr) return;
    const int em = EmPixels(font.size);
    int64_t ascent = 0, descent = 0;
    CellMetrics(primary->face, em, ascent, descent);

    Placement place;
    place.x = x;
    place.y = y;
    place.quarter = static_cast<int>(((font.orientation % 3600 + 3600) % 3600 + 450) / 900 % 4);
    const uint32_t pixel = ToPixel(font.color);

    // The part of the bitmap in cell coordinates (u along the text, v down the cell), to skip
    // glyphs that cannot touch it and to stop once the text has left it.
    int64_t u_lo = INT64_MIN / 4, u_hi = INT64_MAX / 4;
    {
      const int64_t w = bmp.width(), h = bmp.height();
      switch (place.quarter) {
        case 0:
          u_lo = -int64_t{x}, u_hi = w - x;
          break;
        case 1:
          u_lo = y - h, u_hi = y;
          break;
        case 2:
          u_lo = x - w, u_hi = x;
          break;
        case 3:
          u_lo = -int64_t{y}, u_hi = h - y;
          break;
      }
    }
    Walk(text, font, [&](FaceRef& ref, const CachedGlyph* glyph, int64_t pen) {
      if (pen > u_hi + em) return false;              // the rest of the text is past the bitmap
      if (pen + 2 * int64_t{em} < u_lo) return true;  // this glyph ends before it
      if (glyph != nullptr) {
        const CachedGlyph& g = *glyph;
        BlitCoverage(bmp, place, pen + g.left, ascent - g.top, g.coverage.data(), g.width,
                     g.rows, pixel);
      } else {
        SpanTarget target;
        target.bitmap = &bmp;
        target.place = &place;
        target.pen_u = pen;
        target.baseline_v = ascent;
        target.pixel = pixel;
        FT_Raster_Params params{};
        params.source = &ref.face->glyph->outline;
        params.flags = FT_RASTER_FLAG_AA | FT_RASTER_FLAG_DIRECT | FT_RASTER_FLAG_CLIP;
        params.gray_spans = SpanToBitmap;
        params.user = &target;
        // Clip to the bitmap, expressed in the glyph's raster coordinates (x from the pen
        // position, y up from the baseline).
        int64_t cu0 = INT64_MAX, cu1 = INT64_MIN, cv0 = INT64_MAX, cv1 = INT64_MIN;
        const int64_t corners[4][2] = {
            {0, 0}, {bmp.width(), 0}, {0, bmp.height()}, {bmp.width(), bmp.height()}};
        for (const auto& c : corners) {
          // Inverse of Place.Map for the bitmap's corners.
          int64_t u = 0, v = 0;
          switch (place.quarter) {
            case 0:
              u = c[0] - x, v = c[1] - y;
              break;
            case 1:
              u = y - c[1], v = c[0] - x;
              break;
            case 2:
              u = x - c[0], v = y - c[1];
              break;
            case 3:
              u = c[1] - y, v = x - c[0];
              break;
          }
          cu0 = std::min(cu0, u), cu1 = std::max(cu1, u);
          cv0 = std::min(cv0, v), cv1 = std::max(cv1, v);
        }
        auto clamp = [](int64_t value) {
          return static_cast<FT_Pos>(std::clamp<int64_t>(value, -kClipLimit, kClipLimit));
        };
        params.clip_box.xMin = clamp(cu0 - pen - 1);
        params.clip_box.xMax = clamp(cu1 - pen + 1);
        params.clip_box.yMin = clamp(ascent - cv1 - 1);
        params.clip_box.yMax = clamp(ascent - cv0 + 1);
        FT_Outline_Render(library, &ref.face->glyph->outline, &params);
      }
      return true;
    });
  }
};

FreeTypeTextRenderer::FreeTypeTextRenderer() : impl_(std::make_unique<Impl>()) {}
FreeTypeTextRenderer::~FreeTypeTextRenderer() = default;

void FreeTypeTextRenderer::Draw(Bitmap32& target, int x, int y, std::string_view text,
                                const Font& font) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->Draw(target, x, y, text, font);
}

Size FreeTypeTextRenderer::Measure(std::string_view text, const Font& font) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->Measure(text, font);
}

std::string FreeTypeTextRenderer::FaceFamily(std::string_view family, bool bold, char32_t ch) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  FamilyFaces& fam = impl_->Family(family, bold);
  FaceRef* ref = impl_->ForChar(fam, ch, bold);
  return ref != nullptr ? ref->family : std::string();
}

TextRenderer& PlatformTextRenderer() {
  static FreeTypeTextRenderer renderer;
  return renderer;
}

}  // namespace velin
