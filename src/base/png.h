// PNG files for pages and symbols, through libpng: written as 1-bit black and white, 8-bit
// grey or 8-bit RGB; read from grey (1 to 8 bits), grey with alpha, RGB and RGBA at 8 bits.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "base/bitmap.h"

namespace velin {

// How a written PNG stores its pixels. A pixel is stored by its luma, (77 R + 150 G + 29 B +
// 128) / 256 (about 0.299 R + 0.587 G + 0.114 B): as that grey level in kGrey, as white where
// the luma is at least 128 (else black) in kBlackAndWhite. Grey pixels (R = G = B) keep their level exactly in kGrey; black and white
// pixels keep their colour in all three.
enum class PngPixels { kRgb, kGrey, kBlackAndWhite };

// The smallest of the three that stores every pixel of `image` exactly.
PngPixels PngPixelsFor(const Bitmap32& image);

struct PngFormat {
  PngPixels pixels = PngPixels::kRgb;
  int dots_per_inch = 0;  // recorded as the image's resolution when positive
};

// Writes `image` in the smallest exact format (PngPixelsFor). Returns false if the file cannot
// be written.
bool WritePng(const std::string& path, const Bitmap32& image);

// Encodes a PNG of width × height without holding the image: `row` is called once per row,
// top to bottom, to fill `width` pixel words (Bitmap32 layout), and the file's bytes go to
// `write` in pieces of at most 128 KiB as they are made, so memory grows with the width only.
// The compression suits pages of black and white dots (a fast level; a row that repeats the
// one above costs next to nothing). False for an empty size, or as soon as `write` returns
// false (nothing more is written then).
bool EncodePng(int width, int height, const std::function<void(int y, uint32_t* pixels)>& row,
               const std::function<bool(std::string_view bytes)>& write, PngFormat format = {});
// The same into `out`, replacing its content.
bool EncodePng(int width, int height, const std::function<void(int y, uint32_t* pixels)>& row,
               std::string& out, PngFormat format = {});
// As EncodePng, with a row source that may say that row y repeats row y - 1: it then returns
// false and need not fill `pixels` (for y = 0 the row is taken as filled whatever it returns).
bool EncodePngRows(int width, int height,
                   const std::function<bool(int y, uint32_t* pixels)>& row,
                   const std::function<bool(std::string_view bytes)>& write, PngFormat format);

// Reads a non-interlaced PNG of 8-bit RGB, RGBA or grey with alpha, or grey of 1, 2, 4 or 8
// bits (what WritePng and common tools write); transparency is composited over white. Returns
// false for anything else (16-bit, palette and interlaced files included), a damaged or
// unreadable file, or an image beyond Bitmap32::kMaxPixels; `image` is then left unchanged.
bool ReadPng(const std::string& path, Bitmap32& image);

}  // namespace velin
